// The password-protected resource archive (LMRResource.dat): members are read whole into
// memory through minizip; nothing is unpacked to disk.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace WorkSpace {

extern const wchar_t kArchiveName[];     // L"LMRResource.dat"
extern const wchar_t kArchivePassword[]; // L"5829316"

// One central-directory entry, as the tool and the fuzzer list them.
struct ZipMemberInfo {
    std::string name;  // the full 8-bit name
    uint64_t size;     // uncompressed bytes
    uint64_t compressedSize;
    int method;
};

class ZipReader {
public:
    // The process-wide reader; never destroyed, so the archive stays open until exit.
    static ZipReader& Instance();
    // Public for tests and the tool, which need readers of their own.
    ZipReader();
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Once per reader; a second call returns false and keeps the first archive. The path
    // is used as it stands, whatever the ANSI code page can spell.
    bool Open(const std::wstring& path, const std::wstring& password);
    // The member's bytes, owned by the reader until FreeBuffer; nullptr on failure, with
    // `size` untouched when the member was not found and set to its size otherwise.
    // An empty member gives a valid pointer and size 0.
    //
    // Reads never overlap: a successful non-empty read makes the calling thread the
    // holder of the reader until it calls FreeBuffer; other threads' reads wait. A failed
    // or empty read holds nothing, so a caller that drops an empty result without
    // FreeBuffer blocks nobody. A holder that reads again without FreeBuffer gets its old
    // buffer released for it instead of waiting on itself.
    uint8_t* ReadMember(const std::wstring& name, uint32_t& size);
    // Releases the current buffer and the hold. A call from a thread that does not hold
    // the reader while another one does is ignored: it must not free that one's bytes.
    void FreeBuffer();
    bool IsOpen() const { return open_ != 0; }
    // Every entry in central-directory order; false when not open or the directory is
    // damaged (members holds what was read up to there). Not used by the saver itself.
    bool ListMembers(std::vector<ZipMemberInfo>& members);

private:
    uint8_t* ReadLocked(const std::string& name, uint32_t& size);
    bool LocateMember(const std::string& name);
    void ReleaseBufferLocked();

    int32_t open_ = 0;
    std::wstring path_;
    std::wstring password_;
    uint8_t* buffer_ = nullptr;
    void* archive_ = nullptr;  // unzFile
    uint64_t archiveBytes_ = 0;  // file size, to refuse sizes no member could have

    std::mutex lock_;                 // guards everything above and the hold below
    std::condition_variable released_;
    bool held_ = false;
    std::thread::id holder_;
};

}  // namespace WorkSpace
