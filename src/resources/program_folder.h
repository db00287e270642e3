// Where the program's own file lives: the archive, the log and the settings sit beside it.
#pragma once
#include <string>

namespace WorkSpace {

// Drive and directory of the program's module, ending with the path separator.
std::wstring GetProgramFolder();
// The folder part of any path, ending with its separator ('\\' or '/'); empty if none.
std::wstring FolderOfPath(const std::wstring& path);

}  // namespace WorkSpace
