// The Direct3D 9 backend: the platform table behind Window::Create, the device wrapper
// that forwards each graphics operation, textures from image files (WIC and our own TGA
// reader, see wic_texture.cpp) and the font object.
#include "gfx/d3d9_graphics.h"

#include <windows.h>
#include <d3d9.h>

#include <cstring>

#include "platform/win32_system_library.h"
#include "gfx/d3d9_objects.h"
#include "gfx/win32_monitors.h"

namespace WorkSpace {

namespace {

class D3D9Font : public Font {
public:
    explicit D3D9Font(HFONT font) : font_(font) {}
    ~D3D9Font() override { DeleteObject(font_); }
private:
    HFONT font_;
};

class D3D9Declaration : public VertexDeclaration {
public:
    explicit D3D9Declaration(IDirect3DVertexDeclaration9* d) : decl(d) {}
    ~D3D9Declaration() override { decl->Release(); }
    IDirect3DVertexDeclaration9* decl;
};

class D3D9Device : public GraphicsDevice {
public:
    explicit D3D9Device(IDirect3DDevice9* device) : device_(device) {
        D3DCAPS9 caps = {};
        if (SUCCEEDED(device_->GetDeviceCaps(&caps))) {
            limits_.maxWidth = caps.MaxTextureWidth ? caps.MaxTextureWidth : 2048;
            limits_.maxHeight = caps.MaxTextureHeight ? caps.MaxTextureHeight : 2048;
            limits_.powerOfTwo = (caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0 &&
                                 (caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) == 0;
        }
    }
    ~D3D9Device() override { device_->Release(); }

    IDirect3DDevice9* Raw() { return device_; }

    HResult GetDeviceCaps() override {
        D3DCAPS9 caps;
        return device_->GetDeviceCaps(&caps);
    }
    HResult SetTransform(uint32_t state, const Matrix& m) override {
        return device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(state), reinterpret_cast<const D3DMATRIX*>(&m));
    }
    HResult Clear(uint32_t rects, uint32_t flags, uint32_t color, float z, uint32_t stencil) override {
        return device_->Clear(rects, nullptr, flags, color, z, stencil);
    }
    HResult BeginScene() override { return device_->BeginScene(); }
    HResult EndScene() override { return device_->EndScene(); }
    uint32_t RefreshRate() override {
        D3DDISPLAYMODE mode = {};
        return SUCCEEDED(device_->GetDisplayMode(0, &mode)) ? mode.RefreshRate : 0;
    }
    HResult Present() override { return device_->Present(nullptr, nullptr, nullptr, nullptr); }
    HResult GetRasterStatus(RasterStatus* status) override {
        D3DRASTER_STATUS raster = {};
        D3DDISPLAYMODE mode = {};
        HRESULT hr = device_->GetRasterStatus(0, &raster);
        if (SUCCEEDED(hr)) hr = device_->GetDisplayMode(0, &mode);
        if (FAILED(hr)) return hr;
        status->inVBlank = raster.InVBlank != FALSE;
        status->scanLine = raster.InVBlank ? 0 : raster.ScanLine;
        status->height = mode.Height;
        return kOk;
    }
    HResult SetViewport(int32_t x, int32_t y, int32_t w, int32_t h) override {
        D3DVIEWPORT9 viewport = {static_cast<DWORD>(x), static_cast<DWORD>(y), static_cast<DWORD>(w),
                                 static_cast<DWORD>(h), 0.0f, 1.0f};
        return device_->SetViewport(&viewport);
    }
    HResult SetRenderState(uint32_t s, uint32_t v) override {
        return device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(s), v);
    }
    HResult SetSamplerState(uint32_t n, uint32_t t, uint32_t v) override {
        return device_->SetSamplerState(n, static_cast<D3DSAMPLERSTATETYPE>(t), v);
    }
    HResult GetSamplerState(uint32_t n, uint32_t t, uint32_t* v) override {
        DWORD value = 0;
        HRESULT hr = device_->GetSamplerState(n, static_cast<D3DSAMPLERSTATETYPE>(t), &value);
        *v = value;
        return hr;
    }
    HResult SetTextureStageState(uint32_t n, uint32_t t, uint32_t v) override {
        return device_->SetTextureStageState(n, static_cast<D3DTEXTURESTAGESTATETYPE>(t), v);
    }
    HResult SetTexture(uint32_t stage, Texture* t) override { return device_->SetTexture(stage, RawTexture(t)); }
    HResult SetFVF(uint32_t fvf) override { return device_->SetFVF(fvf); }
    HResult DrawPrimitiveUP(uint32_t type, uint32_t count, const void* vertices, uint32_t stride) override {
        return device_->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(type), count, vertices, stride);
    }
    HResult CreateVertexDeclaration(const VertexElement* elements, VertexDeclaration** out) override {
        static_assert(sizeof(VertexElement) == sizeof(D3DVERTEXELEMENT9), "same layout as D3DVERTEXELEMENT9");
        *out = nullptr;
        IDirect3DVertexDeclaration9* decl = nullptr;
        HRESULT hr = device_->CreateVertexDeclaration(reinterpret_cast<const D3DVERTEXELEMENT9*>(elements), &decl);
        if (SUCCEEDED(hr)) *out = new D3D9Declaration(decl);
        return hr;
    }
    HResult SetVertexDeclaration(VertexDeclaration* d) override {
        return device_->SetVertexDeclaration(d ? static_cast<D3D9Declaration*>(d)->decl : nullptr);
    }
    HResult DrawIndexedPrimitiveUP(uint32_t type, uint32_t minIndex, uint32_t vertexCount, uint32_t primitives,
                                   const void* indices, uint32_t format, const void* vertices,
                                   uint32_t stride) override {
        return device_->DrawIndexedPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(type), minIndex, vertexCount, primitives,
                                               indices, static_cast<D3DFORMAT>(format), vertices, stride);
    }
    HResult CreateTextureFromMemory(const void* data, uint32_t size, const TextureOptions& options, ImageInfo* info,
                                    Texture** out) override {
        return CreateD3D9TextureFromMemory(device_, limits_, data, size, options, info, out);
    }
    HResult CreateTextureFromImage(const Image& image, const TextureOptions& options, Texture** out) override {
        return CreateD3D9TextureFromImage(device_, limits_, image, options, out);
    }
    TextureLimits GetTextureLimits() const override { return limits_; }
    HResult CreateEffect(const void* data, uint32_t size, Effect** out) override {
        return CreateD3D9Effect(device_, this, data, size, out);
    }
    HResult CreatePlaneTexture(uint32_t width, uint32_t height, PlaneFormat format, Texture** out) override {
        return CreateD3D9PlaneTexture(device_, width, height, format, out);
    }
    HResult UpdatePlaneTexture(Texture* texture, const void* data, uint32_t rowBytes, uint32_t rows) override {
        return UpdateD3D9PlaneTexture(texture, data, rowBytes, rows);
    }
    HResult CreatePixelShader(const char* assembly, PixelShader** out) override {
        return CreateD3D9PixelShader(device_, assembly, out);
    }
    HResult SetPixelShader(PixelShader* shader) override { return device_->SetPixelShader(RawPixelShader(shader)); }
    HResult SetPixelShaderConstants(uint32_t first, const float* values, uint32_t count) override {
        return device_->SetPixelShaderConstantF(first, values, count);
    }

private:
    IDirect3DDevice9* device_;
    TextureLimits limits_;
};

class D3D9System : public GraphicsSystem {
public:
    explicit D3D9System(IDirect3D9* d3d) : d3d_(d3d) {}
    ~D3D9System() override { d3d_->Release(); }

    HResult GetDeviceCaps(uint32_t* vertexProcessingCaps) override {
        D3DCAPS9 caps = {};
        HRESULT hr = d3d_->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);
        *vertexProcessingCaps = caps.VertexProcessingCaps;
        return hr;
    }

    HResult CreateDevice(void* window, GraphicsDevice** out) override {
        *out = nullptr;
        D3DPRESENT_PARAMETERS pp = {};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_FLIP;
        pp.BackBufferFormat = D3DFMT_UNKNOWN;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        IDirect3DDevice9* device = nullptr;
        HRESULT hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, static_cast<HWND>(window),
                                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
        if (SUCCEEDED(hr)) *out = new D3D9Device(device);
        return hr;
    }

private:
    IDirect3D9* d3d_;
};

// d3d9.dll is no known DLL, so as a static import Windows would take it from the program's
// own folder first. Everything else of Direct3D 9 is reached through its interfaces.
IDirect3D9* CreateDirect3D9(UINT sdkVersion) {
    using CreateFn = IDirect3D9*(WINAPI*)(UINT);
    static const CreateFn create = [] {
        HMODULE d3d9 = LoadSystemLibrary(L"d3d9.dll");
        return d3d9 ? reinterpret_cast<CreateFn>(reinterpret_cast<void*>(GetProcAddress(d3d9, "Direct3DCreate9")))
                    : nullptr;
    }();
    return create ? create(sdkVersion) : nullptr;
}

}  // namespace

const GraphicsPlatform& DefaultGraphicsPlatform() {
    static const GraphicsPlatform platform = {
        [](void* window) { return IsWindow(static_cast<HWND>(window)) != FALSE; },
        [](void* window, int32_t rect[4]) {
            RECT r = {};
            BOOL ok = GetClientRect(static_cast<HWND>(window), &r);
            rect[0] = r.left;
            rect[1] = r.top;
            rect[2] = r.right;
            rect[3] = r.bottom;
            return ok != FALSE;
        },
        [](uint32_t sdkVersion) -> GraphicsSystem* {
            IDirect3D9* d3d = CreateDirect3D9(sdkVersion);
            return d3d ? new D3D9System(d3d) : nullptr;
        },
        [](GraphicsDevice*, Font** out) -> HResult {
            // The font the saver has always made (Tahoma bold, 14 pixels); nothing draws with it.
            HFONT font = CreateFontW(14, 0, 0, 0, 700, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0, L"Tahoma \u041f\u043e\u043b\u0443\u0436\u0438\u0440\u043d\u044b\u0439");
            *out = font ? new D3D9Font(font) : nullptr;
            return font ? S_OK : E_FAIL;
        },
        ReadDisplayLayout,  // win32_monitors.cpp
    };
    return platform;
}

bool ReadBackBuffer(GraphicsDevice* device, uint32_t& width, uint32_t& height, std::vector<uint32_t>& pixels) {
    if (!device) return false;
    IDirect3DDevice9* raw = static_cast<D3D9Device*>(device)->Raw();
    IDirect3DSurface9* back = nullptr;
    if (FAILED(raw->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return false;
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    bool ok = false;
    if (SUCCEEDED(raw->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                   nullptr)) &&
        SUCCEEDED(raw->GetRenderTargetData(back, copy))) {
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            width = desc.Width;
            height = desc.Height;
            pixels.resize(static_cast<size_t>(width) * height);
            for (uint32_t y = 0; y < height; ++y)
                std::memcpy(&pixels[static_cast<size_t>(y) * width],
                            static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch,
                            width * 4);
            copy->UnlockRect();
            ok = true;
        }
    }
    if (copy) copy->Release();
    back->Release();
    return ok;
}

}  // namespace WorkSpace
