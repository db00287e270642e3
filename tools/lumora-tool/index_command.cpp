// lumora-tool index: builds or brings up to date the photo index for some picture-list
// entries, as the saver's worker does behind the show, and sums up what it knows of them.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include <map>

#include "library/lap_order.h"
#include "library/library_scan.h"
#include "library/photo_index.h"
#include "pictures/photo_facts_reader.h"
#include "pictures/photo_index_filler.h"
#include "platform/picture_extensions.h"
#include "platform/platform.h"
#include "settings/local_files.h"
#include "settings/settings.h"
#include "sources/server_url.h"
#include "tool.h"

namespace LumoraTool {
namespace {

int Index(const Args& args) {
    using namespace WorkSpace;
    std::string db;
    std::vector<std::wstring> entries;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--db" || args[i] == "--videos") {
            ++i;
            continue;
        }
        std::wstring entry = FullEntry(args[i]);
        // A folder named without its closing separator is meant as a folder all the same.
        std::error_code error;
        if (!IsFolderEntry(entry) && !IsServerEntry(entry) && std::filesystem::is_directory(std::filesystem::path(entry), error))
            entry += Platform::PathSeparator();
        entries.push_back(entry);
    }
    std::string text;
    long long videos = 0;
    if (Option(args, "--videos", text) && (!ParseInt(text, videos) || videos < 0 || videos > 2)) {
        fprintf(stderr, "index: --videos takes 0, 1 or 2\n");
        return 2;
    }
    if (entries.empty() || (Option(args, "--db", db) && db.empty())) {
        fprintf(stderr, "index: at least one PATH (a picture or a folder)\n");
        return 2;
    }
    // Server folders (their passwords stored) are indexed through the saver's own source.
    if (!UseToolServerFolders("index", entries) && entries.empty()) return 1;
    // The saver's own index unless told otherwise.
    const std::wstring path = Option(args, "--db", db) ? FullEntry(db) : GetLocalFiles().indexPath;
    const auto start = std::chrono::steady_clock::now();
    PhotoIndex index;
    if (!index.Open(path)) {
        fprintf(stderr, "index: cannot open or make %s\n", Platform::WideToUtf8(path).c_str());
        return 1;
    }
    // With "Videos" 1 the saver's index holds the clips' facts too.
    PhotoIndexer indexer(index, entries, LapExtensions(Platform::PictureExtensions(), static_cast<int>(videos)),
                         ReadPhotoFacts);
    indexer.KeepWalked(true);
    indexer.ForgetGone(true);  // the files under PATH it no longer finds leave the index
    while (indexer.Step(std::chrono::milliseconds(200))) {
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Bursts and memories as the saver's laps count them.
    const CivilDate today = LocalToday();
    uint32_t dated = 0, rated = 0, memories = 0;
    std::vector<BurstPhoto> burstPhotos;
    for (const IndexedPhoto& photo : indexer.Walked()) {
        dated += photo.facts.dated;
        rated += photo.facts.rating > 0;
        memories += photo.facts.dated && MemoryYears(DateOfTime(photo.facts.taken), today) > 0;
        const size_t sep = photo.path.find_last_of(L"\\/");
        burstPhotos.push_back({sep == std::wstring::npos ? std::wstring() : photo.path.substr(0, sep + 1),
                               photo.facts.dated, photo.facts.taken});
    }
    std::map<uint32_t, uint32_t> burstSizes;
    for (uint32_t burst : FindBursts(burstPhotos)) ++burstSizes[burst];
    uint32_t bursts = 0;
    for (const auto& size : burstSizes) bursts += size.second > 1;
    printf("photos %u, dated %u, rated %u, bursts %u, memories today %u, %.2f s\n",
           static_cast<unsigned>(indexer.Walked().size()), dated, rated, bursts, memories, seconds);
    if (!index.Growing()) fprintf(stderr, "index: %s could not be written whole\n", Platform::WideToUtf8(path).c_str());
    return fflush(stdout) == 0 && index.Growing() ? 0 : 1;
}

const Registrar registrar({"index", "index [--db FILE] [--videos N] PATH...", Index, "--db= --videos="});

}  // namespace
}  // namespace LumoraTool
