// Argument 0 of the command line as Windows split it: the program's path as it was started,
// which may be quoted or relative, unlike the module path; and the module path with its long
// form, for a program started by its short name.
#include "settings/settings.h"

#include <windows.h>
#include <shellapi.h>

namespace WorkSpace {

bool CommandLineArgument0(std::wstring& argument0) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 1) {
        if (arguments) LocalFree(arguments);
        // Without our own path there is no settings file to work with: end the message loop
        // of this thread; meanwhile every load with the empty path keeps the defaults.
        PostQuitMessage(0);
        return false;
    }
    argument0 = arguments[0];
    LocalFree(arguments);
    return true;
}

bool ModulePathForms(std::wstring& modulePath, std::wstring& longPath) {
    modulePath.clear();
    longPath.clear();
    // A path longer than MAX_PATH is cut to the buffer: grow it until the whole path fits.
    std::wstring module(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &module[0], static_cast<DWORD>(module.size()));
        if (n == 0) return false;
        if (n < module.size()) {
            module.resize(n);
            break;
        }
        if (module.size() >= 32768) return false;
        module.resize(module.size() * 2);
    }
    const DWORD need = GetLongPathNameW(module.c_str(), nullptr, 0);
    if (need == 0) return false;
    std::wstring longForm(need, L'\0');
    const DWORD n = GetLongPathNameW(module.c_str(), &longForm[0], need);
    if (n == 0 || n >= need) return false;
    longForm.resize(n);
    modulePath = module;
    longPath = longForm;
    return true;
}

}  // namespace WorkSpace
