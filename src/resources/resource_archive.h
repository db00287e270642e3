// The resource archive beside the program: where it lies and how it is opened.
#pragma once
#include <string>

namespace WorkSpace {

class ZipReader;

// The program's folder followed by "LMRResource.dat".
std::wstring ResourceArchivePath();
// Opens `path` with the archive's password; when that fails every later read fails, which
// each reader handles.
bool OpenResourceArchive(ZipReader& reader, const std::wstring& path);

}  // namespace WorkSpace
