// Textures from image files in memory: the archive's logo and particle, and the user's
// pictures already decoded on the stream's worker. Pictures larger than the device allows are
// scaled down (a 6000x4000 photo must still load), sizes are rounded to powers of two where
// the device demands it, and the requested mip chain is built with a box filter. Decoding
// itself is the pictures' (wic_picture_decode.cpp).
#include <windows.h>

#include <cstring>
#include <new>

#include "base/program_error.h"
#include "gfx/d3d9_objects.h"
#include "imaging/image.h"
#include "imaging/picture_decode.h"
#include "imaging/resample.h"

namespace WorkSpace {

namespace {

// D3DXERR_INVALIDDATA: what the extension library reports for an image it cannot read.
// A picture too large to hold gets E_OUTOFMEMORY, as when its allocation fails there.
constexpr HResult kInvalidImage = static_cast<HResult>(0x88760B59);

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

}  // namespace

HResult CreateD3D9TextureFromMemory(IDirect3DDevice9* device, const TextureLimits& limits, const void* data,
                                    uint32_t size, const TextureOptions& options, ImageInfo* info, Texture** out) {
    *out = nullptr;
    if (!data || size == 0) return kInvalidImage;
    try {
        Image image;
        const ImageDecodeResult result = DecodeImageBytes(data, size, image);
        if (result != ImageDecodeResult::Ok) return result == ImageDecodeResult::TooLarge ? kEOutOfMemory : kInvalidImage;
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

}  // namespace WorkSpace
