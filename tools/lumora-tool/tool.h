// lumora-tool: thin command-line fronts over the same code the saver runs. Each command
// group registers itself from its own file, so adding one touches no shared table.
#pragma once
#include <string>
#include <vector>

namespace LumoraTool {

using Args = std::vector<std::string>;  // the words after the command name

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Args& args);
    // The options the command knows, blank-separated; a trailing '=' marks one that takes
    // the next word as its value ("--frames= --scheme= --vertices"). Any other word that
    // starts with '-' is refused with the usage line before the command runs.
    const char* options;
};

struct Registrar {
    explicit Registrar(const Command& command);
};

// Finds "--name VALUE" in args; returns false when absent.
bool Option(const Args& args, const char* name, std::string& value);
bool Flag(const Args& args, const char* name);
// Parses a whole decimal integer; false on anything else.
bool ParseInt(const std::string& text, long long& value);
// A picture-list entry given on the command line as a full path; off Windows, Windows'
// separator is taken for the platform's. A server address (http://, https://) stays as it is.
std::wstring FullEntry(const std::string& word);
// Lets the saver's WebDAV source serve the server addresses among `entries` (Windows only),
// as a run of the saver does; those it cannot serve (no stored password; any off Windows)
// are taken out with one line on standard error, and the result is false.
bool UseToolServerFolders(const char* command, std::vector<std::wstring>& entries);

}  // namespace LumoraTool
