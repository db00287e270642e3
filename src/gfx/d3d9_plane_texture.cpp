// The planes of a clip's frames as Direct3D 9 textures: one luma and one chroma texture per
// clip, made once in the managed pool (so a device reset keeps them) and written row by row
// with each new frame. The colours are made from them on the card (yuv_colour.h).
#include <windows.h>
#include <d3d9.h>

#include <cstring>

#include "gfx/d3d9_objects.h"

namespace WorkSpace {

HResult CreateD3D9PlaneTexture(IDirect3DDevice9* device, uint32_t width, uint32_t height, PlaneFormat format,
                               Texture** out) {
    *out = nullptr;
    if (!device || width == 0 || height == 0) return D3DERR_INVALIDCALL;
    IDirect3DTexture9* texture = nullptr;
    const HRESULT hr = device->CreateTexture(width, height, 1, 0, static_cast<D3DFORMAT>(format), D3DPOOL_MANAGED,
                                             &texture, nullptr);
    if (SUCCEEDED(hr)) *out = new D3D9Texture(texture);
    return hr;
}

HResult UpdateD3D9PlaneTexture(Texture* texture, const void* data, uint32_t rowBytes, uint32_t rows) {
    IDirect3DTexture9* raw = RawTexture(texture);
    if (!raw || !data) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc = {};
    HRESULT hr = raw->GetLevelDesc(0, &desc);
    if (FAILED(hr)) return hr;
    if (rows > desc.Height) rows = desc.Height;
    D3DLOCKED_RECT locked = {};
    hr = raw->LockRect(0, &locked, nullptr, 0);
    if (FAILED(hr)) return hr;
    const uint32_t copy = static_cast<uint32_t>(locked.Pitch) < rowBytes ? static_cast<uint32_t>(locked.Pitch)
                                                                       : rowBytes;
    const uint8_t* from = static_cast<const uint8_t*>(data);
    uint8_t* to = static_cast<uint8_t*>(locked.pBits);
    for (uint32_t y = 0; y < rows; ++y) memcpy(to + static_cast<size_t>(y) * locked.Pitch, from + size_t{y} * rowBytes, copy);
    return raw->UnlockRect(0);
}

}  // namespace WorkSpace
