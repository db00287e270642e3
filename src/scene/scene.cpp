// The scene's set-up (the logo, the fixed camera, the frame's layers), the render states
// every layer shares, and the screen-space quads the picture, caption and logo layers draw.
#include "scene/scene.h"

#include "scene/frame_layer.h"
#include "scene/window.h"

namespace WorkSpace {

namespace {
struct ScreenVertex {
    float x, y, z, rhw, u, v;
};
struct TintedScreenVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(ScreenVertex) == 24 && sizeof(TintedScreenVertex) == 28, "FVF strides");
}  // namespace

bool InitScene() {
    Window& w = GetWindow();
    // The logo comes first, as the log has always shown it; without it nothing else is made.
    if (!w.InitLogo()) return false;
    const float aspect = static_cast<float>(w.clientRect[2]) / static_cast<float>(w.clientRect[3]);
    // The window's camera block holds the shared look-at; each view adds its own aspect.
    w.camera.projection = ViewProjection(aspect);
    w.camera.view = MatrixLookAtLH(Vec3{0.0f, -10.0f, 300.0f}, Vec3{0.0f, 0.0f, 0.0f}, Vec3{0.0f, 1.0f, 0.0f});
    return MakeFrameLayers(w);
}

void UpdateMatrices(uint8_t rotationFlag) { UpdateMatrices(rotationFlag, GetWindow().camera); }

void UpdateMatrices(uint8_t rotationFlag, CameraBlock& c) {
    (void)rotationFlag;  // always 0: the world never turns
    c.world = MatrixIdentity();
    c.worldView = MatrixMultiply(c.world, c.view);
    c.worldViewProjection = MatrixMultiply(c.worldView, c.projection);
}

void SetupSharedRenderState(GraphicsDevice* device) {
    device->SetRenderState(D3D::RS_LIGHTING, 0);
    device->SetRenderState(D3D::RS_CULLMODE, D3D::CULL_NONE);
    device->SetRenderState(D3D::RS_ZENABLE, D3D::ZB_FALSE);
    device->SetSamplerState(0, D3D::SAMP_MINFILTER, D3D::TEXF_POINT);
    device->SetSamplerState(0, D3D::SAMP_MAGFILTER, D3D::TEXF_POINT);
    device->SetSamplerState(0, D3D::SAMP_MIPFILTER, D3D::TEXF_NONE);
    device->SetSamplerState(0, D3D::SAMP_ADDRESSU, D3D::TADDRESS_CLAMP);
    device->SetSamplerState(0, D3D::SAMP_ADDRESSV, D3D::TADDRESS_CLAMP);
}

void SetupScreenQuadRenderState(GraphicsDevice* device) {
    SetupSharedRenderState(device);
    device->SetTextureStageState(0, D3D::TSS_COLOROP, D3D::TOP_MODULATE);
    device->SetTextureStageState(0, D3D::TSS_COLORARG1, D3D::TA_TEXTURE);
    device->SetTextureStageState(0, D3D::TSS_COLORARG2, D3D::TA_DIFFUSE);
    device->SetTextureStageState(0, D3D::TSS_ALPHAOP, D3D::TOP_SELECTARG1);
}

void DrawScreenQuad(GraphicsDevice* device, const float uv[4], const float rect[4]) {
    const ScreenVertex quad[4] = {
        {rect[0], rect[1], 0.0f, 1.0f, uv[0], uv[1]},
        {rect[2], rect[1], 0.0f, 1.0f, uv[2], uv[1]},
        {rect[2], rect[3], 0.0f, 1.0f, uv[2], uv[3]},
        {rect[0], rect[3], 0.0f, 1.0f, uv[0], uv[3]},
    };
    device->SetFVF(D3D::FVF_XYZRHW | D3D::FVF_TEX1);
    device->DrawPrimitiveUP(D3D::PT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
}

void DrawTintedScreenQuad(GraphicsDevice* device, const float uv[4], const float rect[4], uint32_t colour) {
    const TintedScreenVertex quad[4] = {
        {rect[0], rect[1], 0.0f, 1.0f, colour, uv[0], uv[1]},
        {rect[2], rect[1], 0.0f, 1.0f, colour, uv[2], uv[1]},
        {rect[2], rect[3], 0.0f, 1.0f, colour, uv[2], uv[3]},
        {rect[0], rect[3], 0.0f, 1.0f, colour, uv[0], uv[3]},
    };
    device->SetFVF(D3D::FVF_XYZRHW | D3D::FVF_DIFFUSE | D3D::FVF_TEX1);
    device->DrawPrimitiveUP(D3D::PT_TRIANGLEFAN, 2, quad, sizeof(TintedScreenVertex));
}

}  // namespace WorkSpace
