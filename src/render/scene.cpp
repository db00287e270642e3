#include "render/scene.h"

#include "settings/settings.h"
#include "platform/platform.h"
#include "render/picture_fit.h"
#include "render/picture_stream.h"
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

bool UserTextures::AddPicture(const DecodedPicture& picture, uint32_t listIndex) {
    if (!device_ || count_ == kMaxTextures) return false;
    Texture* texture = nullptr;
    TextureOptions options;
    options.mipLevels = 1;  // decoded at the size it is drawn; no mip filter samples the rest
    if (Failed(device_->CreateTextureFromImage(picture.image, options, &texture)) || !texture) return false;
    pictures_[count_++] = Picture{texture, picture.width, picture.height, listIndex};
    return true;
}

void UserTextures::DropFirst() {
    if (count_ == 0) return;
    pictures_[0].texture->Release();
    for (uint32_t i = 1; i < count_; ++i) pictures_[i - 1] = pictures_[i];
    pictures_[--count_] = Picture();
}

void UserTextures::Clear() {
    while (count_ > 0) DropFirst();
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

void AdvancePictureFade() {
    UserTextures& pictures = UserTextures::Instance();
    if (pictures.Count() < UserTextures::kMaxTextures) {
        StreamedPicture arrived;
        if (GetPictureStream().Take(arrived) && !pictures.AddPicture(arrived.picture, arrived.listIndex))
            Platform::DebugOutput(L"Failed to load texture. UserTextures::AddTexture ()\n");
    }
    CrossFade& state = PictureFade();
    if (pictures.Count() == 0) return;
    // Until the next picture has arrived the current one stays, whole; the fade waits.
    if (pictures.Count() >= 2) {
        state.fade = state.fade + 0.001f;
        if (state.fade >= 1.0f) {
            state.fade = 0.0f;
            pictures.DropFirst();
        }
    }
    state.current = pictures.At(0).listIndex;
    state.next = pictures.Count() >= 2 ? pictures.At(1).listIndex : state.current;
}

void DrawPictureLayer(const float area[4]) {
    UserTextures& pictures = UserTextures::Instance();
    const uint32_t n = pictures.Count();
    if (n == 0) return;
    GraphicsDevice* device = GetWindow().device;
    // Read at every frame: the dialog's preview lays its edited record over the loaded one.
    const PictureFit fit = static_cast<PictureFit>(GetSettings().GetClamped(SettingKey::PictureFit));
    auto draw = [&](const UserTextures::Picture& picture, uint32_t colour) {
        const PictureQuad quad = PlacePicture(fit, area, picture.width, picture.height);
        device->SetTexture(0, picture.texture);
        DrawTintedScreenQuad(quad.uv, quad.rect, colour);
    };
    if (n == 1) {
        // No blend state is set: blending is off here, so the picture covers its place.
        draw(pictures.At(0), 0xFFFFFFFF);
        return;
    }
    const CrossFade& state = PictureFade();
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_DIFFUSE);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_SRCCOLOR);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_INVSRCALPHA);
    draw(pictures.At(0), Grey(1.0f - state.fade));
    draw(pictures.At(1), Grey(state.fade));
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
