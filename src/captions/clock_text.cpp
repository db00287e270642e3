// The clock's text and the worker that paints it once a minute. The short forms here are
// Windows' defaults for each UI language's main locale, so the tool and Linux show what
// most machines show.
#include "captions/clock_text.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <system_error>
#include <thread>

namespace WorkSpace {

namespace {
// Per language: the short time, then the short date, in Windows' picture letters.
const wchar_t* const kShortForms[7][2] = {
    {L"h:mm tt", L"M/d/yyyy"},    // en-US
    {L"H:mm", L"dd.MM.yyyy"},     // ru-RU
    {L"HH:mm", L"dd.MM.yyyy"},    // de-DE
    {L"HH:mm", L"dd/MM/yyyy"},    // fr-FR
    {L"H:mm", L"dd/MM/yyyy"},     // es-ES
    {L"HH:mm", L"dd/MM/yyyy"},    // it-IT
    {L"H:mm", L"yyyy/MM/dd"},     // ja-JP
};

std::wstring Digits(uint32_t value, size_t least) {
    std::wstring s = std::to_wstring(value);
    if (s.size() < least) s.insert(0, least - s.size(), L'0');
    return s;
}

// Expands a picture's runs of the same letter ("HH", "d", "tt"); other characters stay.
std::wstring Expand(const wchar_t* picture, const LocalTime& t) {
    std::wstring out;
    for (const wchar_t* p = picture; *p;) {
        const wchar_t c = *p;
        size_t run = 0;
        while (p[run] == c) ++run;
        p += run;
        switch (c) {
        case L'h': out += Digits(t.hour % 12 == 0 ? 12 : t.hour % 12, run); break;
        case L'H': out += Digits(t.hour, run); break;
        case L'm': out += Digits(t.minute, run); break;
        case L'd': out += Digits(t.day, run); break;
        case L'M': out += Digits(t.month, run); break;
        case L'y': out += Digits(t.year, run); break;
        case L't': out += t.hour < 12 ? L"AM" : L"PM"; break;
        default: out.append(run, c);
        }
    }
    return out;
}

const wchar_t* const* Forms(uint32_t language) { return kShortForms[language < 7 ? language : 0]; }
}  // namespace

std::wstring ShortTimeText(uint32_t hour, uint32_t minute, uint32_t language) {
    LocalTime t;
    t.hour = hour;
    t.minute = minute;
    return Expand(Forms(language)[0], t);
}

std::wstring ShortDateText(uint32_t year, uint32_t month, uint32_t day, uint32_t language) {
    LocalTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    return Expand(Forms(language)[1], t);
}

CaptionText MakeClockText(ClockMode mode, const LocalTime& now, uint32_t language, ShortTimeFormat time,
                          ShortDateFormat date) {
    CaptionText text;
    if (mode == ClockMode::None) return text;
    text.date = (time ? time : ShortTimeText)(now.hour, now.minute, language);
    if (mode == ClockMode::TimeAndDate)
        text.place = (date ? date : ShortDateText)(now.year, now.month, now.day, language);
    return text;
}

uint32_t MillisecondsToNextMinute(const LocalTime& now) {
    const uint32_t into = (now.second % 60) * 1000 + now.millisecond % 1000;
    // A little past the minute, so the time read on waking is the new one.
    return 60000 - into + 50;
}

namespace {
// The worker looks at the time this often at least between minutes, so that a clock set
// anew, a change to summer time or a machine woken from sleep shows the right time within
// seconds rather than after the minute it was waiting for.
constexpr uint32_t kLongestWaitMs = 5000;

bool SameMinute(const LocalTime& a, const LocalTime& b) {
    return a.minute == b.minute && a.hour == b.hour && a.day == b.day && a.month == b.month && a.year == b.year;
}

void Run(std::shared_ptr<ClockMaker::Shared> shared, ClockOptions options, LocalClock now) {
    CaptionPainter painter(options.viewHeight);  // its DC and font live as long as the worker
    LocalTime painted;
    bool any = false;
    while (!shared->stop.load()) {
        const LocalTime t = now();
        Image picture;
        if (!any || !SameMinute(t, painted)) {
            try {
                const CaptionText text = MakeClockText(options.mode, t, options.language, UserShortTime, UserShortDate);
                if (painter.Render(text, 0, picture)) {
                    painted = t;
                    any = true;
                }
            } catch (...) {
                picture = Image();  // memory short: the next look tries again
            }
        }
        std::unique_lock<std::mutex> lock(shared->mutex);
        if (!picture.pixels.empty()) {
            shared->slot = std::move(picture);
            shared->full = true;
            ++shared->painted;
            shared->changed.notify_all();
        }
        const uint32_t wait = std::min(MillisecondsToNextMinute(t), kLongestWaitMs);
        shared->changed.wait_for(lock, std::chrono::milliseconds(wait), [&] { return shared->stop.load(); });
    }
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->ended = true;
    shared->changed.notify_all();
}
}  // namespace

ClockMaker::~ClockMaker() { Stop(); }

bool ClockMaker::Start(const ClockOptions& options) {
    Stop();
    options_ = options;
    if (options.mode == ClockMode::None) return true;
    shared_ = std::make_shared<Shared>();
    try {
        std::thread(Run, shared_, options, now_).detach();
    } catch (const std::system_error&) {
        shared_.reset();
        return false;
    }
    return true;
}

void ClockMaker::Stop() {
    if (!shared_) return;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop.store(true);
        shared_->slot = Image();
        shared_->full = false;
    }
    shared_->changed.notify_all();
    shared_.reset();
}

bool ClockMaker::Take(Image& out) {
    if (!shared_) return false;
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!shared_->full) return false;
    out = std::move(shared_->slot);
    shared_->slot = Image();
    shared_->full = false;
    return true;
}

void ClockMaker::WaitForPictures(uint32_t count) {
    if (!shared_) return;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->changed.wait(lock, [&] { return shared_->painted >= count || shared_->ended; });
}

}  // namespace WorkSpace
