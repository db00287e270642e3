// lumora-tool library: the pictures of a photo library, lap after lap, in the order the
// saver shows them, one full path a line.
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "library/picture_library.h"
#include "platform/picture_extensions.h"
#include "platform/platform.h"
#include "tool.h"

namespace LumoraTool {

std::wstring FullEntry(const std::string& word) {
    using namespace WorkSpace;
    std::wstring entry = Platform::Utf8ToWide(word.data(), word.size());
    if (Platform::PathSeparator() == L'/')
        for (wchar_t& c : entry)
            if (c == L'\\') c = L'/';
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(entry), error);
    return error ? entry : full.wstring();
}

namespace {

// "jpg,.PNG,cr2" -> ".jpg", ".png", ".cr2": the decoders a machine would have installed.
std::vector<std::wstring> ExtensionList(const std::string& text) {
    std::vector<std::wstring> extensions;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        std::wstring extension = L".";
        for (size_t i = start; i < end; ++i)
            if (text[i] != '.' || i != start)
                extension.push_back(static_cast<wchar_t>(std::tolower(static_cast<unsigned char>(text[i]))));
        if (extension.size() > 1) extensions.push_back(extension);
        start = end + 1;
    }
    return extensions;
}

int Library(const Args& args) {
    using namespace WorkSpace;
    std::string text;
    long long seed = 0, laps = 1;
    if (Option(args, "--seed", text) && (!ParseInt(text, seed) || seed < 0)) {
        fprintf(stderr, "library: --seed takes a number (>= 0)\n");
        return 2;
    }
    if (Option(args, "--laps", text) && (!ParseInt(text, laps) || laps < 1)) {
        fprintf(stderr, "library: --laps takes a number (>= 1)\n");
        return 2;
    }
    std::vector<std::wstring> extensions = Platform::PictureExtensions();
    if (Option(args, "--extensions", text) && (extensions = ExtensionList(text)).empty()) {
        fprintf(stderr, "library: --extensions takes a list like jpg,png,cr2\n");
        return 2;
    }
    std::vector<std::wstring> entries;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--seed" || args[i] == "--laps" || args[i] == "--extensions") {
            ++i;
            continue;
        }
        if (args[i] == "--shuffle") continue;
        entries.push_back(FullEntry(args[i]));
    }
    if (entries.empty()) {
        fprintf(stderr, "library: at least one ENTRY (a picture, or a folder ending with a separator)\n");
        return 2;
    }
    PictureLibrary::Options options;
    options.shuffle = Flag(args, "--shuffle");
    // Seed 0 would take one from the clock; the tool always gives the same order for a seed.
    options.seed = static_cast<uint64_t>(seed) + 1;
    PictureLibrary library(entries, extensions, options);
    std::wstring path;
    uint32_t place = 0;
    while (library.Next(path, place) && library.Laps() <= static_cast<unsigned long long>(laps)) {
        library.Shown(path, place);
        const std::string line = Platform::WideToUtf8(path) + "\n";
        fwrite(line.data(), 1, line.size(), stdout);
        if (library.AtShuffledLapEnd() && library.Laps() >= static_cast<unsigned long long>(laps)) break;
    }
    return fflush(stdout) == 0 ? 0 : 1;
}

const Registrar registrar({"library", "library [--shuffle] [--seed N] [--laps K] [--extensions LIST] ENTRY...",
                           Library, "--shuffle --seed= --laps= --extensions="});

}  // namespace
}  // namespace LumoraTool
