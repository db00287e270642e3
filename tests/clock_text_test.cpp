// The clock's text: the short time and date forms of each language, the lines of each mode,
// when the next minute comes, and the worker that paints it off the render thread.
#include "captions/clock_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

using namespace WorkSpace;

TEST(ClockText, ShortTimeInEachLanguagesForm) {
    const struct {
        uint32_t hour, minute, language;
        const wchar_t* text;
    } cases[] = {
        {15, 7, 0, L"3:07 PM"}, {0, 5, 0, L"12:05 AM"}, {12, 0, 0, L"12:00 PM"}, {9, 5, 1, L"9:05"},
        {9, 5, 2, L"09:05"},    {21, 30, 3, L"21:30"},  {9, 5, 4, L"9:05"},    {9, 5, 5, L"09:05"},
        {9, 5, 6, L"9:05"},     {15, 7, 42, L"3:07 PM"},  // an unknown language is English
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortTimeText(c.hour, c.minute, c.language), c.text) << c.hour << ":" << c.minute << " " << c.language;
}

TEST(ClockText, ShortDateInEachLanguagesForm) {
    const struct {
        uint32_t language;
        const wchar_t* text;
    } cases[] = {
        {0, L"7/4/2023"},   {1, L"04.07.2023"}, {2, L"04.07.2023"}, {3, L"04/07/2023"},
        {4, L"04/07/2023"}, {5, L"04/07/2023"}, {6, L"2023/07/04"}, {7, L"7/4/2023"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShortDateText(2023, 7, 4, c.language), c.text) << c.language;
}

namespace {
std::wstring FakeTime(uint32_t hour, uint32_t minute, uint32_t language) {
    return L"t" + std::to_wstring(hour) + L"." + std::to_wstring(minute) + L"." + std::to_wstring(language);
}
std::wstring FakeDate(uint32_t year, uint32_t month, uint32_t day, uint32_t) {
    return L"d" + std::to_wstring(year) + L"." + std::to_wstring(month) + L"." + std::to_wstring(day);
}
LocalTime At(uint32_t hour, uint32_t minute, uint32_t second, uint32_t millisecond) {
    LocalTime t;
    t.year = 2026, t.month = 12, t.day = 9;
    t.hour = hour, t.minute = minute, t.second = second, t.millisecond = millisecond;
    return t;
}
}  // namespace

TEST(ClockText, TheTimeAloneOrOverTheDateInTheGivenFormats) {
    const LocalTime t = At(23, 59, 30, 0);
    EXPECT_TRUE(MakeClockText(ClockMode::None, t, 2, FakeTime, FakeDate).Empty());
    const CaptionText time = MakeClockText(ClockMode::Time, t, 2, FakeTime, FakeDate);
    EXPECT_EQ(time.date, L"t23.59.2");
    EXPECT_EQ(time.place, L"");
    const CaptionText both = MakeClockText(ClockMode::TimeAndDate, t, 2, FakeTime, FakeDate);
    EXPECT_EQ(both.date, L"t23.59.2");
    EXPECT_EQ(both.place, L"d2026.12.9");
}

TEST(ClockText, TheWorkerWakesJustPastTheNextMinute) {
    EXPECT_EQ(MillisecondsToNextMinute(At(10, 0, 0, 0)), 60050u);
    EXPECT_EQ(MillisecondsToNextMinute(At(10, 0, 59, 999)), 51u);
    EXPECT_EQ(MillisecondsToNextMinute(At(10, 0, 30, 500)), 29550u);
}

namespace {
LocalTime Noon() { return At(12, 0, 0, 0); }
}  // namespace

TEST(ClockMaker, PaintsTheClockOnItsWorkerSizedForTheView) {
    ClockMaker maker;
    maker.SetClock(Noon);
    ClockOptions options;
    EXPECT_TRUE(maker.Start(options));  // None: nothing to paint, no worker
    EXPECT_FALSE(maker.Running());
    options.mode = ClockMode::TimeAndDate;
    options.viewHeight = 768;
    ASSERT_TRUE(maker.Start(options));
    maker.WaitForPictures(1);
    Image clock, caption;
    ASSERT_TRUE(maker.Take(clock));
    EXPECT_FALSE(maker.Take(clock));  // one picture a minute
    // The same picture as a caption of the same two lines.
    ASSERT_TRUE(RenderCaption(MakeClockText(ClockMode::TimeAndDate, Noon(), 0, UserShortTime, UserShortDate), 768,
                              caption));
    EXPECT_EQ(clock.width, caption.width);
    EXPECT_EQ(clock.height, caption.height);
    maker.Stop();
    EXPECT_FALSE(maker.Running());
    EXPECT_FALSE(maker.Take(clock));
}

namespace {
// A second before the minute turns, then the next minute from then on.
std::atomic<int> g_looks{0};
LocalTime TurningMinute() { return g_looks++ == 0 ? At(12, 0, 59, 990) : At(12, 1, 0, 40); }
}  // namespace

TEST(ClockMaker, PaintsAgainWhenTheMinuteTurns) {
    g_looks = 0;
    ClockMaker maker;
    maker.SetClock(TurningMinute);
    ClockOptions options;
    options.mode = ClockMode::Time;
    options.viewHeight = 768;
    ASSERT_TRUE(maker.Start(options));
    Image second;
    maker.WaitForPictures(2);  // 12:01, some 60 ms after 12:00
    ASSERT_TRUE(maker.Take(second));
    EXPECT_GE(g_looks.load(), 2);
    maker.Stop();
}
