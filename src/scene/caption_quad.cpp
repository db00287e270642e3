// The caption's place and its draw: the corner it takes and its slow drift, which spare an
// OLED screen, the cross-fade's weights, and the caption's quad and the pause mark drawn with
// every state they rely on.
#include "scene/caption_quad.h"

#include <algorithm>
#include <cmath>

#include "scene/scene.h"

namespace WorkSpace {

namespace {
// 0 -> 1 -> 0 over one period.
float Triangle(double t) {
    const double f = t - std::floor(t);
    return static_cast<float>(f < 0.5 ? 2.0 * f : 2.0 - 2.0 * f);
}

// Every state the caption's quad relies on: blended by its texture's alpha times the vertex
// colour's, which carries the caption's own fade.
void SetupCaptionRenderState(GraphicsDevice* device) {
    SetupScreenQuadRenderState(device);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_SRCALPHA);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3D::TSS_ALPHAOP, D3D::TOP_MODULATE);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG2, D3D::TA_DIFFUSE);
}
}  // namespace

int CaptionCorner(double seconds) {
    return static_cast<int>(std::fmod(std::max(seconds, 0.0) / kCaptionCornerSeconds, 3.0));
}

void CaptionWeights(float fade, float& leaving, float& coming) {
    leaving = std::max(0.0f, 1.0f - 2.0f * fade);
    coming = std::max(0.0f, std::min(1.0f, 2.0f * fade - 1.0f));
}

void CaptionRect(const float area[4], uint32_t w, uint32_t h, int corner, double seconds, float rect[4]) {
    const float areaW = area[2] - area[0], areaH = area[3] - area[1];
    const float scale = w > 0 ? std::min(1.0f, areaW * 0.5f / float(w)) : 1.0f;
    const float cw = float(w) * scale, ch = float(h) * scale;
    const float margin = std::max(8.0f, areaH * 0.03f);
    const float dx = kCaptionDriftPixels * Triangle(seconds / kCaptionDriftSeconds),
                dy = kCaptionDriftPixels * Triangle(seconds / (kCaptionDriftSeconds * 1.25) + 0.5);
    const bool right = corner != 2, bottom = corner == 0;
    // Whole pixels less a half: each texel of the caption lands on one pixel, unblurred.
    rect[0] = std::floor(right ? area[2] - margin - dx - cw : area[0] + margin + dx) - 0.5f;
    rect[1] = std::floor(bottom ? area[3] - margin - dy - ch : area[1] + margin + dy) - 0.5f;
    rect[2] = rect[0] + cw;
    rect[3] = rect[1] + ch;
}

void DrawCaption(GraphicsDevice* device, const float area[4], Texture* caption, uint32_t w, uint32_t h, float weight,
                 int corner, double seconds) {
    if (!caption || weight <= 0.0f) return;
    float rect[4];
    CaptionRect(area, w, h, corner, seconds, rect);
    static const float kWhole[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    const uint32_t alpha = static_cast<uint32_t>(std::min(weight, 1.0f) * 255.0f);
    SetupCaptionRenderState(device);
    device->SetTexture(0, caption);
    DrawTintedScreenQuad(device, kWhole, rect, (alpha << 24) | 0xFFFFFF);
    device->SetTextureStageState(0, D3D::TSS_ALPHAOP, D3D::TOP_SELECTARG1);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
}

void DrawPauseMark(GraphicsDevice* device, const float area[4], float weight, int corner, double seconds) {
    if (weight <= 0.0f) return;
    const float areaH = area[3] - area[1];
    const uint32_t side = static_cast<uint32_t>(std::max(12.0f, areaH * 0.025f));
    float rect[4];
    CaptionRect(area, side, side, corner, seconds, rect);
    SetupCaptionRenderState(device);
    // The vertex colour alone: no texture is read.
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3D::TSS_COLOROP, D3D::TOP_SELECTARG1);
    device->SetTextureStageState(0, D3D::TSS_COLORARG1, D3D::TA_DIFFUSE);
    device->SetTextureStageState(0, D3D::TSS_ALPHAOP, D3D::TOP_SELECTARG1);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_DIFFUSE);
    const uint32_t alpha = static_cast<uint32_t>(std::min(weight, 1.0f) * 0.85f * 255.0f);
    static const float kNone[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const float bar = (rect[2] - rect[0]) * 0.35f;
    const float left[4] = {rect[0], rect[1], rect[0] + bar, rect[3]};
    const float right[4] = {rect[2] - bar, rect[1], rect[2], rect[3]};
    DrawTintedScreenQuad(device, kNone, left, (alpha << 24) | 0xFFFFFF);
    DrawTintedScreenQuad(device, kNone, right, (alpha << 24) | 0xFFFFFF);
    device->SetTextureStageState(0, D3D::TSS_COLOROP, D3D::TOP_MODULATE);
    device->SetTextureStageState(0, D3D::TSS_COLORARG1, D3D::TA_TEXTURE);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
}

}  // namespace WorkSpace
