// The particle layer: the frame layer's verbs handed to the Window object's particle
// renderer (lumora_effect.cpp).
#include "scene/particle_layer.h"

#include "scene/window.h"

namespace WorkSpace {

namespace {
bool Make(Window& w) { return w.effect.InitEffect(&w.camera, w.device, *w.archive); }
void Advance(Window& w, const FrameSettings& s) {
    w.effect.Advance(w.simulationClock, s.simulationStep, s.particleSizeScale);
}
void Draw(Window& w, const View& view, const FrameSettings&) { w.effect.Render(view); }
}  // namespace

// The particle renderer is the Window object's own: Window::Release lets it go.
const FrameLayer kParticleLayer = {Make, Advance, Draw, nullptr};

}  // namespace WorkSpace
