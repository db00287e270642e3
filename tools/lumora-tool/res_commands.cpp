// `res list`, `res cat` and `pack`: the resource archive seen through the same reader the
// saver uses (a reader of their own, opened with the archive password), and the packer
// that builds LMRResource.dat from a folder.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "platform/platform.h"
#include "resources/zip_reader.h"
#include "resources/zip_writer.h"
#include "tool.h"

namespace LumoraTool {

namespace {

namespace fs = std::filesystem;
using WorkSpace::ZipReader;

// Command-line words are in the ANSI code page, as the reader's names and paths are.
std::wstring Wide(const std::string& text) { return WorkSpace::Platform::AnsiToWide(text); }

bool OpenArchive(ZipReader& reader, const std::string& path) {
    if (reader.Open(Wide(path), WorkSpace::kArchivePassword)) return true;
    fprintf(stderr, "lumora-tool: cannot open archive '%s'\n", path.c_str());
    return false;
}

int ResList(const std::string& path) {
    ZipReader reader;
    if (!OpenArchive(reader, path)) return 1;
    std::vector<WorkSpace::ZipMemberInfo> members;
    bool complete = reader.ListMembers(members);
    for (const WorkSpace::ZipMemberInfo& m : members)
        printf("%s\t%llu\n", m.name.c_str(), static_cast<unsigned long long>(m.size));
    if (!complete) {
        fprintf(stderr, "lumora-tool: '%s': damaged central directory\n", path.c_str());
        return 1;
    }
    return 0;
}

int ResCat(const std::string& path, const std::string& member) {
    ZipReader reader;
    if (!OpenArchive(reader, path)) return 1;
    uint32_t size = 0;
    uint8_t* data = reader.ReadMember(Wide(member), size);
    if (!data) {
        fprintf(stderr, "lumora-tool: cannot read '%s' from '%s'\n", member.c_str(), path.c_str());
        return 1;
    }
#ifdef _WIN32
    // Member bytes go out unchanged: no CR inserted before LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    bool ok = size == 0 || fwrite(data, 1, size, stdout) == size;
    reader.FreeBuffer();
    ok = fflush(stdout) == 0 && ok;
    if (!ok) {
        fprintf(stderr, "lumora-tool: writing '%s' to standard output failed\n", member.c_str());
        return 1;
    }
    return 0;
}

int Res(const Args& args) {
    if (args.size() == 2 && args[0] == "list") return ResList(args[1]);
    if (args.size() == 3 && args[0] == "cat") return ResCat(args[1], args[2]);
    fprintf(stderr, "usage: lumora-tool res list ARCHIVE | res cat ARCHIVE MEMBER\n");
    return 2;
}

fs::path NativePath(const std::string& text) {
#ifdef _WIN32
    return fs::path(Wide(text));
#else
    return fs::path(text);
#endif
}

// The member name for a file below the packed folder: its relative path, '/'-separated,
// as 8-bit text (the bytes on Linux, the ANSI code page on Windows).
bool MemberName(const fs::path& relative, std::string& name) {
#ifdef _WIN32
    return WorkSpace::Platform::WideToAnsi(relative.generic_wstring(), name);
#else
    name = relative.generic_string();
    return true;
#endif
}

bool ReadWholeFile(const fs::path& file, std::vector<uint8_t>& bytes) {
    const std::string name = file.u8string();
    std::string read;
    if (!WorkSpace::Platform::ReadWholeFile(WorkSpace::Platform::Utf8ToWide(name.data(), name.size()), read)) return false;
    bytes.assign(read.begin(), read.end());
    return true;
}

int Pack(const Args& args) {
    if (args.size() < 2) {
        fprintf(stderr, "usage: lumora-tool pack DIR... ARCHIVE\n");
        return 2;
    }
    const std::wstring archivePath = Wide(args.back());
    std::error_code ec;
    // A previous archive inside a packed folder must not pack itself.
    const fs::path archiveFile = NativePath(args.back());
    const bool archiveExists = fs::exists(archiveFile, ec);
    std::vector<WorkSpace::ZipWriterMember> members;
    for (size_t d = 0; d + 1 < args.size(); ++d) {
        const fs::path root = NativePath(args[d]);
        if (!fs::is_directory(root, ec)) {
            fprintf(stderr, "lumora-tool: '%s' is not a folder\n", args[d].c_str());
            return 1;
        }
        fs::recursive_directory_iterator it(root, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            const fs::path& file = it->path();
            std::error_code entryError;
            if (!it->is_regular_file(entryError)) continue;
            if (archiveExists && fs::equivalent(file, archiveFile, entryError)) continue;
            WorkSpace::ZipWriterMember member;
            if (!MemberName(file.lexically_relative(root), member.name)) {
                fprintf(stderr, "lumora-tool: '%s' has no 8-bit member name\n", file.u8string().c_str());
                return 1;
            }
            if (!ReadWholeFile(file, member.bytes)) {
                fprintf(stderr, "lumora-tool: cannot read '%s'\n", file.u8string().c_str());
                return 1;
            }
            members.push_back(std::move(member));
        }
        if (ec) {
            fprintf(stderr, "lumora-tool: cannot list '%s': %s\n", args[d].c_str(), ec.message().c_str());
            return 1;
        }
    }

    // Byte order of the names, so the same folder always packs in the same order.
    std::sort(members.begin(), members.end(),
              [](const WorkSpace::ZipWriterMember& a, const WorkSpace::ZipWriterMember& b) {
                  return a.name < b.name;
              });
    std::string password;
    WorkSpace::Platform::WideToAnsi(WorkSpace::kArchivePassword, password);
    if (!WorkSpace::WriteZipArchive(archivePath, members, password)) {
        fprintf(stderr, "lumora-tool: cannot write archive '%s'\n", args.back().c_str());
        return 1;
    }
    printf("packed %zu members into %s\n", members.size(), args.back().c_str());
    return 0;
}

const Registrar kRes({"res", "res list ARCHIVE | res cat ARCHIVE MEMBER", Res, ""});
const Registrar kPack({"pack", "pack DIR... ARCHIVE", Pack, ""});

}  // namespace

}  // namespace LumoraTool
