// A photo folder deeper than the old 260-character limit, on the real file system: the
// library walks it and its picture is read and decoded.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "imaging/picture_decode.h"
#include "library/library_scan.h"
#include "platform/long_path.h"
#include "platform/platform.h"

using namespace WorkSpace;

TEST(LongPath, FolderTreePast300CharactersIsWalkedAndItsPictureDecoded) {
    wchar_t here[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, here), 0u);
    const std::wstring top = std::wstring(here) + L"\\lumora_long_path\\";
    std::vector<std::wstring> folders = {top};
    for (int i = 0; i < 6; ++i) folders.push_back(folders.back() + std::wstring(60, L'a' + i) + L"\\");
    for (const std::wstring& folder : folders) CreateDirectoryW(Platform::LongPathForm(folder).c_str(), nullptr);
    const std::wstring picture = folders.back() + L"deep.bmp";
    ASSERT_GT(picture.size(), 300u);

    BITMAPFILEHEADER file = {0x4D42, 54 + 4 * 4, 0, 0, 54};  // 2 x 2, 32 bits, all one blue
    BITMAPINFOHEADER info = {sizeof(info), 2, 2, 1, 32, BI_RGB, 4 * 4, 0, 0, 0, 0};
    std::string bmp = std::string(reinterpret_cast<char*>(&file), 14) + std::string(reinterpret_cast<char*>(&info), 40);
    for (int i = 0; i < 4; ++i) bmp.append("\xC0\x20\x20\x00", 4);
    const HANDLE out = CreateFileW(Platform::LongPathForm(picture).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(out, bmp.data(), static_cast<DWORD>(bmp.size()), &written, nullptr);
    CloseHandle(out);

    LibraryScan scan({top}, {L".bmp"});
    std::vector<std::wstring> walked;
    for (std::wstring path; scan.Next(path);) walked.push_back(path);
    EXPECT_EQ(walked, std::vector<std::wstring>{picture});
    EXPECT_TRUE(scan.Whole());
    DecodedPicture decoded;
    EXPECT_TRUE(DecodePictureFile(picture, PictureTarget(), decoded));

    DeleteFileW(Platform::LongPathForm(picture).c_str());
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        RemoveDirectoryW(Platform::LongPathForm(*folder).c_str());
}

TEST(LongPath, ShareFormsAreOnTheNetworkTheLocalFolderIsNot) {
    EXPECT_TRUE(Platform::IsOnNetwork(L"\\\\server\\share\\Lumora\\LumoraPhotos.db"));
    EXPECT_TRUE(Platform::IsOnNetwork(L"\\\\?\\unc\\server\\share\\LumoraPhotos.db"));
    wchar_t here[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, here), 0u);
    const wchar_t root[] = {here[0], L':', L'\\', 0};
    EXPECT_EQ(GetDriveTypeW(root) == DRIVE_REMOTE, Platform::IsOnNetwork(std::wstring(here) + L"\\LumoraPhotos.db"));
}
