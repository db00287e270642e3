// WIC per thread (decoding on two threads, each with its own apartment and factory, while a
// third joins and leaves apartments), this machine's picture extensions, a missing codec, and a
// large JPEG decoded no larger than it is shown.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "platform/picture_extensions.h"
#include "platform/wic_thread.h"
#include "imaging/picture_decode.h"
#include "resources/logger.h"

using namespace WorkSpace;

TEST(WicThread, TwoThreadsDecodeWhileAThirdLeavesItsApartment) {
    BITMAPFILEHEADER file = {0x4D42, 54 + 48 * 32 * 4, 0, 0, 54};  // 48 x 32, 32 bits, all one red
    BITMAPINFOHEADER info = {sizeof(info), 48, 32, 1, 32, BI_RGB, 48 * 32 * 4, 0, 0, 0, 0};
    std::string bmp = std::string(reinterpret_cast<char*>(&file), 14) + std::string(reinterpret_cast<char*>(&info), 40);
    for (int i = 0; i < 48 * 32; ++i) bmp.append("\x20\x20\xC0\x00", 4);
    std::ofstream("wic_red.bmp", std::ios::binary) << bmp;
    std::atomic<bool> begun{false}, done{false};
    std::atomic<int> failures{0};
    auto decode = [&] {
        DecodedPicture p;
        failures += !(DecodePictureFile(L"wic_red.bmp", PictureTarget(), p) && p.image.pixels[100] == 0xFFC02020u);
    };
    // The third decodes first (its apartment once held the only factory), then joins and leaves.
    std::thread third([&] {
        for (int round = 0; !done; ++round, begun = true) {
            WicThread own(round % 2 ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
            decode();
        }
    });
    while (!begun) Sleep(1);
    // One with an apartment and factory around all its work, one with one for each picture.
    auto decoder = [&](bool aroundWork) {
        const bool held = aroundWork && BeginDecoderThread();
        for (int i = 0; i < 40; ++i) decode();
        EndDecoderThread(held);
    };
    std::thread first(decoder, true), second(decoder, false);
    first.join();
    second.join();
    done = true;
    third.join();
    EXPECT_EQ(failures, 0);
    DeleteFileW(L"wic_red.bmp");
}

TEST(PictureExtensions, InstalledDecodersAddToWhatEveryWindowsDecodes) {
    // ".rle" comes from the BMP decoder's list alone; each extension is listed once.
    const std::vector<std::wstring>& list = Platform::PictureExtensions();
    for (const wchar_t* known : {L".bmp", L".dib", L".gif", L".ico", L".jpg", L".jpeg", L".jpe", L".jfif", L".png",
                                 L".tif", L".tiff", L".jxr", L".wdp", L".dds", L".rle"})
        EXPECT_EQ(std::count(list.begin(), list.end(), known), 1) << known;
}

TEST(DecodePictureFile, AFormatWithoutACodecIsSkippedWithOneLogLineADamagedFileWithNone) {
    // A HEIF header without its codec from the Store; named .jpg, the same bytes are a damaged JPEG.
    const char heic[] = "\0\0\0\x18" "ftypheic\0\0\0\0mif1heic";
    std::ofstream("wic_photo.heic", std::ios::binary).write(heic, sizeof(heic));
    std::ofstream("wic_photo.jpg", std::ios::binary).write(heic, sizeof(heic));
    DecodedPicture picture;
    GetLogger().Hold();
    EXPECT_FALSE(DecodePictureFile(L"wic_photo.heic", PictureTarget(), picture));
    EXPECT_FALSE(DecodePictureFile(L"wic_photo.jpg", PictureTarget(), picture));
    EXPECT_EQ(GetLogger().EndHold(false),
              std::vector<std::wstring>{L"DecodePictureFile() - wic_photo.heic - no decoder for this format - FAILED"});
    for (const wchar_t* name : {L"wic_photo.heic", L"wic_photo.jpg"}) DeleteFileW(name);
}

namespace {
// A w x h JPEG of one colour, written through WIC's own encoder.
bool WriteJpeg(const wchar_t* path, UINT w, UINT h, uint8_t b, uint8_t g, uint8_t r) {
    return WithWicFactory([&](IWICImagingFactory* factory) {
        IWICStream* stream = nullptr;
        IWICBitmapEncoder* encoder = nullptr;
        IWICBitmapFrameEncode* frame = nullptr;
        std::vector<uint8_t> row(static_cast<size_t>(w) * 3 * h);
        for (size_t i = 0; i < row.size(); i += 3) row[i] = b, row[i + 1] = g, row[i + 2] = r;
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        bool ok = factory && SUCCEEDED(factory->CreateStream(&stream)) &&
                  SUCCEEDED(stream->InitializeFromFilename(path, GENERIC_WRITE)) &&
                  SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) &&
                  SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
                  SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
                  SUCCEEDED(frame->SetSize(w, h)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
                  SUCCEEDED(frame->WritePixels(h, w * 3, static_cast<UINT>(row.size()), row.data())) &&
                  SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
        if (frame) frame->Release();
        if (encoder) encoder->Release();
        if (stream) stream->Release();
        return ok;
    });
}
}  // namespace

// 24 megapixels shown in 300 x 200: the codec's smaller copy and a scaler, never the whole
// photo in memory; the picture keeps its own size for its aspect.
TEST(DecodePictureFile, ALargeJpegIsDecodedNoLargerThanItIsShown) {
    ASSERT_TRUE(WriteJpeg(L"wic_large.jpg", 6000, 4000, 0xC0, 0x60, 0x30));
    PictureTarget target;
    target.width = 300;
    target.height = 300;
    target.fit = PictureFit::Fit;
    DecodedPicture picture;
    ASSERT_TRUE(DecodePictureFile(L"wic_large.jpg", target, picture));
    EXPECT_EQ(picture.width, 6000u);
    EXPECT_EQ(picture.height, 4000u);
    EXPECT_EQ(picture.image.width, 300u);
    EXPECT_EQ(picture.image.height, 200u);
    const uint32_t middle = picture.image.pixels[100 * 300 + 150];
    EXPECT_NEAR(static_cast<int>(middle & 0xFF), 0xC0, 6);
    EXPECT_NEAR(static_cast<int>((middle >> 16) & 0xFF), 0x30, 6);
    DeleteFileW(L"wic_large.jpg");
}
