// Dispatches "lumora-tool COMMAND ARGS..." to the registered command.
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <map>

#include "tool.h"

namespace LumoraTool {

namespace {
std::map<std::string, Command>& Commands() {
    static std::map<std::string, Command> commands;
    return commands;
}

int Usage() {
    fprintf(stderr, "usage: lumora-tool COMMAND [ARGS]\ncommands:\n");
    for (const auto& entry : Commands()) fprintf(stderr, "  %s\n", entry.second.usage);
    return 2;
}
}  // namespace

Registrar::Registrar(const Command& command) { Commands()[command.name] = command; }

bool Option(const Args& args, const char* name, std::string& value) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == name) {
            value = args[i + 1];
            return true;
        }
    return false;
}

bool Flag(const Args& args, const char* name) {
    for (const std::string& a : args)
        if (a == name) return true;
    return false;
}

bool ParseInt(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = strtoll(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

}  // namespace LumoraTool

int main(int argc, char** argv) {
    using namespace LumoraTool;
    if (argc < 2) return Usage();
    auto it = Commands().find(argv[1]);
    if (it == Commands().end()) {
        fprintf(stderr, "lumora-tool: unknown command '%s'\n", argv[1]);
        return Usage();
    }
    Args args(argv + 2, argv + argc);
    return it->second.run(args);
}
