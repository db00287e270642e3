// "settings" and "texts": show what the saver would make of a settings file or a language
// file, through the same reading code, so a user's file can be checked without Windows.
#include <cstdio>
#include <string>

#include "settings/settings.h"
#include "settings/text_storage.h"
#include "platform/platform.h"
#include "tool.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace LumoraTool {

namespace {
using namespace WorkSpace;

// The output is compared byte for byte by scripts: no CR LF translation on Windows either.
void BinaryStdout() {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

void Print(const std::string& text) { fwrite(text.data(), 1, text.size(), stdout); }

// Command-line words arrive in the ANSI code page on Windows and as UTF-8 on Linux, which is
// what AnsiToWide reads on each.
std::wstring PathArgument(const std::string& word) { return Platform::AnsiToWide(word); }

// The first word that is neither an option nor an option's value.
bool Positional(const Args& args, std::string& word) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--save-to") {
            ++i;
            continue;
        }
        word = args[i];
        return true;
    }
    return false;
}

int RunSettings(const Args& args) {
    std::string file;
    if (!Positional(args, file)) {
        fprintf(stderr, "settings: no settings file given\n");
        return 2;
    }
    std::string saveTo;
    const bool save = Option(args, "--save-to", saveTo);
    if (!save && Flag(args, "--save-to")) {
        fprintf(stderr, "settings: --save-to needs a file\n");
        return 2;
    }
    BinaryStdout();
    Settings settings;
    const bool loaded = settings.Load(PathArgument(file));
    if (save && !settings.Save(PathArgument(saveTo))) {
        fprintf(stderr, "settings: cannot write %s\n", saveTo.c_str());
        return 1;
    }
    Print(loaded ? "loaded 1\n" : "loaded 0\n");
    for (const std::wstring& picture : settings.pictures) Print("picture " + Platform::WideToUtf8(picture) + "\n");
    for (const SettingRow& row : kSettingRows)
        if (settings.IsWritten(row.id)) Print(Platform::WideToUtf8(row.key) + " " + std::to_string(settings.Get(row.id)) + "\n");
    return 0;
}

int RunTexts(const Args& args) {
    Translate::TextStorage table;
    if (args.empty()) {
        table.LoadDefaults();
    } else {
        std::string bytes;
        if (!Platform::ReadWholeFile(PathArgument(args[0]), bytes)) {
            fprintf(stderr, "texts: cannot open %s\n", args[0].c_str());
            return 1;
        }
        // The file's bytes go through the same steps as the language member of the archive.
        LoadTextsFromMember(table, bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    BinaryStdout();
    for (size_t i = 0; i < table.Count(); ++i)
        Print(std::to_string(i) + "\t" + Platform::WideToUtf8(table.GetText(static_cast<int32_t>(i))) + "\n");
    return 0;
}

Registrar settingsCommand({"settings", "settings FILE [--save-to OUT]", RunSettings, "--save-to="});
Registrar textsCommand({"texts", "texts [FILE]", RunTexts, ""});
}  // namespace

}  // namespace LumoraTool
