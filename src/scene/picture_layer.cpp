// The picture layer (picture_layer.h): its state behind PictureLayerData, the stream started
// and stopped, each frame's picture taken into its lane, and the draw of a lane's pictures
// into one view: alone, cross-fading, paired, over a blurred copy, with their captions.
#include "scene/picture_layer.h"

#include "platform/platform.h"
#include "imaging/picture_fit.h"
#include "scene/caption_quad.h"
#include "scene/clip_quad.h"
#include "scene/scene.h"
#include "scene/window.h"

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
    AdvancePictureFade(w, settings.fadeStep, lanes, settings.clipSeconds);
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

PictureLayerState& PictureLayerData(Window& w) { return *w.pictureLayer_; }

UserTextures& UserTextures::Instance() { return PictureLane(GetWindow(), 0); }

UserTextures& PictureLane(Window& w, uint32_t lane) {
    return PictureLayerData(w).lanes[lane < kPictureLanes ? lane : 0];
}

CrossFade& LaneFade(Window& w, uint32_t lane) {
    PictureLayerState& layer = PictureLayerData(w);
    return lane == 0 || lane >= kPictureLanes ? layer.fade : layer.monitorFades[lane - 1];
}

void SetPictureDevice(Window& w, GraphicsDevice* device) {
    for (UserTextures& lane : PictureLayerData(w).lanes) lane.SetDevice(device);
}

uint32_t PictureLanes(const Window& w, bool perMonitor) {
    if (!perMonitor || w.views.count <= 1) return 1;
    return static_cast<uint32_t>(w.views.count) < kPictureLanes ? static_cast<uint32_t>(w.views.count) : kPictureLanes;
}

void StopPictures(Window& w) {
    PictureLayerState& layer = PictureLayerData(w);
    layer.stream.Stop();
    layer.shownSerial.store(~uint64_t{0});
    for (UserTextures& lane : layer.lanes) lane.Clear();
}

void StartPictures(Window& w, const std::vector<std::wstring>& entries, PictureStreamOptions options) {
    PictureLayerState& layer = PictureLayerData(w);
    // The stream waits a moment for the first picture at most; one that comes later fades in.
    layer.fade.fade = 0.0f;
    layer.fade.framesWithout = 0;
    // Steering starts afresh with the new stream: its pictures have new numbers.
    layer.fade.paused = layer.fade.quick = false;
    layer.fade.pauseMark = 0.0;
    layer.pictureSteps.store(0);
    layer.pauseToggles.store(0);
    // Each monitor's cross-fade starts its share of a picture's time after the one before,
    // so that no two monitors change at the same moment.
    const bool span = w.settings.GetClamped(SettingKey::SpanMonitors) != 0;
    const uint32_t lanes = PictureLanes(w, !span && w.settings.GetClamped(SettingKey::PicturesPerMonitor) != 0);
    for (uint32_t lane = 1; lane < kPictureLanes; ++lane) {
        CrossFade& fade = LaneFade(w, lane);
        fade = CrossFade();
        fade.fade = lane < lanes ? -static_cast<float>(lane) / static_cast<float>(lanes) : 0.0f;
    }
    options.first = layer.fade.current;
    layer.stream.Start(entries, options);
}

namespace {
// A lane's frame: the stream's picture taken into it when it is the lane's turn and it has
// room, then its fade moved on.
void AdvanceLane(Window& w, uint32_t lane, float step, double clipSeconds, bool take, uint32_t most) {
    PictureLayerState& layer = PictureLayerData(w);
    UserTextures& pictures = PictureLane(w, lane);
    CrossFade& state = LaneFade(w, lane);
    const bool wereNone = pictures.Count() == 0;
    if (take && pictures.Count() < most) {
        StreamedPicture arrived;
        if (layer.stream.Take(arrived) && !pictures.AddPicture(arrived))
            Platform::DebugOutput(L"Failed to load texture. UserTextures::AddTexture ()\n");
    }
    AdvanceLaneFade(state, pictures, wereNone, step);
    if (pictures.Count() == 0) {
        if (lane == 0) layer.shownSerial.store(~uint64_t{0});  // the last one has gone
        return;
    }
    // A paused clip stands still with its picture.
    if (clipSeconds < 0.0) clipSeconds = step / kFadePerSecond;
    pictures.AdvanceFrames(state.paused && !state.quick ? 0.0 : clipSeconds);
    if (lane == 0) layer.shownSerial.store(pictures.At(ShownPicture(state, pictures)).serial);
}
}  // namespace

void AdvancePictureFade(Window& w, float step, uint32_t lanes, double clipSeconds) {
    lanes = lanes < 1 ? 1 : (lanes > kPictureLanes ? kPictureLanes : lanes);
    uint32_t neediest = 0;
    for (uint32_t lane = 1; lane < lanes; ++lane)
        if (PictureLane(w, lane).Count() < PictureLane(w, neediest).Count()) neediest = lane;
    const uint32_t most = lanes > 1 ? 2 : UserTextures::kMaxTextures;
    // Each picture was decoded and paired for its own lane's monitor; but a monitor with
    // nothing of its own never waits behind a lane that is full (a stream made for other lanes).
    uint32_t madeFor = 0;
    if (lanes > 1 && PictureLayerData(w).stream.Waiting(madeFor) && madeFor < lanes &&
        (PictureLane(w, madeFor).Count() < most || PictureLane(w, neediest).Count() > 0))
        neediest = madeFor;
    for (uint32_t lane = 0; lane < lanes; ++lane) AdvanceLane(w, lane, step, clipSeconds, lane == neediest, most);
}

void PostPictureStep(Window& w, int32_t steps) { PictureLayerData(w).pictureSteps += steps; }

void PostPauseToggle(Window& w) { ++PictureLayerData(w).pauseToggles; }

std::wstring ShownPictureFile(Window& w) {
    PictureLayerState& layer = PictureLayerData(w);
    const uint64_t shown = layer.shownSerial.load();
    return shown == ~uint64_t{0} ? std::wstring() : layer.stream.PathOf(shown);
}

bool PictureOnScreen(Window& w) { return PictureLayerData(w).shownSerial.load() != ~uint64_t{0}; }

namespace {
// How far the leaving picture of `state` is through its pan: the second half of its time,
// and on to and fro while it was left alone.
float LeavingProgress(const CrossFade& state) {
    const float fade = state.fade > 0.0f ? state.fade : 0.0f;
    return PanProgress(kPanPerFade + kPanPerFade * fade + state.held);
}

// What every quad of one view's pictures shares: where they go and how they are shown.
struct PictureDraw {
    GraphicsDevice* device;
    const float* area;  // left, top, right, bottom in client pixels
    float areaW, areaH;
    float first[4], second[4];  // a pair's two halves, across the area's long side
    PictureFit fit;
    PhotoLook look;
    double captionSeconds;
    bool captions;  // the view is tall enough to read them
    PixelShader* clipShader;  // the lane's clip shader (null until a clip came)
};

PictureDraw MakePictureDraw(GraphicsDevice* device, const float area[4], PictureFit fit, const PhotoLook& look,
                            double captionSeconds, PixelShader* clipShader) {
    PictureDraw d{device, area, area[2] - area[0], area[3] - area[1], {}, {}, fit, look, captionSeconds, false,
                  clipShader};
    for (int i = 0; i < 4; ++i) d.first[i] = d.second[i] = area[i];
    const int split = d.areaW >= d.areaH ? 0 : 1;
    d.first[split + 2] = d.second[split] = (area[split] + area[split + 2]) * 0.5f;
    // One caption at a time, in the corner its photo started in; none on a view too small
    // to read them.
    d.captions = d.areaH >= static_cast<float>(kCaptionLeastViewHeight);
    return d;
}

void DrawQuad(const PictureDraw& d, Texture* texture, const PictureQuad& placed, uint32_t colour, bool linear) {
    SetPictureSampling(d.device, linear);
    d.device->SetTexture(0, texture);
    DrawTintedScreenQuad(d.device, placed.uv, placed.rect, colour);
}

// `progress` is how far the picture is through its time on screen: the first half while it
// fades in, the second while it fades out; so it follows the frame's step.
void PlaceQuad(const PictureDraw& d, Texture* texture, uint32_t textureW, uint32_t textureH, const PictureQuad& placed,
               uint32_t colour, float progress, bool reverse) {
    if (!d.look.panZoom) {
        DrawQuad(d, texture, placed, colour, DrawnAtScale(placed, textureW, textureH));
        return;
    }
    DrawQuad(d, texture, PanAndZoom(placed, progress, reverse), colour, true);
}

// A pair shows as one on every monitor, whichever way the monitor lies.
bool ShownAsPortrait(const PictureDraw& d, const UserTextures::Picture& picture) {
    return picture.partner || (d.look.portraits != 0 && LiesAcross(picture.width, picture.height, d.areaW, d.areaH));
}

// The blurred copy fills the bars beside the fitted picture only, so that the picture's own
// quad covers each pixel once and the cross-fade blends it as any other. A few dozen texels
// stretched over the screen: always filtered.
void DrawBackdropBars(const PictureDraw& d, const UserTextures::Picture& picture, const PictureQuad& fitted,
                      uint32_t colour) {
    const float* area = d.area;
    const PictureQuad filled = PlacePicture(PictureFit::Fill, area, picture.width, picture.height);
    const int axis = fitted.rect[0] > area[0] ? 0 : 1;
    float bar[4] = {area[0], area[1], area[2], area[3]};
    bar[axis + 2] = fitted.rect[axis];
    DrawQuad(d, picture.backdrop, SubQuad(filled, bar), colour, true);
    bar[axis + 2] = area[axis + 2];
    bar[axis] = fitted.rect[axis + 2];
    DrawQuad(d, picture.backdrop, SubQuad(filled, bar), colour, true);
}

void DrawOnePicture(const PictureDraw& d, const UserTextures::Picture& picture, uint32_t colour, float progress) {
    if (picture.motion) {
        // A clip is fitted as the pictures are, and neither pans nor zooms.
        DrawClipQuad(d.device, d.clipShader, picture, PlacePicture(d.fit, d.area, picture.width, picture.height),
                     colour);
        return;
    }
    const bool reverse = picture.listIndex % 2 == 1;
    if (!ShownAsPortrait(d, picture)) {
        PlaceQuad(d, picture.texture, picture.imageWidth, picture.imageHeight,
                  PlacePicture(d.fit, d.area, picture.width, picture.height), colour, progress, reverse);
        return;
    }
    if (picture.partner) {
        // Each picture of the pair fitted into its own half.
        PlaceQuad(d, picture.texture, picture.imageWidth, picture.imageHeight,
                  PlacePicture(PictureFit::Fit, d.first, picture.width, picture.height), colour, progress, reverse);
        PlaceQuad(d, picture.partner, picture.partnerImageWidth, picture.partnerImageHeight,
                  PlacePicture(PictureFit::Fit, d.second, picture.partnerWidth, picture.partnerHeight), colour,
                  progress, !reverse);
        return;
    }
    const PictureQuad fitted = PlacePicture(PictureFit::Fit, d.area, picture.width, picture.height);
    if (picture.backdrop) DrawBackdropBars(d, picture, fitted, colour);
    PlaceQuad(d, picture.texture, picture.imageWidth, picture.imageHeight, fitted, colour, progress, reverse);
}

// Each photo of a pair shows its own caption, in its half.
void DrawPictureCaption(const PictureDraw& d, const UserTextures::Picture& picture, float weight) {
    if (!d.captions || weight <= 0.0f) return;
    const int corner = picture.captionCorner >= 0 ? picture.captionCorner : 0;
    if (!picture.partner || !ShownAsPortrait(d, picture)) {
        DrawCaption(d.device, d.area, picture.caption, picture.captionWidth, picture.captionHeight, weight, corner,
                    d.captionSeconds);
        return;
    }
    DrawCaption(d.device, d.first, picture.caption, picture.captionWidth, picture.captionHeight, weight, corner,
                d.captionSeconds);
    DrawCaption(d.device, d.second, picture.partnerCaption, picture.partnerCaptionWidth, picture.partnerCaptionHeight,
                weight, corner, d.captionSeconds);
}

void DrawPictures(Window& w, const float area[4], PictureFit fit, const PhotoLook& look) {
    // A monitor whose lane has no picture yet (fewer readable pictures than monitors, the
    // rest waiting for the next round) shows the first monitor's rather than black; its own
    // first picture then fades in over it.
    const uint32_t lane = PictureLane(w, look.lane).Count() > 0 ? look.lane : 0;
    const UserTextures& pictures = PictureLane(w, lane);
    const uint32_t n = pictures.Count();
    if (n == 0) return;
    const CrossFade& state = LaneFade(w, lane);
    const UserTextures& first = PictureLane(w, 0);
    const UserTextures::Picture* under =
        n == 1 && lane != 0 && state.appear < 1.0f && first.Count() > 0 ? &first.At(0) : nullptr;
    SetupPictureRenderState(w.device, n >= 2 || under);
    const PictureDraw d = MakePictureDraw(w.device, area, fit, look, state.captionSeconds,
                                          pictures.ClipShader() ? pictures.ClipShader() : first.ClipShader());
    // A monitor's fade that waits its turn (below 0) shows its picture whole.
    const float fade = state.fade > 0.0f ? state.fade : 0.0f;
    const float leaving = LeavingProgress(state), coming = kPanPerFade * fade;
    if (n == 1 && !under) {
        DrawOnePicture(d, pictures.At(0), Grey(state.appear), leaving);
        DrawPictureCaption(d, pictures.At(0), state.appear);
        return;
    }
    if (under) {
        // The first monitor's picture gives way to this monitor's own, as in a cross-fade.
        DrawOnePicture(d, *under, Grey(1.0f - state.appear), LeavingProgress(LaneFade(w, 0)));
        DrawOnePicture(d, pictures.At(0), Grey(state.appear), leaving);
    } else {
        DrawOnePicture(d, pictures.At(0), Grey(1.0f - fade), leaving);
        DrawOnePicture(d, pictures.At(1), Grey(fade), coming);
    }
    w.device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    w.device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
    if (under) {
        DrawPictureCaption(d, pictures.At(0), state.appear);
        return;
    }
    float leavingCaption = 0.0f, comingCaption = 0.0f;
    CaptionWeights(fade, leavingCaption, comingCaption);
    DrawPictureCaption(d, pictures.At(0), leavingCaption);
    DrawPictureCaption(d, pictures.At(1), comingCaption);
}
}  // namespace

void DrawPictureLayer(Window& w, const float area[4], PictureFit fit, const PhotoLook& look) {
    DrawPictures(w, area, fit, look);
    // The pause mark over the first lane's monitors, where its captions sit, fading out at
    // the end of its second.
    const CrossFade& state = PictureLayerData(w).fade;
    if (look.lane != 0 || state.pauseMark <= 0.0 || PictureLane(w, 0).Count() == 0) return;
    const float weight = static_cast<float>(state.pauseMark / kPauseMarkFadeSeconds);
    DrawPauseMark(w.device, area, weight, CaptionCorner(state.captionSeconds), state.captionSeconds);
}

}  // namespace WorkSpace
