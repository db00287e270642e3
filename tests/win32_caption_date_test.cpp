// The caption's date and the clock under Wine: a saver whose language is not the user's
// writes the caption's long date in its own language, the clock's numbers in the user's.
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

// The clock's time and date through GetTimeFormatEx and GetDateFormatEx: written as the user
// writes them, whatever the saver's language.
TEST(Win32CaptionDate, TheClocksNumbersInTheUsersFormsWhateverTheLanguage) {
    for (uint32_t language = 1; language < 7; ++language) {
        EXPECT_EQ(UserShortTime(21, 5, language), UserShortTime(21, 5, 0)) << language;
        EXPECT_EQ(UserShortDate(2023, 7, 4, language), UserShortDate(2023, 7, 4, 0)) << language;
    }
    EXPECT_NE(UserShortDate(2023, 7, 4, 1).find(L"2023"), std::wstring::npos);
}
