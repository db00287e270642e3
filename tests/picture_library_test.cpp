// The photo library over a made-up file system: name order, hidden items, the walk's order,
// shuffled laps and their seam, the state file, and the kinds of failure.
#include "library/picture_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "platform/platform.h"

using namespace WorkSpace;
using Item = Platform::FolderItem;

namespace {
// Folders by path; a folder's identity is its place in the map unless g_ids names another
// (a link that leads there, or a 64-bit index that another folder has too). Folders in
// g_cut fail half-way through their listing.
std::map<std::wstring, std::vector<Item>> g_folders;
std::map<std::wstring, uint64_t> g_ids;
std::set<std::wstring> g_cut;
bool g_whileOpen = false;  // the IDs are 64-bit indices, told apart only while open
Platform::Listing FakeList(const std::wstring& folder, std::vector<Item>& items, Platform::FolderId& id,
                           Platform::FolderHold&) {
    auto it = g_folders.find(folder);
    if (it == g_folders.end()) return {Platform::ListingEnd::Missing, 3};
    if (g_cut.count(folder)) return {Platform::ListingEnd::Broken, 59};  // ERROR_UNEXP_NET_ERR
    items = it->second;
    id = Platform::FolderId();
    id.low = g_ids.count(folder) ? g_ids[folder] : std::distance(g_folders.begin(), it) + 100;
    id.known = true;
    id.whileOpen = g_whileOpen;
    return {};
}
bool FakeDescribe(const std::wstring& path, Item& item) {
    const size_t sep = path.find_last_of(L"\\");
    auto it = g_folders.find(path.substr(0, sep + 1));
    if (it == g_folders.end()) return false;
    for (const Item& candidate : it->second)
        if (candidate.name == path.substr(sep + 1)) return item = candidate, true;
    return false;
}
void FakeRelease(Platform::FolderHold) {}
const FileSystem kFake = {FakeList, FakeDescribe, FakeRelease};
const std::vector<std::wstring> kExtensions = {L".jpg", L".png", L".cr2", L".nef"};

PictureLibrary::Options Shuffle(uint64_t seed, const std::wstring& state = std::wstring()) {
    PictureLibrary::Options options;
    options.shuffle = true;
    options.seed = seed;
    options.statePath = state;
    options.fileSystem = kFake;
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

// Names in Explorer's order: case ignored, runs of digits by their value.
TEST(PictureLibrary, WalkInNameOrderPicturesBeforeSubfoldersDepthFirstHiddenLeftOut) {
    g_folders = {{L"C:\\P\\", {{L"b2", true, false}, {L"img10.jpg", false, false}, {L"b10", true, false},
                               {L"IMG2.jpg", false, false}, {L"img1.jpg", false, false}, {L"b.jpg", false, false},
                               {L"A.jpg", false, false}, {L"img010b.jpg", false, false}, {L"notes.txt", false, false},
                               {L"h.jpg", false, true}, {L"secret", true, true}}},
                 {L"C:\\P\\b2\\", {{L"x.png", false, false}, {L"deep", true, false}}},
                 {L"C:\\P\\b2\\deep\\", {{L"d.jpg", false, false}}},
                 {L"C:\\P\\b10\\", {{L"y.jpg", false, false}}},
                 {L"C:\\P\\secret\\", {{L"s.jpg", false, false}}}};
    LibraryScan scan({L"C:\\one.bmp", L"C:\\P\\", L"C:\\gone\\"}, kExtensions, kFake);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path.substr(3));
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"one.bmp", L"P\\A.jpg", L"P\\b.jpg", L"P\\img1.jpg", L"P\\IMG2.jpg",
                                                 L"P\\img10.jpg", L"P\\img010b.jpg", L"P\\b2\\x.png",
                                                 L"P\\b2\\deep\\d.jpg", L"P\\b10\\y.jpg"}));
}

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

// Every line ends with its line feed: a file cut within its last name is a new lap.
TEST(PictureLibrary, StateFileCutWithinItsLastLineIsRefused) {
    const std::wstring state = Platform::AnsiToWide(testing::TempDir() + "lumora_library_test_cut.txt");
    ASSERT_TRUE(WriteLapState(state, LapState{7, 1, 3, L"L\\p0.jpg", L"L\\p11.jpg"}));
    std::string bytes;
    ASSERT_TRUE(Platform::ReadWholeFile(state, bytes));
    FILE* file = Platform::OpenFile(state, "wb");
    ASSERT_TRUE(file);
    fwrite(bytes.data(), 1, bytes.size() - 3, file);  // "next=L\p11.j"
    fclose(file);
    LapState read;
    EXPECT_FALSE(ReadLapState(state, read));
}

// Two savers writing the place at once, each through a temporary name of its own: the file
// ends whole, and no temporary file is left behind.
TEST(PictureLibrary, StateFileWritersAtOnceUseTemporaryNamesOfTheirOwn) {
    const std::string folder = testing::TempDir() + "lumora_library_test_writers/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::wstring state = Platform::AnsiToWide(folder + "LumoraPictureLap.txt");
    EXPECT_NE(LapStateTemporaryPath(state), LapStateTemporaryPath(state));
    auto writer = [&](uint32_t first) {
        for (uint32_t i = first; i < first + 50; ++i)
            WriteLapState(state, LapState{i, i, i, L"", std::wstring(i % 50, L'x')});
    };
    std::thread a(writer, 1000), b(writer, 5000);
    a.join();
    b.join();
    LapState read;
    ASSERT_TRUE(ReadLapState(state, read));
    EXPECT_TRUE(read.seed == read.position && read.next.size() == read.seed % 50);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
}

// A file's pictures beside a raw file of the same name make it a duplicate; a raw file
// alone, or beside a picture that is not shown, is shown.
TEST(PictureLibrary, RawFileBesideItsJpegIsLeftOut) {
    g_folders = {{L"P\\", {{L"IMG_1.CR2", false, false}, {L"img_1.jpg", false, false}, {L"IMG_2.nef", false, false},
                           {L"IMG_3.cr2", false, false}, {L"IMG_3.jpg", false, true}, {L"IMG_4.cr2", false, false},
                           {L"IMG_4.txt", false, false}, {L"IMG_5.png", false, false}, {L"IMG_5.NEF", false, false},
                           {L"S", true, false}}},
                 {L"P\\S\\", {{L"IMG_2.jpg", false, false}}}};
    LibraryScan scan({L"P\\"}, kExtensions, kFake);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"P\\img_1.jpg", L"P\\IMG_2.nef", L"P\\IMG_3.cr2",
                                                 L"P\\IMG_4.cr2", L"P\\IMG_5.png", L"P\\S\\IMG_2.jpg"}));
}

// Placeholders whose data is in the cloud, listed or named in the list, are never handed out
// to be opened, and are counted (hidden ones and other files are no pictures of the library).
TEST(PictureLibrary, CloudOnlyItemsAreNeverHandedOutAndAreCounted) {
    Item cloud{L"c.jpg", false, false, true}, cloudFolder{L"F", true, false, true};
    Item hiddenCloud{L"h.jpg", false, true, true}, cloudText{L"t.txt", false, false, true};
    g_folders = {{L"P\\", {{L"a.jpg", false, false}, cloud, cloudFolder, hiddenCloud, cloudText}},
                 {L"P\\F\\", {{L"f.jpg", false, false}}},
                 {L"Q\\", {cloud}}};
    LibraryScan scan({L"Q\\c.jpg", L"P\\"}, kExtensions, kFake);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, std::vector<std::wstring>{L"P\\a.jpg"});
    EXPECT_EQ(scan.CloudOnlySkipped(), 3u);
}

// Symbolic links on the real file system: two that lead back up (a loop each), one to a
// folder outside, which is walked, and an entry inside another, walked once.
TEST(PictureLibrary, FolderLinksThatLoopEndTheLapOthersAreFollowed) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(testing::TempDir()) / "lumora_library_test_links";
    fs::remove_all(root);
    fs::create_directories(root / "P" / "sub");
    fs::create_directories(root / "Q");
    for (const char* name : {"P/a.jpg", "P/sub/b.jpg", "Q/c.jpg"}) std::ofstream((root / name).string());
    std::error_code error;
    fs::create_directory_symlink("..", root / "P" / "sub" / "back", error);
    if (!error) fs::create_directory_symlink(root / "P", root / "P" / "sub" / "top", error);
    if (!error) fs::create_directory_symlink(root / "Q", root / "P" / "other", error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
    const std::wstring p = Platform::AnsiToWide((root / "P").string() + "/");
    LibraryScan scan({p, p + L"sub/"}, kExtensions);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path.substr(p.size()));
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"a.jpg", L"other/c.jpg", L"sub/b.jpg"}));
    fs::remove_all(root);
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

// IDs that hold only while a folder is open (the 64-bit index, where the 128-bit one is not
// to be had): two folders with the same one are both walked, and a link back up to an open
// folder still ends there.
TEST(PictureLibrary, FoldersSharingA64BitIndexAreBothWalked) {
    g_folders = {{L"A\\", {{L"a.jpg", false, false}, {L"up", true, false, false, true}}},
                 {L"A\\up\\", {{L"a.jpg", false, false}}},
                 {L"B\\", {{L"b.jpg", false, false}}}};
    g_ids = {{L"A\\", 7}, {L"A\\up\\", 7}, {L"B\\", 7}};
    g_whileOpen = true;
    LibraryScan scan({L"A\\", L"B\\"}, kExtensions, kFake);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    g_whileOpen = false;
    g_ids.clear();
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"A\\a.jpg", L"B\\b.jpg"}));
    EXPECT_TRUE(scan.Whole());
}

// Windows' attributes (documented values) as a listing gives them: a folder only partly in
// the cloud is walked for its local files, an item marked system alone is shown, hidden
// ones, system or not, are not.
TEST(PictureLibrary, PartlyVirtualizedFolderIsWalkedAndSystemOnlyItemsShown) {
    const uint32_t hidden = 0x2, system = 0x4, directory = 0x10, archive = 0x20, reparse = 0x400, offline = 0x1000,
                   recallOnOpen = 0x40000, recallOnDataAccess = 0x400000, cloudTag = 0x9000601A;
    auto item = [](const wchar_t* name, uint32_t attributes, uint32_t tag = 0) {
        Item made;
        made.name = name;
        Platform::DescribeWindowsItem(attributes, tag, made);
        return made;
    };
    g_folders = {{L"P\\", {item(L"Partly", directory | reparse | recallOnDataAccess, cloudTag),
                           item(L"Online", directory | reparse | recallOnOpen, cloudTag), item(L"sys.jpg", system),
                           item(L"both.jpg", hidden | system), item(L"h.jpg", hidden | archive)}},
                 {L"P\\Partly\\", {item(L"local.jpg", archive), item(L"c.jpg", reparse | recallOnDataAccess, cloudTag),
                                   item(L"o.jpg", offline)}},
                 {L"P\\Online\\", {item(L"x.jpg", archive)}}};
    LibraryScan scan({L"P\\"}, kExtensions, kFake);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"P\\sys.jpg", L"P\\Partly\\local.jpg"}));
    EXPECT_EQ(scan.CloudOnlySkipped(), 3u);
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
    inOrder.fileSystem = kFake;
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

// A left-out folder is never listed, however it is written; a file entry below it stays.
TEST(PictureLibrary, LeftOutFoldersAndAllBelowThemAreNotWalked) {
    g_folders = {{L"C:\\P\\", {{L"a.jpg", false, false}, {L"Private", true, false}, {L"Open", true, false}}},
                 {L"C:\\P\\Private\\", {{L"s.jpg", false, false}, {L"deep", true, false}}},
                 {L"C:\\P\\Private\\deep\\", {{L"d.jpg", false, false}}},
                 {L"C:\\P\\Open\\", {{L"o.jpg", false, false}}}};
    LibraryScan scan({L"C:\\P\\", L"C:\\P\\Private\\s.jpg"}, kExtensions, kFake);
    scan.LeaveOut({L"\\\\?\\c:/p/PRIVATE"});
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"C:\\P\\a.jpg", L"C:\\P\\Open\\o.jpg", L"C:\\P\\Private\\s.jpg"}));
}
