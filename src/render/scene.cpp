#include "render/scene.h"

#include "config/settings.h"
#include "platform/platform.h"
#include "render/picture_fit.h"
#include "render/window.h"
#include "resources/logger.h"

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
    ImageInfo info;
    TextureOptions options;  // full mip chain, default size and filters
    const HResult hr = device_ ? device_->CreateTextureFromFile(path, options, &info, &texture) : kFail;
    if (Failed(hr) || !texture) {
        // A picture too large to hold is as unusable as one that cannot be decoded; it says
        // so in the log, because the user sees nothing but a missing picture.
        if (hr == kEOutOfMemory)
            GetLogger().Write(L"UserTextures::AddTexture() - %ls - picture too large - FAILED", path.c_str());
        Platform::DebugOutput(L"Failed to load texture. UserTextures::AddTexture ()\n");
        return false;
    }
    try {
        infos_.Reserve(static_cast<uint64_t>(textures_.Count()) + 1);
        textures_.PushBack(texture);
        infos_.PushBack(info);
    } catch (...) {
        texture->Release();
        throw;
    }
    return true;
}

void UserTextures::Clear() {
    for (uint32_t i = 0; i < textures_.Count(); ++i) textures_[i]->Release();
    textures_.Clear();
    infos_.Clear();
}

CrossFade& PictureFade() {
    static CrossFade fade;
    return fade;
}

void InitScene() {
    Window& w = GetWindow();
    View whole;
    whole.rect.right = w.clientRect[2];
    whole.rect.bottom = w.clientRect[3];
    whole.aspect = static_cast<float>(w.clientRect[2]) / static_cast<float>(w.clientRect[3]);
    InitScene(whole);
}

void InitScene(View& view) {
    Window& w = GetWindow();
    if (!w.InitLogo()) return;
    // The window's camera block holds the shared look-at; each view adds its own aspect.
    w.camera.projection = ViewProjection(view.aspect);
    w.camera.view = MatrixLookAtLH(Vec3{0.0f, -10.0f, 300.0f}, Vec3{0.0f, 0.0f, 0.0f}, Vec3{0.0f, 1.0f, 0.0f});
    view.camera = w.camera;
    w.effect.InitEffect(&w.camera, w.device);
}

void UpdateMatrices(uint8_t rotationFlag) { UpdateMatrices(rotationFlag, GetWindow().camera); }

void UpdateMatrices(uint8_t rotationFlag, CameraBlock& c) {
    (void)rotationFlag;  // always 0: the world never turns
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

namespace {
// The indices survive a reload of the picture set; a smaller set starts again from its
// first picture rather than reading past the end.
void KeepFadeInRange(CrossFade& state, uint32_t n) {
    if (state.current >= n || state.next >= n) {
        state.current = 0;
        state.next = 1;
    }
}

void DrawPicture(uint32_t index, PictureFit fit, const float area[4], uint32_t colour) {
    UserTextures& pictures = UserTextures::Instance();
    const ImageInfo& info = pictures.InfoAt(index);
    const PictureQuad quad = PlacePicture(fit, area, info.width, info.height);
    GetWindow().device->SetTexture(0, pictures.At(index));
    DrawTintedScreenQuad(quad.uv, quad.rect, colour);
}
}  // namespace

void AdvancePictureFade() {
    const uint32_t n = UserTextures::Instance().Count();
    if (n < 2) return;
    CrossFade& state = PictureFade();
    KeepFadeInRange(state, n);
    state.fade = state.fade + 0.001f;
    if (state.fade >= 1.0f) {
        state.fade = 0.0f;
        if (++state.current == n) state.current = 0;
        if (++state.next == n) state.next = 0;
    }
}

void DrawPictureLayer(const float area[4]) {
    Window& w = GetWindow();
    UserTextures& pictures = UserTextures::Instance();
    const uint32_t n = pictures.Count();
    if (n == 0) return;
    GraphicsDevice* device = w.device;
    const PictureFit fit = static_cast<PictureFit>(GetSettings().GetClamped(SettingKey::PictureFit));
    if (n == 1) {
        DrawPicture(0, fit, area, 0xFFFFFFFF);
        return;
    }

    CrossFade& state = PictureFade();
    KeepFadeInRange(state, n);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_DIFFUSE);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_SRCCOLOR);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_INVSRCALPHA);
    DrawPicture(state.current, fit, area, Grey(1.0f - state.fade));
    DrawPicture(state.next, fit, area, Grey(state.fade));
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
}

void DrawLogo() {
    const Window& w = GetWindow();
    View whole;
    whole.rect.left = w.clientRect[0];
    whole.rect.top = w.clientRect[1];
    whole.rect.right = w.clientRect[2];
    whole.rect.bottom = w.clientRect[3];
    DrawLogo(whole);
}

void DrawLogo(const View& view) {
    Window& w = GetWindow();
    if (view.rect.Width() < 640 || view.rect.Height() < 480) return;
    GraphicsDevice* device = w.device;
    device->SetSamplerState(0, D3D::SAMP_ADDRESSU, D3D::TADDRESS_CLAMP);
    device->SetSamplerState(0, D3D::SAMP_ADDRESSV, D3D::TADDRESS_CLAMP);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_SRCALPHA);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_INVSRCALPHA);
    device->SetTexture(0, w.logo);
    const float L = static_cast<float>(view.rect.left), H = static_cast<float>(view.rect.bottom);
    const float lw = static_cast<float>(w.logoInfo.width), lh = static_cast<float>(w.logoInfo.height);
    const float uv[4] = {0.0f, 1.0f, 1.0f, 0.0f};
    const float rect[4] = {L + 5.0f, H - 5.0f, L + 5.0f + lw, H - 5.0f - lh};
    DrawScreenQuad(uv, rect);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
}

}  // namespace WorkSpace
