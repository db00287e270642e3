#include "scene/picture_layer.h"

#include "platform/platform.h"
#include "imaging/picture_fit.h"
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

// How a picture's quad samples its texture: drawn larger or smaller than its texels (the
// blurred copy stretched over the screen, a pan and zoom, a picture not decoded for exactly
// its place), with linear filtering, which shows neither blocks nor an edge that jumps a
// texel at a time; 1:1, as the texels are, by point sampling (NONE is a mip filter's value
// only, which a driver need not take for MIN or MAG). Sampler 0 stays clamped, so the filter
// never reaches round to the far edge.
void SetPictureSampling(GraphicsDevice* device, bool linear) {
    const uint32_t filter = linear ? D3D::TEXF_LINEAR : D3D::TEXF_POINT;
    device->SetSamplerState(0, D3D::SAMP_MINFILTER, filter);
    device->SetSamplerState(0, D3D::SAMP_MAGFILTER, filter);
}

// Every state the pictures' quads rely on: while two pictures cross-fade, each is blended by
// its vertex colour; one alone covers its place, unblended. Each quad then sets its filter.
void SetupPictureRenderState(GraphicsDevice* device, bool crossFade) {
    SetupScreenQuadRenderState(device);
    device->SetSamplerState(0, D3D::SAMP_ADDRESSU, D3D::TADDRESS_CLAMP);
    device->SetSamplerState(0, D3D::SAMP_ADDRESSV, D3D::TADDRESS_CLAMP);
    if (!crossFade) {
        device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
        device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
        return;
    }
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_DIFFUSE);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_SRCCOLOR);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_INVSRCALPHA);
}

void Advance(Window& w, const FrameSettings& settings) {
    if (!settings.showPictures) return;
    const uint32_t lanes = PictureLanes(w, settings.picturesPerMonitor);
    SteerPictures(w, lanes);
    AdvancePictureFade(w, settings.fadeStep, lanes);
}

void Draw(Window& w, const View& view, const FrameSettings& settings) {
    if (!settings.showPictures) return;
    const float area[4] = {static_cast<float>(view.rect.left), static_cast<float>(view.rect.top),
                           static_cast<float>(view.rect.right), static_cast<float>(view.rect.bottom)};
    PhotoLook look;
    look.panZoom = settings.panZoom;
    look.portraits = settings.portraits;
    const uint32_t lanes = PictureLanes(w, settings.picturesPerMonitor);
    look.lane = static_cast<uint32_t>(&view - w.views.views) % lanes;
    DrawPictureLayer(w, area, settings.pictureFit, look);
}

// The textures go with the device; the stream's worker stops first, so nothing arrives
// for a device that is gone.
void Release(Window& w) { StopPictures(w); }
}  // namespace

// The device for uploads is handed over with the pictures' list (LoadScene, RebuildScene).
const FrameLayer kPictureLayer = {nullptr, Advance, Draw, Release};

UserTextures& UserTextures::Instance() { return Lane(0); }

UserTextures& UserTextures::Lane(uint32_t lane) {
    static UserTextures* lanes = new UserTextures[kPictureLanes];  // live until the process ends
    return lanes[lane < kPictureLanes ? lane : 0];
}

UserTextures::~UserTextures() { Clear(); }

void UserTextures::SetDevice(GraphicsDevice* device) {
    for (uint32_t lane = 0; lane < kPictureLanes; ++lane) Lane(lane).device_ = device;
    const TextureLimits limits = device ? device->GetTextureLimits() : TextureLimits{0, 0, false};
    SetPictureTextureLimits(limits.maxWidth, limits.maxHeight, limits.powerOfTwo);
}

Texture* UserTextures::Upload(const Image& image, bool caption) {
    Texture* texture = nullptr;
    TextureOptions options;
    options.mipLevels = 1;  // decoded at the size it is drawn; no mip filter samples the rest
    const HResult hr = device_->CreateTextureFromImage(image, options, &texture);
    if (Failed(hr) || !texture) {
        // Video or system memory short just now: this picture is skipped (a caption: its
        // picture goes on without it), the next one may fit, and the effect goes on.
        bool& logged = caption ? captionFailureLogged_ : uploadFailureLogged_;
        if (!logged && caption)
            GetLogger().Write(L"UserTextures::AddPicture() - caption CreateTextureFromImage 0x%08X - FAILED",
                              static_cast<unsigned>(hr));
        else if (!logged)
            GetLogger().Write(L"UserTextures::AddPicture() - CreateTextureFromImage 0x%08X - FAILED",
                              static_cast<unsigned>(hr));
        logged = true;
        return nullptr;
    }
    return texture;
}

bool UserTextures::AddPicture(const DecodedPicture& picture, uint32_t listIndex) {
    if (!device_ || count_ == kMaxTextures) return false;
    Texture* texture = Upload(picture.image);
    if (!texture) return false;
    pictures_[count_++] = Picture{texture, picture.width, picture.height, picture.image.width, picture.image.height,
                                  listIndex};
    Picture& added = pictures_[count_ - 1];
    added.caption = UploadCaption(picture.caption, added.captionWidth, added.captionHeight);
    return true;
}

Texture* UserTextures::UploadCaption(const Image& caption, uint32_t& width, uint32_t& height) {
    if (caption.pixels.empty()) return nullptr;
    Texture* texture = Upload(caption, true);
    if (texture) {
        width = caption.width;
        height = caption.height;
    }
    return texture;
}

bool UserTextures::AddPicture(const StreamedPicture& streamed) {
    if (!AddPicture(streamed.picture, streamed.listIndex)) return false;
    Picture& added = pictures_[count_ - 1];
    added.serial = streamed.serial;
    if (streamed.paired && (added.partner = Upload(streamed.partner.image)) != nullptr) {
        added.partnerWidth = streamed.partner.width;
        added.partnerHeight = streamed.partner.height;
        added.partnerImageWidth = streamed.partner.image.width;
        added.partnerImageHeight = streamed.partner.image.height;
        added.partnerCaption =
            UploadCaption(streamed.partner.caption, added.partnerCaptionWidth, added.partnerCaptionHeight);
    }
    if (!streamed.backdrop.pixels.empty()) added.backdrop = Upload(streamed.backdrop);
    return true;
}

namespace {
void ReleasePicture(UserTextures::Picture& picture) {
    picture.texture->Release();
    if (picture.partner) picture.partner->Release();
    if (picture.backdrop) picture.backdrop->Release();
    if (picture.caption) picture.caption->Release();
    if (picture.partnerCaption) picture.partnerCaption->Release();
    picture = UserTextures::Picture();
}
}  // namespace

void UserTextures::DropFirst() {
    if (count_ == 0) return;
    ReleasePicture(pictures_[0]);
    for (uint32_t i = 1; i < count_; ++i) pictures_[i - 1] = pictures_[i];
    pictures_[--count_] = Picture();
}

void UserTextures::KeepFirst(uint32_t keep) {
    while (count_ > keep) ReleasePicture(pictures_[--count_]);
}

void UserTextures::KeepCaptionCorners(int corner) {
    for (uint32_t i = 0; i < count_ && i < 2; ++i)
        if (pictures_[i].captionCorner < 0) pictures_[i].captionCorner = corner;
}

void UserTextures::Clear() {
    while (count_ > 0) DropFirst();
    uploadFailureLogged_ = false;
    captionFailureLogged_ = false;
}

float FadeStep(double framesPerSecond) { return static_cast<float>(0.001 * FrameRateFactor(framesPerSecond)); }

uint32_t PictureLanes(const Window& w, bool perMonitor) {
    if (!perMonitor || w.views.count <= 1) return 1;
    return static_cast<uint32_t>(w.views.count) < kPictureLanes ? static_cast<uint32_t>(w.views.count) : kPictureLanes;
}

CrossFade& LaneFade(Window& w, uint32_t lane) {
    return lane == 0 || lane >= kPictureLanes ? w.fade : w.monitorFades[lane - 1];
}

void StopPictures(Window& w) {
    w.pictureStream.Stop();
    w.shownSerial.store(~uint64_t{0});
    for (uint32_t lane = 0; lane < kPictureLanes; ++lane) UserTextures::Lane(lane).Clear();
}

void StartPictures(Window& w, const std::vector<std::wstring>& entries, PictureStreamOptions options) {
    // The stream waits a moment for the first picture at most; one that comes later fades in.
    w.fade.fade = 0.0f;
    w.fade.framesWithout = 0;
    // Steering starts afresh with the new stream: its pictures have new numbers.
    w.fade.paused = w.fade.quick = false;
    w.fade.pauseMark = 0.0;
    w.pictureSteps.store(0);
    w.pauseToggles.store(0);
    // Each monitor's cross-fade starts its share of a picture's time after the one before,
    // so that no two monitors change at the same moment.
    const bool span = w.settings.GetClamped(SettingKey::SpanMonitors) != 0;
    const uint32_t lanes = PictureLanes(w, !span && w.settings.GetClamped(SettingKey::PicturesPerMonitor) != 0);
    for (uint32_t lane = 1; lane < kPictureLanes; ++lane) {
        CrossFade& fade = LaneFade(w, lane);
        fade = CrossFade();
        fade.fade = lane < lanes ? -static_cast<float>(lane) / static_cast<float>(lanes) : 0.0f;
    }
    options.first = w.fade.current;
    w.pictureStream.Start(entries, options);
}

namespace {
void AdvanceLane(Window& w, uint32_t lane, float step, bool take, uint32_t most) {
    UserTextures& pictures = UserTextures::Lane(lane);
    CrossFade& state = LaneFade(w, lane);
    const bool wereNone = pictures.Count() == 0;
    if (take && pictures.Count() < most) {
        StreamedPicture arrived;
        if (w.pictureStream.Take(arrived) && !pictures.AddPicture(arrived))
            Platform::DebugOutput(L"Failed to load texture. UserTextures::AddTexture ()\n");
    }
    if (pictures.Count() == 0) {
        ++state.framesWithout;
        return;
    }
    // A first picture after frames without one fades in: from black on the first monitor,
    // from the first monitor's picture (shown meanwhile) on the others.
    if (wereNone) state.appear = state.framesWithout > 0 ? 0.0f : 1.0f;
    state.captionSeconds += step / 0.06;  // the fade's step is 0.001 per 1/60 s
    state.appear = state.appear + 0.02f < 1.0f ? state.appear + 0.02f : 1.0f;
    // Until the next picture has arrived the current one stays, whole; the fade waits.
    // A steered fade is quick; a paused one goes back to, or on to, the nearer picture whole.
    const float quickStep = static_cast<float>(step / 0.06 / kQuickFadeSeconds);
    state.pauseMark = state.pauseMark > step / 0.06 ? state.pauseMark - step / 0.06 : 0.0;
    if (pictures.Count() >= 2 && (state.quick || !state.paused || state.fade >= 0.5f)) {
        state.fade = state.fade + (state.quick || state.paused ? quickStep : step);
        if (state.fade >= 1.0f) {
            state.fade = 0.0f;
            state.held = 0.0f;
            state.quick = false;
            pictures.DropFirst();
        }
    } else if (pictures.Count() >= 2 && state.fade > 0.0f) {
        state.fade = state.fade > quickStep ? state.fade - quickStep : 0.0f;
    } else {
        // Alone, or held before its fade, the picture keeps moving at the pace the fade
        // would move it.
        state.held = state.held + 0.5f * step;
        if (state.held >= 2.0f) state.held -= 2.0f;
    }
    // A photo keeps the caption's corner it starts showing in.
    pictures.KeepCaptionCorners(CaptionCorner(state.captionSeconds));
    state.current = pictures.At(0).listIndex;
    state.next = pictures.Count() >= 2 ? pictures.At(1).listIndex : state.current;
    if (lane == 0) w.shownSerial.store(pictures.At(pictures.Count() >= 2 && state.fade >= 0.5f ? 1 : 0).serial);
}
}  // namespace

void SteerPictures(Window& w, uint32_t lanes) {
    const int32_t steps = w.pictureSteps.exchange(0);
    const uint32_t pauses = w.pauseToggles.exchange(0);
    if (pauses % 2 == 1) {
        const bool paused = !w.fade.paused;
        for (uint32_t lane = 0; lane < kPictureLanes; ++lane) LaneFade(w, lane).paused = paused;
        w.fade.pauseMark = paused ? kPauseMarkSeconds : 0.0;
    }
    UserTextures& pictures = UserTextures::Lane(0);
    if (steps == 0 || lanes != 1 || pictures.Count() == 0) return;
    CrossFade& state = w.fade;
    // The picture on screen: the coming one, once it is more than half in.
    const uint32_t shown = pictures.Count() >= 2 && state.fade >= 0.5f ? 1 : 0;
    const int64_t target = static_cast<int64_t>(pictures.At(shown).serial) + steps;
    // Pictures already here that follow on from the target are kept, so a step forth to a
    // picture decoded ahead fades at once; the stream goes on after the last one kept.
    uint32_t kept = shown + 1;
    while (kept < pictures.Count() && static_cast<int64_t>(pictures.At(kept).serial) == target + (kept - shown - 1))
        ++kept;
    const int64_t resume = target + (kept - shown - 1);
    if (target < 0 || !w.pictureStream.SteerTo(static_cast<uint64_t>(resume))) return;  // nothing before it
    pictures.KeepFirst(kept);
    if (shown == 1) pictures.DropFirst();
    state.fade = 0.0f;
    state.quick = true;
    state.paused = false;  // a step ends the pause
    state.pauseMark = 0.0;
}

void AdvancePictureFade(Window& w, float step, uint32_t lanes) {
    lanes = lanes < 1 ? 1 : (lanes > kPictureLanes ? kPictureLanes : lanes);
    uint32_t neediest = 0;
    for (uint32_t lane = 1; lane < lanes; ++lane)
        if (UserTextures::Lane(lane).Count() < UserTextures::Lane(neediest).Count()) neediest = lane;
    const uint32_t most = lanes > 1 ? 2 : UserTextures::kMaxTextures;
    // Each picture was decoded and paired for its own lane's monitor; but a monitor with
    // nothing of its own never waits behind a lane that is full (a stream made for other lanes).
    uint32_t madeFor = 0;
    if (lanes > 1 && w.pictureStream.Waiting(madeFor) && madeFor < lanes &&
        (UserTextures::Lane(madeFor).Count() < most || UserTextures::Lane(neediest).Count() > 0))
        neediest = madeFor;
    for (uint32_t lane = 0; lane < lanes; ++lane) AdvanceLane(w, lane, step, lane == neediest, most);
}

namespace {
// How far the leaving picture of `state` is through its pan: the second half of its time,
// and on to and fro while it was left alone.
float LeavingProgress(const CrossFade& state) {
    const float fade = state.fade > 0.0f ? state.fade : 0.0f;
    return PanProgress(0.5f + 0.5f * fade + state.held);
}

void DrawPictures(Window& w, const float area[4], PictureFit fit, const PhotoLook& look) {
    // A monitor whose lane has no picture yet (fewer readable pictures than monitors, the
    // rest waiting for the next round) shows the first monitor's rather than black; its own
    // first picture then fades in over it.
    const uint32_t lane = UserTextures::Lane(look.lane).Count() > 0 ? look.lane : 0;
    UserTextures& pictures = UserTextures::Lane(lane);
    const uint32_t n = pictures.Count();
    if (n == 0) return;
    const CrossFade& state = LaneFade(w, lane);
    const UserTextures::Picture* under =
        n == 1 && lane != 0 && state.appear < 1.0f && UserTextures::Lane(0).Count() > 0 ? &UserTextures::Lane(0).At(0)
                                                                                          : nullptr;
    GraphicsDevice* device = w.device;
    SetupPictureRenderState(device, n >= 2 || under);
    auto quad = [&](Texture* texture, const PictureQuad& placed, uint32_t colour, bool linear) {
        SetPictureSampling(device, linear);
        device->SetTexture(0, texture);
        DrawTintedScreenQuad(device, placed.uv, placed.rect, colour);
    };
    // `progress` is how far the picture is through its time on screen: the first half while
    // it fades in, the second while it fades out; so it follows the frame's step.
    auto place = [&](Texture* texture, uint32_t textureW, uint32_t textureH, const PictureQuad& placed,
                     uint32_t colour, float progress, bool reverse) {
        if (!look.panZoom) {
            quad(texture, placed, colour, DrawnAtScale(placed, textureW, textureH));
            return;
        }
        quad(texture, PanAndZoom(placed, progress, reverse), colour, true);
    };
    const float areaW = area[2] - area[0], areaH = area[3] - area[1];
    // A pair shows as one on every monitor, whichever way the monitor lies.
    auto shownAsPortrait = [&](const UserTextures::Picture& picture) {
        return picture.partner || (look.portraits != 0 && LiesAcross(picture.width, picture.height, areaW, areaH));
    };
    // Two halves across the area's long side, for a pair.
    float first[4] = {area[0], area[1], area[2], area[3]}, second[4] = {area[0], area[1], area[2], area[3]};
    const int split = areaW >= areaH ? 0 : 1;
    first[split + 2] = second[split] = (area[split] + area[split + 2]) * 0.5f;
    auto draw = [&](const UserTextures::Picture& picture, uint32_t colour, float progress) {
        const bool reverse = picture.listIndex % 2 == 1;
        if (!shownAsPortrait(picture)) {
            place(picture.texture, picture.imageWidth, picture.imageHeight,
                  PlacePicture(fit, area, picture.width, picture.height), colour, progress, reverse);
            return;
        }
        if (picture.partner) {
            // Each picture of the pair fitted into its own half.
            place(picture.texture, picture.imageWidth, picture.imageHeight,
                  PlacePicture(PictureFit::Fit, first, picture.width, picture.height), colour, progress, reverse);
            place(picture.partner, picture.partnerImageWidth, picture.partnerImageHeight,
                  PlacePicture(PictureFit::Fit, second, picture.partnerWidth, picture.partnerHeight), colour,
                  progress, !reverse);
            return;
        }
        const PictureQuad fitted = PlacePicture(PictureFit::Fit, area, picture.width, picture.height);
        if (picture.backdrop) {
            // The blurred copy fills the bars only, so that the picture's own quad covers
            // each pixel once and the cross-fade blends it as any other. A few dozen texels
            // stretched over the screen: always filtered.
            const PictureQuad filled = PlacePicture(PictureFit::Fill, area, picture.width, picture.height);
            const int axis = fitted.rect[0] > area[0] ? 0 : 1;
            float bar[4] = {area[0], area[1], area[2], area[3]};
            bar[axis + 2] = fitted.rect[axis];
            quad(picture.backdrop, SubQuad(filled, bar), colour, true);
            bar[axis + 2] = area[axis + 2];
            bar[axis] = fitted.rect[axis + 2];
            quad(picture.backdrop, SubQuad(filled, bar), colour, true);
        }
        place(picture.texture, picture.imageWidth, picture.imageHeight, fitted, colour, progress, reverse);
    };
    // A monitor's fade that waits its turn (below 0) shows its picture whole.
    const float fade = state.fade > 0.0f ? state.fade : 0.0f;
    const float leaving = LeavingProgress(state), coming = 0.5f * fade;
    // One caption at a time, in the corner its photo started in; each photo of a pair shows
    // its own, in its half. None on a view too small to read them.
    const bool captions = areaH >= static_cast<float>(kCaptionLeastViewHeight);
    auto caption = [&](const UserTextures::Picture& picture, float weight) {
        if (!captions || weight <= 0.0f) return;
        const int corner = picture.captionCorner >= 0 ? picture.captionCorner : 0;
        if (!picture.partner || !shownAsPortrait(picture)) {
            DrawCaption(device, area, picture.caption, picture.captionWidth, picture.captionHeight, weight, corner,
                        state.captionSeconds);
            return;
        }
        DrawCaption(device, first, picture.caption, picture.captionWidth, picture.captionHeight, weight, corner,
                    state.captionSeconds);
        DrawCaption(device, second, picture.partnerCaption, picture.partnerCaptionWidth, picture.partnerCaptionHeight,
                    weight, corner, state.captionSeconds);
    };
    if (n == 1 && !under) {
        draw(pictures.At(0), Grey(state.appear), leaving);
        caption(pictures.At(0), state.appear);
        return;
    }
    if (under) {
        // The first monitor's picture gives way to this monitor's own, as in a cross-fade.
        draw(*under, Grey(1.0f - state.appear), LeavingProgress(LaneFade(w, 0)));
        draw(pictures.At(0), Grey(state.appear), leaving);
    } else {
        draw(pictures.At(0), Grey(1.0f - fade), leaving);
        draw(pictures.At(1), Grey(fade), coming);
    }
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
    if (under) {
        caption(pictures.At(0), state.appear);
        return;
    }
    float leavingCaption = 0.0f, comingCaption = 0.0f;
    CaptionWeights(fade, leavingCaption, comingCaption);
    caption(pictures.At(0), leavingCaption);
    caption(pictures.At(1), comingCaption);
}

}  // namespace

void DrawPictureLayer(Window& w, const float area[4], PictureFit fit, const PhotoLook& look) {
    DrawPictures(w, area, fit, look);
    // The pause mark over the first lane's monitors, where its captions sit, fading out at
    // the end of its second.
    const CrossFade& state = w.fade;
    if (look.lane != 0 || state.pauseMark <= 0.0 || UserTextures::Lane(0).Count() == 0) return;
    const float weight = static_cast<float>(state.pauseMark / 0.3);
    DrawPauseMark(w.device, area, weight, CaptionCorner(state.captionSeconds), state.captionSeconds);
}

}  // namespace WorkSpace
