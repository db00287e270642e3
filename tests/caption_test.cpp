#include "captions/caption.h"

#include <gtest/gtest.h>

using namespace WorkSpace;

namespace {
std::wstring FixedDate(uint32_t, uint32_t, uint32_t, uint32_t) { return L"the user's date"; }

ExifFacts Facts(bool date, bool position) {
    ExifFacts f;
    f.hasDate = date;
    f.year = 2023, f.month = 7, f.day = 14;
    f.hasPosition = position;
    f.latitude = 48.2, f.longitude = 11.6;
    return f;
}

// One place, Munich in Germany, named in English and (as language 2) in German.
const Gazetteer& OnePlace() {
    static Gazetteer* g = [] {
        std::string pool = std::string("Germany\0Deutschland\0Munich\0M\xC3\xBCnchen\0", 37);
        std::string b = "LMGZ";
        auto put = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) b.push_back(char(v >> (8 * i)));
        };
        for (uint32_t v : {2u, 1u, 1u, 3u, 1u, uint32_t(pool.size())}) put(v);
        b += "DE";
        for (uint32_t v : {0u, 0u, 8u}) put(v);
        for (uint32_t v : {20u, 20u, 27u}) put(v);  // Munich's translated row
        put(4813700);
        put(1157500);
        put(1500000);
        b += std::string("\0\0", 2);
        put(0x80000000u);
        auto* loaded = new Gazetteer();
        EXPECT_TRUE(loaded->Load(b + pool));
        return loaded;
    }();
    return *g;
}
}  // namespace

TEST(Caption, DateAndPlaceAsTheModeAndThePhotoAllow) {
    const Gazetteer& g = OnePlace();
    CaptionText t = MakeCaption(Facts(true, true), CaptionMode::DateAndPlace, 2, &g, nullptr);
    EXPECT_EQ(t.date, L"Freitag, 14. Juli 2023");
    EXPECT_EQ(t.place, L"München, Deutschland");
    t = MakeCaption(Facts(true, true), CaptionMode::Date, 0, &g, FixedDate);
    EXPECT_EQ(t.date, L"the user's date");
    EXPECT_EQ(t.place, L"");
    t = MakeCaption(Facts(false, true), CaptionMode::DateAndPlace, 0, &g, nullptr);
    EXPECT_EQ(t.date, L"");
    EXPECT_EQ(t.place, L"Munich, Germany");
    EXPECT_TRUE(MakeCaption(Facts(true, false), CaptionMode::DateAndPlace, 0, &g, nullptr).place.empty());
    EXPECT_TRUE(MakeCaption(Facts(true, true), CaptionMode::None, 0, &g, nullptr).Empty());
    EXPECT_TRUE(MakeCaption(Facts(false, true), CaptionMode::DateAndPlace, 0, nullptr, nullptr).Empty());
}

TEST(Caption, PlaceLineNamesACityStateOnce) {
    const struct {
        const char *place, *country;
        uint32_t language;
        const char* line;
    } cases[] = {
        {"Munich", "Germany", 0, "Munich, Germany"},
        {"\xE6\x9D\xB1\xE4\xBA\xAC", "\xE6\x97\xA5\xE6\x9C\xAC", 6, "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x80\x81\xE6\x97\xA5\xE6\x9C\xAC"},
        {"Singapore", "Singapore", 0, "Singapore"},
        {"Monaco", "", 0, "Monaco"},
    };
    for (const auto& c : cases) {
        PlaceName name;
        name.place = c.place;
        name.country = c.country;
        EXPECT_EQ(PlaceLine(name, c.language), c.line) << c.place;
    }
}

TEST(Caption, LongDateInEachLanguage) {
    // Windows' long dates of en-US, ru-RU, de-DE, fr-FR, es-ES, it-IT and ja-JP.
    const wchar_t* const expected[] = {L"Friday, July 14, 2023", L"14 июля 2023 г.", L"Freitag, 14. Juli 2023",
                                       L"vendredi 14 juillet 2023", L"viernes, 14 de julio de 2023",
                                       L"venerdì 14 luglio 2023", L"2023年7月14日"};
    for (uint32_t l = 0; l < 7; ++l) EXPECT_EQ(LongDateText(2023, 7, 14, l), expected[l]) << l;
    EXPECT_EQ(LongDateText(2023, 7, 14, 42), expected[0]);
    EXPECT_EQ(LongDateText(2024, 5, 1, 3), L"mercredi 1 mai 2024");
    EXPECT_EQ(LongDateText(2024, 2, 29, 0), L"Thursday, February 29, 2024");
    EXPECT_EQ(LongDateText(2000, 1, 1, 4), L"sábado, 1 de enero de 2000");
}

TEST(Caption, NumbersInTheUsersFormatWordsInTheSaversLanguage) {
    using F = DateForm;
    struct Case {
        F form;
        uint32_t language;
        const wchar_t* user;
        const wchar_t* expected;  // nullptr: the user's own
    };
    const Case cases[] = {
        {F::Words, 0, L"en-GB", nullptr},   {F::Words, 0, L"EN-us", nullptr},    {F::Words, 1, L"ru-RU", nullptr},
        {F::Words, 6, L"ja-JP", nullptr},   {F::Words, 2, L"de_AT", nullptr},    {F::Words, 1, L"en-US", L"ru-RU"},
        {F::Words, 0, L"de-DE", L"en-US"},  {F::Words, 5, L"", L"it-IT"},        {F::Words, 3, L"fr", nullptr},
        {F::Words, 4, L"est-EE", L"es-ES"}, {F::Words, 9, L"fr-FR", L"en-US"},   {F::Numbers, 0, L"nl-NL", nullptr},
        {F::Numbers, 0, L"de-DE", nullptr}, {F::Numbers, 1, L"en-US", nullptr},  {F::Numbers, 0, L"en-US", nullptr},
        {F::Numbers, 5, L"", nullptr},
    };
    for (const Case& c : cases) {
        const wchar_t* got = DateLocaleName(c.form, c.language, c.user);
        EXPECT_EQ(std::wstring(got ? got : L"(user)"), std::wstring(c.expected ? c.expected : L"(user)"))
            << "case " << (&c - cases);
    }
}

TEST(Caption, RenderedWhiteOverItsShadowOnAClearGround) {
    Image out;
    EXPECT_FALSE(RenderCaption(CaptionText(), 768, out));
    CaptionText text;
    text.date = L"July 14, 2023";
    ASSERT_TRUE(RenderCaption(text, 768, out));
    EXPECT_EQ(out.pixels.front() >> 24, 0u);  // the corner stays clear
    uint32_t whiteOpaque = 0, darkSoft = 0;
    for (uint32_t p : out.pixels) {
        if (p == 0xFFFFFFFFu) ++whiteOpaque;
        if ((p >> 24) > 0 && (p >> 24) < 255 && (p & 0xFF) == 0) ++darkSoft;
    }
    EXPECT_GT(whiteOpaque, 0u);
    EXPECT_GT(darkSoft, 0u);
    text.place = L"Munich, Germany";
    Image two;
    ASSERT_TRUE(RenderCaption(text, 768, two));
    EXPECT_GT(two.height, out.height);
}

namespace {
// Ten pixels a character, as a test's own measure.
uint32_t TenEach(const std::wstring& line, void*) { return static_cast<uint32_t>(line.size()) * 10; }
}  // namespace

TEST(Caption, ALineTooWideIsCutWithAnEllipsis) {
    const struct {
        const wchar_t* line;
        uint32_t maxWidth;
        std::wstring fitted;
    } cases[] = {
        {L"Munich, Germany", 150, L"Munich, Germany"},  // fits exactly
        {L"Munich, Germany", 0, L"Munich, Germany"},    // no limit
        {L"Munich, Germany", 100, L"Munich, G\u2026"},
        {L"Munich, Germany", 80, L"Munich\u2026"},      // no comma or space before the "…"
        {L"Munich, Germany", 5, L"\u2026"},
        {L"ab\xD83D\xDE00" L"cd", 40, L"ab\u2026"},         // a UTF-16 pair stays whole
    };
    for (const auto& c : cases) EXPECT_EQ(FitCaptionLine(c.line, c.maxWidth, TenEach, nullptr), c.fitted) << c.maxWidth;
}

TEST(Caption, APainterKeepsItsCaptionsWithinTheWidthItIsGiven) {
    CaptionPainter painter(768);
    CaptionText text;
    text.date = L"July 14, 2023";
    text.place = L"Llanfairpwllgwyngyllgogerychwyrndrobwllllantysiliogogogoch, United Kingdom";
    Image whole, cut;
    ASSERT_TRUE(painter.Render(text, 0, whole));
    ASSERT_TRUE(painter.Render(text, 400, cut));
    EXPECT_GT(whole.width, 400u);
    EXPECT_LE(cut.width, 400u);
    EXPECT_GT(cut.width, 300u);
    EXPECT_EQ(cut.height, whole.height);
}

// A memory's caption: how long ago after the date, alone without one, nothing for no memory.
TEST(Caption, YearsAgoFollowsTheDate) {
    const YearsAgoTexts texts = {L"A year ago", L"%1 years ago"};
    const struct {
        const wchar_t* date;
        uint32_t years;
        const wchar_t* want;
    } cases[] = {
        {L"Friday, July 14, 2023", 3, L"Friday, July 14, 2023 \u00B7 3 years ago"},
        {L"Friday, July 14, 2025", 1, L"Friday, July 14, 2025 \u00B7 A year ago"},
        {L"", 12, L"12 years ago"},
        {L"Friday, July 14, 2023", 0, L"Friday, July 14, 2023"},
    };
    for (const auto& c : cases) {
        CaptionText text;
        text.date = c.date;
        AddYearsAgo(text, c.years, texts);
        EXPECT_EQ(text.date, c.want);
    }
}
