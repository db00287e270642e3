// Textures from image files in memory or on disk: WIC decodes PNG, JPEG, BMP, TIFF and
// GIF; TGA, which WIC has no decoder for, goes through our own reader. Pictures larger
// than the device allows are scaled down (a 6000x4000 photo must still load), sizes are
// rounded to powers of two where the device demands it, and the requested mip chain is
// built with a box filter. The user's pictures take the other road: DecodePictureFile only
// decodes (on the stream's worker thread), already into the device's limits, and the device
// uploads the pixels later through CreateD3D9TextureFromImage. Every thread decodes with its
// own COM apartment and WIC factory (platform/wic_thread.h).
#include <windows.h>
#include <wincodec.h>
#include <propidl.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "base/program_error.h"
#include "platform/picture_extensions.h"
#include "platform/platform.h"
#include "platform/wic_thread.h"
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

enum class Decoded { Ok, NotPicture, NoCodec, TooLarge };

Decoded DecodeFrame(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, Image& out) {
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&w, &h))) return Decoded::NotPicture;
    if (!ImageSizeAccepted(w, h)) return Decoded::TooLarge;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return Decoded::NotPicture;
    out.width = w;
    out.height = h;
    out.pixels.assign(static_cast<size_t>(w) * h, 0);
    return SUCCEEDED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(out.pixels.data())))
               ? Decoded::Ok
               : Decoded::NotPicture;
}

// NoCodec: no WIC decoder takes these bytes and they are no TGA either. That is a HEIC
// photo on a machine without the codec from the Store, or just as well a damaged file:
// FormatClaimed tells the two apart.
Decoded DecodeMemory(IWICImagingFactory* factory, const void* data, uint32_t size, Image& out) {
    // The size in the file's header decides first: some codecs (Wine's PNG decoder among
    // them) decode the whole picture as soon as they are handed the stream, and a header
    // may claim any size in a few bytes.
    uint32_t w = 0, h = 0;
    if (ReadImageSize(static_cast<const uint8_t*>(data), size, w, h) && !ImageSizeAccepted(w, h))
        return Decoded::TooLarge;
    Decoded result = Decoded::NotPicture;
    if (factory) {
        ComPtr<IWICStream> stream;
        ComPtr<IWICBitmapDecoder> decoder;
        HRESULT hr = factory->CreateStream(&stream);
        if (SUCCEEDED(hr)) hr = stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size);
        if (SUCCEEDED(hr))
            hr = factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
        if (SUCCEEDED(hr)) result = DecodeFrame(factory, decoder.p, out);
        if (result == Decoded::Ok || result == Decoded::TooLarge) return result;
        if (hr == WINCODEC_ERR_COMPONENTNOTFOUND) result = Decoded::NoCodec;
    }
    return DecodeTga(static_cast<const uint8_t*>(data), size, out) ? Decoded::Ok : result;
}

// The EXIF orientation through WIC's metadata query reader (JPEG keeps it in APP1, TIFF in
// its first IFD); 0 when WIC cannot tell.
uint32_t WicOrientation(IWICImagingFactory* factory, const void* data, uint32_t size) {
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

// The source is only read: a picture decoded for this device already has its size, and
// only a picture larger than the device allows (the logo on a small device) gets a scaled
// copy here.
HResult Upload(IDirect3DDevice9* device, const TextureLimits& limits, const Image& source,
               const TextureOptions& options, ImageInfo* info, Texture** out) {
    if (info) *info = ImageInfo{source.width, source.height};
    uint32_t w = 0, h = 0;
    FitTextureSize(source.width, source.height, limits.maxWidth, limits.maxHeight, limits.powerOfTwo, w, h);
    Image scaled;
    const Image* image = &source;
    if (w != source.width || h != source.height) {
        scaled = ScaleImage(source, w, h);
        image = &scaled;
    }
    const uint32_t levels = MipLevelCount(w, h, options.mipLevels);
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = device->CreateTexture(w, h, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    if (FAILED(hr)) return hr;
    try {
        for (uint32_t level = 0; level < levels; ++level) {
            if (level > 0) {
                Image next = NextMipLevel(*image);
                scaled = std::move(next);
                image = &scaled;
            }
            D3DLOCKED_RECT locked;
            if (FAILED(hr = texture->LockRect(level, &locked, nullptr, 0))) {
                texture->Release();
                return hr;
            }
            for (uint32_t y = 0; y < image->height; ++y)
                std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                            &image->pixels[static_cast<size_t>(y) * image->width], image->width * 4);
            texture->UnlockRect(level);
        }
        *out = new D3D9Texture(texture);
    } catch (const std::bad_alloc&) {
        texture->Release();
        throw;
    }
    return S_OK;
}

// Whether an installed decoder (or our TGA reader) claims the file's extension: a file of
// such a format that no decoder takes is damaged, not missing its codec.
bool FormatClaimed(const std::wstring& path) {
    return HasExtension(path, Platform::PictureExtensions()) || HasExtension(path, {L".tga"});
}

void LogFailure(const std::wstring& path, const wchar_t* what) {
    GetLogger().Write(L"DecodePictureFile() - %ls - %ls - FAILED", path.c_str(), what);
}

}  // namespace

HResult CreateD3D9TextureFromMemory(IDirect3DDevice9* device, const TextureLimits& limits, const void* data,
                                    uint32_t size, const TextureOptions& options, ImageInfo* info, Texture** out) {
    *out = nullptr;
    if (!data || size == 0) return kInvalidImage;
    try {
        Image image;
        const Decoded result =
            WithWicFactory([&](IWICImagingFactory* factory) { return DecodeMemory(factory, data, size, image); });
        if (result != Decoded::Ok) return result == Decoded::TooLarge ? kEOutOfMemory : kInvalidImage;
        return Upload(device, limits, image, options, info, out);
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
    try {
        return Upload(device, limits, image, options, nullptr, out);
    } catch (const std::bad_alloc&) {
        // The caller skips this picture; an exception here would end the effect.
        return kEOutOfMemory;
    }
}

bool DecodePictureFile(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    Decoded result = Decoded::NotPicture;
    try {
        std::string bytes;
        Image image;
        if (!Platform::ReadWholeFile(path, bytes)) {
            // A locked file, a drive still waking, a share that timed out: worth another lap.
            ReportDecodeFailure(PictureFailure::ReadError);
            return false;
        }
        const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
        const uint32_t size = static_cast<uint32_t>(bytes.size());
        uint32_t orientation = 0;
        result = WithWicFactory([&](IWICImagingFactory* factory) {
            const Decoded decoded = DecodeMemory(factory, data, size, image);
            if (decoded == Decoded::Ok) orientation = WicOrientation(factory, data, size);
            return decoded;
        });
        if (result == Decoded::Ok) {
            if (orientation == 0 && !ReadExifOrientation(data, bytes.size(), orientation)) orientation = 1;
            std::string().swap(bytes);
            return FinishPicture(image, orientation, target, out);
        }
    } catch (const std::bad_alloc&) {
        // Within the size rule and still more than this machine can hold just now: not the
        // picture's fault, so it is neither called too large nor dropped for the run.
        ReportDecodeFailure(PictureFailure::NoMemory);
        return false;
    }
    // The user sees nothing but a missing picture; the log says why, where a codec or the
    // picture's size is the reason. The stream reads a picture that failed so no second time.
    if (result == Decoded::TooLarge) {
        ReportDecodeFailure(PictureFailure::TooLarge);
        LogFailure(path, L"picture too large");
    }
    if (result == Decoded::NoCodec) {
        ReportDecodeFailure(PictureFailure::NoCodec);
        if (!FormatClaimed(path)) LogFailure(path, L"no decoder for this format");
    }
    return false;
}

namespace {
// The decoding thread's own apartment and factory, from BeginDecoderThread to its End.
thread_local WicThread* t_decoderThread = nullptr;
}  // namespace

bool BeginDecoderThread() {
    // Decoding ahead is background work: the frame loop, above all its first second, comes
    // first.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    if (t_decoderThread) return false;
    t_decoderThread = new (std::nothrow) WicThread(COINIT_MULTITHREADED);
    return t_decoderThread != nullptr;
}

void EndDecoderThread(bool begun) {
    if (!begun) return;
    delete t_decoderThread;
    t_decoderThread = nullptr;
}

}  // namespace WorkSpace
