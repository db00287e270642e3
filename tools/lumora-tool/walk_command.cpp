// lumora-tool walk: the saver's walk over some picture-list entries (local folders, or on
// Windows server folders whose password is stored), timed, without reading any picture.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/server_folders.h"
#include "library/lap_order.h"
#include "library/library_scan.h"
#include "platform/picture_extensions.h"
#include "platform/platform.h"
#include "sources/server_url.h"
#include "tool.h"

namespace LumoraTool {

bool UseToolServerFolders(const char* command, std::vector<std::wstring>& entries) {
    const size_t given = entries.size();
    // The saver's default offline-cache bound: a listing drops the copies of deleted photos.
    if (!WorkSpace::UseServerFolders(entries, 1024))
        entries.erase(std::remove_if(entries.begin(), entries.end(), WorkSpace::IsServerEntry), entries.end());
    if (entries.size() == given) return true;
    fprintf(stderr, "%s: %u server address(es) not served: no stored password, or not on Windows\n", command,
            static_cast<unsigned>(given - entries.size()));
    return false;
}

namespace {

int Walk(const Args& args) {
    using namespace WorkSpace;
    std::vector<std::wstring> entries;
    for (const std::string& word : args) entries.push_back(FullEntry(word));
    if (entries.empty()) {
        fprintf(stderr, "walk: at least one ENTRY (a picture, or a folder ending with a separator)\n");
        return 2;
    }
    if (!UseToolServerFolders("walk", entries)) return 1;
    const auto start = std::chrono::steady_clock::now();
    LibraryScan scan(entries, LapExtensions(Platform::PictureExtensions(), 0));
    std::wstring path;
    unsigned pictures = 0;
    while (scan.Next(path)) ++pictures;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("pictures %u, %s, %.2f s\n", pictures, scan.Whole() ? "whole" : "not whole", seconds);
    return fflush(stdout) == 0 ? 0 : 1;
}

const Registrar registrar({"walk", "walk ENTRY...", Walk, ""});

}  // namespace
}  // namespace LumoraTool
