// The local folders as a picture source: listings and attributes from platform/folder_listing,
// stamps from Platform::StampFile, and reads through the pictures' own open, which never
// fetches a cloud-only file.
#include "sources/local_folder_source.h"

#include <cwctype>

#include "platform/platform.h"

namespace WorkSpace {

namespace {

class LocalReader : public PictureReader {
public:
    LocalReader(Platform::ReadHandle file, uint64_t size) : file_(file), size_(size) {}
    ~LocalReader() override { Platform::CloseReading(file_); }
    LocalReader(const LocalReader&) = delete;
    LocalReader& operator=(const LocalReader&) = delete;

    uint64_t Size() const override { return size_; }

    int64_t ReadAt(uint64_t offset, void* buffer, size_t size) override {
        // A read that goes on where the last one ended (a whole file, a header read on) needs
        // no seek: such a file is read front to back, as its open told the system.
        if (offset != position_) {
            if (!Platform::SeekReading(file_, offset)) {
                position_ = kUnknown;
                return -1;
            }
            position_ = offset;
        }
        const int64_t got = Platform::ReadSome(file_, buffer, size);
        if (got > 0)
            position_ += static_cast<uint64_t>(got);
        else if (got < 0)
            position_ = kUnknown;
        return got;
    }

private:
    static constexpr uint64_t kUnknown = ~uint64_t(0);
    Platform::ReadHandle file_;
    uint64_t size_;
    uint64_t position_ = 0;
};

class LocalFolderSource : public PictureSource {
public:
    Platform::Listing List(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                           Platform::FolderId& id, Platform::FolderHold& hold) override {
        return Platform::ListFolder(folder, items, id, hold);
    }
    void Release(Platform::FolderHold hold) override { Platform::ReleaseFolder(hold); }
    bool Describe(const std::wstring& path, Platform::FolderItem& item) override {
        return Platform::DescribeFile(path, item);
    }
    bool Stamp(const std::wstring& path, PictureStamp& stamp) override {
        stamp = PictureStamp();
        return Platform::StampFile(path, stamp.size, stamp.modified);
    }
    std::wstring Key(const std::wstring& path) override { return LocalPathKey(path); }
    std::unique_ptr<PictureReader> Open(const std::wstring& path, Platform::ReadFailure& why) override {
        uint64_t size = 0;
        why = Platform::ReadFailure::None;
        const Platform::ReadHandle file = Platform::OpenPictureForReading(path, size, why);
        if (file == Platform::kNoReadHandle) return nullptr;
        try {
            return std::unique_ptr<PictureReader>(new LocalReader(file, size));
        } catch (...) {
            Platform::CloseReading(file);
            throw;
        }
    }
};

}  // namespace

std::wstring LocalPathKey(const std::wstring& path) {
    auto startsWith = [&](const wchar_t* prefix) {
        size_t i = 0;
        for (; prefix[i]; ++i)
            if (i >= path.size() || std::towupper(static_cast<wint_t>(path[i])) != static_cast<wint_t>(prefix[i]))
                return false;
        return true;
    };
    std::wstring key;
    size_t start = 0;
    if (startsWith(L"\\\\?\\UNC\\")) {
        key = L"\\";
        start = 7;  // keeps one backslash of "\UNC\": "\\server\share"
    } else if (startsWith(L"\\\\?\\")) {
        start = 4;
    }
    for (size_t i = start; i < path.size(); ++i) key.push_back(path[i] == L'/' ? L'\\' : path[i]);
    // Upper-cased as the file system compares names, in every script: Ä and ä are one.
    return Platform::UpperCaseForPaths(key);
}

PictureSource& LocalFolders() {
    // Left to the process's end, as the router that falls back to it: a picture worker that
    // Stop let go of may still be walking when the test program or the tool returns.
    static LocalFolderSource* local = new LocalFolderSource();
    return *local;
}

}  // namespace WorkSpace
