// The caption's date through GetDateFormatEx under Wine: a saver whose language is not the
// user's writes the day in its own language's long form.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "pictures/caption.h"

using namespace WorkSpace;

TEST(Win32CaptionDate, TheSaversLanguageWhereTheUsersDiffers) {
    wchar_t user[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(GetUserDefaultLocaleName(user, LOCALE_NAME_MAX_LENGTH), 0);
    // Whatever the prefix's language, a language that is not the user's shows its month name.
    const uint32_t other = std::wstring(user).compare(0, 2, L"ru") == 0 ? 2 : 1;
    const std::wstring date = UserLongDate(2023, 7, 14, other);
    EXPECT_NE(date.find(other == 1 ? L"июля" : L"Juli"), std::wstring::npos);
    EXPECT_NE(date.find(L"2023"), std::wstring::npos);
}
