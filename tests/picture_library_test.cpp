// The photo library over a made-up picture source: shuffled laps and their seam, the state
// file's lap carried between runs, the kinds of failure, a walk that was not whole, and the
// index's filter and memories.
#include "library/picture_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/platform.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
FakeFolders g_fake;
auto& g_folders = g_fake.folders;
auto& g_cut = g_fake.cut;
const std::vector<std::wstring> kExtensions = {L".jpg", L".png", L".cr2", L".nef"};

PictureLibrary::Options Shuffle(uint64_t seed, const std::wstring& state = std::wstring()) {
    PictureLibrary::Options options;
    options.shuffle = true;
    options.seed = seed;
    options.statePath = state;
    options.source = &g_fake;
    return options;
}

// `n` pictures of a library of six, taken and shown as the saver does.
std::vector<std::wstring> Take(const PictureLibrary::Options& options, size_t n) {
    g_folders = {{L"L\\", {}}};
    for (int i = 0; i < 6; ++i) g_folders[L"L\\"].push_back({L"p" + std::to_wstring(i) + L".jpg", false, false});
    PictureLibrary library({L"L\\"}, kExtensions, options);
    std::vector<std::wstring> got;
    std::wstring path;
    for (uint32_t place = 0; got.size() < n && library.Next(path, place); got.push_back(path))
        library.Shown(path, place);
    return got;
}

size_t Distinct(std::vector<std::wstring> got) {
    std::sort(got.begin(), got.end());
    return std::unique(got.begin(), got.end()) - got.begin();
}
}  // namespace

TEST(PictureLibrary, ShuffleShowsEachOncePerLapNewOrderAndNoRepeatAtTheSeam) {
    int newOrders = 0;  // two laps of six may match by chance (1 in 720), not often
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        const std::vector<std::wstring> got = Take(Shuffle(seed), 18);
        ASSERT_EQ(got.size(), 18u);
        for (size_t lap = 0; lap < 18; lap += 6) EXPECT_EQ(Distinct({got.begin() + lap, got.begin() + lap + 6}), 6u);
        for (size_t i = 1; i < got.size(); ++i) EXPECT_NE(got[i], got[i - 1]);
        newOrders += !std::equal(got.begin(), got.begin() + 6, got.begin() + 6);
    }
    EXPECT_GE(newOrders, 38);
}

// A missing file (the first run), a whole lap over three runs, then a damaged file and one
// left by a library that changed: each a new lap, none stops the library.
TEST(PictureLibrary, StateFileCarriesTheLapAndABadOneStartsANewLap) {
    const std::wstring state = Platform::AnsiToWide(testing::TempDir() + "lumora_library_test_state.txt");
    Platform::RemoveFile(state);
    std::vector<std::wstring> shown;
    for (int run = 0; run < 3; ++run)
        for (const std::wstring& p : Take(Shuffle(0, state), 2)) shown.push_back(p);
    EXPECT_EQ(Distinct(shown), 6u);

    FILE* file = Platform::OpenFile(state, "wb");
    ASSERT_TRUE(file);
    fputs("LumoraPictureLap 1\nseed=12x\n\xff\xfe", file);
    fclose(file);
    LapState read;
    EXPECT_FALSE(ReadLapState(state, read));
    EXPECT_EQ(Take(Shuffle(3, state), 6).size(), 6u);

    ASSERT_TRUE(WriteLapState(state, LapState{5, 1, 2, L"L\\p2.jpg", L""}));  // from another library
    const std::vector<std::wstring> got = Take(Shuffle(9, state), 6);
    EXPECT_EQ(Distinct(got), 6u);  // a whole new lap, not the old one's rest
    EXPECT_NE(got[0], L"L\\p2.jpg");
}

// The next picture of a list that has changed since (a picture removed, or one the dialog's
// preview added and never saved) is not shown first; nor is any, by a run that only reads.
TEST(PictureLibrary, StateFileNextOutsideTheEntriesIsIgnoredAndAReadingRunWritesNothing) {
    const std::wstring state = Platform::AnsiToWide(testing::TempDir() + "lumora_library_test_next.txt");
    for (const std::wstring foreign : {L"X\\p1.jpg", L"L\\p1.txt", L"L\\gone.jpg"}) {
        LapState kept{7, 1, 3, L"", foreign};
        ASSERT_TRUE(WriteLapState(state, kept));
        EXPECT_NE(Take(Shuffle(7, state), 1)[0], foreign);
    }
    ASSERT_TRUE(WriteLapState(state, LapState{7, 1, 3, L"", L"L\\p4.jpg"}));
    PictureLibrary::Options reading = Shuffle(0, state);
    reading.writeState = false;
    EXPECT_EQ(Take(reading, 3)[0], L"L\\p4.jpg");
    LapState after;
    ASSERT_TRUE(ReadLapState(state, after));
    EXPECT_EQ(after.next, L"L\\p4.jpg");
}

TEST(PictureLibrary, LastingFailuresSkipForTheRunPassingOnesUntilTheNextLap) {
    std::vector<bool> lasting;
    for (PictureFailure f : {PictureFailure::NotPicture, PictureFailure::NoCodec, PictureFailure::TooLarge,
                             PictureFailure::ReadError, PictureFailure::SharingViolation, PictureFailure::TimeOut,
                             PictureFailure::NoMemory, PictureFailure::Missing, PictureFailure::Denied,
                             PictureFailure::PathTooLong, PictureFailure::CloudOnly})
        lasting.push_back(IsLastingFailure(f));
    EXPECT_EQ(lasting, (std::vector<bool>{true, true, true, false, false, false, false, true, true, true, false}));
    PictureLibrary library({L"a.jpg", L"b.jpg", L"c.jpg"}, kExtensions, PictureLibrary::Options());
    std::vector<std::wstring> tried;
    std::vector<bool> logged;
    std::wstring path;
    uint32_t place = 0;
    while (tried.size() < 7 && library.Next(path, place)) {
        tried.push_back(path);
        if (path != L"c.jpg")
            logged.push_back(library.Failed(path, path == L"a.jpg" ? PictureFailure::NotPicture
                                                                   : PictureFailure::SharingViolation));
    }
    EXPECT_EQ(tried, (std::vector<std::wstring>{L"a.jpg", L"b.jpg", L"c.jpg", L"b.jpg", L"c.jpg", L"b.jpg", L"c.jpg"}));
    EXPECT_EQ(logged, (std::vector<bool>{true, true, false, false}));  // one line per picture per run
}

// A share that drops half-way through a listing: its folder is left out this round, and the
// round the last run saved is neither replaced nor moved on by it; the next whole walk goes
// on with that round.
TEST(PictureLibrary, ListingCutHalfWayKeepsTheSavedLap) {
    const std::wstring state = Platform::AnsiToWide(testing::TempDir() + "lumora_library_test_cut_walk.txt");
    Platform::RemoveFile(state);
    g_folders = {{L"L\\", {{L"S", true, false}}}, {L"L\\S\\", {{L"s0.jpg", false, false}, {L"s1.jpg", false, false}}}};
    for (int i = 0; i < 6; ++i) g_folders[L"L\\"].push_back({L"p" + std::to_wstring(i) + L".jpg", false, false});
    auto run = [&](size_t n) {
        PictureLibrary library({L"L\\"}, kExtensions, Shuffle(0, state));
        std::vector<std::wstring> got;
        std::wstring path;
        for (uint32_t place = 0; got.size() < n && !library.AtShuffledLapEnd() && library.Next(path, place);
             got.push_back(path))
            library.Shown(path, place);
        return got;
    };
    const std::vector<std::wstring> first = run(3);
    LapState saved;
    ASSERT_TRUE(ReadLapState(state, saved));

    g_cut = {L"L\\S\\"};
    const std::vector<std::wstring> cut = run(4);  // the saved next picture, then the cut walk's
    g_cut.clear();
    ASSERT_EQ(cut.size(), 4u);
    for (size_t i = 1; i < cut.size(); ++i) EXPECT_EQ(cut[i].find(L"L\\S\\"), std::wstring::npos);
    LapState after;
    ASSERT_TRUE(ReadLapState(state, after));
    EXPECT_TRUE(after.seed == saved.seed && after.library == saved.library);
    EXPECT_EQ(after.position, saved.position + 1);

    std::vector<std::wstring> lap = run(8);  // whole again: the saved round's rest
    EXPECT_EQ(lap.size(), 4u);
    lap.insert(lap.end(), first.begin(), first.end());
    lap.push_back(cut[0]);
    EXPECT_EQ(Distinct(lap), 8u);
}

// A share that stays away: no run saves its lap, and yet the runs do not all begin with the
// same order (which would follow from the saved seed alone).
TEST(PictureLibrary, RunsWhoseWalkIsNeverWholeDoNotRepeatOneOrder) {
    const std::wstring state = Platform::AnsiToWide(testing::TempDir() + "lumora_library_test_never_whole.txt");
    Platform::RemoveFile(state);
    g_folders = {{L"L\\", {{L"S", true, false}}}, {L"L\\S\\", {}}};
    for (int i = 0; i < 12; ++i) g_folders[L"L\\"].push_back({L"p" + std::to_wstring(i) + L".jpg", false, false});
    auto run = [&] {
        PictureLibrary library({L"L\\"}, kExtensions, Shuffle(0, state));
        std::vector<std::wstring> got;
        std::wstring path;
        for (uint32_t place = 0; got.size() < 6 && library.Next(path, place); got.push_back(path))
            library.Shown(path, place);
        return got;
    };
    run();  // a whole walk saves a lap
    g_cut = {L"L\\S\\"};
    run();  // shows the saved next picture
    const std::vector<std::wstring> second = run(), third = run();
    g_cut.clear();
    EXPECT_NE(second, third);
}

// The state file's next picture comes before any scan. Asked for the one after it before it
// was shown (a portrait looks for its partner first), the library gives the next of the lap,
// not the same picture again.
TEST(PictureLibrary, TheResumedPictureIsNotGivenAgainWhenTheNextIsAskedBeforeItIsShown) {
    const std::wstring state = Platform::AnsiToWide(testing::TempDir() + "lumora_library_test_resume.txt");
    Platform::RemoveFile(state);
    Take(Shuffle(5, state), 2);
    LapState kept;
    ASSERT_TRUE(ReadLapState(state, kept));
    PictureLibrary library({L"L\\"}, kExtensions, Shuffle(0, state));
    std::wstring first, second;
    uint32_t firstPlace = 0, secondPlace = 0;
    ASSERT_TRUE(library.Next(first, firstPlace));
    ASSERT_TRUE(library.Next(second, secondPlace));
    EXPECT_EQ(first, kept.next);
    EXPECT_NE(second, first);
    EXPECT_EQ(secondPlace, firstPlace + 1);
}

// While the resumed picture is decoded the kept place is past it and names no picture: a
// codec that ends the process there moves the next start on to another picture.
TEST(PictureLibrary, AStartThatEndsWhileDecodingTheResumedPictureMovesThePlaceOn) {
    const std::wstring state = Platform::AnsiToWide(testing::TempDir() + "lumora_library_test_crash.txt");
    Platform::RemoveFile(state);
    Take(Shuffle(5, state), 2);
    LapState kept;
    ASSERT_TRUE(ReadLapState(state, kept));
    std::wstring first;
    uint32_t place = 0;
    {
        PictureLibrary crashing({L"L\\"}, kExtensions, Shuffle(0, state));
        ASSERT_TRUE(crashing.Next(first, place));  // and never shown: the process ends here
    }
    LapState during;
    ASSERT_TRUE(ReadLapState(state, during));
    EXPECT_TRUE(during.next.empty());
    EXPECT_EQ(during.position, kept.position + 1);
    const std::vector<std::wstring> next = Take(Shuffle(0, state), 1);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_NE(next[0], first);
}

namespace {
// The index's facts as a table; photos not in it are not known (yet).
struct TableFacts : PhotoFactsSource {
    std::map<std::wstring, PhotoFacts> table;
    bool Find(const std::wstring& path, PhotoFacts& facts) const override {
        auto it = table.find(path);
        if (it == table.end()) return false;
        facts = it->second;
        return true;
    }
};
PhotoFacts Rated(int32_t stars) {
    PhotoFacts facts;
    facts.rating = stars;
    return facts;
}
PhotoFacts Taken(int64_t seconds) {
    PhotoFacts facts;
    facts.dated = true;
    facts.taken = seconds;
    return facts;
}
CivilDate July14th2026() {
    CivilDate date;
    date.year = 2026;
    date.month = 7;
    date.day = 14;
    return date;
}
std::vector<std::wstring> Lap(PictureLibrary::Options options, const TableFacts& facts, size_t n = 6) {
    options.facts = &facts;
    options.today = July14th2026;
    return Take(options, n);
}
}  // namespace

// Known photos that fail the filter are left out of the lap, in either order; photos the
// index does not know yet pass.
TEST(PictureLibrary, FilterLeavesOutKnownPhotosThatFailIt) {
    TableFacts facts;
    facts.table = {{L"L\\p0.jpg", Rated(5)}, {L"L\\p1.jpg", Rated(1)}, {L"L\\p2.jpg", Rated(3)}, {L"L\\p3.jpg", Rated(0)}};
    PictureLibrary::Options inOrder;
    inOrder.source = &g_fake;
    inOrder.filter.minRating = 3;
    EXPECT_EQ(Lap(inOrder, facts, 4), (std::vector<std::wstring>{L"L\\p0.jpg", L"L\\p2.jpg", L"L\\p4.jpg", L"L\\p5.jpg"}));
    PictureLibrary::Options shuffled = Shuffle(4);
    shuffled.filter.minRating = 3;
    std::vector<std::wstring> lap = Lap(shuffled, facts, 4);
    std::sort(lap.begin(), lap.end());
    EXPECT_EQ(lap, (std::vector<std::wstring>{L"L\\p0.jpg", L"L\\p2.jpg", L"L\\p4.jpg", L"L\\p5.jpg"}));
}

// Taken on 14 July 2023 and 13 July 2019 (days since 1970: 19552 and 18090): first, the
// older first; the rest of the lap as it would be.
TEST(PictureLibrary, MemoriesComeFirstInEachLapOldestFirst) {
    TableFacts facts;
    facts.table = {{L"L\\p4.jpg", Taken(19552LL * 86400 + 3600)}, {L"L\\p2.jpg", Taken(18090LL * 86400)},
                   {L"L\\p1.jpg", Taken(19000LL * 86400)}};
    for (const bool shuffle : {false, true}) {
        PictureLibrary::Options options = Shuffle(5);
        options.shuffle = shuffle;
        options.memories = true;
        const std::vector<std::wstring> got = Lap(options, facts, 12);
        for (size_t lap = 0; lap < 12; lap += 6) {
            EXPECT_EQ(got[lap], L"L\\p2.jpg");
            EXPECT_EQ(got[lap + 1], L"L\\p4.jpg");
            EXPECT_EQ(Distinct({got.begin() + lap, got.begin() + lap + 6}), 6u);
        }
        if (!shuffle) {
            EXPECT_EQ(got[2], L"L\\p0.jpg");
        }
    }
}
