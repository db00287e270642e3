// Every graphics operation the scene calls, as one interface with two backends: Direct3D 9
// (d3d9_graphics.cpp) and a recorder (recording_graphics.cpp) that logs each call so frame
// order and render states can be tested without a device. Values are Direct3D 9's own.
#pragma once
#include <cstdint>
#include <string>

#include "base/d3dx_math.h"
#include "imaging/image.h"
#include "gfx/view.h"

namespace WorkSpace {

using HResult = int32_t;
constexpr HResult kOk = 0;
constexpr HResult kFail = static_cast<HResult>(0x80004005);
inline bool Failed(HResult hr) { return hr < 0; }
// What Present reports when the device is gone (a display slept, a driver reset, a remote
// session): D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET, D3DERR_DRIVERINTERNALERROR.
constexpr HResult kDeviceLost = static_cast<HResult>(0x88760868);
constexpr HResult kDeviceNotReset = static_cast<HResult>(0x88760869);
constexpr HResult kDriverInternalError = static_cast<HResult>(0x88760827);
// A device that reported one of these draws nothing more until it is made again.
inline bool NeedsNewDevice(HResult hr) {
    return hr == kDeviceLost || hr == kDeviceNotReset || hr == kDriverInternalError;
}

namespace D3D {
// Render states
constexpr uint32_t RS_ZENABLE = 7, RS_SRCBLEND = 19, RS_DESTBLEND = 20, RS_CULLMODE = 22,
                   RS_ALPHABLENDENABLE = 27, RS_LIGHTING = 137;
constexpr uint32_t ZB_FALSE = 0, CULL_NONE = 1;
constexpr uint32_t BLEND_ONE = 2, BLEND_SRCCOLOR = 3, BLEND_SRCALPHA = 5, BLEND_INVSRCALPHA = 6;
// Sampler states
constexpr uint32_t SAMP_ADDRESSU = 1, SAMP_ADDRESSV = 2, SAMP_MAGFILTER = 5, SAMP_MINFILTER = 6,
                   SAMP_MIPFILTER = 7;
constexpr uint32_t TADDRESS_CLAMP = 3, TEXF_NONE = 0, TEXF_POINT = 1, TEXF_LINEAR = 2;
// Texture stage states
constexpr uint32_t TSS_COLOROP = 1, TSS_COLORARG1 = 2, TSS_COLORARG2 = 3, TSS_ALPHAOP = 4, TSS_ALPHAARG1 = 5,
                   TSS_ALPHAARG2 = 6;
constexpr uint32_t TOP_SELECTARG1 = 2, TOP_MODULATE = 4;
constexpr uint32_t TA_DIFFUSE = 0, TA_TEXTURE = 2;
// Transforms
constexpr uint32_t TS_VIEW = 2, TS_PROJECTION = 3;
// Clear flags
constexpr uint32_t CLEAR_TARGET = 1, CLEAR_ZBUFFER = 2;
// Primitives, FVF, index format
constexpr uint32_t PT_TRIANGLELIST = 4, PT_TRIANGLEFAN = 6;
constexpr uint32_t FVF_XYZRHW = 0x004, FVF_DIFFUSE = 0x040, FVF_TEX1 = 0x100;
constexpr uint32_t FMT_INDEX16 = 101;
// Vertex declaration
constexpr uint8_t DECLTYPE_FLOAT2 = 1, DECLTYPE_FLOAT3 = 2, DECLTYPE_FLOAT4 = 3, DECLTYPE_UNUSED = 17;
constexpr uint8_t DECLUSAGE_POSITION = 0, DECLUSAGE_TEXCOORD = 5;
}  // namespace D3D

struct VertexElement {
    uint16_t stream, offset;
    uint8_t type, method, usage, usageIndex;
};

// Source image information of a texture loaded from a file (D3DXIMAGE_INFO's size).
struct ImageInfo {
    uint32_t width = 0, height = 0;
};

// Objects the backends create. Each is released exactly once with Release().
class GraphicsObject {
public:
    virtual ~GraphicsObject() = default;
    void Release() { delete this; }
};
class Texture : public GraphicsObject {};
class VertexDeclaration : public GraphicsObject {};
class Font : public GraphicsObject {};
class PixelShader : public GraphicsObject {};

// The formats of a clip frame's planes: 8-bit luma (L8) and chroma pairs (A8L8: the first
// byte of a pair in L, the second in A), or their 16-bit kin for 10-bit frames (L16, G16R16:
// the first of a pair in R, the second in G). Direct3D 9's D3DFORMAT numbers.
enum class PlaneFormat : uint32_t { L8 = 50, A8L8 = 51, L16 = 81, G16R16 = 34 };
// Bytes a texel of the format holds.
inline uint32_t PlaneTexelBytes(PlaneFormat format) {
    return format == PlaneFormat::L8 ? 1u : (format == PlaneFormat::G16R16 ? 4u : 2u);
}

// An effect with one technique and named parameters, as the particle renderer uses it.
class Effect : public GraphicsObject {
public:
    virtual HResult SetTechnique(const char* name) = 0;
    virtual HResult SetMatrix(const char* name, const Matrix& m) = 0;
    virtual HResult SetTexture(const char* name, Texture* texture) = 0;
    virtual HResult Begin(uint32_t* passes, uint32_t flags) = 0;
    virtual HResult BeginPass(uint32_t pass) = 0;
    virtual HResult CommitChanges() = 0;
    virtual HResult EndPass() = 0;
    virtual HResult End() = 0;
};

// The largest texture a device takes, and whether its sides must be powers of two.
// Where the raster of the monitor the device presents on is (IDirect3DDevice9::GetRasterStatus),
// with the mode's height that its scan line counts against.
struct RasterStatus {
    bool inVBlank = false;
    uint32_t scanLine = 0;  // 0 at the top of the screen; 0 and meaningless in the blank
    uint32_t height = 0;    // the display mode's lines
};

struct TextureLimits {
    uint32_t maxWidth = 2048, maxHeight = 2048;
    bool powerOfTwo = false;
};

// Texture creation options that differ between callers.
struct TextureOptions {
    uint32_t mipLevels = 0;  // 0: a full chain (D3DX_DEFAULT)
};

class GraphicsDevice : public GraphicsObject {
public:
    virtual HResult GetDeviceCaps() = 0;
    virtual HResult SetTransform(uint32_t state, const Matrix& m) = 0;
    virtual HResult Clear(uint32_t rectCount, uint32_t flags, uint32_t color, float z, uint32_t stencil) = 0;
    virtual HResult BeginScene() = 0;
    virtual HResult EndScene() = 0;
    virtual HResult Present() = 0;
    // The nominal refresh rate in Hz of the display the device presents to (its display
    // mode); 0 when unknown.
    virtual uint32_t RefreshRate() = 0;
    // The raster's position now. D3DERR_INVALIDCALL where the driver cannot read the scan line
    // (no D3DCAPS_READ_SCANLINE); a device that cannot tell fails.
    virtual HResult GetRasterStatus(RasterStatus* status) {
        (void)status;
        return kFail;
    }
    // A rectangle of the back buffer in pixels, depth 0 to 1. Clear without rectangles
    // clears only the viewport, so a frame starts with the whole buffer.
    virtual HResult SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual HResult SetRenderState(uint32_t state, uint32_t value) = 0;
    virtual HResult SetSamplerState(uint32_t sampler, uint32_t type, uint32_t value) = 0;
    virtual HResult GetSamplerState(uint32_t sampler, uint32_t type, uint32_t* value) = 0;
    virtual HResult SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) = 0;
    virtual HResult SetTexture(uint32_t stage, Texture* texture) = 0;
    virtual HResult SetFVF(uint32_t fvf) = 0;
    virtual HResult DrawPrimitiveUP(uint32_t type, uint32_t primitiveCount, const void* vertices,
                                    uint32_t stride) = 0;
    virtual HResult CreateVertexDeclaration(const VertexElement* elements, VertexDeclaration** out) = 0;
    virtual HResult SetVertexDeclaration(VertexDeclaration* declaration) = 0;
    virtual HResult DrawIndexedPrimitiveUP(uint32_t type, uint32_t minIndex, uint32_t vertexCount,
                                           uint32_t primitiveCount, const void* indices,
                                           uint32_t indexFormat, const void* vertices,
                                           uint32_t stride) = 0;
    // The extension-library operations (D3DXCreateTextureFromFileInMemoryEx, D3DXCreateEffect)
    // live with the device because they need it.
    virtual HResult CreateTextureFromMemory(const void* data, uint32_t size, const TextureOptions& options,
                                            ImageInfo* info, Texture** out) = 0;
    // Uploads decoded pixels (see picture_decode.h for the decoding, which needs no device),
    // shrunk only where the device's texture limits demand it. Pictures are decoded to fit
    // those limits already, so this copies nothing; a failed allocation is E_OUTOFMEMORY.
    virtual HResult CreateTextureFromImage(const Image& image, const TextureOptions& options, Texture** out) = 0;
    // What CreateTextureFromImage would shrink a picture to fit; no limit but the decoders'
    // own unless the device says otherwise.
    virtual TextureLimits GetTextureLimits() const { return TextureLimits{kMaxImageSide, kMaxImageSide, false}; }
    virtual HResult CreateEffect(const void* data, uint32_t size, Effect** out) = 0;
    // A texture of one plane of a clip's frames, written again with each new frame (no mip
    // levels; kept by the device across a reset like every picture texture).
    virtual HResult CreatePlaneTexture(uint32_t width, uint32_t height, PlaneFormat format, Texture** out) = 0;
    // Copies `rows` rows of `rowBytes` bytes each (tightly packed) into such a texture.
    virtual HResult UpdatePlaneTexture(Texture* texture, const void* data, uint32_t rowBytes, uint32_t rows) = 0;
    // A pixel shader from its assembly text (D3DAssemble); set with SetPixelShader, null for
    // the fixed-function stages again. Constants are float4 registers from `first`.
    virtual HResult CreatePixelShader(const char* assembly, PixelShader** out) = 0;
    virtual HResult SetPixelShader(PixelShader* shader) = 0;
    virtual HResult SetPixelShaderConstants(uint32_t first, const float* values, uint32_t count) = 0;
};

// The Direct3D 9 root object (IDirect3D9).
class GraphicsSystem : public GraphicsObject {
public:
    // VertexProcessingCaps of adapter 0, HAL.
    virtual HResult GetDeviceCaps(uint32_t* vertexProcessingCaps) = 0;
    virtual HResult CreateDevice(void* window, GraphicsDevice** out) = 0;
};

// The window-system and factory functions behind Window::Create. The Direct3D 9 table is
// the default on Windows; tests and Linux install their own.
struct GraphicsPlatform {
    bool (*isWindow)(void* window);
    bool (*getClientRect)(void* window, int32_t rect[4]);
    GraphicsSystem* (*create)(uint32_t sdkVersion);  // Direct3DCreate9
    HResult (*createFont)(GraphicsDevice* device, Font** out);
    // The window's client area and the monitors on the virtual desktop; a child window
    // (the small preview) reports no monitors and is drawn as one view.
    void (*getDisplayLayout)(void* window, DisplayLayout* layout);
};
const GraphicsPlatform& GetGraphicsPlatform();
// nullptr restores the default.
void SetGraphicsPlatform(const GraphicsPlatform* platform);

template <typename T>
void SafeRelease(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace WorkSpace
