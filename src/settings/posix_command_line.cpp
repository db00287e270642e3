// Linux stand-in for argument 0 of the Windows command line: the module's own path, so the
// settings file sits beside the program here too. Linux has no short names.
#include "settings/settings.h"

#include "platform/platform.h"

namespace WorkSpace {

bool CommandLineArgument0(std::wstring& argument0) {
    argument0 = Platform::ModulePath();
    return !argument0.empty();
}

bool ModulePathForms(std::wstring& modulePath, std::wstring& longPath) {
    modulePath = longPath = Platform::ModulePath();
    return !modulePath.empty();
}

}  // namespace WorkSpace
