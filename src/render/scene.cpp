#include "render/scene.h"

#include "platform/platform.h"
#include "resources/logger.h"
#include "render/window.h"

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

uint32_t Grey(float weight) {
    uint32_t b = static_cast<uint32_t>(weight * 255.0f) & 0xFF;
    return (b << 24) | (b << 16) | (b << 8) | b;
}
}  // namespace

UserTextures& UserTextures::Instance() {
    static UserTextures* textures = new UserTextures();  // lives until the process ends
    return *textures;
}

UserTextures::~UserTextures() { Clear(); }

bool UserTextures::AddTexture(const std::wstring& path) {
    Texture* texture = nullptr;
    TextureOptions options;  // full mip chain, default size and filters
    const HResult hr = device_ ? device_->CreateTextureFromFile(path, options, nullptr, &texture) : kFail;
    if (Failed(hr) || !texture) {
        // A picture too large to hold is as unusable as one that cannot be decoded; it says
        // so in the log, because the user sees nothing but a missing picture.
        if (hr == kEOutOfMemory)
            GetLogger().Write(L"UserTextures::AddTexture() - %ls - picture too large - FAILED", path.c_str());
        Platform::DebugOutput(L"Failed to load texture. UserTextures::AddTexture ()\n");
        return false;
    }
    try {
        textures_.PushBack(texture);
    } catch (...) {
        texture->Release();
        throw;
    }
    return true;
}

void UserTextures::Clear() {
    for (uint32_t i = 0; i < textures_.Count(); ++i) textures_[i]->Release();
    textures_.Clear();
}

CrossFade& PictureFade() {
    static CrossFade fade;
    return fade;
}

void InitScene() {
    Window& w = GetWindow();
    if (!w.InitLogo()) return;
    const float aspect = static_cast<float>(w.clientRect[2]) / static_cast<float>(w.clientRect[3]);
    w.camera.projection = MatrixPerspectiveFovLH(1.2217306f, aspect, 1.0f, 1000.0f);
    w.camera.view = MatrixLookAtLH(Vec3{0.0f, -10.0f, 300.0f}, Vec3{0.0f, 0.0f, 0.0f}, Vec3{0.0f, 1.0f, 0.0f});
    w.effect.InitEffect(&w.camera, w.device);
}

void UpdateMatrices(uint8_t rotationFlag) {
    (void)rotationFlag;  // always 0: the world never turns
    CameraBlock& c = GetWindow().camera;
    c.world = MatrixIdentity();
    c.worldView = MatrixMultiply(c.world, c.view);
    c.worldViewProjection = MatrixMultiply(c.worldView, c.projection);
}

void DrawScreenQuad(const float uv[4], const float rect[4]) {
    GraphicsDevice* device = GetWindow().device;
    const ScreenVertex quad[4] = {
        {rect[0], rect[1], 0.0f, 1.0f, uv[0], uv[1]},
        {rect[2], rect[1], 0.0f, 1.0f, uv[2], uv[1]},
        {rect[2], rect[3], 0.0f, 1.0f, uv[2], uv[3]},
        {rect[0], rect[3], 0.0f, 1.0f, uv[0], uv[3]},
    };
    device->SetFVF(D3D::FVF_XYZRHW | D3D::FVF_TEX1);
    device->DrawPrimitiveUP(D3D::PT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
}

void DrawTintedScreenQuad(const float uv[4], const float rect[4], uint32_t colour) {
    GraphicsDevice* device = GetWindow().device;
    const TintedScreenVertex quad[4] = {
        {rect[0], rect[1], 0.0f, 1.0f, colour, uv[0], uv[1]},
        {rect[2], rect[1], 0.0f, 1.0f, colour, uv[2], uv[1]},
        {rect[2], rect[3], 0.0f, 1.0f, colour, uv[2], uv[3]},
        {rect[0], rect[3], 0.0f, 1.0f, colour, uv[0], uv[3]},
    };
    device->SetFVF(D3D::FVF_XYZRHW | D3D::FVF_DIFFUSE | D3D::FVF_TEX1);
    device->DrawPrimitiveUP(D3D::PT_TRIANGLEFAN, 2, quad, sizeof(TintedScreenVertex));
}

void DrawPictureLayer() {
    Window& w = GetWindow();
    UserTextures& pictures = UserTextures::Instance();
    const uint32_t n = pictures.Count();
    if (n == 0) return;
    GraphicsDevice* device = w.device;
    const float rect[4] = {0.0f, 0.0f, static_cast<float>(w.clientRect[2]), static_cast<float>(w.clientRect[3])};
    const float uv[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    if (n == 1) {
        device->SetTexture(0, pictures.At(0));
        DrawTintedScreenQuad(uv, rect, 0xFFFFFFFF);
        return;
    }

    CrossFade& state = PictureFade();
    // The indices survive a reload of the picture set; a smaller set starts again from
    // its first picture rather than reading past the end.
    if (state.current >= n || state.next >= n) {
        state.current = 0;
        state.next = 1;
    }
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_DIFFUSE);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_SRCCOLOR);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_INVSRCALPHA);
    state.fade = state.fade + 0.001f;
    if (state.fade >= 1.0f) {
        state.fade = 0.0f;
        if (++state.current == n) state.current = 0;
        if (++state.next == n) state.next = 0;
    }
    device->SetTexture(0, pictures.At(state.current));
    DrawTintedScreenQuad(uv, rect, Grey(1.0f - state.fade));
    device->SetTexture(0, pictures.At(state.next));
    DrawTintedScreenQuad(uv, rect, Grey(state.fade));
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
}

void DrawLogo() {
    Window& w = GetWindow();
    if (w.clientRect[2] - w.clientRect[0] < 640 || w.clientRect[3] - w.clientRect[1] < 480) return;
    GraphicsDevice* device = w.device;
    device->SetSamplerState(0, D3D::SAMP_ADDRESSU, D3D::TADDRESS_CLAMP);
    device->SetSamplerState(0, D3D::SAMP_ADDRESSV, D3D::TADDRESS_CLAMP);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_SRCALPHA);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_INVSRCALPHA);
    device->SetTexture(0, w.logo);
    const float H = static_cast<float>(w.clientRect[3]);
    const float lw = static_cast<float>(w.logoInfo.width), lh = static_cast<float>(w.logoInfo.height);
    const float uv[4] = {0.0f, 1.0f, 1.0f, 0.0f};
    const float rect[4] = {5.0f, H - 5.0f, 5.0f + lw, H - 5.0f - lh};
    DrawScreenQuad(uv, rect);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
}

}  // namespace WorkSpace
