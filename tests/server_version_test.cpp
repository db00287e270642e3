// The version rules of ranged server reads: the condition each kind of validator gets, what
// each answer to a conditional range means, ETags compared by their opaque tags (else by date
// and size), ETags in one form, Content-Range read and checked, HTTP dates.
#include "sources/server_version.h"

#include <gtest/gtest.h>

#include "sources/webdav_listing.h"

using namespace WorkSpace;

TEST(ServerVersion, AStrongETagIsAnIfRangeAWeakOneOrNoneFallsBackToTheDate) {
    const struct {
        const char* etag;
        const char* date;
        const char* header;  // the one header sent, or null for none
        const char* value;
    } cases[] = {
        {"\"5-abc\"", "Wed, 09 Dec 2026 13:01:23 GMT", "If-Range", "\"5-abc\""},
        {"\"5-abc\"", "", "If-Range", "\"5-abc\""},
        {"W/\"5-abc\"", "Wed, 09 Dec 2026 13:01:23 GMT", "If-Unmodified-Since", "Wed, 09 Dec 2026 13:01:23 GMT"},
        {"", "Wed, 09 Dec 2026 13:01:23 GMT", "If-Unmodified-Since", "Wed, 09 Dec 2026 13:01:23 GMT"},
        {"W/\"5-abc\"", "", nullptr, nullptr},
        {"\"5 abc\"", "Wed, 09 Dec 2026 13:01:23 GMT", "If-Unmodified-Since", "Wed, 09 Dec 2026 13:01:23 GMT"},
        {"5-abc", "", nullptr, nullptr},  // bare: not a tag until NormalETag quotes it
        {"", "", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> headers;
        AddVersionCondition(FileVersion{c.etag, c.date}, headers);
        if (!c.header) {
            EXPECT_TRUE(headers.empty()) << c.etag;
            continue;
        }
        ASSERT_EQ(headers.size(), 1u) << c.etag;
        EXPECT_EQ(headers[c.header], c.value) << c.etag;
    }
}

TEST(ServerVersion, WhatEachAnswerToAConditionalRangeMeans) {
    const FileVersion expected{"\"5-abc\"", ""};
    const struct {
        int status;
        const char* etag;  // the answer's, empty for none
        RangeAnswer answer;
    } cases[] = {
        {206, "\"5-abc\"", RangeAnswer::Part},
        {206, "W/\"5-abc\"", RangeAnswer::Part},   // the same version, told weakly
        {206, "", RangeAnswer::Unverified},        // a part that tells no version at all
        {206, "\"6-abd\"", RangeAnswer::Changed},  // a condition ignored: the part is of another file
        {200, "\"6-abd\"", RangeAnswer::Whole},
        {200, "\"5-abc\"", RangeAnswer::Whole},    // ranges ignored: the same file, whole
        {412, "", RangeAnswer::Changed},
        {416, "", RangeAnswer::PastEnd},
        {404, "", RangeAnswer::Other},
        {500, "\"6-abd\"", RangeAnswer::Other},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> headers;
        if (*c.etag) headers["etag"] = c.etag;
        EXPECT_EQ(ClassifyRangeAnswer(expected, c.status, headers), c.answer) << c.status << " " << c.etag;
    }
    // Nothing expected yet (no listing told it): any part is the version it carries.
    EXPECT_EQ(ClassifyRangeAnswer(FileVersion(), 206, {{"etag", "\"6-abd\""}}), RangeAnswer::Part);
}

TEST(ServerVersion, ETagsCompareByTheirOpaqueTags) {
    EXPECT_EQ(CompareVersions({"\"a\"", ""}, {"W/\"a\"", ""}), VersionMatch::Same);
    EXPECT_EQ(CompareVersions({"W/\"a\"", ""}, {"W/\"b\"", ""}), VersionMatch::Different);
    EXPECT_EQ(CompareVersions({"", "Wed, 09 Dec 2026 13:01:23 GMT"}, {"\"a\"", ""}), VersionMatch::Unknown);
    EXPECT_TRUE(IsWeakETag("W/\"a\""));
    EXPECT_FALSE(IsWeakETag("\"W/a\""));
}

TEST(ServerVersion, HttpDatesAreWrittenAsTheyAreRead) {
    EXPECT_EQ(FormatHttpDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(FormatHttpDate(0), "Thu, 01 Jan 1970 00:00:00 GMT");
    for (int64_t seconds : {int64_t(951782400), int64_t(1798808483), int64_t(4107542399)}) {  // 29 Feb 2000, 2026, 2100
        int64_t back = -1;
        EXPECT_TRUE(ParseHttpDate(FormatHttpDate(seconds), back)) << FormatHttpDate(seconds);
        EXPECT_EQ(back, seconds);
    }
}

TEST(ServerVersion, ETagsAreBroughtToOneQuotedForm) {
    const struct {
        const char* given;
        const char* normal;
        bool strong;  // fit for If-Range
    } cases[] = {
        {"\"e3000\"", "\"e3000\"", true},
        {"e3000", "\"e3000\"", true},
        {"  \"e3000\"\t", "\"e3000\"", true},
        {" e3000 ", "\"e3000\"", true},
        {"W/\"e3000\"", "W/\"e3000\"", false},
        {"W/e3000", "W/\"e3000\"", false},
        {"\"a\"b\"", "\"a\"b\"", false},  // quotes in odd places: kept as they came
        {"\"\"", "\"\"", true},
        {"", "", false},
        {"   ", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalETag(c.given), c.normal) << c.given;
        EXPECT_EQ(IsStrongETag(NormalETag(c.given)), c.strong) << c.given;
    }
    EXPECT_EQ(VersionOfAnswer({{"etag", "e3000"}}).etag, "\"e3000\"");
}

TEST(ServerVersion, WithoutETagsVersionsCompareByDateAndAnyKnownSizeDecides) {
    const char* early = "Wed, 09 Dec 2026 13:01:23 GMT";
    const char* late = "Wed, 09 Dec 2026 14:00:00 GMT";
    const struct {
        FileVersion a, b;
        VersionMatch match;
    } cases[] = {
        {{"", early, -1}, {"", early, -1}, VersionMatch::Same},
        {{"", early, -1}, {"", late, -1}, VersionMatch::Different},
        {{"", early, 3000}, {"", early, 3500}, VersionMatch::Different},
        {{"\"a\"", early, -1}, {"\"a\"", late, -1}, VersionMatch::Same},  // the ETag decides
        {{"\"a\"", "", 3000}, {"\"a\"", "", 3500}, VersionMatch::Different},
        {{"", early, 3000}, {"", "", 3000}, VersionMatch::Unknown},
        {{"", "not a date", -1}, {"", "not a date", -1}, VersionMatch::Unknown},
    };
    for (const auto& c : cases) EXPECT_EQ(CompareVersions(c.a, c.b), c.match) << c.a.lastModified << " " << c.a.size;
}

TEST(ServerVersion, APartOfAnotherDateOrTotalIsChanged) {
    const FileVersion expected{"", "Wed, 09 Dec 2026 13:01:23 GMT", 3000};
    const struct {
        const char* date;
        const char* range;
        RangeAnswer answer;
    } cases[] = {
        {"Wed, 09 Dec 2026 13:01:23 GMT", "bytes 0-999/3000", RangeAnswer::Part},
        {"Wed, 09 Dec 2026 14:00:00 GMT", "bytes 0-999/3000", RangeAnswer::Changed},
        {"Wed, 09 Dec 2026 13:01:23 GMT", "bytes 0-999/3500", RangeAnswer::Changed},
        {"Wed, 09 Dec 2026 13:01:23 GMT", "bytes 0-999/*", RangeAnswer::Part},
        {"", "bytes 0-999/3000", RangeAnswer::Unverified},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> headers{{"content-range", c.range}};
        if (*c.date) headers["last-modified"] = c.date;
        EXPECT_EQ(ClassifyRangeAnswer(expected, 206, headers), c.answer) << c.date << " " << c.range;
    }
}

TEST(ServerVersion, AContentRangeIsReadAndMustBeThePartAsked) {
    const struct {
        const char* text;
        bool parsed;
        uint64_t first, last;
        int64_t total;
    } cases[] = {
        {"bytes 0-262143/5242880", true, 0, 262143, 5242880},
        {"bytes 100-199/*", true, 100, 199, -1},
        {"bytes 5-5/6", true, 5, 5, 6},
        {"bytes 5-6/6", false, 0, 0, 0},  // ends past its total
        {"bytes 9-3/10", false, 0, 0, 0},
        {"bytes */10", false, 0, 0, 0},
        {"bytes 0-9", false, 0, 0, 0},
        {"items 0-9/10", false, 0, 0, 0},
        {"bytes 0-x/10", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ContentRange range;
        ASSERT_EQ(ParseContentRange(c.text, range), c.parsed) << c.text;
        if (!c.parsed) continue;
        EXPECT_EQ(range.first, c.first) << c.text;
        EXPECT_EQ(range.last, c.last) << c.text;
        EXPECT_EQ(range.total, c.total) << c.text;
    }
    ContentRange range;
    ASSERT_TRUE(ParseContentRange("bytes 100-199/300", range));
    EXPECT_TRUE(RangeFits(range, 100, 100));
    EXPECT_FALSE(RangeFits(range, 0, 100));   // another part than the one asked
    EXPECT_FALSE(RangeFits(range, 100, 99));  // a body shorter than its range
}
