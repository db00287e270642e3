// WIC per thread: pictures decode on several threads at once, each with its own apartment
// and factory, while another thread leaves its apartment; and the picture extensions of
// this machine, from its installed decoders.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "platform/picture_extensions.h"
#include "platform/wic_thread.h"
#include "render/picture_decode.h"
#include "resources/logger.h"

using namespace WorkSpace;

namespace {
// A 32-bit bottom-up BMP of one colour.
std::wstring WriteBmp(const char* name, int32_t w, int32_t h, uint32_t colour) {
    const uint32_t pixels = static_cast<uint32_t>(w * h) * 4;
    BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(54 + pixels), 0, 0, 54};
    BITMAPINFOHEADER info = {sizeof(info), w, h, 1, 32, BI_RGB, pixels, 0, 0, 0, 0};
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), 14).write(reinterpret_cast<const char*>(&info), 40);
    for (int32_t i = 0; i < w * h; ++i) out.write(reinterpret_cast<const char*>(&colour), 4);
    out.close();
    wchar_t full[MAX_PATH];
    GetFullPathNameW(std::wstring(name, name + strlen(name)).c_str(), MAX_PATH, full, nullptr);
    return full;
}

size_t LogLinesWith(const std::string& text) {
    std::string log;
    if (FILE* f = _wfopen(GetLogger().Path().c_str(), L"rb")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof(buffer), f)) > 0;) log.append(buffer, n);
        fclose(f);
    }
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
}

bool DecodesTo(const std::wstring& path, uint32_t colour) {
    DecodedPicture picture;
    return DecodePictureFile(path, PictureTarget(), picture) && picture.image.width == 48 &&
           picture.image.pixels[100] == (colour | 0xFF000000u);
}
}  // namespace

TEST(WicThread, TwoThreadsDecodeWhileAThirdLeavesItsApartment) {
    const std::wstring red = WriteBmp("wic_red.bmp", 48, 32, 0x00C02020), blue = WriteBmp("wic_blue.bmp", 48, 32, 0x002020C0);
    std::atomic<bool> begun{false}, done{false};
    std::atomic<int> failures{0};
    // The third thread decodes first (in the old design its apartment would hold the one
    // factory), then keeps joining and leaving apartments while the others decode.
    std::thread third([&] {
        for (int round = 0; !done.load(); ++round) {
            WicThread own(round % 2 ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
            if (!DecodesTo(red, 0x00C02020)) ++failures;
            begun = true;
        }
    });
    while (!begun.load()) Sleep(1);
    auto decoder = [&](bool aroundWork, const std::wstring& path, uint32_t colour) {
        const bool held = aroundWork && BeginDecoderThread();
        for (int i = 0; i < 40; ++i)
            if (!DecodesTo(path, colour)) ++failures;
        EndDecoderThread(held);
    };
    std::thread first(decoder, true, red, 0x00C02020u), second(decoder, false, blue, 0x002020C0u);
    first.join();
    second.join();
    done = true;
    third.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(ThreadWicFactory(), nullptr);  // nothing was left behind on this thread
    DeleteFileW(red.c_str());
    DeleteFileW(blue.c_str());
}

TEST(PictureExtensions, InstalledDecodersAddToWhatEveryWindowsDecodes) {
    const std::vector<std::wstring>& extensions = Platform::PictureExtensions();
    for (const wchar_t* known : {L".bmp", L".dib", L".gif", L".ico", L".jpg", L".jpeg", L".jpe", L".jfif", L".png",
                                 L".tif", L".tiff", L".jxr", L".wdp", L".dds"})
        EXPECT_NE(std::find(extensions.begin(), extensions.end(), known), extensions.end()) << known;
    for (const std::wstring& e : extensions) {
        EXPECT_EQ(std::count(extensions.begin(), extensions.end(), e), 1);
        EXPECT_EQ(e[0], L'.');
        EXPECT_TRUE(std::none_of(e.begin(), e.end(), [](wchar_t c) { return c >= L'A' && c <= L'Z'; }));
    }
}

TEST(DecodePictureFile, AFormatWithoutACodecIsSkippedWithOneLogLineADamagedFileWithNone) {
    // A HEIF header on a machine without the codec from the Store; the same bytes as a JPEG
    // are a damaged file of a format that has its codec.
    const char heic[] = "\0\0\0\x18" "ftypheic\0\0\0\0mif1heic";
    std::ofstream("wic_photo.heic", std::ios::binary).write(heic, sizeof(heic));
    DecodedPicture picture;
    const size_t before = LogLinesWith("wic_photo.heic - no decoder for this format - FAILED");
    EXPECT_FALSE(DecodePictureFile(L"wic_photo.heic", PictureTarget(), picture));
    EXPECT_EQ(LogLinesWith("wic_photo.heic - no decoder for this format - FAILED"), before + 1);
    std::ofstream("wic_photo.jpg", std::ios::binary).write(heic, sizeof(heic));
    EXPECT_FALSE(DecodePictureFile(L"wic_photo.jpg", PictureTarget(), picture));
    EXPECT_EQ(LogLinesWith("wic_photo.jpg"), 0u);
    DeleteFileW(L"wic_photo.heic");
    DeleteFileW(L"wic_photo.jpg");
}
