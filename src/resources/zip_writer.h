// Writes resource archives: every member deflated or stored, and encrypted with the
// traditional PKWARE cipher under one password, the way the reader expects them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace {

struct ZipWriterMember {
    std::string name;  // 8-bit member name with forward slashes
    std::vector<uint8_t> bytes;
    bool stored = false;  // method 0 instead of deflate
};

// Creates (or replaces) the archive at `path` with the members in the given order. An
// empty password writes plain, unencrypted members. On failure the partial file is
// removed and false returned.
bool WriteZipArchive(const std::wstring& path, const std::vector<ZipWriterMember>& members,
                     const std::string& password);

}  // namespace WorkSpace
