// The caption's date and the clock's time and date on Windows: numbers (the clock's time and
// short date) in the user's own formats whatever the saver's language; the caption's long
// date in the saver's language, the user's own form where the user's locale speaks it.
#include <windows.h>

#include "captions/caption.h"
#include "captions/clock_text.h"

namespace WorkSpace {

namespace {
// The locale to write `form` in for `language`: the user's own (LOCALE_NAME_USER_DEFAULT,
// which keeps the user's changes to its formats) or the language's main one.
const wchar_t* FormatLocale(DateForm form, uint32_t language) {
    if (form == DateForm::Numbers) return LOCALE_NAME_USER_DEFAULT;
    wchar_t user[LOCALE_NAME_MAX_LENGTH] = {};
    if (GetUserDefaultLocaleName(user, LOCALE_NAME_MAX_LENGTH) <= 0) user[0] = L'\0';
    const wchar_t* locale = DateLocaleName(form, language, user);
    return locale ? locale : LOCALE_NAME_USER_DEFAULT;
}

// GetDateFormatEx's `flags` form of the day in the locale for `language`; `fallback`'s where
// Windows gives none.
std::wstring FormatDay(uint32_t year, uint32_t month, uint32_t day, uint32_t language, DateForm form, DWORD flags,
                       std::wstring (*fallback)(uint32_t, uint32_t, uint32_t, uint32_t)) {
    SYSTEMTIME date = {};
    date.wYear = static_cast<WORD>(year);
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(day);
    wchar_t text[128];
    if (GetDateFormatEx(FormatLocale(form, language), flags, &date, nullptr, text, 128, nullptr) > 0) return text;
    return fallback(year, month, day, language);
}
}  // namespace

std::wstring UserLongDate(uint32_t year, uint32_t month, uint32_t day, uint32_t language) {
    return FormatDay(year, month, day, language, DateForm::Words, DATE_LONGDATE, LongDateText);
}

std::wstring UserShortDate(uint32_t year, uint32_t month, uint32_t day, uint32_t language) {
    return FormatDay(year, month, day, language, DateForm::Numbers, DATE_SHORTDATE, ShortDateText);
}

std::wstring UserShortTime(uint32_t hour, uint32_t minute, uint32_t language) {
    SYSTEMTIME time = {};
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    const wchar_t* locale = FormatLocale(DateForm::Numbers, language);
    wchar_t text[128];
    // With no picture GetTimeFormatEx takes the locale's long time form (the one with the
    // seconds), which a user may have set apart from the short one the taskbar shows: the
    // short form is read and given. Before Windows 7 there is none: the long one less seconds.
    wchar_t shortForm[80];
    if (GetLocaleInfoEx(locale, LOCALE_SSHORTTIME, shortForm, 80) > 0 &&
        GetTimeFormatEx(locale, 0, &time, shortForm, text, 128) > 0)
        return text;
    if (GetTimeFormatEx(locale, TIME_NOSECONDS, &time, nullptr, text, 128) > 0) return text;
    return ShortTimeText(hour, minute, language);
}

LocalTime LocalTimeNow() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    LocalTime t;
    t.year = now.wYear, t.month = now.wMonth, t.day = now.wDay;
    t.hour = now.wHour, t.minute = now.wMinute, t.second = now.wSecond, t.millisecond = now.wMilliseconds;
    return t;
}

}  // namespace WorkSpace
