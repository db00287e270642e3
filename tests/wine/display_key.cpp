// Prints the registry path (below HKEY_LOCAL_MACHINE) of the display driver key of
// "\\.\DISPLAY1", so the end-to-end test can put "Acceleration.Level" there.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain() {
    DISPLAY_DEVICEW device = {};
    device.cb = sizeof(device);
    for (DWORD i = 0; EnumDisplayDevicesW(nullptr, i, &device, 0); ++i) {
        if (std::wstring(device.DeviceName) == L"\\\\.\\DISPLAY1") {
            std::wstring key = device.DeviceKey;
            const std::wstring prefix = L"\\Registry\\Machine\\";
            if (key.compare(0, prefix.size(), prefix) == 0) key = key.substr(prefix.size());
            wprintf(L"%ls\n", key.c_str());
            return 0;
        }
        device.cb = sizeof(device);
    }
    return 1;
}
