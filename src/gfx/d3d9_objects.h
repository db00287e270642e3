// Internal to the Direct3D 9 backend (Windows only): textures and the effect, shared by
// d3d9_graphics.cpp, d3d9_effect.cpp and wic_texture.cpp.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <string>

#include "gfx/graphics_ops.h"

namespace WorkSpace {

class D3D9Texture : public Texture {
public:
    explicit D3D9Texture(IDirect3DTexture9* t) : texture(t) {}
    ~D3D9Texture() override { texture->Release(); }
    IDirect3DTexture9* texture;
};

inline IDirect3DTexture9* RawTexture(Texture* t) { return t ? static_cast<D3D9Texture*>(t)->texture : nullptr; }

class D3D9PixelShader : public PixelShader {
public:
    explicit D3D9PixelShader(IDirect3DPixelShader9* s) : shader(s) {}
    ~D3D9PixelShader() override { shader->Release(); }
    IDirect3DPixelShader9* shader;
};

inline IDirect3DPixelShader9* RawPixelShader(PixelShader* s) {
    return s ? static_cast<D3D9PixelShader*>(s)->shader : nullptr;
}

HResult CreateD3D9TextureFromMemory(IDirect3DDevice9* device, const TextureLimits& limits, const void* data,
                                    uint32_t size, const TextureOptions& options, ImageInfo* info, Texture** out);
HResult CreateD3D9TextureFromImage(IDirect3DDevice9* device, const TextureLimits& limits, const Image& image,
                                   const TextureOptions& options, Texture** out);
// A clip frame's plane texture (managed pool, one level) and its upload (d3d9_plane_texture.cpp).
HResult CreateD3D9PlaneTexture(IDirect3DDevice9* device, uint32_t width, uint32_t height, PlaneFormat format,
                               Texture** out);
HResult UpdateD3D9PlaneTexture(Texture* texture, const void* data, uint32_t rowBytes, uint32_t rows);
// A pixel shader assembled from its text with D3DAssemble (d3d9_effect.cpp).
HResult CreateD3D9PixelShader(IDirect3DDevice9* device, const char* assembly, PixelShader** out);
// `owner` is the wrapper of `device`, through which the effect saves and restores the
// states its pass changes; it outlives the effect.
HResult CreateD3D9Effect(IDirect3DDevice9* device, GraphicsDevice* owner, const void* data, uint32_t size,
                         Effect** out);

}  // namespace WorkSpace
