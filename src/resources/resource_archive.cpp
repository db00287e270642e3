// Where the resource archive lies, beside the program, and its opening with the archive's
// password.
#include "resources/resource_archive.h"

#include "platform/platform.h"
#include "resources/program_folder.h"
#include "resources/zip_reader.h"

namespace WorkSpace {

std::wstring ResourceArchivePath() {
    // The folder already ends with its separator, so the Windows path holds a doubled
    // backslash; the file system treats it as one.
    return GetProgramFolder() + Platform::PathSeparator() + kArchiveName;
}

bool OpenResourceArchive(ZipReader& reader, const std::wstring& path) { return reader.Open(path, kArchivePassword); }

}  // namespace WorkSpace
