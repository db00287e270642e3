// The requirements check's system queries: the display device named "\\.\DISPLAY1" from
// EnumDisplayDevicesW, and the "Acceleration.Level" value in its driver's registry key.
// Every failing call simply leaves its fact false; the rules count that as a pass.
#include <windows.h>

#include <cwchar>
#include <string>

#include "checks/requirements_rules.h"

namespace WorkSpace {

namespace {

// The record's fixed-size text fields, bounded in case a driver fills one to the brim.
template <size_t N>
std::wstring Field(const WCHAR (&text)[N]) {
    return std::wstring(text, wcsnlen(text, N));
}

// Opens the driver's key under HKEY_LOCAL_MACHINE and reads the value into 4 bytes: larger
// data fails the read, which the rules then treat as "no setting".
void ReadAccelerationFacts(AdapterFacts& facts) {
    const std::wstring path = TrimRegistryPath(facts.deviceKey);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    facts.keyOpened = true;
    DWORD level = 0;
    DWORD size = sizeof(level);
    facts.accelerationLevelRead = RegQueryValueExW(key, kAccelerationValueName, nullptr, nullptr,
                                                   reinterpret_cast<BYTE*>(&level), &size) == ERROR_SUCCESS;
    facts.accelerationLevel = level;
    // Closed on every path, not only after a successful read, so repeated checks leak no
    // handles; only the close after a read can change the answer.
    const bool closed = RegCloseKey(key) == ERROR_SUCCESS;
    facts.keyCloseFailed = facts.accelerationLevelRead && !closed;
}

}  // namespace

void GatherAdapterFacts(AdapterFacts& facts) {
    facts = AdapterFacts();
    DISPLAY_DEVICEW device = {};
    device.cb = sizeof(device);
    for (DWORD index = 0; EnumDisplayDevicesW(nullptr, index, &device, 0); ++index) {
        // A plain comparison: lstrcmpW would compare by locale, and the name must match exactly.
        if (Field(device.DeviceName) != kFirstDisplayName) continue;
        facts.displayFound = true;
        facts.description = Field(device.DeviceString);
        facts.deviceKey = Field(device.DeviceKey);
        if (AdapterDescriptionPasses(facts.description)) ReadAccelerationFacts(facts);
        return;
    }
}

}  // namespace WorkSpace
