// System-folder loading, and the process-wide default search that covers the loads made by
// the delay-import helper and by system DLLs on our behalf.
#include "platform/win32_system_library.h"

#include <string>

#include "platform/platform.h"

namespace WorkSpace {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // Windows 7 without update KB2533623 rejects the search flags as invalid.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryExW((std::wstring(folder, length) + L"\\" + name).c_str(), nullptr,
                          LOAD_WITH_ALTERED_SEARCH_PATH);
}

namespace Platform {

void RestrictLibrarySearch() {
    // Looked up rather than imported: a Windows 7 without KB2533623 lacks the export, and a
    // static import of it would keep the saver from starting at all there.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                   GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    // System32 alone: LOAD_LIBRARY_SEARCH_DEFAULT_DIRS would add the program's folder, where
    // planted DLLs lie, and still not a codec's folder. COM loads an in-process server (a WIC
    // codec, a shell extension in the folder picker) by its full registered path with
    // LOAD_WITH_ALTERED_SEARCH_PATH, which adds that server's own folder for its dependencies.
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace Platform
}  // namespace WorkSpace
