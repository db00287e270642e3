// The clock layer (clock_layer.h): starts the clock's worker for the views it shows on, uploads
// each minute's picture, and draws it in a corner that no caption on screen takes.
#include "scene/clock_layer.h"

#include "resources/logger.h"
#include "scene/caption_quad.h"
#include "scene/picture_layer.h"
#include "scene/window.h"
#include "settings/language.h"

namespace WorkSpace {

namespace {
// The tallest view, which the clock's text is sized for (as the pictures are decoded for it).
uint32_t TallestView(const Window& w) {
    int32_t height = 0;
    for (int32_t i = 0; i < w.views.count; ++i)
        if (w.views.views[i].rect.Height() > height) height = w.views.views[i].rect.Height();
    return static_cast<uint32_t>(height);
}

void DropTexture(ClockState& clock) {
    if (clock.texture) clock.texture->Release();
    clock.texture = nullptr;
    clock.width = clock.height = 0;
}

void Upload(Window& w, ClockState& clock, const Image& picture) {
    Texture* texture = nullptr;
    TextureOptions options;
    options.mipLevels = 1;  // drawn texel for pixel
    const HResult hr = w.device->CreateTextureFromImage(picture, options, &texture);
    if (Failed(hr) || !texture) {
        // The last minute's clock stays up; the next minute tries again.
        if (!clock.uploadFailureLogged)
            GetLogger().Write(L"ClockLayer::Advance() - CreateTextureFromImage 0x%08X - FAILED",
                              static_cast<unsigned>(hr));
        clock.uploadFailureLogged = true;
        return;
    }
    DropTexture(clock);
    clock.texture = texture;
    clock.width = picture.width;
    clock.height = picture.height;
}

void Advance(Window& w, const FrameSettings& settings) {
    ClockState& clock = ClockLayerData(w);
    const uint32_t height = TallestView(w);
    // Off, or only views too small to read it on (the display settings' small preview, where
    // the caption is left out too): no worker, no texture.
    if (settings.clock == 0 || height < kCaptionLeastViewHeight || !w.device) {
        if (clock.maker.Running() || clock.texture) ReleaseClock(w);
        return;
    }
    const ClockMode mode = static_cast<ClockMode>(settings.clock);
    if (!clock.maker.Running() || clock.maker.Options().mode != mode || clock.maker.Options().viewHeight != height) {
        ClockOptions options;
        options.mode = mode;
        options.language = ReadLanguageNumber();
        options.viewHeight = height;
        DropTexture(clock);
        clock.maker.Start(options);
    }
    Image picture;
    if (clock.maker.Take(picture)) Upload(w, clock, picture);
    clock.seconds += settings.fadeStep / kFadePerSecond;
}

// The corners the captions of the view's pictures are in (the picture layer's lane for it).
unsigned CaptionCorners(Window& w, const View& view, const FrameSettings& settings) {
    if (!settings.showPictures) return 0;
    const uint32_t lanes = PictureLanes(w, settings.picturesPerMonitor);
    uint32_t lane = static_cast<uint32_t>(&view - w.views.views) % lanes;
    if (PictureLane(w, lane).Count() == 0) lane = 0;
    const UserTextures& pictures = PictureLane(w, lane);
    unsigned corners = 0;
    for (uint32_t i = 0; i < pictures.Count() && i < 2; ++i) {
        // The picture layer gives each picture on screen its corner before any view is drawn.
        const UserTextures::Picture& picture = pictures.At(i);
        if ((picture.caption || picture.partnerCaption) && picture.captionCorner >= 0)
            corners |= 1u << picture.captionCorner;
    }
    return corners;
}

void Draw(Window& w, const View& view, const FrameSettings& settings) {
    const ClockState& clock = ClockLayerData(w);
    if (settings.clock == 0 || !clock.texture || view.rect.Height() < static_cast<int32_t>(kCaptionLeastViewHeight))
        return;
    const float area[4] = {static_cast<float>(view.rect.left), static_cast<float>(view.rect.top),
                           static_cast<float>(view.rect.right), static_cast<float>(view.rect.bottom)};
    const int corner = ClockCorner(clock.seconds, CaptionCorners(w, view, settings));
    DrawCaption(w.device, area, clock.texture, clock.width, clock.height, 1.0f, corner, clock.seconds);
}
}  // namespace

int ClockCorner(double seconds, unsigned captionCorners) {
    int corner = (CaptionCorner(seconds) + 1) % 3;
    for (int tried = 0; tried < 2 && (captionCorners & (1u << corner)) != 0; ++tried) corner = (corner + 1) % 3;
    return corner;
}

ClockState& ClockLayerData(Window& w) { return *w.clockLayer_; }

void ReleaseClock(Window& w) {
    ClockState& clock = ClockLayerData(w);
    clock.maker.Stop();
    DropTexture(clock);
}

// The worker starts with the first frame that shows a clock; the texture goes with the device.
const FrameLayer kClockLayer = {nullptr, Advance, Draw, ReleaseClock};

}  // namespace WorkSpace
