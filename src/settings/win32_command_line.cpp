// Argument 0 of the command line as Windows split it: the program's path as it was started,
// which may be quoted or relative, unlike the module path.
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

}  // namespace WorkSpace
