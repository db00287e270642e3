// The caption's date on Windows: the long date of the saver's language, in the user's own
// format where the user's locale speaks that language, else in the language's main locale.
#include <windows.h>

#include "pictures/caption.h"

namespace WorkSpace {

std::wstring UserLongDate(uint32_t year, uint32_t month, uint32_t day, uint32_t language) {
    SYSTEMTIME date = {};
    date.wYear = static_cast<WORD>(year);
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(day);
    wchar_t user[LOCALE_NAME_MAX_LENGTH] = {};
    if (GetUserDefaultLocaleName(user, LOCALE_NAME_MAX_LENGTH) <= 0) user[0] = L'\0';
    const wchar_t* locale = DateLocaleName(language, user);
    wchar_t text[128];
    if (GetDateFormatEx(locale ? locale : LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &date, nullptr, text, 128,
                        nullptr) > 0)
        return text;
    return LongDateText(year, month, day, language);
}

}  // namespace WorkSpace
