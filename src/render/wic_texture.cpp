// Textures from image files in memory or on disk: WIC decodes PNG, JPEG, BMP, TIFF and
// GIF; TGA, which WIC has no decoder for, goes through our own reader. Pictures larger
// than the device allows are scaled down (a 6000x4000 photo must still load), sizes are
// rounded to powers of two where the device demands it, and the requested mip chain is
// built with a box filter. The user's pictures take the other road: DecodePictureFile only
// decodes (on the stream's worker thread, with its own COM apartment), and the device
// uploads the pixels later through CreateD3D9TextureFromImage.
#include <windows.h>
#include <wincodec.h>
#include <propidl.h>

#include <cstring>
#include <new>

#include "base/program_error.h"
#include "platform/platform.h"
#include "render/d3d9_objects.h"
#include "render/d3dx/image.h"
#include "render/picture_decode.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {

// D3DXERR_INVALIDDATA: what the extension library reports for an image it cannot read.
// A picture too large to hold gets E_OUTOFMEMORY, as when its allocation fails there.
constexpr HResult kInvalidImage = static_cast<HResult>(0x88760B59);

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() { return p; }
};

IWICImagingFactory* Factory() {
    // COM may already be initialised on this thread in another mode; either way WIC works.
    static IWICImagingFactory* factory = [] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        IWICImagingFactory* f = nullptr;
        if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(&f))))
            f = nullptr;
        return f;
    }();
    return factory;
}

bool DecodeFrame(IWICBitmapDecoder* decoder, Image& out, bool& tooLarge) {
    IWICImagingFactory* factory = Factory();
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&w, &h)))
        return false;
    if (!ImageSizeAccepted(w, h)) {
        tooLarge = true;
        return false;
    }
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return false;
    out.width = w;
    out.height = h;
    out.pixels.assign(static_cast<size_t>(w) * h, 0);
    return SUCCEEDED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(out.pixels.data())));
}

// False when the bytes are no picture we can read; `tooLarge` tells that they are one whose
// size the decoders refuse.
bool DecodeMemory(const void* data, uint32_t size, Image& out, bool& tooLarge) {
    // The size in the file's header decides first: some codecs (Wine's PNG decoder among
    // them) decode the whole picture as soon as they are handed the stream, and a header
    // may claim any size in a few bytes.
    uint32_t w = 0, h = 0;
    tooLarge = ReadImageSize(static_cast<const uint8_t*>(data), size, w, h) && !ImageSizeAccepted(w, h);
    if (tooLarge) return false;
    IWICImagingFactory* factory = Factory();
    if (factory) {
        ComPtr<IWICStream> stream;
        ComPtr<IWICBitmapDecoder> decoder;
        if (SUCCEEDED(factory->CreateStream(&stream)) &&
            SUCCEEDED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size)) &&
            SUCCEEDED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
            DecodeFrame(decoder.p, out, tooLarge))
            return true;
        if (tooLarge) return false;
    }
    return DecodeTga(static_cast<const uint8_t*>(data), size, out);
}

// The EXIF orientation through WIC's metadata query reader (JPEG keeps it in APP1, TIFF in
// its first IFD); 0 when WIC cannot tell.
uint32_t WicOrientation(const void* data, uint32_t size) {
    IWICImagingFactory* factory = Factory();
    if (!factory) return 0;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICMetadataQueryReader> reader;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetMetadataQueryReader(&reader)))
        return 0;
    static const wchar_t* const kQueries[] = {L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}"};
    for (const wchar_t* query : kQueries) {
        PROPVARIANT value;
        PropVariantInit(&value);
        uint32_t orientation = 0;
        if (SUCCEEDED(reader->GetMetadataByName(query, &value)) && value.vt == VT_UI2) orientation = value.uiVal;
        PropVariantClear(&value);
        if (orientation >= 1 && orientation <= 8) return orientation;
    }
    return 0;
}

HResult Upload(IDirect3DDevice9* device, const TextureLimits& limits, Image image, const TextureOptions& options,
               ImageInfo* info, Texture** out) {
    if (info) *info = ImageInfo{image.width, image.height};
    uint32_t w = 0, h = 0;
    FitTextureSize(image.width, image.height, limits.maxWidth, limits.maxHeight, limits.powerOfTwo, w, h);
    if (w != image.width || h != image.height) image = ScaleImage(image, w, h);
    const uint32_t levels = MipLevelCount(w, h, options.mipLevels);
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = device->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    if (FAILED(hr)) return hr;
    for (uint32_t level = 0; level < levels; ++level) {
        if (level > 0) image = NextMipLevel(image);
        D3DLOCKED_RECT locked;
        if (FAILED(hr = texture->LockRect(level, &locked, nullptr, 0))) {
            texture->Release();
            return hr;
        }
        for (uint32_t y = 0; y < image.height; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                        &image.pixels[static_cast<size_t>(y) * image.width], image.width * 4);
        texture->UnlockRect(level);
    }
    *out = new D3D9Texture(texture);
    return S_OK;
}

}  // namespace

HResult CreateD3D9TextureFromMemory(IDirect3DDevice9* device, const TextureLimits& limits, const void* data,
                                    uint32_t size, const TextureOptions& options, ImageInfo* info, Texture** out) {
    *out = nullptr;
    try {
        Image image;
        bool tooLarge = false;
        if (!data || size == 0) return kInvalidImage;
        if (!DecodeMemory(data, size, image, tooLarge)) return tooLarge ? kEOutOfMemory : kInvalidImage;
        return Upload(device, limits, std::move(image), options, info, out);
    } catch (const std::bad_alloc&) {
        // Within the size rule and still more than this machine can hold just now.
        return kEOutOfMemory;
    }
}

HResult CreateD3D9TextureFromImage(IDirect3DDevice9* device, const TextureLimits& limits, const Image& image,
                                   const TextureOptions& options, Texture** out) {
    *out = nullptr;
    if (image.width == 0 || image.height == 0 || image.pixels.size() != size_t(image.width) * image.height)
        return kInvalidImage;
    return Upload(device, limits, image, options, nullptr, out);
}

bool DecodePictureFile(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    bool tooLarge = false;
    try {
        std::string bytes;
        Image image;
        if (!Platform::ReadWholeFile(path, bytes)) return false;
        const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
        const uint32_t size = static_cast<uint32_t>(bytes.size());
        if (DecodeMemory(data, size, image, tooLarge)) {
            uint32_t orientation = WicOrientation(data, size);
            if (orientation == 0 && !ReadExifOrientation(data, bytes.size(), orientation)) orientation = 1;
            std::string().swap(bytes);
            return FinishPicture(image, orientation, target, out);
        }
    } catch (const std::bad_alloc&) {
        // Within the size rule and still more than this machine can hold just now.
        tooLarge = true;
    }
    // A picture too large to hold is as unusable as one that cannot be decoded; it says so
    // in the log, because the user sees nothing but a missing picture.
    if (tooLarge) GetLogger().Write(L"DecodePictureFile() - %ls - picture too large - FAILED", path.c_str());
    return false;
}

bool BeginDecoderThread() {
    // Decoding ahead is background work: the frame loop, above all its first second, comes
    // first.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    // Each decoding thread joins the multithreaded apartment; WIC's objects are free-threaded.
    return SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
}

void EndDecoderThread(bool begun) {
    if (begun) CoUninitialize();
}

}  // namespace WorkSpace
