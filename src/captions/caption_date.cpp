// The caption's date in the saver's language: the long form Windows gives each UI language's
// main locale, written here so the tool and Linux show what the saver shows, and the choice
// of locale for each form: the user's own for numbers, the saver's language for words.
#include "captions/caption.h"

namespace WorkSpace {

namespace {
const wchar_t* const kMonths[6][12] = {
    {L"January", L"February", L"March", L"April", L"May", L"June", L"July", L"August", L"September", L"October",
     L"November", L"December"},
    // Russian dates take the month in the genitive.
    {L"января", L"февраля", L"марта", L"апреля", L"мая", L"июня", L"июля", L"августа", L"сентября", L"октября",
     L"ноября", L"декабря"},
    {L"Januar", L"Februar", L"März", L"April", L"Mai", L"Juni", L"Juli", L"August", L"September", L"Oktober",
     L"November", L"Dezember"},
    {L"janvier", L"février", L"mars", L"avril", L"mai", L"juin", L"juillet", L"août", L"septembre", L"octobre",
     L"novembre", L"décembre"},
    {L"enero", L"febrero", L"marzo", L"abril", L"mayo", L"junio", L"julio", L"agosto", L"septiembre", L"octubre",
     L"noviembre", L"diciembre"},
    {L"gennaio", L"febbraio", L"marzo", L"aprile", L"maggio", L"giugno", L"luglio", L"agosto", L"settembre",
     L"ottobre", L"novembre", L"dicembre"},
};
// Sunday first. Russian and Japanese long dates name no weekday.
const wchar_t* const kWeekdays[6][7] = {
    {L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday"},
    {},
    {L"Sonntag", L"Montag", L"Dienstag", L"Mittwoch", L"Donnerstag", L"Freitag", L"Samstag"},
    {L"dimanche", L"lundi", L"mardi", L"mercredi", L"jeudi", L"vendredi", L"samedi"},
    {L"domingo", L"lunes", L"martes", L"miércoles", L"jueves", L"viernes", L"sábado"},
    {L"domenica", L"lunedì", L"martedì", L"mercoledì", L"giovedì", L"venerdì", L"sabato"},
};
const wchar_t* const kLocales[7] = {L"en-US", L"ru-RU", L"de-DE", L"fr-FR", L"es-ES", L"it-IT", L"ja-JP"};

// 0 Sunday ... 6 Saturday, in the Gregorian calendar.
uint32_t Weekday(uint32_t year, uint32_t month, uint32_t day) {
    static const uint32_t kShift[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) --year;
    return (year + year / 4 - year / 100 + year / 400 + kShift[month - 1] + day) % 7;
}
}  // namespace

std::wstring LongDateText(uint32_t year, uint32_t month, uint32_t day, uint32_t language) {
    if (month < 1 || month > 12 || year == 0) return std::wstring();
    std::wstring y = std::to_wstring(year);
    y.insert(0, y.size() < 4 ? 4 - y.size() : 0, L'0');  // "yyyy"
    const std::wstring d = std::to_wstring(day);
    const uint32_t w = Weekday(year, month, day);
    switch (language) {
    case 1: return d + L" " + kMonths[1][month - 1] + L" " + y + L" г.";
    case 2: return std::wstring(kWeekdays[2][w]) + L", " + d + L". " + kMonths[2][month - 1] + L" " + y;
    case 3: return std::wstring(kWeekdays[3][w]) + L" " + d + L" " + kMonths[3][month - 1] + L" " + y;
    case 4: return std::wstring(kWeekdays[4][w]) + L", " + d + L" de " + kMonths[4][month - 1] + L" de " + y;
    case 5: return std::wstring(kWeekdays[5][w]) + L" " + d + L" " + kMonths[5][month - 1] + L" " + y;
    case 6: return y + L"年" + std::to_wstring(month) + L"月" + d + L"日";
    default:
        return std::wstring(kWeekdays[0][w]) + L", " + kMonths[0][month - 1] + L" " + d + L", " + y;
    }
}

const wchar_t* DateLocaleName(DateForm form, uint32_t language, const std::wstring& userLocale) {
    if (form == DateForm::Numbers) return nullptr;
    const wchar_t* ui = kLocales[language < 7 ? language : 0];
    // The language is the name's first part: "en" of "en-GB", "ru" of "ru-RU".
    size_t i = 0;
    for (; ui[i] != L'-'; ++i) {
        if (i >= userLocale.size()) return ui;
        const wchar_t c = userLocale[i];
        if ((c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c) != ui[i]) return ui;
    }
    return userLocale.size() == i || userLocale[i] == L'-' || userLocale[i] == L'_' ? nullptr : ui;
}

}  // namespace WorkSpace
