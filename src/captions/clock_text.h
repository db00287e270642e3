// The clock in a corner of the show: its text in the user's short time and date forms, and
// the worker that makes it into a small picture once a minute, off the render thread, with
// the caption's painter, so a frame only draws one more quad.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "captions/caption.h"
#include "imaging/image.h"

namespace WorkSpace {

// The "Clock" setting.
enum class ClockMode : uint32_t { None = 0, Time = 1, TimeAndDate = 2 };

// The local wall-clock time, as the platform reads it.
struct LocalTime {
    uint32_t year = 0, month = 0, day = 0;
    uint32_t hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The short forms Windows gives the UI language's main locale (0 English ... 6 Japanese;
// any other number means English): "3:07 PM" and "7/14/2023", "15:07" and "14.07.2023".
std::wstring ShortTimeText(uint32_t hour, uint32_t minute, uint32_t language);
std::wstring ShortDateText(uint32_t year, uint32_t month, uint32_t day, uint32_t language);
// The platform's: on Windows GetTimeFormatEx with the short time (LOCALE_SSHORTTIME) and
// GetDateFormatEx (DATE_SHORTDATE) of the user's own locale, whatever `language` (numbers are
// written as the user writes them: DateLocaleName), the language's forms above elsewhere.
std::wstring UserShortTime(uint32_t hour, uint32_t minute, uint32_t language);
std::wstring UserShortDate(uint32_t year, uint32_t month, uint32_t day, uint32_t language);
using ShortTimeFormat = std::wstring (*)(uint32_t hour, uint32_t minute, uint32_t language);
using ShortDateFormat = std::wstring (*)(uint32_t year, uint32_t month, uint32_t day, uint32_t language);
// The platform's local time now.
LocalTime LocalTimeNow();
using LocalClock = LocalTime (*)();

// The clock's lines as the caption painter takes them: the time first, the date under it
// with TimeAndDate; empty with None. Null formats are the short forms above.
CaptionText MakeClockText(ClockMode mode, const LocalTime& now, uint32_t language, ShortTimeFormat time = nullptr,
                          ShortDateFormat date = nullptr);
// Milliseconds from `now` until just past the next minute, when the text changes.
uint32_t MillisecondsToNextMinute(const LocalTime& now);

// What a clock is made for: its lines and language, and the height of the view it is drawn
// in (its text is sized as the caption's).
struct ClockOptions {
    ClockMode mode = ClockMode::None;
    uint32_t language = 0;
    uint32_t viewHeight = 0;
};

// A detached worker that paints the clock at its start and whenever the minute changes
// (it looks at the time at each minute and every few seconds between), and hands each
// picture over through a one-picture slot (a newer one replaces one not yet taken). Start
// and Stop never wait: a worker finds itself stopped when it wakes.
class ClockMaker {
public:
    ClockMaker() = default;
    ~ClockMaker();
    ClockMaker(const ClockMaker&) = delete;
    ClockMaker& operator=(const ClockMaker&) = delete;

    // nullptr: the platform's LocalTimeNow.
    void SetClock(LocalClock now) { now_ = now ? now : LocalTimeNow; }
    // Starts over for `options` (a clock of mode None starts nothing). False when no thread
    // can be had: the show goes on without its clock.
    bool Start(const ClockOptions& options);
    void Stop();
    bool Running() const { return shared_ != nullptr; }
    const ClockOptions& Options() const { return options_; }
    // The newest clock picture, if one came since the last Take.
    bool Take(Image& out);
    // Blocks until the worker has painted `count` pictures since Start (taken or not) or has
    // ended. For tests.
    void WaitForPictures(uint32_t count);

    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        Image slot;
        bool full = false;
        uint32_t painted = 0;
        bool ended = false;
        std::atomic<bool> stop{false};
    };

private:
    LocalClock now_ = LocalTimeNow;
    ClockOptions options_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace WorkSpace
