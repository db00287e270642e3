// The resources of the built Lumora.scr, read the way Windows reads them: the saver's name,
// the icon, the banner, the version, and a manifest asking for common controls 6 and
// per-monitor DPI awareness, so the full-screen window and its back buffer are not scaled
// on 125 % or 150 % displays, and long paths.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

HMODULE LoadSaver() {
    // The test program runs in build/windows/tests; the release file is in dist/.
    for (const wchar_t* path : {L"..\\..\\..\\dist\\Lumora.scr", L"..\\Lumora.scr"}) {
        HMODULE m = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (m) return m;
    }
    return nullptr;
}

std::string Resource(HMODULE m, LPCWSTR type, LPCWSTR name) {
    HRSRC r = FindResourceW(m, name, type);
    if (!r) return std::string();
    HGLOBAL g = LoadResource(m, r);
    const char* data = static_cast<const char*>(LockResource(g));
    return data ? std::string(data, SizeofResource(m, r)) : std::string();
}

}  // namespace

TEST(SaverResources, NameIconBannerAndManifest) {
    HMODULE saver = LoadSaver();
    if (!saver) GTEST_SKIP() << "dist/Lumora.scr is not built";
    wchar_t name[64] = {};
    ASSERT_GT(LoadStringW(saver, 1, name, 64), 0);
    EXPECT_STREQ(name, L"ZEV Lumora Screen Saver");
    EXPECT_FALSE(Resource(saver, RT_GROUP_ICON, MAKEINTRESOURCEW(2001)).empty());
    const std::string banner = Resource(saver, RT_BITMAP, MAKEINTRESOURCEW(104));
    ASSERT_GE(banner.size(), sizeof(BITMAPINFOHEADER));
    const BITMAPINFOHEADER* info = reinterpret_cast<const BITMAPINFOHEADER*>(banner.data());
    EXPECT_EQ(info->biWidth, 421);
    EXPECT_EQ(info->biHeight, 37);
    EXPECT_EQ(info->biBitCount, 24);

    const std::string manifest = Resource(saver, RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAwareness"), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);  // the fallback before Windows 10
    // Photo folders deeper than 260 characters, where the system allows them.
    EXPECT_NE(manifest.find("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true<"),
              std::string::npos);

    const std::string version = Resource(saver, RT_VERSION, MAKEINTRESOURCEW(1));
    EXPECT_NE(version.find(std::string("L\0u\0m\0o\0r\0a", 11)), std::string::npos);
    FreeLibrary(saver);
}
