// Server folders on Windows: the WebDAV source over WinHTTP, credentials from Credential
// Manager, the offline cache in the local files' folder, all made on first use and left to
// the process's end like the local folders' source (a worker let go of at exit may still
// hold them). The network runs only on the pictures' worker, inside the source's calls.
#include "app/server_folders.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "resources/logger.h"
#include "settings/local_files.h"
#include "sources/picture_sources.h"
#include "sources/server_cache.h"
#include "sources/server_url.h"
#include "sources/webdav_source.h"
#include "sources/win32_credentials.h"
#include "sources/winhttp_transport.h"

namespace WorkSpace {
namespace {

struct ServerFolders {
    std::once_flag made;
    std::unique_ptr<HttpTransport> transport;
    std::unique_ptr<ServerCache> cache;
    std::unique_ptr<WebDavSource> source;
};
ServerFolders& GetServerFolders() {
    static ServerFolders* folders = new ServerFolders();
    return *folders;
}

bool IsServerAddress(const std::wstring& entry) {
    ServerUrl url;
    return IsServerEntry(entry) && ParseServerUrl(entry, url);
}

// The folder the index lives in, and "ServerCache" below it.
std::wstring CacheFolder() {
    const std::wstring& index = GetLocalFiles().indexPath;
    const size_t slash = index.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    return index.substr(0, slash + 1) + L"ServerCache\\";
}

void MakeServerFolders(ServerFolders& folders, int32_t cacheMegabytes) {
    folders.transport = MakeWinHttpTransport();
    if (!folders.transport) return;
    const std::wstring cacheFolder = CacheFolder();
    // Made here on the window thread without touching the disk: the cache opens (its folder
    // made, its index read or rebuilt) on its first use, on the pictures' worker.
    if (!cacheFolder.empty())
        folders.cache = std::make_unique<ServerCache>(cacheFolder, static_cast<uint64_t>(cacheMegabytes) << 20);
    folders.source = std::make_unique<WebDavSource>(*folders.transport, ReadServerCredential, folders.cache.get());
    PictureSources().Add(L"https://", *folders.source);
    PictureSources().Add(L"http://", *folders.source);
}

// The bytes of a photo already read, as a source of one entry for the decoder.
class BytesSource : public PictureSource {
public:
    explicit BytesSource(const std::string& bytes) : bytes_(bytes) {}
    Platform::Listing List(const std::wstring&, std::vector<Platform::FolderItem>&, Platform::FolderId&,
                           Platform::FolderHold&) override {
        return Platform::Listing{Platform::ListingEnd::Missing, 0};
    }
    void Release(Platform::FolderHold) override {}
    bool Describe(const std::wstring&, Platform::FolderItem&) override { return false; }
    bool Stamp(const std::wstring&, PictureStamp&) override { return false; }
    std::unique_ptr<PictureReader> Open(const std::wstring&, Platform::ReadFailure&) override {
        return std::make_unique<Reader>(bytes_);
    }

private:
    class Reader : public PictureReader {
    public:
        explicit Reader(const std::string& bytes) : bytes_(bytes) {}
        uint64_t Size() const override { return bytes_.size(); }
        int64_t ReadAt(uint64_t offset, void* buffer, size_t size) override {
            if (offset >= bytes_.size()) return 0;
            const size_t count = std::min<size_t>(size, bytes_.size() - static_cast<size_t>(offset));
            std::copy_n(bytes_.data() + offset, count, static_cast<char*>(buffer));
            return static_cast<int64_t>(count);
        }

    private:
        const std::string& bytes_;
    };
    const std::string& bytes_;
};

}  // namespace

bool UseServerFolders(std::vector<std::wstring>& entries, int32_t cacheMegabytes) {
    std::vector<std::wstring> kept, servers;
    for (const std::wstring& entry : entries) {
        if (!IsServerAddress(entry)) {
            kept.push_back(entry);
            continue;
        }
        ServerCredential credential;
        if (!ReadServerCredential(entry, credential)) {
            GetLogger().WriteOncePerRun(L"ServerFolders\nneeds\n" + entry,
                                        L"WorkSpace::UseServerFolders() - %ls needs its password: left out", entry.c_str());
            continue;
        }
        kept.push_back(entry);
        servers.push_back(entry);
    }
    // Server folders are walked after the local entries: a server that is slow to answer
    // then holds up none of the local pictures.
    std::stable_partition(kept.begin(), kept.end(), [](const std::wstring& entry) { return !IsServerAddress(entry); });
    entries.swap(kept);
    if (servers.empty()) return false;
    ServerFolders& folders = GetServerFolders();
    std::call_once(folders.made, MakeServerFolders, std::ref(folders), cacheMegabytes);
    if (!folders.source) return false;
    folders.source->SetEntries(servers);
    return true;
}

bool DecodeAndCachePicture(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    ServerFolders& folders = GetServerFolders();
    if (!folders.source || !IsServerAddress(path)) return DecodePictureFile(path, target, out);
    // Read once, whole: the same bytes are decoded and kept. While the server is away the
    // source reads them back from the cache.
    // The copy is kept under the stamp of the version read, which a file replaced since its
    // listing has changed.
    std::string bytes;
    Platform::ReadFailure why = Platform::ReadFailure::None;
    PictureStamp stamp, kept;
    if (!folders.source->ReadWhole(path, bytes, why, kPictureFileLimit, &stamp)) return false;
    BytesSource held(bytes);
    if (!DecodePictureFrom(path, target, out, held)) return false;
    if (folders.cache && (stamp.size || stamp.modified || !stamp.tag.empty())) {
        if (folders.cache->Find(path, kept) && kept == stamp) folders.cache->Shown(path);
        else folders.cache->Put(path, stamp, bytes);
    }
    return true;
}

}  // namespace WorkSpace
