// The adapter rules of the requirements check, apart from the system calls that gather
// their inputs, so the whole decision runs and is tested on any platform. The Win32 layer
// (win32_requirements.cpp) fills AdapterFacts; EvaluateRequirements decides.
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {

// What the display-device enumeration and the registry reported about the first display.
// Every "false" below is a failed or skipped system query, and those count as a pass.
struct AdapterFacts {
    bool displayFound = false;           // a device named exactly "\\.\DISPLAY1" was enumerated
    std::wstring description;            // its device string, unchanged
    std::wstring deviceKey;              // its device key, in the kernel's "\Registry\Machine\..." form
    bool keyOpened = false;              // the trimmed key opened under HKEY_LOCAL_MACHINE
    bool accelerationLevelRead = false;  // "Acceleration.Level" read into 4 bytes
    uint32_t accelerationLevel = 0;      // what it held, when read (0 is full acceleration)
    bool keyCloseFailed = false;         // closing the key after that read reported an error
};

// The device name the check looks for; compared exactly, case included.
extern const wchar_t kFirstDisplayName[];  // L"\\\\.\\DISPLAY1"
// The value that marks a driver with reduced hardware acceleration, unless it holds 0.
extern const wchar_t kAccelerationValueName[];  // L"Acceleration.Level"

// False when the description names a known weak adapter: "RADEON" in any ASCII letter case
// together with one of the listed model numbers, or, as written, an "mx", an "MX" that is not
// directly followed by exactly three digits (the newer MX450 and its kin pass), or a "440"
// that is not part of a longer number (an HD Graphics 4400 passes).
bool AdapterDescriptionPasses(const std::wstring& description);

// The device key below the local-machine root: trailing, then leading characters that occur
// in "\Registry\Machine\" are cut off. It is a character-set trim, not a prefix removal, so
// a next element that starts with one of those letters loses them too.
std::wstring TrimRegistryPath(const std::wstring& deviceKey);

// The verdict on gathered facts: true when the machine can run the effect.
bool EvaluateRequirements(const AdapterFacts& facts);

// Fills `facts` from this machine (EnumDisplayDevicesW and the registry on Windows). The
// registry is only read when the description passes, as the rules would not look at it.
void GatherAdapterFacts(AdapterFacts& facts);

#ifndef _WIN32
// Linux has no display adapters to ask: GatherAdapterFacts reports no DISPLAY1 unless a
// test installs facts here (nullptr goes back to "nothing found").
void SetAdapterFactsForTesting(const AdapterFacts* facts);
#endif

}  // namespace WorkSpace
