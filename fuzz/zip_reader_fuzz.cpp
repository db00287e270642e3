// Any file at the archive's place must not crash, leak or hang the reader: the input goes
// to a file, a fresh reader opens it and reads every listed member and a few fixed names.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "resources/zip_reader.h"

namespace {

// minizip reads through fopen, so the input has to be a real file; one per process, so
// parallel fuzzing jobs do not share it.
const std::string& InputPath() {
    static const std::string path = [] {
        const char* tmp = getenv("TMPDIR");
        return std::string(tmp && *tmp ? tmp : "/tmp") + "/lumora-zip-fuzz-" +
               std::to_string(getpid()) + ".dat";
    }();
    static const bool cleanup = [] { return atexit([] { remove(path.c_str()); }) == 0; }();
    (void)cleanup;
    return path;
}

// Every byte of a returned buffer must be readable; summing them lets the address
// sanitizer check the whole range.
unsigned Touch(const uint8_t* data, uint32_t size) {
    unsigned sum = 0;
    for (uint32_t i = 0; i < size; ++i) sum += data[i];
    return sum;
}

// Reads one member twice: a second lookup from the first entry must find the same bytes.
void ReadTwice(WorkSpace::ZipReader& reader, const std::wstring& name) {
    uint32_t size = 0xFFFFFFFFu;
    uint8_t* data = reader.ReadMember(name, size);
    if (!data) return;
    const std::vector<uint8_t> first(data, data + size);
    Touch(data, size);
    reader.FreeBuffer();

    uint32_t again = 0;
    uint8_t* second = reader.ReadMember(name, again);
    if (!second || again != size || !std::equal(first.begin(), first.end(), second)) abort();
    reader.FreeBuffer();
}

// More than this many entries adds only time: each lookup walks the directory anyway.
constexpr size_t kMembersToRead = 48;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = InputPath();
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    const bool written = fwrite(data, 1, size, f) == size;
    if (fclose(f) != 0 || !written) return 0;

    WorkSpace::ZipReader reader;
    const std::wstring widePath = WorkSpace::Platform::AnsiToWide(path);
    if (reader.Open(widePath, WorkSpace::kArchivePassword)) {
        if (reader.Open(widePath, WorkSpace::kArchivePassword)) abort();  // once only

        std::vector<WorkSpace::ZipMemberInfo> members;
        reader.ListMembers(members);
        for (size_t i = 0; i < members.size() && i < kMembersToRead; ++i) {
            uint32_t memberSize = 0;
            uint8_t* bytes = reader.ReadMember(WorkSpace::Platform::AnsiToWide(members[i].name),
                                               memberSize);
            if (bytes) Touch(bytes, memberSize);
            reader.FreeBuffer();  // also after a failed read: must be harmless
        }
        if (!members.empty()) ReadTwice(reader, WorkSpace::Platform::AnsiToWide(members[0].name));
    }

    // Names the saver asks for, an empty one and one past the length limit; on an
    // unopened reader these must fail quietly too.
    static const std::wstring kFixed[] = {
        L"Resource/logo.png", L"resource/PARTICLE.TGA", L"Resource/Language_en.csv", L"",
        L"Resource\\logo.png", std::wstring(256, L'a')};
    for (const std::wstring& name : kFixed) {
        uint32_t fixedSize = 0x12345678u;
        uint8_t* bytes = reader.ReadMember(name, fixedSize);
        if (bytes) {
            Touch(bytes, fixedSize);
        } else if (!reader.IsOpen() && fixedSize != 0x12345678u) {
            abort();  // a reader that never opened must leave the size alone
        }
        reader.FreeBuffer();
    }
    return 0;
}
