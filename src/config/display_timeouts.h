// Whether the display sleeps before the screen saver could start, and the dialog's line that
// says so. Both times are the user's settings and are left as they are; the rule is pure, so
// it is tested without Windows' settings (win32_display_timeouts.cpp reads them).
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {

struct DisplayTimeouts {
    uint32_t displayOffSeconds = 0;  // the power plan's, on the current power source; 0: never
    uint32_t saverSeconds = 0;       // the screen-saver timeout; 0: none
    bool saverActive = false;        // the screen saver is switched on at all
};

// The whole minutes the dialog's line states; `warn` false when the saver can appear.
struct DisplayOffWarning {
    bool warn = false;
    uint32_t displayMinutes = 0;
    uint32_t saverMinutes = 0;
};

// The display's timeout in effect: a group policy's where one is set (`policySeconds` not
// null; 0 is "never" there too), else the power plan's.
uint32_t DisplayOffInEffect(const uint32_t* policySeconds, uint32_t planSeconds);

// A warning when the display turns off at or before the saver's start.
DisplayOffWarning DecideDisplayOffWarning(const DisplayTimeouts& timeouts);

// `text` with %1 replaced by the display's minutes and %2 by the saver's.
std::wstring DisplayOffLine(std::wstring text, const DisplayOffWarning& warning);

// Windows' settings now (win32_display_timeouts.cpp): what cannot be read counts as never
// or off, so it never warns.
DisplayTimeouts ReadDisplayTimeouts();

}  // namespace WorkSpace
