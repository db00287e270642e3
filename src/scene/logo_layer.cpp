// The logo layer: the logo's quad at the bottom left of every view of 640 x 480 or more,
// blended by its own alpha. The texture is the Window object's, made and let go with it.
#include "scene/logo_layer.h"

#include "scene/scene.h"
#include "scene/window.h"

namespace WorkSpace {

namespace {
void Draw(Window& w, const View& view, const FrameSettings&) { DrawLogo(w, view); }

// Every state the logo's quad relies on: clamped at its edges, blended by its own alpha.
void SetupLogoRenderState(GraphicsDevice* device) {
    SetupScreenQuadRenderState(device);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_SRCALPHA);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_INVSRCALPHA);
}
}  // namespace

// The logo texture is the Window object's own: Window::InitLogo makes it first in every
// scene set-up and Window::Release lets it go.
const FrameLayer kLogoLayer = {nullptr, nullptr, Draw, nullptr};

void DrawLogo(Window& w, const View& view) {
    if (view.rect.Width() < 640 || view.rect.Height() < 480) return;
    GraphicsDevice* device = w.device;
    SetupLogoRenderState(device);
    device->SetTexture(0, w.logo);
    const float L = static_cast<float>(view.rect.left), H = static_cast<float>(view.rect.bottom);
    const float lw = static_cast<float>(w.logoInfo.width), lh = static_cast<float>(w.logoInfo.height);
    const float uv[4] = {0.0f, 1.0f, 1.0f, 0.0f};
    const float rect[4] = {L + 5.0f, H - 5.0f, L + 5.0f + lw, H - 5.0f - lh};
    DrawScreenQuad(device, uv, rect);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
}

}  // namespace WorkSpace
