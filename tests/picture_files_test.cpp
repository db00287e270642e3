// The picture list's portable rules: splitting the open-file dialog's selection buffer
// (one file, several, very long selections, odd separators, nothing), which dropped names
// are pictures, the entry text and the selection after a removal.
#include "config/picture_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace WorkSpace {
namespace {

// A dialog buffer of `capacity` characters: the given strings, each followed by a NUL, then
// zeros to the end (as the dialog leaves it after the closing empty name).
std::vector<wchar_t> Buffer(const std::vector<std::wstring>& strings, size_t capacity = 65536) {
    std::vector<wchar_t> buffer(capacity, L'\0');
    size_t at = 0;
    for (const std::wstring& s : strings) {
        for (wchar_t c : s) buffer.at(at++) = c;
        buffer.at(at++) = L'\0';
    }
    return buffer;
}

TEST(SplitSelectedFiles, OneFileIsItsFullPathAndLeavesTheFolderAlone) {
    auto buffer = Buffer({L"C:\\Pics\\sunset.jpg"});
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    ASSERT_EQ(files.paths.size(), 1u);
    EXPECT_EQ(files.paths[0], L"C:\\Pics\\sunset.jpg");
    EXPECT_TRUE(files.folder.empty());
    EXPECT_TRUE(files.complete);
}

TEST(SplitSelectedFiles, SeveralFilesGetTheirFolderInTheDialogsOrder) {
    auto buffer = Buffer({L"C:\\Pics", L"b.png", L"a.jpg", L"c.tif"});
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    ASSERT_EQ(files.paths.size(), 3u);
    EXPECT_EQ(files.paths[0], L"C:\\Pics\\b.png");
    EXPECT_EQ(files.paths[1], L"C:\\Pics\\a.jpg");
    EXPECT_EQ(files.paths[2], L"C:\\Pics\\c.tif");
    EXPECT_EQ(files.folder, L"C:\\Pics\\");
    EXPECT_TRUE(files.complete);
}

// The fault this guards against: the old reader stopped at position 2047, so a long
// selection silently lost every file after that point.
TEST(SplitSelectedFiles, ASelectionOfTenThousandCharactersKeepsEveryFile) {
    std::vector<std::wstring> strings = {L"D:\\Holiday photographs 2023"};
    size_t length = strings[0].size() + 1;
    int n = 0;
    while (length < 10000) {
        std::wstring name = L"IMG_" + std::to_wstring(100000 + n++) + L" beach and sea.jpg";
        length += name.size() + 1;
        strings.push_back(name);
    }
    ASSERT_GT(length, 10000u);
    auto buffer = Buffer(strings);
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    ASSERT_EQ(files.paths.size(), strings.size() - 1);
    EXPECT_EQ(files.paths.front(), L"D:\\Holiday photographs 2023\\IMG_100000 beach and sea.jpg");
    EXPECT_EQ(files.paths.back(), L"D:\\Holiday photographs 2023\\" + strings.back());
    EXPECT_TRUE(files.complete);
}

TEST(SplitSelectedFiles, ANameThatStraddlesPosition2047IsWhole) {
    std::wstring first(2040, L'x');
    auto buffer = Buffer({L"C:\\P", first + L".jpg", L"second.png"});
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    ASSERT_EQ(files.paths.size(), 2u);
    EXPECT_EQ(files.paths[0], L"C:\\P\\" + first + L".jpg");
    EXPECT_EQ(files.paths[1], L"C:\\P\\second.png");
}

TEST(SplitSelectedFiles, ARootFolderGetsNoDoubledBackslash) {
    auto buffer = Buffer({L"C:\\", L"a.jpg", L"b.jpg"});
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    ASSERT_EQ(files.paths.size(), 2u);
    EXPECT_EQ(files.paths[0], L"C:\\a.jpg");
    EXPECT_EQ(files.paths[1], L"C:\\b.jpg");
    EXPECT_EQ(files.folder, L"C:\\");
}

TEST(SplitSelectedFiles, AFolderWithASlashAtItsEndKeepsIt) {
    auto buffer = Buffer({L"Z:/tmp/pics/", L"a.jpg", L"b.jpg"});
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    ASSERT_EQ(files.paths.size(), 2u);
    EXPECT_EQ(files.paths[0], L"Z:/tmp/pics/a.jpg");
    EXPECT_EQ(files.folder, L"Z:/tmp/pics/");
}

TEST(SplitSelectedFiles, AnOpeningQuoteIsDropped) {
    auto buffer = Buffer({L"\"C:\\Pics", L"\"a.jpg", L"b.jpg"});
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    ASSERT_EQ(files.paths.size(), 2u);
    EXPECT_EQ(files.paths[0], L"C:\\Pics\\a.jpg");
    EXPECT_EQ(files.paths[1], L"C:\\Pics\\b.jpg");
}

TEST(SplitSelectedFiles, SpacesAndDotsInNamesStayAsTheyAre) {
    auto buffer = Buffer({L"C:\\My Pics", L" lead.jpg", L"a..b.PNG"});
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    ASSERT_EQ(files.paths.size(), 2u);
    EXPECT_EQ(files.paths[0], L"C:\\My Pics\\ lead.jpg");
    EXPECT_EQ(files.paths[1], L"C:\\My Pics\\a..b.PNG");
}

TEST(SplitSelectedFiles, AnEmptyBufferGivesNothing) {
    auto buffer = Buffer({});
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    EXPECT_TRUE(files.paths.empty());
    EXPECT_TRUE(files.folder.empty());
    EXPECT_TRUE(files.complete);
    EXPECT_TRUE(SplitSelectedFiles(nullptr, 10).paths.empty());
    EXPECT_TRUE(SplitSelectedFiles(buffer.data(), 0).paths.empty());
}

// What follows the closing empty name (left over from an earlier, longer selection) is
// not part of this one.
TEST(SplitSelectedFiles, StopsAtTheClosingEmptyName) {
    auto buffer = Buffer({L"C:\\New", L"x.jpg", L"y.jpg", L"", L"old1.jpg", L"old2.jpg"});
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    ASSERT_EQ(files.paths.size(), 2u);
    EXPECT_EQ(files.paths[1], L"C:\\New\\y.jpg");
}

TEST(SplitSelectedFiles, AFullBufferWithoutItsEndLeavesTheCutNameOut) {
    std::vector<wchar_t> buffer = Buffer({L"C:\\P", L"a.jpg", L"b.jpg"}, 64);
    // Fill the rest with a name that has no room for its NUL.
    for (size_t i = 4 + 1 + 5 + 1 + 5 + 1; i < buffer.size(); ++i) buffer[i] = L'z';
    SelectedFiles files = SplitSelectedFiles(buffer.data(), buffer.size());
    EXPECT_FALSE(files.complete);
    ASSERT_EQ(files.paths.size(), 2u);
    EXPECT_EQ(files.paths[1], L"C:\\P\\b.jpg");
}

TEST(IsPictureFileName, KnownExtensionsInAnyCase) {
    EXPECT_TRUE(IsPictureFileName(L"C:\\a.JPG"));
    EXPECT_TRUE(IsPictureFileName(L"C:\\a.jpg"));
    EXPECT_TRUE(IsPictureFileName(L"C:\\a.Png"));
    EXPECT_TRUE(IsPictureFileName(L"C:\\a.bmp"));
    EXPECT_TRUE(IsPictureFileName(L"C:\\a.tif"));
    EXPECT_TRUE(IsPictureFileName(L"C:\\a.TIFF"));
    EXPECT_TRUE(IsPictureFileName(L"a.b.jpg"));
    EXPECT_TRUE(IsPictureFileName(L"C:\\a.Jpeg"));  // all that this machine decodes
    EXPECT_TRUE(IsPictureFileName(L"C:\\a.dds"));
}

TEST(IsPictureFileName, OtherNamesAreSkipped) {
    EXPECT_FALSE(IsPictureFileName(L"C:\\b.txt"));
    EXPECT_FALSE(IsPictureFileName(L"C:\\folder"));
    EXPECT_FALSE(IsPictureFileName(L"C:\\pics.jpg\\folder"));  // the dot belongs to a folder
    EXPECT_FALSE(IsPictureFileName(L"C:\\a.jpgx"));
    EXPECT_FALSE(IsPictureFileName(L"C:\\a.jpg.txt"));
    EXPECT_FALSE(IsPictureFileName(L"C:\\a."));
    EXPECT_FALSE(IsPictureFileName(L""));
}

TEST(ListEntries, TheListShowsTwentyOneEntries) {
    EXPECT_TRUE(ListHasRoomForEntry(0));
    EXPECT_TRUE(ListHasRoomForEntry(20));
    EXPECT_FALSE(ListHasRoomForEntry(21));
}

TEST(ListEntries, AnEntryHoldsAtMost1023Characters) {
    EXPECT_EQ(ListEntryText(L"C:\\a.jpg"), L"C:\\a.jpg");
    std::wstring longPath(1500, L'p');
    EXPECT_EQ(ListEntryText(longPath).size(), 1023u);
}

TEST(ListEntries, SelectionAfterRemoval) {
    EXPECT_EQ(SelectionAfterRemoval(3, 5), 2);  // the one before the removed entry
    EXPECT_EQ(SelectionAfterRemoval(0, 4), 0);  // at least the first
    EXPECT_EQ(SelectionAfterRemoval(-1, 4), 0); // no selection: the first is selected
    EXPECT_EQ(SelectionAfterRemoval(0, 0), -1); // nothing left
    EXPECT_EQ(SelectionAfterRemoval(-1, 0), -1);
}


// The pictures' rows (at most 21 of them), then one row for each folder left out.
TEST(PictureListRows, FoldersLeftOutFollowThePicturesShown) {
    const struct {
        int row;
        size_t pictures, leftOut;
        bool valid, isLeftOut;
        size_t index;
    } cases[] = {
        {0, 3, 2, true, false, 0},  {2, 3, 2, true, false, 2}, {3, 3, 2, true, true, 0},
        {4, 3, 2, true, true, 1},   {5, 3, 2, false, false, 0}, {-1, 3, 2, false, false, 0},
        {21, 30, 1, true, true, 0}, {0, 0, 1, true, true, 0},
    };
    for (const auto& c : cases) {
        const ListRow row = ListRowAt(c.row, c.pictures, c.leftOut);
        EXPECT_EQ(row.valid, c.valid) << c.row;
        if (!c.valid) continue;
        EXPECT_EQ(row.leftOut, c.isLeftOut) << c.row;
        EXPECT_EQ(row.index, c.index) << c.row;
    }
    EXPECT_EQ(LeftOutEntryText(L"Left out: %1", L"D:\\Private\\"), L"Left out: D:\\Private\\");
    EXPECT_EQ(FolderEntry(L"D:\\Private"), L"D:\\Private\\");
    EXPECT_EQ(FolderEntry(L"D:\\"), L"D:\\");
}

}  // namespace
}  // namespace WorkSpace
