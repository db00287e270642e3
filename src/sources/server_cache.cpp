// The offline cache's rules: files named by a hash of key and stamp, each opening with a
// header that names its entry (so a damaged index is rebuilt from the files), an index file
// with a checksum, and the bound kept by dropping the photos shown longest ago.
#include "sources/server_cache.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <set>

#include "platform/folder_listing.h"
#include "platform/platform.h"
#include "resources/logger.h"
#include "sources/server_url.h"

namespace WorkSpace {

namespace {

const char kFileMagic[] = "LMRCACHE1\n";
const char kIndexMagic[] = "LMRINDEX1\n";
const wchar_t kIndexName[] = L"index.txt";
const wchar_t kExtension[] = L".lmc";
// The order shown is written at most this often between puts: a crash loses at most these
// minutes of it, which only changes which photo goes first.
const double kShownSaveSeconds = 300;

uint64_t Fnv1a(const std::string& bytes, uint64_t hash) {
    for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

std::string StampText(const PictureStamp& stamp) {
    return std::to_string(stamp.size) + "\t" + std::to_string(stamp.modified) + "\t" + stamp.tag;
}

// "a\tb\tc" -> {"a", "b", "c"}.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back().push_back(c);
    }
    return fields;
}

bool Number(const std::string& text, int64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0';
}

// The header of a kept file: its magic, then "size\tmodified\ttag\tpath\tlength\n".
std::string FileHeader(const std::wstring& path, const PictureStamp& stamp, size_t length) {
    return kFileMagic + StampText(stamp) + "\t" + Platform::WideToUtf8(path) + "\t" + std::to_string(length) + "\n";
}

// Reads a header back: the entry's path, stamp and where the bytes start; false for a file
// that is not one of ours or not whole.
bool ReadHeader(const std::string& head, uint64_t fileSize, std::wstring& path, PictureStamp& stamp, size_t& start) {
    const size_t magic = sizeof(kFileMagic) - 1;
    if (head.compare(0, magic, kFileMagic) != 0) return false;
    const size_t end = head.find('\n', magic);
    if (end == std::string::npos) return false;
    const std::vector<std::string> f = Fields(head.substr(magic, end - magic));
    int64_t length = 0;
    if (f.size() != 5 || !Number(f[0], stamp.size) || !Number(f[1], stamp.modified) || !Number(f[4], length))
        return false;
    stamp.tag = f[2];
    path = Platform::Utf8ToWide(f[3].data(), f[3].size());
    start = end + 1;
    return uint64_t(length) + start == fileSize;
}

}  // namespace

ServerCache::ServerCache(std::wstring folder, uint64_t limitBytes) : folder_(std::move(folder)), limit_(limitBytes) {}

std::wstring ServerCache::FileName(const std::wstring& key, const PictureStamp& stamp) {
    const std::string text = Platform::WideToUtf8(key) + "\n" + StampText(stamp);
    char name[40];
    std::snprintf(name, sizeof(name), "%016" PRIx64 "%016" PRIx64, Fnv1a(text, 0xcbf29ce484222325ull),
                  Fnv1a(text, 0x84222325cbf29ce4ull));
    return std::wstring(name, name + 32) + kExtension;
}

bool ServerCache::IsFileName(const std::wstring& name) {
    const size_t digits = 32;
    if (name.size() != digits + 4 || name.compare(digits, 4, kExtension) != 0) return false;
    for (size_t i = 0; i < digits; ++i)
        if (!((name[i] >= L'0' && name[i] <= L'9') || (name[i] >= L'a' && name[i] <= L'f'))) return false;
    return true;
}

bool ServerCache::Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    return OpenHeld();
}

bool ServerCache::OpenHeld() {
    if (state_ != State::Closed) return state_ == State::Open;
    state_ = State::Unusable;
    Platform::MakeFolder(folder_);
    if (!Platform::IsWritableFolder(folder_)) {
        GetLogger().Write(L"ServerCache::Open() - %ls cannot be written, no offline cache", folder_.c_str());
        return false;
    }
    if (!Load()) Rebuild();
    state_ = State::Open;
    return true;
}

bool ServerCache::Load() {
    kept_.clear();
    total_ = clock_ = 0;
    std::string text;
    if (!Platform::ReadWholeFile(folder_ + kIndexName, text, size_t(64) << 20)) return false;
    const size_t endAt = text.rfind("end\t");
    if (text.compare(0, sizeof(kIndexMagic) - 1, kIndexMagic) != 0 || endAt == std::string::npos) return false;
    const std::vector<std::string> end = Fields(text.substr(endAt, text.size() - endAt - 1));
    if (end.size() != 2 || text.back() != '\n' || end[1] != std::to_string(Fnv1a(text.substr(0, endAt), 0xcbf29ce484222325ull)))
        return false;
    size_t at = sizeof(kIndexMagic) - 1;
    while (at < endAt) {
        const size_t eol = text.find('\n', at);
        const std::vector<std::string> f = Fields(text.substr(at, eol - at));
        at = eol + 1;
        Kept kept;
        int64_t bytes = 0, shown = 0;
        if (f.size() != 7 || !Number(f[1], bytes) || !Number(f[2], shown) || !Number(f[3], kept.stamp.size) ||
            !Number(f[4], kept.stamp.modified))
            return false;
        kept.file = Platform::Utf8ToWide(f[0].data(), f[0].size());
        if (!IsFileName(kept.file)) return false;  // not a name of ours: rebuilt from the files
        kept.bytes = uint64_t(bytes);
        kept.shown = uint64_t(shown);
        kept.stamp.tag = f[5];
        kept.path = Platform::Utf8ToWide(f[6].data(), f[6].size());
        clock_ = std::max(clock_, kept.shown);
        total_ += kept.bytes;
        kept_[ServerEntryKey(kept.path)] = std::move(kept);
    }
    return true;
}

void ServerCache::Rebuild() {
    kept_.clear();
    total_ = clock_ = 0;
    std::vector<Platform::FolderItem> items;
    Platform::FolderId id;
    Platform::FolderHold hold = 0;
    Platform::ListFolder(folder_, items, id, hold);
    Platform::ReleaseFolder(hold);
    for (const Platform::FolderItem& item : items) {
        const std::wstring file = folder_ + item.name;
        if (item.folder || item.name.size() < 4 || item.name.compare(item.name.size() - 4, 4, kExtension) != 0) continue;
        int64_t size = 0, modified = 0;
        std::string head(8192, '\0');
        const Platform::ReadHandle handle = Platform::OpenForReading(file);
        const int64_t got = handle == Platform::kNoReadHandle ? -1 : Platform::ReadSome(handle, &head[0], head.size());
        if (handle != Platform::kNoReadHandle) Platform::CloseReading(handle);
        Kept kept;
        size_t start = 0;
        if (got <= 0 || !Platform::StampFile(file, size, modified) ||
            !ReadHeader(head.substr(0, size_t(got)), uint64_t(size), kept.path, kept.stamp, start) ||
            FileName(ServerEntryKey(kept.path), kept.stamp) != item.name) {
            Platform::RemoveFile(file);  // half written, or not ours to keep
            continue;
        }
        kept.file = item.name;
        kept.bytes = uint64_t(size);
        total_ += kept.bytes;
        kept_[ServerEntryKey(kept.path)] = std::move(kept);
    }
    // A first start has neither index nor files: nothing to tell.
    if (!kept_.empty())
        GetLogger().Write(L"ServerCache::Open() - index rebuilt from %u kept photos", unsigned(kept_.size()));
    MakeRoom(0);
    SaveIndex();
}

void ServerCache::SaveIndex() {
    std::string text = kIndexMagic;
    for (const auto& entry : kept_) {
        const Kept& k = entry.second;
        text += Platform::WideToUtf8(k.file) + "\t" + std::to_string(k.bytes) + "\t" + std::to_string(k.shown) + "\t" +
                StampText(k.stamp) + "\t" + Platform::WideToUtf8(k.path) + "\n";
    }
    text += "end\t" + std::to_string(Fnv1a(text, 0xcbf29ce484222325ull)) + "\n";
    // Written whole to a file beside it and on the disk before it takes the index's place, so
    // a power cut leaves the old index or the new one; lost all the same, it is rebuilt from
    // the files.
    dirty_ = false;
    savedAt_ = Platform::PerfCounter();
    const std::wstring index = folder_ + kIndexName;
    const std::wstring temporary = Platform::UniqueTemporaryName(index);
    bool taken = false;
    if (!Platform::WriteNewFile(temporary, text.data(), text.size(), taken) || !Platform::RenameOver(temporary, index))
        GetLogger().WriteOncePerRun(L"ServerCache\nindex", L"ServerCache - %ls cannot be written", index.c_str());
}

void ServerCache::Drop(const std::wstring& key) {
    const auto found = kept_.find(key);
    if (found == kept_.end()) return;
    Platform::RemoveFile(folder_ + found->second.file);
    total_ -= found->second.bytes;
    kept_.erase(found);
}

void ServerCache::MakeRoom(uint64_t bytes) {
    while (!kept_.empty() && total_ + bytes > limit_) {
        auto oldest = kept_.begin();
        for (auto it = kept_.begin(); it != kept_.end(); ++it)
            if (it->second.shown < oldest->second.shown) oldest = it;
        Drop(oldest->first);
    }
}

bool ServerCache::Put(const std::wstring& path, const PictureStamp& stamp, const std::string& bytes) {
    const std::string header = FileHeader(path, stamp, bytes.size());
    if (stamp.tag.find_first_of("\t\n") != std::string::npos || path.find_first_of(L"\t\n") != std::wstring::npos)
        return false;
    const uint64_t size = header.size() + bytes.size();
    std::lock_guard<std::mutex> lock(mutex_);
    if (size > limit_ || !OpenHeld()) return false;
    const std::wstring key = ServerEntryKey(path);
    Drop(key);
    MakeRoom(size);
    Kept kept{path, stamp, FileName(key, stamp), size, ++clock_};
    const std::string whole = header + bytes;
    bool taken = false;
    Platform::RemoveFile(folder_ + kept.file);
    if (!Platform::WriteNewFile(folder_ + kept.file, whole.data(), whole.size(), taken)) {
        GetLogger().WriteOncePerRun(L"ServerCache\nput", L"ServerCache - a photo cannot be written to %ls", folder_.c_str());
        SaveIndex();
        return false;
    }
    total_ += size;
    kept_[key] = std::move(kept);
    SaveIndex();
    return true;
}

bool ServerCache::Get(const std::wstring& path, std::string& bytes, PictureStamp& stamp) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenHeld()) return false;
    const auto found = kept_.find(ServerEntryKey(path));
    if (found == kept_.end()) return false;
    std::string whole;
    std::wstring named;
    size_t start = 0;
    if (!Platform::ReadWholeFile(folder_ + found->second.file, whole) ||
        !ReadHeader(whole, whole.size(), named, stamp, start)) {
        Drop(found->first);  // taken away or damaged behind our back
        SaveIndex();
        return false;
    }
    bytes = whole.substr(start);
    return true;
}

bool ServerCache::Find(const std::wstring& path, PictureStamp& stamp) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenHeld()) return false;
    const auto found = kept_.find(ServerEntryKey(path));
    if (found == kept_.end()) return false;
    stamp = found->second.stamp;
    return true;
}

void ServerCache::Shown(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenHeld()) return;
    const auto found = kept_.find(ServerEntryKey(path));
    if (found == kept_.end()) return;
    found->second.shown = ++clock_;
    dirty_ = true;
    const int64_t now = Platform::PerfCounter();
    if (double(now - savedAt_) >= kShownSaveSeconds * double(Platform::PerfFrequency())) SaveIndex();
}

void ServerCache::Forget(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenHeld() || kept_.find(ServerEntryKey(path)) == kept_.end()) return;
    Drop(ServerEntryKey(path));
    SaveIndex();
}

void ServerCache::KeepOnly(const std::wstring& folder, const std::vector<Platform::FolderItem>& listed) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenHeld()) return;
    const std::wstring prefix = ServerEntryKey(folder);
    std::set<std::wstring> names;
    for (const Platform::FolderItem& item : listed) {
        const std::wstring name = ServerEntryKey(folder + item.name).substr(prefix.size());
        names.insert(name.substr(0, name.find(L'/')));
    }
    std::vector<std::wstring> gone;
    for (auto it = kept_.lower_bound(prefix); it != kept_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        const std::wstring rest = it->first.substr(prefix.size());
        if (!names.count(rest.substr(0, rest.find(L'/')))) gone.push_back(it->first);
    }
    for (const std::wstring& key : gone) Drop(key);
    if (!gone.empty()) SaveIndex();
}

std::vector<Platform::FolderItem> ServerCache::Members(const std::wstring& folder) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Platform::FolderItem> items;
    if (!OpenHeld()) return items;
    const std::wstring prefix = ServerEntryKey(folder);
    std::wstring lastFolder;
    for (auto it = kept_.lower_bound(prefix); it != kept_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        const std::wstring rest = it->first.substr(prefix.size());
        const size_t slash = rest.find(L'/');
        Platform::FolderItem item;
        item.name = slash == std::wstring::npos ? rest : rest.substr(0, slash);
        item.folder = slash != std::wstring::npos;
        if (item.folder && item.name == lastFolder) continue;  // the map is in key order
        if (item.folder) lastFolder = item.name;
        items.push_back(std::move(item));
    }
    return items;
}

uint64_t ServerCache::BytesKept() {
    std::lock_guard<std::mutex> lock(mutex_);
    OpenHeld();
    return total_;
}

size_t ServerCache::Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    OpenHeld();
    return kept_.size();
}

}  // namespace WorkSpace
