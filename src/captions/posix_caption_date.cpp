// The caption's date and the clock's time and date elsewhere than on Windows: the forms
// Windows gives the UI language's main locale, which is what the saver shows on most
// machines; the local time from the C library.
#include <chrono>
#include <ctime>

#include "captions/caption.h"
#include "captions/clock_text.h"

namespace WorkSpace {

std::wstring UserLongDate(uint32_t year, uint32_t month, uint32_t day, uint32_t language) {
    return LongDateText(year, month, day, language);
}

std::wstring UserShortDate(uint32_t year, uint32_t month, uint32_t day, uint32_t language) {
    return ShortDateText(year, month, day, language);
}

std::wstring UserShortTime(uint32_t hour, uint32_t minute, uint32_t language) {
    return ShortTimeText(hour, minute, language);
}

LocalTime LocalTimeNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local = {};
    localtime_r(&seconds, &local);
    LocalTime t;
    t.year = static_cast<uint32_t>(local.tm_year + 1900);
    t.month = static_cast<uint32_t>(local.tm_mon + 1);
    t.day = static_cast<uint32_t>(local.tm_mday);
    t.hour = static_cast<uint32_t>(local.tm_hour);
    t.minute = static_cast<uint32_t>(local.tm_min);
    t.second = static_cast<uint32_t>(local.tm_sec);
    t.millisecond = static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    return t;
}

}  // namespace WorkSpace
