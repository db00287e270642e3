// The entries of the picture list sent to their sources by prefix, the local folders taking
// the rest, and each folder hold handed back to the source that gave it.
#include "sources/picture_sources.h"

#include "sources/local_folder_source.h"

namespace WorkSpace {

namespace {

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool StartsWith(const std::wstring& path, const std::wstring& prefix) {
    if (prefix.empty() || path.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(path[i]) != AsciiLower(prefix[i])) return false;
    return true;
}

}  // namespace

void PictureSourceRouter::Add(const std::wstring& prefix, PictureSource& source) {
    routes_.emplace_back(prefix, &source);
}

PictureSource& PictureSourceRouter::For(const std::wstring& path) {
    for (const auto& route : routes_)
        if (StartsWith(path, route.first)) return *route.second;
    return fallback_;
}

Platform::Listing PictureSourceRouter::List(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                                            Platform::FolderId& id, Platform::FolderHold& hold) {
    PictureSource& source = For(folder);
    Platform::FolderHold own = 0;
    const Platform::Listing listing = source.List(folder, items, id, own);
    hold = 0;
    if (own != 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        hold = ++lastHold_;
        holds_[hold] = {&source, own};
    }
    return listing;
}

void PictureSourceRouter::Release(Platform::FolderHold hold) {
    if (hold == 0) return;
    std::pair<PictureSource*, Platform::FolderHold> held(nullptr, 0);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = holds_.find(hold);
        if (found == holds_.end()) return;
        held = found->second;
        holds_.erase(found);
    }
    held.first->Release(held.second);
}

PictureSourceRouter& PictureSources() {
    static PictureSourceRouter* sources = new PictureSourceRouter(LocalFolders());  // lives until the process ends
    return *sources;
}

}  // namespace WorkSpace
