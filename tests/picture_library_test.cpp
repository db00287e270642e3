// The photo library over a made-up file system: name order, hidden items, the walk's order,
// shuffled laps and their seam, the state file, and the kinds of failure.
#include "library/picture_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/platform.h"

using namespace WorkSpace;
using Item = Platform::FolderItem;

namespace {
std::map<std::wstring, std::vector<Item>> g_folders;
bool FakeLister(const std::wstring& folder, std::vector<Item>& items) {
    auto it = g_folders.find(folder);
    if (it == g_folders.end()) return false;
    items = it->second;
    return true;
}
const std::vector<std::wstring> kExtensions = {L".jpg", L".png"};

std::vector<std::wstring> Walk(const std::vector<std::wstring>& entries) {
    LibraryScan scan(entries, kExtensions, FakeLister);
    std::vector<std::wstring> paths;
    std::wstring path;
    while (scan.Next(path)) paths.push_back(path);
    return paths;
}

std::wstring TempPath(const char* name) {
    return Platform::AnsiToWide(testing::TempDir() + "lumora_library_test_" + name);
}

PictureLibrary::Options Shuffle(uint64_t seed, const std::wstring& state = std::wstring()) {
    PictureLibrary::Options options;
    options.shuffle = true;
    options.seed = seed;
    options.statePath = state;
    options.lister = FakeLister;
    return options;
}

// `n` pictures of one library, taken and shown as the saver does.
std::vector<std::wstring> Take(PictureLibrary& library, size_t n) {
    std::vector<std::wstring> got;
    std::wstring path;
    uint32_t place = 0;
    while (got.size() < n && library.Next(path, place)) {
        library.Shown(path, place);
        got.push_back(path);
    }
    return got;
}

void MakeLibrary(size_t count) {
    g_folders.clear();
    std::vector<Item> items;
    for (size_t i = 0; i < count; ++i) items.push_back({L"p" + std::to_wstring(i) + L".jpg", false, false});
    g_folders[L"L\\"] = items;
}
}  // namespace

TEST(PictureLibrary, NamesInExplorersOrder) {
    std::vector<std::wstring> names = {L"img10.jpg", L"IMG2.jpg", L"img1.jpg", L"b.jpg", L"A.jpg", L"img010b.jpg"};
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return CompareNamesLogically(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::wstring>{L"A.jpg", L"b.jpg", L"img1.jpg", L"IMG2.jpg", L"img10.jpg",
                                                 L"img010b.jpg"}));
}

TEST(PictureLibrary, FolderPicturesFirstThenSubfoldersDepthFirstHiddenLeftOut) {
    g_folders.clear();
    g_folders[L"C:\\P\\"] = {{L"b2", true, false}, {L"z.JPG", false, false}, {L"b10", true, false},
                             {L"a.jpg", false, false}, {L"notes.txt", false, false}, {L"h.jpg", false, true},
                             {L"secret", true, true}};
    g_folders[L"C:\\P\\b2\\"] = {{L"x.png", false, false}, {L"deep", true, false}};
    g_folders[L"C:\\P\\b2\\deep\\"] = {{L"d.jpg", false, false}};
    g_folders[L"C:\\P\\b10\\"] = {{L"y.jpg", false, false}};
    g_folders[L"C:\\P\\secret\\"] = {{L"s.jpg", false, false}};
    EXPECT_EQ(Walk({L"C:\\one.bmp", L"C:\\P\\", L"C:\\gone\\"}),
              (std::vector<std::wstring>{L"C:\\one.bmp", L"C:\\P\\a.jpg", L"C:\\P\\z.JPG", L"C:\\P\\b2\\x.png",
                                         L"C:\\P\\b2\\deep\\d.jpg", L"C:\\P\\b10\\y.jpg"}));
}

TEST(PictureLibrary, ShuffleShowsEachOncePerLapNewOrderAndNoRepeatAtTheSeam) {
    MakeLibrary(5);
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        PictureLibrary library({L"L\\"}, kExtensions, Shuffle(seed));
        const std::vector<std::wstring> got = Take(library, 15);
        ASSERT_EQ(got.size(), 15u);
        for (size_t lap = 0; lap < 3; ++lap) {
            std::vector<std::wstring> one(got.begin() + 5 * lap, got.begin() + 5 * lap + 5);
            std::sort(one.begin(), one.end());
            EXPECT_EQ(std::unique(one.begin(), one.end()) - one.begin(), 5);
        }
        for (size_t i = 1; i < got.size(); ++i) EXPECT_NE(got[i], got[i - 1]);
    }
    PictureLibrary a({L"L\\"}, kExtensions, Shuffle(7)), b({L"L\\"}, kExtensions, Shuffle(7));
    const std::vector<std::wstring> first = Take(a, 10);
    EXPECT_EQ(first, Take(b, 10));  // the same seed, the same order
    EXPECT_NE(std::vector<std::wstring>(first.begin(), first.begin() + 5),
              std::vector<std::wstring>(first.begin() + 5, first.end()));
}

TEST(PictureLibrary, StateFileCarriesTheLapIntoTheNextRun) {
    MakeLibrary(6);
    const std::wstring state = TempPath("carry.txt");
    Platform::RemoveFile(state);
    std::vector<std::wstring> shown;
    for (int run = 0; run < 3; ++run) {  // three runs of two pictures: one whole lap
        PictureLibrary library({L"L\\"}, kExtensions, Shuffle(0, state));
        for (const std::wstring& p : Take(library, 2)) shown.push_back(p);
    }
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(std::unique(shown.begin(), shown.end()) - shown.begin(), 6);
    LapState read;
    ASSERT_TRUE(ReadLapState(state, read));
    EXPECT_EQ(read.position, 6u);
}

TEST(PictureLibrary, DamagedMissingOrOutdatedStateStartsANewLap) {
    MakeLibrary(4);
    const std::wstring state = TempPath("damaged.txt");
    FILE* file = Platform::OpenFile(state, "wb");
    ASSERT_TRUE(file);
    fputs("LumoraPictureLap 1\nseed=12x\n\xff\xfe", file);
    fclose(file);
    LapState read;
    EXPECT_FALSE(ReadLapState(state, read));
    EXPECT_FALSE(ReadLapState(TempPath("missing.txt"), read));
    PictureLibrary damaged({L"L\\"}, kExtensions, Shuffle(3, state));
    EXPECT_EQ(Take(damaged, 4).size(), 4u);

    // The library changed since: a new lap, which does not start with the last picture shown.
    LapState old;
    old.seed = 5;
    old.library = 1;
    old.position = 2;
    old.last = L"L\\p2.jpg";
    ASSERT_TRUE(WriteLapState(state, old));
    PictureLibrary changed({L"L\\"}, kExtensions, Shuffle(9, state));
    const std::vector<std::wstring> got = Take(changed, 4);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_NE(got[0], L"L\\p2.jpg");
}

TEST(PictureLibrary, LastingFailuresSkipForTheRunPassingOnesUntilTheNextLap) {
    EXPECT_TRUE(IsLastingFailure(PictureFailure::NotPicture));
    EXPECT_TRUE(IsLastingFailure(PictureFailure::NoCodec));
    EXPECT_TRUE(IsLastingFailure(PictureFailure::TooLarge));
    EXPECT_FALSE(IsLastingFailure(PictureFailure::ReadError));
    EXPECT_FALSE(IsLastingFailure(PictureFailure::SharingViolation));
    EXPECT_FALSE(IsLastingFailure(PictureFailure::TimeOut));
    EXPECT_FALSE(IsLastingFailure(PictureFailure::NoMemory));
    PictureLibrary::Options options;
    options.lister = FakeLister;
    PictureLibrary library({L"a.jpg", L"b.jpg", L"c.jpg"}, kExtensions, options);
    std::vector<std::wstring> tried;
    std::vector<bool> logged;
    std::wstring path;
    uint32_t place = 0;
    while (tried.size() < 7 && library.Next(path, place)) {
        tried.push_back(path);
        if (path == L"a.jpg") logged.push_back(library.Failed(path, PictureFailure::NotPicture));
        if (path == L"b.jpg") logged.push_back(library.Failed(path, PictureFailure::SharingViolation));
    }
    EXPECT_EQ(tried, (std::vector<std::wstring>{L"a.jpg", L"b.jpg", L"c.jpg", L"b.jpg", L"c.jpg", L"b.jpg", L"c.jpg"}));
    EXPECT_EQ(logged, (std::vector<bool>{true, true, false, false}));  // one line per picture per run
}
