// Reading a picture file on the real file system: a file whose data is not on this device
// is closed before any of it is read.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "sources/local_folder_source.h"

using namespace WorkSpace;

TEST(OpenPictureForReading, AnOfflineFileIsNotReadAndCountsAsCloudOnly) {
    const wchar_t* name = L"offline_photo.jpg";
    const HANDLE out = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(out, "\xFF\xD8\xFF", 3, &written, nullptr);
    CloseHandle(out);
    SetFileAttributesW(name, FILE_ATTRIBUTE_OFFLINE);
    const DWORD kept = GetFileAttributesW(name);
    if (kept == INVALID_FILE_ATTRIBUTES || !(kept & FILE_ATTRIBUTE_OFFLINE)) {
        DeleteFileW(name);
        GTEST_SKIP() << "this file system does not keep the offline attribute";
    }
    std::string bytes;
    Platform::ReadFailure why = Platform::ReadFailure::None;
    EXPECT_FALSE(LocalFolders().ReadWhole(name, bytes, why));
    EXPECT_EQ(why, Platform::ReadFailure::CloudOnly);
    EXPECT_TRUE(bytes.empty());
    SetFileAttributesW(name, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(name);
}
