// Libraries taken from the system folder only. A portable copy of the saver often sits in
// the Downloads folder, and the loader's default search starts in the program's own folder:
// any DLL of a system name lying beside it would be loaded instead of Windows' own.
#pragma once
#include <windows.h>

namespace WorkSpace {

// LoadLibraryExW with LOAD_LIBRARY_SEARCH_SYSTEM32 (a Windows 7 without the search flags
// gets the full path in the system folder instead). Null when the system has no such DLL.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace WorkSpace
