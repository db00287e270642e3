// The two timeouts the dialog's warning compares: the screen saver's (SystemParametersInfo)
// and the display timeout on the current power source: a group policy's where one is set,
// else the active power plan's (powrprof, loaded at run time; a Windows without it, or a
// plan that cannot be read, never warns).
#include <windows.h>

#include "config/display_timeouts.h"
#include "platform/win32_system_library.h"

namespace WorkSpace {

namespace {
// GUID_VIDEO_SUBGROUP and GUID_VIDEO_POWERDOWN_TIMEOUT, spelled out: MinGW's are declared
// without a definition.
const GUID kVideoSubgroup = {0x7516b95f, 0xf776, 0x4464, {0x8c, 0x53, 0x06, 0x16, 0x7f, 0x40, 0xcc, 0x99}};
const GUID kVideoPowerdownTimeout = {0x3c0bc021, 0xc8a8, 0x4e07, {0xa9, 0x73, 0x6b, 0x14, 0xcb, 0xcb, 0x2b, 0x7e}};

bool OnBattery() {
    SYSTEM_POWER_STATUS status = {};
    // 0 is offline; 1 is on mains and 255 unknown, which the plan's AC value serves.
    return GetSystemPowerStatus(&status) && status.ACLineStatus == 0;
}

// The display timeout a group policy sets on this power source, which Windows applies over
// the plan's own value (Power.admx: "Turn off the display").
bool PolicyDisplayOffSeconds(bool onBattery, uint32_t& seconds) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE,
                     L"SOFTWARE\\Policies\\Microsoft\\Power\\PowerSettings\\3C0BC021-C8A8-4E07-A973-6B14CBCB2B7E",
                     onBattery ? L"DCSettingIndex" : L"ACSettingIndex", RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return false;
    seconds = value;
    return true;
}

// The plan's seconds; 0 (never) when the plan cannot be read.
uint32_t PlanDisplayOffSeconds(bool onBattery) {
    using ActiveSchemeFn = DWORD(WINAPI*)(HKEY, GUID**);
    using ReadValueFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, LPDWORD);
    static HMODULE powrprof = LoadSystemLibrary(L"powrprof.dll");
    if (!powrprof) return 0;
    const auto activeScheme = reinterpret_cast<ActiveSchemeFn>(
        reinterpret_cast<void*>(GetProcAddress(powrprof, "PowerGetActiveScheme")));
    const auto readValue = reinterpret_cast<ReadValueFn>(reinterpret_cast<void*>(
        GetProcAddress(powrprof, onBattery ? "PowerReadDCValueIndex" : "PowerReadACValueIndex")));
    GUID* scheme = nullptr;
    if (!activeScheme || !readValue || activeScheme(nullptr, &scheme) != ERROR_SUCCESS || !scheme) return 0;
    DWORD seconds = 0;
    if (readValue(nullptr, scheme, &kVideoSubgroup, &kVideoPowerdownTimeout, &seconds) != ERROR_SUCCESS) seconds = 0;
    LocalFree(scheme);
    return seconds;
}
}  // namespace

DisplayTimeouts ReadDisplayTimeouts() {
    DisplayTimeouts timeouts;
    BOOL active = FALSE;
    UINT saverSeconds = 0;
    if (SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &active, 0)) timeouts.saverActive = active != FALSE;
    if (SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &saverSeconds, 0)) timeouts.saverSeconds = saverSeconds;
    const bool onBattery = OnBattery();
    uint32_t policy = 0;
    const bool byPolicy = PolicyDisplayOffSeconds(onBattery, policy);
    timeouts.displayOffSeconds = DisplayOffInEffect(byPolicy ? &policy : nullptr, PlanDisplayOffSeconds(onBattery));
    return timeouts;
}

}  // namespace WorkSpace
