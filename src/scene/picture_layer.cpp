#include "scene/picture_layer.h"

#include "platform/platform.h"
#include "pictures/picture_fit.h"
#include "scene/caption_quad.h"
#include "scene/scene.h"
#include "scene/window.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
uint32_t Grey(float weight) {
    uint32_t b = static_cast<uint32_t>(weight * 255.0f) & 0xFF;
    return (b << 24) | (b << 16) | (b << 8) | b;
}

void Advance(Window& w, const FrameSettings& settings) {
    if (settings.showPictures) AdvancePictureFade(w, settings.fadeStep);
}

void Draw(Window& w, const View& view, const FrameSettings& settings) {
    if (!settings.showPictures) return;
    const float area[4] = {static_cast<float>(view.rect.left), static_cast<float>(view.rect.top),
                           static_cast<float>(view.rect.right), static_cast<float>(view.rect.bottom)};
    DrawPictureLayer(w, area, settings.pictureFit);
}

// The textures go with the device; the stream's worker stops first, so nothing arrives
// for a device that is gone.
void Release(Window& w) { StopPictures(w); }
}  // namespace

// The device for uploads is handed over with the pictures' list (LoadScene, RebuildScene).
const FrameLayer kPictureLayer = {nullptr, Advance, Draw, Release};

UserTextures& UserTextures::Instance() {
    static UserTextures* textures = new UserTextures();  // lives until the process ends
    return *textures;
}

UserTextures::~UserTextures() { Clear(); }

void UserTextures::SetDevice(GraphicsDevice* device) {
    device_ = device;
    const TextureLimits limits = device ? device->GetTextureLimits() : TextureLimits{0, 0, false};
    SetPictureTextureLimits(limits.maxWidth, limits.maxHeight, limits.powerOfTwo);
}

bool UserTextures::AddPicture(const DecodedPicture& picture, uint32_t listIndex) {
    if (!device_ || count_ == kMaxTextures) return false;
    Texture* texture = nullptr;
    TextureOptions options;
    options.mipLevels = 1;  // decoded at the size it is drawn; no mip filter samples the rest
    const HResult hr = device_->CreateTextureFromImage(picture.image, options, &texture);
    if (Failed(hr) || !texture) {
        // Video or system memory short just now: this picture is skipped, the next one may
        // fit, and the effect goes on.
        if (!uploadFailureLogged_)
            GetLogger().Write(L"UserTextures::AddPicture() - CreateTextureFromImage 0x%08X - FAILED",
                              static_cast<unsigned>(hr));
        uploadFailureLogged_ = true;
        return false;
    }
    pictures_[count_++] = Picture{texture, picture.width, picture.height, listIndex};
    if (!picture.caption.pixels.empty()) {
        Picture& added = pictures_[count_ - 1];
        const HResult captionHr = device_->CreateTextureFromImage(picture.caption, options, &added.caption);
        if (Failed(captionHr) || !added.caption) {
            // The picture goes on without its caption.
            if (!captionFailureLogged_)
                GetLogger().Write(L"UserTextures::AddPicture() - caption CreateTextureFromImage 0x%08X - FAILED",
                                  static_cast<unsigned>(captionHr));
            captionFailureLogged_ = true;
            added.caption = nullptr;
        } else {
            added.captionWidth = picture.caption.width;
            added.captionHeight = picture.caption.height;
        }
    }
    return true;
}

void UserTextures::DropFirst() {
    if (count_ == 0) return;
    pictures_[0].texture->Release();
    if (pictures_[0].caption) pictures_[0].caption->Release();
    for (uint32_t i = 1; i < count_; ++i) pictures_[i - 1] = pictures_[i];
    pictures_[--count_] = Picture();
}

void UserTextures::Clear() {
    while (count_ > 0) DropFirst();
    uploadFailureLogged_ = false;
    captionFailureLogged_ = false;
}

float FadeStep(double framesPerSecond) { return static_cast<float>(0.001 * FrameRateFactor(framesPerSecond)); }

void StopPictures(Window& w) {
    w.pictureStream.Stop();
    UserTextures::Instance().Clear();
}

void StartPictures(Window& w, const std::vector<std::wstring>& entries, PictureStreamOptions options) {
    // The stream waits a moment for the first picture at most; one that comes later fades in.
    w.fade.fade = 0.0f;
    w.fade.framesWithout = 0;
    options.first = w.fade.current;
    w.pictureStream.Start(entries, options);
}

void AdvancePictureFade(Window& w, float step) {
    UserTextures& pictures = UserTextures::Instance();
    CrossFade& state = w.fade;
    const bool wereNone = pictures.Count() == 0;
    if (pictures.Count() < UserTextures::kMaxTextures) {
        StreamedPicture arrived;
        if (w.pictureStream.Take(arrived) && !pictures.AddPicture(arrived.picture, arrived.listIndex))
            Platform::DebugOutput(L"Failed to load texture. UserTextures::AddTexture ()\n");
    }
    if (pictures.Count() == 0) {
        ++state.framesWithout;
        return;
    }
    if (wereNone) state.appear = state.framesWithout > 0 ? 0.0f : 1.0f;
    state.captionSeconds += step / 0.06;  // the fade's step is 0.001 per 1/60 s
    state.appear = state.appear + 0.02f < 1.0f ? state.appear + 0.02f : 1.0f;
    // Until the next picture has arrived the current one stays, whole; the fade waits.
    if (pictures.Count() >= 2) {
        state.fade = state.fade + step;
        if (state.fade >= 1.0f) {
            state.fade = 0.0f;
            pictures.DropFirst();
        }
    }
    state.current = pictures.At(0).listIndex;
    state.next = pictures.Count() >= 2 ? pictures.At(1).listIndex : state.current;
}

void DrawPictureLayer(Window& w, const float area[4], PictureFit fit) {
    UserTextures& pictures = UserTextures::Instance();
    const uint32_t n = pictures.Count();
    if (n == 0) return;
    GraphicsDevice* device = w.device;
    auto draw = [&](const UserTextures::Picture& picture, uint32_t colour) {
        const PictureQuad quad = PlacePicture(fit, area, picture.width, picture.height);
        device->SetTexture(0, picture.texture);
        DrawTintedScreenQuad(device, quad.uv, quad.rect, colour);
    };
    const CrossFade& state = w.fade;
    // Each caption fades with its own picture.
    auto caption = [&](const UserTextures::Picture& picture, float weight) {
        DrawCaption(device, area, picture.caption, picture.captionWidth, picture.captionHeight, weight,
                    state.captionSeconds);
    };
    if (n == 1) {
        // Blending is off in the baseline every layer leaves behind: the picture covers its place.
        draw(pictures.At(0), Grey(state.appear));
        caption(pictures.At(0), state.appear);
        return;
    }
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_DIFFUSE);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_SRCCOLOR);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_INVSRCALPHA);
    draw(pictures.At(0), Grey(1.0f - state.fade));
    draw(pictures.At(1), Grey(state.fade));
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
    caption(pictures.At(0), 1.0f - state.fade);
    caption(pictures.At(1), state.fade);
}

}  // namespace WorkSpace
