// The display-off warning's rule and its text: whether the display sleeps at or before the
// saver's start, both times in whole minutes (never 0), and the dialog's line with them in.
#include "config/display_timeouts.h"

namespace WorkSpace {

namespace {
// To the nearest minute, and never 0: a display that turns off after 20 s is not "after 0 min".
uint32_t Minutes(uint32_t seconds) {
    const uint32_t minutes = seconds / 60 + (seconds % 60 >= 30 ? 1 : 0);
    return minutes == 0 ? 1 : minutes;
}

void ReplaceAll(std::wstring& text, const std::wstring& mark, const std::wstring& value) {
    for (size_t at = text.find(mark); at != std::wstring::npos; at = text.find(mark, at + value.size()))
        text.replace(at, mark.size(), value);
}
}  // namespace

uint32_t DisplayOffInEffect(const uint32_t* policySeconds, uint32_t planSeconds) {
    return policySeconds ? *policySeconds : planSeconds;
}

DisplayOffWarning DecideDisplayOffWarning(const DisplayTimeouts& timeouts) {
    DisplayOffWarning warning;
    if (!timeouts.saverActive || timeouts.saverSeconds == 0 || timeouts.displayOffSeconds == 0) return warning;
    if (timeouts.displayOffSeconds > timeouts.saverSeconds) return warning;
    warning.warn = true;
    warning.displayMinutes = Minutes(timeouts.displayOffSeconds);
    warning.saverMinutes = Minutes(timeouts.saverSeconds);
    return warning;
}

std::wstring DisplayOffLine(std::wstring text, const DisplayOffWarning& warning) {
    ReplaceAll(text, L"%1", std::to_wstring(warning.displayMinutes));
    ReplaceAll(text, L"%2", std::to_wstring(warning.saverMinutes));
    return text;
}

}  // namespace WorkSpace
