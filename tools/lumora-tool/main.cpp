// Dispatches "lumora-tool COMMAND ARGS..." to the registered command.
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "resources/logger.h"
#include "tool.h"

namespace LumoraTool {

namespace {
std::map<std::string, Command>& Commands() {
    static std::map<std::string, Command> commands;
    return commands;
}

int Usage() {
    fprintf(stderr, "usage: lumora-tool [--log] COMMAND [ARGS]\ncommands:\n");
    for (const auto& entry : Commands()) fprintf(stderr, "  %s\n", entry.second.usage);
    return 2;
}
void DropLine(const std::wstring&) {}
void LineToStandardError(const std::wstring& line) {
    fputs(WorkSpace::Platform::WideToUtf8(line).c_str(), stderr);
}

// The tool's output is its command's alone: the saver's log lines, which the code it
// shares writes, go nowhere, or with --log to standard error; never to a file, so the
// tool cannot leave a log beside itself.
void QuietLog(bool toStandardError) {
    WorkSpace::GetLogger().KeepNoFile();
    WorkSpace::Platform::SetDebugOutputForTesting(toStandardError ? LineToStandardError : DropLine);
}
}  // namespace

// The first word of `args` that is not an option of `command` (nor an option's value) but
// looks like one; empty when there is none. A misspelled option must not be ignored.
std::string UnknownOption(const Command& command, const Args& args) {
    std::vector<std::string> known;
    std::string list = command.options ? command.options : "";
    for (size_t at = 0; at < list.size();) {
        const size_t end = std::min(list.find(' ', at), list.size());
        if (end > at) known.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.size() < 2 || word[0] != '-') continue;
        bool found = false;
        for (const std::string& k : known) {
            const bool takesValue = k.back() == '=';
            if (word == (takesValue ? k.substr(0, k.size() - 1) : k)) {
                found = true;
                if (takesValue) ++i;  // the value may look like an option itself
                break;
            }
        }
        if (!found) return word;
    }
    return std::string();
}

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
    const bool logToStandardError = argc > 1 && strcmp(argv[1], "--log") == 0;
    QuietLog(logToStandardError);
    if (logToStandardError) {
        --argc;
        ++argv;
    }
    if (argc < 2) return Usage();
    auto it = Commands().find(argv[1]);
    if (it == Commands().end()) {
        fprintf(stderr, "lumora-tool: unknown command '%s'\n", argv[1]);
        return Usage();
    }
    Args args(argv + 2, argv + argc);
    const std::string unknown = UnknownOption(it->second, args);
    if (!unknown.empty()) {
        fprintf(stderr, "lumora-tool %s: unknown option '%s'\nusage: lumora-tool %s\n", argv[1], unknown.c_str(),
                it->second.usage);
        return 2;
    }
    return it->second.run(args);
}
