// lumora-tool library: the pictures of a photo library, lap after lap, in the order the
// saver shows them, one full path a line; with photo facts from a file or from a photo index,
// filtered, with the memories first and bursts kept apart, as the saver does with its index.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "library/photo_index.h"
#include "library/picture_library.h"
#include "platform/picture_extensions.h"
#include "platform/platform.h"
#include "sources/server_url.h"
#include "tool.h"

namespace LumoraTool {

std::wstring FullEntry(const std::string& word) {
    using namespace WorkSpace;
    std::wstring entry = Platform::Utf8ToWide(word.data(), word.size());
    if (IsServerEntry(entry)) return entry;
    if (Platform::PathSeparator() == L'/')
        for (wchar_t& c : entry)
            if (c == L'\\') c = L'/';
    // A name the file system's encoding cannot hold (a line of a binary file given as facts)
    // stays as it is: it names no file, and the tool goes on.
    try {
        std::error_code error;
        const std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(entry), error);
        return error ? entry : full.wstring();
    } catch (const std::filesystem::filesystem_error&) {
        return entry;
    }
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

// The facts a file gives: one photo a line, "PATH<tab>YYYY-MM-DD HH:MM:SS[<tab>STARS]"
// (EXIF's "YYYY:MM:DD" too); a photo not named is not known.
struct FileFacts : WorkSpace::PhotoFactsSource {
    std::map<std::wstring, WorkSpace::PhotoFacts> table;
    bool Find(const std::wstring& path, WorkSpace::PhotoFacts& facts) const override {
        auto it = table.find(path);
        if (it == table.end()) return false;
        facts = it->second;
        return true;
    }
};

bool ParseDate(const std::string& text, WorkSpace::CivilDate& date, int64_t* seconds) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char a = 0, b = 0;
    const int got = std::sscanf(text.c_str(), "%d%c%d%c%d %d:%d:%d", &y, &a, &mo, &b, &d, &h, &mi, &s);
    if (got < 5 || a != b || (a != '-' && a != ':') || mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    date.year = y;
    date.month = mo;
    date.day = d;
    if (seconds) *seconds = WorkSpace::DaysOfDate(date) * 86400 + h * 3600 + mi * 60 + s;
    return true;
}

bool ReadFacts(const std::string& file, FileFacts& facts) {
    std::ifstream in(file);
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        WorkSpace::PhotoFacts photo;
        const size_t tab2 = line.find('\t', tab + 1);
        WorkSpace::CivilDate date;
        photo.dated = ParseDate(line.substr(tab + 1, tab2 == std::string::npos ? std::string::npos : tab2 - tab - 1),
                                date, &photo.taken);
        long long stars = 0;
        if (tab2 != std::string::npos && ParseInt(line.substr(tab2 + 1), stars)) photo.rating = static_cast<int32_t>(stars);
        facts.table[FullEntry(line.substr(0, tab))] = photo;
    }
    return true;
}

WorkSpace::CivilDate g_today;
WorkSpace::CivilDate GivenToday() { return g_today; }

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
    PictureLibrary::Options options;
    FileFacts facts;
    if (Option(args, "--facts", text)) {
        if (!ReadFacts(text, facts)) {
            fprintf(stderr, "library: --facts: cannot read %s\n", text.c_str());
            return 2;
        }
        options.facts = &facts;
    }
    // Or the facts of an index that `lumora-tool index` (or the saver) filled from the files.
    PhotoIndex index;
    if (Option(args, "--index", text)) {
        if (options.facts || !index.Open(FullEntry(text))) {
            fprintf(stderr, "library: --index: cannot open %s (and not with --facts)\n", text.c_str());
            return 2;
        }
        options.facts = &index;
    }
    long long stars = 0;
    if (Option(args, "--min-rating", text) && (!ParseInt(text, stars) || stars < 0 || stars > 5)) {
        fprintf(stderr, "library: --min-rating takes 0 to 5\n");
        return 2;
    }
    options.filter.minRating = static_cast<int32_t>(stars);
    long long videos = 0;
    if (Option(args, "--videos", text) && (!ParseInt(text, videos) || videos < 0 || videos > 2)) {
        fprintf(stderr, "library: --videos takes 0, 1 or 2\n");
        return 2;
    }
    options.videos = static_cast<int32_t>(videos);
    options.memories = Flag(args, "--memories");
    if (Option(args, "--today", text)) {
        if (!ParseDate(text, g_today, nullptr)) {
            fprintf(stderr, "library: --today takes a date like 2026-07-14\n");
            return 2;
        }
        options.today = GivenToday;
    }
    std::vector<std::wstring> entries;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--leave-out" && i + 1 < args.size()) options.leftOut.push_back(FullEntry(args[i + 1]));
        if (args[i] == "--seed" || args[i] == "--laps" || args[i] == "--extensions" || args[i] == "--facts" ||
            args[i] == "--index" || args[i] == "--min-rating" || args[i] == "--today" || args[i] == "--leave-out" ||
            args[i] == "--videos") {
            ++i;
            continue;
        }
        if (args[i] == "--shuffle" || args[i] == "--memories") continue;
        entries.push_back(FullEntry(args[i]));
    }
    if (entries.empty()) {
        fprintf(stderr, "library: at least one ENTRY (a picture, or a folder ending with a separator)\n");
        return 2;
    }
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

const Registrar registrar({"library",
                           "library [--shuffle] [--seed N] [--laps K] [--extensions LIST] [--facts FILE] "
                           "[--index DB] [--min-rating N] [--memories] [--today YYYY-MM-DD] [--leave-out FOLDER]... [--videos N] ENTRY...",
                           Library,
                           "--shuffle --seed= --laps= --extensions= --facts= --index= --min-rating= --memories --today= "
                           "--leave-out= --videos="});

}  // namespace
}  // namespace LumoraTool
