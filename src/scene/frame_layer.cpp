// The frame's layer list, back to front, and each verb run over it; and the frame's
// settings read from the record, their steps scaled to the rate the frames come at.
#include "scene/frame_layer.h"

#include <algorithm>
#include <cmath>

#include "scene/clock_layer.h"
#include "scene/logo_layer.h"
#include "scene/lumora_effect.h"
#include "scene/particle_layer.h"
#include "scene/picture_layer.h"
#include "settings/settings.h"

namespace WorkSpace {

namespace {
// The frame's layers, back to front.
const FrameLayer* const kLayers[] = {
    &kPictureLayer,
    &kClockLayer,  // over the pictures as their captions are, under the particles
    &kParticleLayer,
    &kLogoLayer,
};
}  // namespace

double SecondsSinceLastFrame(double& last, double now) {
    const double seconds = last < 0.0 || now < last ? 0.0 : std::min(now - last, 0.25);
    last = now;
    return seconds;
}

FrameSettings ReadFrameSettings(const Settings& settings, int32_t showPictures, double framesPerSecond) {
    FrameSettings s;
    s.simulationStep = SimulationStep(settings.Get(SettingKey::BlobsSpeed), framesPerSecond);
    s.fadeStep = FadeStep(framesPerSecond);
    s.particleSizeScale = ParticleSizeScale(settings.Get(SettingKey::BlobsSize));
    s.pictureFit = static_cast<PictureFit>(settings.GetClamped(SettingKey::PictureFit));
    s.spanMonitors = settings.GetClamped(SettingKey::SpanMonitors) != 0;
    s.showPictures = showPictures != 0;
    // One picture spread over every monitor neither moves nor splits up.
    s.panZoom = !s.spanMonitors && settings.GetClamped(SettingKey::PanZoom) != 0;
    s.portraits = settings.GetClamped(SettingKey::Portraits);
    s.picturesPerMonitor = !s.spanMonitors && settings.GetClamped(SettingKey::PicturesPerMonitor) != 0;
    s.clock = static_cast<uint32_t>(settings.GetClamped(SettingKey::Clock));
    return s;
}

double WholeFrameRate(double framesPerSecond) {
    const double whole = std::round(framesPerSecond);
    return whole > 0.0 && std::fabs(framesPerSecond - whole) <= whole * 0.0002 ? whole : framesPerSecond;
}

double FrameRateFactor(double framesPerSecond) {
    return framesPerSecond > 0.0 ? 60.0 / WholeFrameRate(framesPerSecond) : 1.0;
}

bool MakeFrameLayers(Window& window) {
    for (const FrameLayer* layer : kLayers)
        if (layer->make && !layer->make(window)) return false;
    return true;
}

void AdvanceFrameLayers(Window& window, const FrameSettings& settings) {
    for (const FrameLayer* layer : kLayers)
        if (layer->advance) layer->advance(window, settings);
}

void DrawFrameLayers(Window& window, const View& view, const FrameSettings& settings) {
    for (const FrameLayer* layer : kLayers)
        if (layer->draw) layer->draw(window, view, settings);
}

void ReleaseFrameLayers(Window& window) {
    for (const FrameLayer* layer : kLayers)
        if (layer->release) layer->release(window);
}

}  // namespace WorkSpace
