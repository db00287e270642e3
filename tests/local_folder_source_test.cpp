// The local folders as a picture source on the real file system: the whole read's limit,
// and range reads at any offset, in any order, past the end too.
#include "sources/local_folder_source.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using namespace WorkSpace;
using Platform::ReadFailure;

TEST(LocalFolderSource, AFileOverTheLimitIsTooLargeAMissingOneIsMissing) {
    const std::string path = testing::TempDir() + "lumora_picture_read.bin";
    std::ofstream(path, std::ios::binary) << std::string(100, 'x');
    const std::wstring wide = Platform::AnsiToWide(path);
    std::string bytes;
    ReadFailure why = ReadFailure::Other;
    EXPECT_TRUE(LocalFolders().ReadWhole(wide, bytes, why, 100));
    EXPECT_EQ(bytes.size(), 100u);
    EXPECT_EQ(why, ReadFailure::None);
    EXPECT_FALSE(LocalFolders().ReadWhole(wide, bytes, why, 99));
    EXPECT_EQ(why, ReadFailure::TooLarge);
    EXPECT_TRUE(bytes.empty());
    Platform::RemoveFile(wide);
    EXPECT_FALSE(LocalFolders().ReadWhole(wide, bytes, why));
    EXPECT_EQ(why, ReadFailure::Missing);
}

// A clip decoder reads the range of a motion photo's JPEG that holds the video, after the
// header: back and forth, then past the end, which reads nothing.
TEST(LocalFolderSource, RangesAreReadAtTheirOffsetInAnyOrder) {
    const std::string path = testing::TempDir() + "lumora_local_source_ranges.bin";
    std::string text;
    for (int i = 0; i < 1000; ++i) text.push_back(static_cast<char>('a' + i % 26));
    std::ofstream(path, std::ios::binary) << text;
    const std::wstring wide = Platform::AnsiToWide(path);
    ReadFailure why = ReadFailure::Other;
    std::unique_ptr<PictureReader> reader = LocalFolders().Open(wide, why);
    ASSERT_TRUE(reader);
    EXPECT_EQ(why, ReadFailure::None);
    EXPECT_EQ(reader->Size(), 1000u);
    char got[8] = {};
    const struct {
        uint64_t offset;
        int64_t count;
        const char* bytes;
    } table[] = {
        {600, 4, "cdef"}, {2, 4, "cdef"}, {6, 4, "ghij"}, {996, 4, "ijkl"}, {998, 2, "kl"}, {1000, 0, ""}, {5000, 0, ""},
    };
    for (const auto& row : table) {
        const int64_t count = reader->ReadAt(row.offset, got, 4);
        EXPECT_EQ(count, row.count) << row.offset;
        EXPECT_EQ(std::string(got, count > 0 ? static_cast<size_t>(count) : 0), row.bytes) << row.offset;
    }
    reader.reset();
    Platform::RemoveFile(wide);
}

// The photo index's key: one for every spelling NTFS takes for one file.
TEST(LocalFolderSource, PathsAreKeyedAsNtfsComparesThem) {
    const struct {
        const wchar_t* path;
        const wchar_t* key;
    } cases[] = {
        {L"C:\\Photos\\a.jpg", L"C:\\PHOTOS\\A.JPG"},
        {L"c:/photos/A.JPG", L"C:\\PHOTOS\\A.JPG"},
        {L"\\\\?\\C:\\Photos\\a.jpg", L"C:\\PHOTOS\\A.JPG"},
        {L"\\\\?\\unc\\nas\\share\\a.jpg", L"\\\\NAS\\SHARE\\A.JPG"},
        {L"\\\\nas\\share\\a.jpg", L"\\\\NAS\\SHARE\\A.JPG"},
        {L"C:\\Photos\\", L"C:\\PHOTOS\\"},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(LocalPathKey(c.path), c.key) << Platform::WideToUtf8(c.path);
    EXPECT_EQ(LocalFolders().Key(L"c:/photos/a.jpg"), L"C:\\PHOTOS\\A.JPG");
}
