// The caption's date through GetDateFormatEx under Wine: a saver whose language is not the
// user's writes the day in its own language's long form.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "captions/caption.h"
#include "captions/clock_text.h"

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

// The clock's time and date through GetTimeFormatEx and GetDateFormatEx: a saver whose
// language is not the user's shows that language's short forms, 24 hours and day first for
// both de-DE and ru-RU (whether ru-RU pads the hour differs between Windows and Wine).
TEST(Win32CaptionDate, TheClocksShortFormsInTheSaversLanguage) {
    wchar_t user[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(GetUserDefaultLocaleName(user, LOCALE_NAME_MAX_LENGTH), 0);
    const uint32_t other = std::wstring(user).compare(0, 2, L"ru") == 0 ? 2 : 1;
    EXPECT_EQ(UserShortTime(21, 5, other), L"21:05");
    EXPECT_EQ(UserShortDate(2023, 7, 4, other), L"04.07.2023");
}
