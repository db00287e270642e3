// The offline cache: its bound, the photo shown longest ago out first, a damaged index
// rebuilt from the files, names that tell nothing of the entry, and the members it can list.
#include "sources/server_cache.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "test_support.h"

using namespace WorkSpace;
namespace fs = std::filesystem;

namespace {

std::string FreshFolder(const std::string& name) {
    const fs::path folder = fs::path(testing::TempDir()) / ("lumora_cache_" + name);
    fs::remove_all(folder);
    return folder.string() + "/";
}

std::wstring Photo(int i) { return L"https://nas/dav/anna/p" + std::to_wstring(i) + L".jpg"; }

PictureStamp Tagged(const std::string& tag) {
    PictureStamp stamp;
    stamp.tag = tag;
    stamp.size = 1;
    return stamp;
}

uint64_t BytesOnDisk(const std::string& folder) {
    uint64_t total = 0;
    for (const auto& file : fs::directory_iterator(folder)) total += file.file_size();
    return total;
}

}  // namespace

TEST(ServerCache, KeepsToItsBoundAndDropsThePhotoShownLongestAgo) {
    const std::string folder = FreshFolder("bound");
    ServerCache cache(W(folder), 95000);  // ten photos of 9,000 bytes and their headers
    ASSERT_TRUE(cache.Open());
    const std::string bytes(9000, 'x');
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(cache.Put(Photo(i), Tagged("t"), bytes));
    cache.Shown(Photo(0));  // the oldest put, shown again: the next put drops the second
    ASSERT_TRUE(cache.Put(Photo(10), Tagged("t"), bytes));
    PictureStamp stamp;
    EXPECT_TRUE(cache.Find(Photo(0), stamp));
    EXPECT_FALSE(cache.Find(Photo(1), stamp));
    EXPECT_TRUE(cache.Find(Photo(2), stamp));
    for (int i = 11; i < 50; ++i) ASSERT_TRUE(cache.Put(Photo(i), Tagged("t"), bytes));
    EXPECT_LE(cache.BytesKept(), 95000u);
    EXPECT_LE(BytesOnDisk(folder) - fs::file_size(folder + "index.txt"), 95000u);
    EXPECT_TRUE(cache.Find(Photo(49), stamp));
    EXPECT_FALSE(cache.Put(Photo(99), Tagged("t"), std::string(95001, 'x')));  // never fits
}

TEST(ServerCache, ADamagedIndexIsRebuiltFromTheFiles) {
    const std::string folder = FreshFolder("damaged");
    {
        ServerCache cache(W(folder), 1 << 20);
        ASSERT_TRUE(cache.Open());
        ASSERT_TRUE(cache.Put(Photo(1), Tagged("\"a\""), "one"));
        ASSERT_TRUE(cache.Put(Photo(2), Tagged("\"b\""), "two"));
    }
    // Cut short, as a write that the power took; and a half-written photo beside it.
    fs::resize_file(folder + "index.txt", fs::file_size(folder + "index.txt") - 9);
    FILE* half = std::fopen((folder + "0123456789abcdef0123456789abcdef.lmc").c_str(), "wb");
    std::fputs("LMRCACHE1\n1\t0\tx\thttps://nas/x.jpg\t500\nshort", half);
    std::fclose(half);
    ServerCache cache(W(folder), 1 << 20);
    ASSERT_TRUE(cache.Open());
    EXPECT_EQ(cache.Count(), 2u);
    std::string bytes;
    PictureStamp stamp;
    ASSERT_TRUE(cache.Get(Photo(2), bytes, stamp));
    EXPECT_EQ(bytes, "two");
    EXPECT_EQ(stamp.tag, "\"b\"");
    EXPECT_FALSE(fs::exists(folder + "0123456789abcdef0123456789abcdef.lmc"));
}

TEST(ServerCache, FileNamesTellNothingOfTheEntryAndChangeWithItsStamp) {
    const std::wstring name = ServerCache::FileName(L"https://nas/dav/anna/p1.jpg", Tagged("a"));
    EXPECT_EQ(name.find(L"anna"), std::wstring::npos);
    EXPECT_EQ(name.size(), 36u);
    EXPECT_NE(name, ServerCache::FileName(L"https://nas/dav/anna/p1.jpg", Tagged("b")));
}

TEST(ServerCache, ListsTheMembersItKeepsOfAFolder) {
    ServerCache cache(W(FreshFolder("members")), 1 << 20);
    ASSERT_TRUE(cache.Open());
    for (const wchar_t* path : {L"https://nas/d/a.jpg", L"https://nas/d/2024/b.jpg", L"https://nas/d/2024/c.jpg",
                                L"https://nas/e/d.jpg"})
        ASSERT_TRUE(cache.Put(path, Tagged("t"), "x"));
    const std::vector<Platform::FolderItem> items = cache.Members(L"https://NAS/d/");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].name, L"2024");
    EXPECT_TRUE(items[0].folder);
    EXPECT_EQ(items[1].name, L"a.jpg");
    EXPECT_FALSE(items[1].folder);
}

TEST(ServerCache, IsMadeWithoutTouchingTheDiskAndOpensOnItsFirstUse) {
    const std::string folder = FreshFolder("lazy");
    ServerCache cache(W(folder), 1 << 20);
    EXPECT_FALSE(fs::exists(folder));  // made on the window thread: no disk yet
    PictureStamp stamp;
    EXPECT_FALSE(cache.Find(Photo(1), stamp));
    EXPECT_TRUE(fs::exists(folder));
    EXPECT_TRUE(cache.Put(Photo(1), Tagged("t"), "x"));
}

TEST(ServerCache, TheOrderShownIsWrittenWithTheNextPutNotWithEachPhoto) {
    const std::string folder = FreshFolder("shown");
    const uint64_t threePhotos = 27300;  // three photos of 9,000 bytes and their headers
    const std::string bytes(9000, 'x');
    {
        ServerCache cache(W(folder), threePhotos);
        ASSERT_TRUE(cache.Put(Photo(0), Tagged("t"), bytes));
        ASSERT_TRUE(cache.Put(Photo(1), Tagged("t"), bytes));
        const auto written = fs::last_write_time(folder + "index.txt");
        const uintmax_t size = fs::file_size(folder + "index.txt");
        std::string before(size, '\0');
        FILE* index = std::fopen((folder + "index.txt").c_str(), "rb");
        ASSERT_EQ(std::fread(&before[0], 1, size, index), size);
        std::fclose(index);
        cache.Shown(Photo(0));
        index = std::fopen((folder + "index.txt").c_str(), "rb");
        std::string after(size, '\0');
        ASSERT_EQ(std::fread(&after[0], 1, size, index), size);
        std::fclose(index);
        EXPECT_EQ(before, after);
        EXPECT_EQ(fs::last_write_time(folder + "index.txt"), written);
        ASSERT_TRUE(cache.Put(Photo(2), Tagged("t"), bytes));
    }
    ServerCache cache(W(folder), threePhotos);  // read back: photo 1 was shown longest ago
    ASSERT_TRUE(cache.Put(Photo(3), Tagged("t"), bytes));
    PictureStamp stamp;
    EXPECT_TRUE(cache.Find(Photo(0), stamp));
    EXPECT_FALSE(cache.Find(Photo(1), stamp));
}

TEST(ServerCache, TakesOnlyItsOwnFileNamesFromAnIndex) {
    EXPECT_TRUE(ServerCache::IsFileName(ServerCache::FileName(L"https://nas/a.jpg", Tagged("a"))));
    for (const wchar_t* name : {L"index.txt", L"../../Documents/thesis.docx", L"0123456789abcdef0123456789abcde/.lmc",
                                L"0123456789abcdef0123456789abcdef.txt", L"0123456789ABCDEF0123456789ABCDEF.lmc",
                                L"0123456789abcdef0123456789abcdef0.lmc", L"C:\\Windows\\win.ini", L""})
        EXPECT_FALSE(ServerCache::IsFileName(name)) << Platform::WideToUtf8(name);
}
