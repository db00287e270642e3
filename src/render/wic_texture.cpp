// Textures from image files in memory or on disk: WIC decodes PNG, JPEG, BMP, TIFF and
// GIF; TGA, which WIC has no decoder for, goes through our own reader. Pictures larger
// than the device allows are scaled down (a 6000x4000 photo must still load), sizes are
// rounded to powers of two where the device demands it, and the requested mip chain is
// built with a box filter.
#include <windows.h>
#include <wincodec.h>

#include <cstring>
#include <new>

#include "base/program_error.h"
#include "platform/platform.h"
#include "render/d3d9_objects.h"
#include "render/d3dx/image.h"

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

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
    FILE* f = Platform::OpenFile(path, "rb");
    if (!f) return false;
    bool ok = fseek(f, 0, SEEK_END) == 0;
    long size = ok ? ftell(f) : -1;
    ok = ok && size > 0 && size < (1L << 30) && fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    fclose(f);
    return ok;
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

HResult CreateD3D9TextureFromFile(IDirect3DDevice9* device, const TextureLimits& limits, const std::wstring& path,
                                  const TextureOptions& options, ImageInfo* info, Texture** out) {
    *out = nullptr;
    try {
        std::vector<uint8_t> bytes;
        Image image;
        bool tooLarge = false;
        if (!ReadWholeFile(path, bytes)) return kInvalidImage;
        if (!DecodeMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), image, tooLarge))
            return tooLarge ? kEOutOfMemory : kInvalidImage;
        return Upload(device, limits, std::move(image), options, info, out);
    } catch (const std::bad_alloc&) {
        return kEOutOfMemory;
    }
}

}  // namespace WorkSpace
