// Reads members of the encrypted resource archive through minizip's unzip layer. The name
// lookup walks the central directory itself, so that the ASCII-only case folding and the
// first-match rule do not depend on which minizip version is linked.
#include "resources/zip_reader.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "unzip.h"

namespace WorkSpace {

const wchar_t kArchiveName[] = L"LMRResource.dat";
const wchar_t kArchivePassword[] = L"5829316";

namespace {

// Directory names are read into a buffer of this size, terminator included, so that is
// the longest name that can be looked up.
constexpr size_t kNameBufferSize = 256;
constexpr size_t kLongestName = kNameBufferSize - 1;

// Deflate cannot expand beyond about 1032:1 (a 258-byte match in two bits). A member
// claiming more than that, or more compressed bytes than the file holds, cannot be read
// whole; refusing it before the allocation keeps a damaged archive from asking for
// gigabytes of zeroes.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateSlack = 1024;

// Large reads go in pieces: unzReadCurrentFile reports its count as an int.
constexpr uint32_t kReadChunk = 1u << 30;

unzFile Handle(void* archive) { return static_cast<unzFile>(archive); }

unsigned char FoldAsciiUpper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// Only a-z and A-Z are folded: the archive's names are 8-bit strings in no particular
// code page, so every other byte has to match exactly.
bool SameNameIgnoringAsciiCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        unsigned char ca = FoldAsciiUpper(static_cast<unsigned char>(*a));
        unsigned char cb = FoldAsciiUpper(static_cast<unsigned char>(*b));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

uint64_t FileSize(const std::wstring& path) {
    FILE* f = Platform::OpenFile(path, "rb");
    if (!f) return 0;
#ifdef _WIN32
    int64_t end = (_fseeki64(f, 0, SEEK_END) == 0) ? _ftelli64(f) : -1;
#else
    int64_t end = (fseeko(f, 0, SEEK_END) == 0) ? static_cast<int64_t>(ftello(f)) : -1;
#endif
    fclose(f);
    return end > 0 ? static_cast<uint64_t>(end) : 0;
}

// minizip's standard file functions open by an 8-bit name, and a program folder that the
// ANSI code page cannot spell (a user name in Cyrillic on a Western system) would lose the
// whole archive. Only the open is replaced: it takes the wide path, and the FILE* it gives
// is one that minizip's own read, seek and close functions work on.
voidpf ZCALLBACK OpenByWidePath(voidpf, const void* path, int) {
    return Platform::OpenFile(static_cast<const wchar_t*>(path), "rb");
}

// Member names and the password are ASCII; the code page is asked only about anything
// else, so a system whose ANSI code page is UTF-8 reads the archive like any other.
bool ArchiveString(const std::wstring& text, std::string& out) {
    out.clear();
    for (wchar_t c : text) {
        if (static_cast<unsigned>(c) >= 0x80) return Platform::WideToAnsi(text, out);
        out.push_back(static_cast<char>(c));
    }
    return true;
}

}  // namespace

ZipReader& ZipReader::Instance() {
    // Deliberately never destroyed: the render thread may still be reading while the
    // process exits, and the archive is meant to stay open until then.
    static ZipReader* reader = new ZipReader();
    return *reader;
}

ZipReader::ZipReader() = default;

ZipReader::~ZipReader() {
    std::lock_guard<std::mutex> guard(lock_);
    if (open_) {
        unzCloseCurrentFile(Handle(archive_));  // harmless when no member is open
        unzClose(Handle(archive_));
        archive_ = nullptr;
        open_ = 0;
    }
    ReleaseBufferLocked();
}

bool ZipReader::Open(const std::wstring& path, const std::wstring& password) {
    std::lock_guard<std::mutex> guard(lock_);
    if (open_) return false;
    path_ = path;
    password_ = password;

    zlib_filefunc64_def files;
    fill_fopen64_filefunc(&files);
    files.zopen64_file = OpenByWidePath;
    unzFile archive = unzOpen2_64(path.c_str(), &files);
    if (!archive) return false;
    archive_ = archive;
    archiveBytes_ = FileSize(path);
    open_ = 1;
    return true;
}

bool ZipReader::ListMembers(std::vector<ZipMemberInfo>& members) {
    std::lock_guard<std::mutex> guard(lock_);
    members.clear();
    if (!archive_) return false;
    unzFile archive = Handle(archive_);
    int err = unzGoToFirstFile(archive);
    while (err == UNZ_OK) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        std::string name(info.size_filename, '\0');
        if (!name.empty() &&
            unzGetCurrentFileInfo64(archive, nullptr, &name[0], static_cast<uLong>(name.size()),
                                    nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        members.push_back(ZipMemberInfo{name, info.uncompressed_size, info.compressed_size,
                                        static_cast<int>(info.compression_method)});
        err = unzGoToNextFile(archive);
    }
    // The walk ends with "end of list"; anything else is a damaged directory.
    return err == UNZ_END_OF_LIST_OF_FILE;
}

uint8_t* ZipReader::ReadMember(const std::wstring& name, uint32_t& size) {
    std::unique_lock<std::mutex> guard(lock_);
    const std::thread::id self = std::this_thread::get_id();
    if (!(held_ && holder_ == self)) {
        released_.wait(guard, [this] { return !held_; });
        held_ = true;
        holder_ = self;
    }
    // Either this thread's own buffer that it never freed, or the empty buffer that an
    // earlier empty read left behind: only one current buffer exists.
    ReleaseBufferLocked();

    uint8_t* data = nullptr;
    std::string narrow;
    if (ArchiveString(name, narrow)) data = ReadLocked(narrow.c_str(), size);

    // Only real bytes need protecting until FreeBuffer. Releasing the hold after a failed
    // or empty read means a caller that drops such a result never blocks anyone.
    if (!data || size == 0) {
        held_ = false;
        released_.notify_all();
    }
    return data;
}

void ZipReader::FreeBuffer() {
    std::lock_guard<std::mutex> guard(lock_);
    if (held_ && holder_ != std::this_thread::get_id()) return;
    ReleaseBufferLocked();
    if (held_) {
        held_ = false;
        released_.notify_all();
    }
}

void ZipReader::ReleaseBufferLocked() {
    free(buffer_);
    buffer_ = nullptr;
}

bool ZipReader::LocateMember(const std::string& name) {
    unzFile archive = Handle(archive_);
    unz64_file_pos before;
    const bool haveBefore = unzGetFilePos64(archive, &before) == UNZ_OK;

    // Every lookup starts at the first entry, and the first entry in directory order that
    // matches wins, even when a later one matches the case exactly.
    for (int err = unzGoToFirstFile(archive); err == UNZ_OK; err = unzGoToNextFile(archive)) {
        char entry[kNameBufferSize];
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(archive, &info, entry, kLongestName, nullptr, 0, nullptr,
                                    0) != UNZ_OK)
            break;
        // A longer directory name is cut to the buffer, as the lookup always did.
        entry[info.size_filename < kLongestName ? info.size_filename : kLongestName] = '\0';
        if (SameNameIgnoringAsciiCase(entry, name.c_str())) return true;
    }
    if (haveBefore) unzGoToFilePos64(archive, &before);
    return false;
}

uint8_t* ZipReader::ReadLocked(const std::string& name, uint32_t& size) {
    if (!archive_) return nullptr;
    unzFile archive = Handle(archive_);
    unzGoToFirstFile(archive);
    if (name.size() > kLongestName) return nullptr;
    if (!LocateMember(name)) return nullptr;

    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return nullptr;
    size = static_cast<uint32_t>(info.uncompressed_size);

    // minizip itself would hand out a member of any other method undecoded (bzip2 as raw
    // bytes, anything else through an uninitialised inflate stream); only stored and
    // deflated members are ours.
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return nullptr;
    if (info.uncompressed_size > UINT32_MAX) return nullptr;
    if (archiveBytes_ != 0 && info.compressed_size > archiveBytes_) return nullptr;
    const uint64_t producible =
        info.compression_method == 0 ? info.compressed_size
        : info.compressed_size > (UINT64_MAX - kInflateSlack) / kMaxInflateRatio
            ? UINT64_MAX
            : info.compressed_size * kMaxInflateRatio + kInflateSlack;
    if (info.uncompressed_size > producible) return nullptr;

    // An empty member still gets a real (one-byte) allocation: users tell "no member"
    // from "empty member" by the pointer.
    buffer_ = static_cast<uint8_t*>(calloc(size != 0 ? size : 1, 1));
    if (!buffer_) return nullptr;

    // Every member is decrypted, whatever its encryption bit says.
    std::string password;
    if (!ArchiveString(password_, password) ||
        unzOpenCurrentFilePassword(archive, password.c_str()) != UNZ_OK) {
        unzCloseCurrentFile(archive);  // a half-opened member still holds minizip's state
        ReleaseBufferLocked();
        return nullptr;
    }

    uint32_t done = 0;
    while (done < size) {
        const uint32_t want = (size - done) < kReadChunk ? (size - done) : kReadChunk;
        int got = unzReadCurrentFile(archive, buffer_ + done, want);
        if (got <= 0) break;  // error, or the data ended before the member's size
        done += static_cast<uint32_t>(got);
    }
    if (done != size) {
        unzCloseCurrentFile(archive);
        ReleaseBufferLocked();
        return nullptr;
    }

    // Closing after the whole member compares the CRC-32 of what was delivered.
    if (unzCloseCurrentFile(archive) != UNZ_OK) {
        ReleaseBufferLocked();
        return nullptr;
    }
    return buffer_;
}

}  // namespace WorkSpace
