// The walk over a made-up picture source and the real file system: name order, hidden
// items, raw files beside their JPEGs, cloud-only items, links and loops, folder identities
// that hold only while open, Windows' attributes, and folders left out.
#include "library/library_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/platform.h"
#include "test_support.h"

using namespace WorkSpace;
using Item = Platform::FolderItem;

namespace {
FakeFolders g_fake;
auto& g_folders = g_fake.folders;
auto& g_ids = g_fake.ids;
bool& g_whileOpen = g_fake.whileOpen;  // the IDs are 64-bit indices, told apart only while open
const std::vector<std::wstring> kExtensions = {L".jpg", L".png", L".cr2", L".nef"};
}  // namespace

// Names in Explorer's order: case ignored, runs of digits by their value.
TEST(LibraryScan, WalkInNameOrderPicturesBeforeSubfoldersDepthFirstHiddenLeftOut) {
    g_folders = {{L"C:\\P\\", {{L"b2", true, false}, {L"img10.jpg", false, false}, {L"b10", true, false},
                               {L"IMG2.jpg", false, false}, {L"img1.jpg", false, false}, {L"b.jpg", false, false},
                               {L"A.jpg", false, false}, {L"img010b.jpg", false, false}, {L"notes.txt", false, false},
                               {L"h.jpg", false, true}, {L"secret", true, true}}},
                 {L"C:\\P\\b2\\", {{L"x.png", false, false}, {L"deep", true, false}}},
                 {L"C:\\P\\b2\\deep\\", {{L"d.jpg", false, false}}},
                 {L"C:\\P\\b10\\", {{L"y.jpg", false, false}}},
                 {L"C:\\P\\secret\\", {{L"s.jpg", false, false}}}};
    LibraryScan scan({L"C:\\one.bmp", L"C:\\P\\", L"C:\\gone\\"}, kExtensions, g_fake);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path.substr(3));
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"one.bmp", L"P\\A.jpg", L"P\\b.jpg", L"P\\img1.jpg", L"P\\IMG2.jpg",
                                                 L"P\\img10.jpg", L"P\\img010b.jpg", L"P\\b2\\x.png",
                                                 L"P\\b2\\deep\\d.jpg", L"P\\b10\\y.jpg"}));
}

// A file's pictures beside a raw file of the same name make it a duplicate; a raw file
// alone, or beside a picture that is not shown, is shown.
TEST(LibraryScan, RawFileBesideItsJpegIsLeftOut) {
    g_folders = {{L"P\\", {{L"IMG_1.CR2", false, false}, {L"img_1.jpg", false, false}, {L"IMG_2.nef", false, false},
                           {L"IMG_3.cr2", false, false}, {L"IMG_3.jpg", false, true}, {L"IMG_4.cr2", false, false},
                           {L"IMG_4.txt", false, false}, {L"IMG_5.png", false, false}, {L"IMG_5.NEF", false, false},
                           {L"S", true, false}}},
                 {L"P\\S\\", {{L"IMG_2.jpg", false, false}}}};
    LibraryScan scan({L"P\\"}, kExtensions, g_fake);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"P\\img_1.jpg", L"P\\IMG_2.nef", L"P\\IMG_3.cr2",
                                                 L"P\\IMG_4.cr2", L"P\\IMG_5.png", L"P\\S\\IMG_2.jpg"}));
}

// Placeholders whose data is in the cloud, listed or named in the list, are never handed out
// to be opened, and are counted (hidden ones and other files are no pictures of the library).
TEST(LibraryScan, CloudOnlyItemsAreNeverHandedOutAndAreCounted) {
    Item cloud{L"c.jpg", false, false, true}, cloudFolder{L"F", true, false, true};
    Item hiddenCloud{L"h.jpg", false, true, true}, cloudText{L"t.txt", false, false, true};
    g_folders = {{L"P\\", {{L"a.jpg", false, false}, cloud, cloudFolder, hiddenCloud, cloudText}},
                 {L"P\\F\\", {{L"f.jpg", false, false}}},
                 {L"Q\\", {cloud}}};
    LibraryScan scan({L"Q\\c.jpg", L"P\\"}, kExtensions, g_fake);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, std::vector<std::wstring>{L"P\\a.jpg"});
    EXPECT_EQ(scan.CloudOnlySkipped(), 3u);
}

// Symbolic links on the real file system: two that lead back up (a loop each), one to a
// folder outside, which is walked, and an entry inside another, walked once.
TEST(LibraryScan, FolderLinksThatLoopEndTheLapOthersAreFollowed) {
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

// IDs that hold only while a folder is open (the 64-bit index, where the 128-bit one is not
// to be had): two folders with the same one are both walked, and a link back up to an open
// folder still ends there.
TEST(LibraryScan, FoldersSharingA64BitIndexAreBothWalked) {
    g_folders = {{L"A\\", {{L"a.jpg", false, false}, {L"up", true, false, false, true}}},
                 {L"A\\up\\", {{L"a.jpg", false, false}}},
                 {L"B\\", {{L"b.jpg", false, false}}}};
    g_ids = {{L"A\\", 7}, {L"A\\up\\", 7}, {L"B\\", 7}};
    g_whileOpen = true;
    LibraryScan scan({L"A\\", L"B\\"}, kExtensions, g_fake);
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
TEST(LibraryScan, PartlyVirtualizedFolderIsWalkedAndSystemOnlyItemsShown) {
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
    LibraryScan scan({L"P\\"}, kExtensions, g_fake);
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"P\\sys.jpg", L"P\\Partly\\local.jpg"}));
    EXPECT_EQ(scan.CloudOnlySkipped(), 3u);
}

// A left-out folder is never listed, however it is written; a file entry below it stays.
TEST(LibraryScan, LeftOutFoldersAndAllBelowThemAreNotWalked) {
    g_folders = {{L"C:\\P\\", {{L"a.jpg", false, false}, {L"Private", true, false}, {L"Open", true, false}}},
                 {L"C:\\P\\Private\\", {{L"s.jpg", false, false}, {L"deep", true, false}}},
                 {L"C:\\P\\Private\\deep\\", {{L"d.jpg", false, false}}},
                 {L"C:\\P\\Open\\", {{L"o.jpg", false, false}}}};
    LibraryScan scan({L"C:\\P\\", L"C:\\P\\Private\\s.jpg"}, kExtensions, g_fake);
    scan.LeaveOut({L"\\\\?\\c:/p/PRIVATE"});
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"C:\\P\\a.jpg", L"C:\\P\\Open\\o.jpg", L"C:\\P\\Private\\s.jpg"}));
}

// With "Videos" 1 clips are entries; a MOV or MP4 beside a still of its name is that still's
// motion, not an entry, and a still's raw file still gives way to its JPEG. With 0 and 2,
// the walk's extensions hold no clips.
TEST(LibraryScan, ClipsAreEntriesAndALivePhotosClipGoesWithItsStill) {
    g_folders = {{L"P\\", {{L"IMG_1.HEIC", false, false}, {L"IMG_1.MOV", false, false}, {L"IMG_2.DNG", false, false},
                           {L"IMG_2.JPG", false, false}, {L"img_2.mov", false, false}, {L"IMG_3.png", false, false},
                           {L"IMG_3.mov", false, false}, {L"IMG_4.m4v", false, false}, {L"IMG_4.jpg", false, false},
                           {L"trip.AVI", false, false}}}};
    const std::vector<std::wstring> pictures = {L".jpg", L".heic", L".png", L".dng"};
    auto walk = [&](int videos) {
        LibraryScan scan({L"P\\"}, LapExtensions(pictures, videos), g_fake);
        std::vector<std::wstring> walked;
        for (std::wstring path; scan.Next(path);) walked.push_back(path.substr(2));
        return walked;
    };
    EXPECT_EQ(walk(1), (std::vector<std::wstring>{L"IMG_1.HEIC", L"IMG_2.JPG", L"IMG_3.mov", L"IMG_3.png",
                                                  L"IMG_4.jpg", L"IMG_4.m4v", L"trip.AVI"}));
    const std::vector<std::wstring> stills = {L"IMG_1.HEIC", L"IMG_2.JPG", L"IMG_3.png", L"IMG_4.jpg"};
    EXPECT_EQ(walk(0), stills);
    EXPECT_EQ(walk(2), stills);
}

namespace {
// A server's folders: each listing takes a while, and several may be asked for at once.
struct SlowServer : FakeFolders {
    std::mutex mutex;
    std::vector<std::wstring> listed;
    int inFlight = 0, most = 0;
    unsigned ReadsAtOnce(const std::wstring&) override { return 4; }
    Platform::Listing List(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                           Platform::FolderId& id, Platform::FolderHold& hold) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            listed.push_back(folder);
            most = std::max(most, ++inFlight);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::lock_guard<std::mutex> lock(mutex);
        --inFlight;
        return FakeFolders::List(folder, items, id, hold);
    }
};
}  // namespace

namespace {
// Eight folders of one picture each under S\, and a ninth the walk leaves out; the walk's
// pictures, in order.
std::vector<std::wstring> EightFolders(SlowServer& server) {
    std::vector<Item> top = {{L"left", true, false}};
    std::vector<std::wstring> expected;
    for (int i = 1; i <= 8; ++i) {
        const std::wstring name = L"f" + std::to_wstring(i);
        top.push_back({name, true, false});
        server.folders[L"S\\" + name + L"\\"] = {{L"p.jpg", false, false}};
        expected.push_back(L"S\\" + name + L"\\p.jpg");
    }
    server.folders[L"S\\"] = top;
    server.folders[L"S\\left\\"] = {{L"x.jpg", false, false}};
    return expected;
}
}  // namespace

TEST(LibraryScan, AServersNextFoldersAreListedAheadAFewAtOnceAndWalkedInOrder) {
    SlowServer server;
    const std::vector<std::wstring> expected = EightFolders(server);
    LibraryScan scan({L"S\\"}, kExtensions, server);
    scan.LeaveOut({L"S\\left\\"});
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, expected);
    EXPECT_GE(server.most, 2);  // listed ahead...
    EXPECT_LE(server.most, 4);  // ...as many at once as the source reads
    EXPECT_EQ(server.listed.size(), 9u);  // each once; the folder left out never
    EXPECT_EQ(std::count(server.listed.begin(), server.listed.end(), L"S\\left\\"), 0);
}

TEST(LibraryScan, AListingAheadTakenLateIsAskedForAgain) {
    SlowServer server;
    const std::vector<std::wstring> expected = EightFolders(server);
    LibraryScan scan({L"S\\"}, kExtensions, server);
    scan.LeaveOut({L"S\\left\\"});
    scan.KeepListedAhead(std::chrono::milliseconds(0));
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(std::count(server.listed.begin(), server.listed.end(), L"S\\f8\\"), 2);
}
