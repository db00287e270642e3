// Where a picture goes in its area: stretched, fitted with even bars, or filling it with the
// overflow cut off in the middle; then the pan and zoom over its time on screen, and the part
// of a placed quad inside a smaller rectangle. Pure arithmetic on the quad's floats.
#include "imaging/picture_fit.h"

#include <cmath>

namespace WorkSpace {

PictureQuad PlacePicture(PictureFit mode, const float area[4], uint32_t pictureWidth, uint32_t pictureHeight) {
    PictureQuad quad = {{area[0], area[1], area[2], area[3]}, {0.0f, 0.0f, 1.0f, 1.0f}};
    const float areaW = area[2] - area[0], areaH = area[3] - area[1];
    if (mode == PictureFit::Stretch || pictureWidth == 0 || pictureHeight == 0 || areaW <= 0.0f || areaH <= 0.0f)
        return quad;
    const float pw = static_cast<float>(pictureWidth), ph = static_cast<float>(pictureHeight);
    // Compare the two aspects by cross-multiplying: no division by a tiny height.
    const bool pictureWider = pw * areaH > areaW * ph;
    if (mode == PictureFit::Fit) {
        // The whole picture shows; bars take up what is left, on both sides alike.
        if (pictureWider) {
            const float h = areaW * ph / pw, bar = (areaH - h) * 0.5f;
            quad.rect[1] = area[1] + bar;
            quad.rect[3] = area[3] - bar;
        } else {
            const float w = areaH * pw / ph, bar = (areaW - w) * 0.5f;
            quad.rect[0] = area[0] + bar;
            quad.rect[2] = area[2] - bar;
        }
        return quad;
    }
    // Fill: the area is covered and the picture's overflow is cut off in the middle.
    if (pictureWider) {
        const float shown = (areaW * ph) / (areaH * pw), margin = (1.0f - shown) * 0.5f;
        quad.uv[0] = margin;
        quad.uv[2] = 1.0f - margin;
    } else {
        const float shown = (areaH * pw) / (areaW * ph), margin = (1.0f - shown) * 0.5f;
        quad.uv[1] = margin;
        quad.uv[3] = 1.0f - margin;
    }
    return quad;
}

PictureQuad PanAndZoom(const PictureQuad& quad, float progress, bool reverse) {
    const float t = progress < 0.0f ? 0.0f : (progress > 1.0f ? 1.0f : progress);
    const float keep = 1.0f / (1.0f + kPanZoomMost * t);
    const bool alongU = quad.rect[2] - quad.rect[0] >= quad.rect[3] - quad.rect[1];
    PictureQuad out = quad;
    for (int axis = 0; axis < 2; ++axis) {
        const float from = quad.uv[axis], to = quad.uv[axis + 2];
        const float half = (to - from) * keep * 0.5f, room = (to - from) * 0.5f - half;
        float middle = (from + to) * 0.5f;
        // Where the zoom has made room, the pan uses it, reaching the end as the zoom ends.
        if ((axis == 0) == alongU) middle += (reverse ? -room : room) * t;
        out.uv[axis] = middle - half;
        out.uv[axis + 2] = middle + half;
    }
    return out;
}

PictureQuad SubQuad(const PictureQuad& quad, const float rect[4]) {
    PictureQuad out = quad;
    for (int axis = 0; axis < 2; ++axis) {
        const float from = quad.rect[axis], size = quad.rect[axis + 2] - from;
        const float uvFrom = quad.uv[axis], uvSize = quad.uv[axis + 2] - uvFrom;
        for (int side = 0; side < 2; ++side) {
            const int i = axis + 2 * side;
            out.rect[i] = rect[i];
            out.uv[i] = size > 0.0f ? uvFrom + uvSize * (rect[i] - from) / size : quad.uv[i];
        }
    }
    return out;
}

bool LiesAcross(uint32_t w, uint32_t h, float areaW, float areaH) {
    if (w == 0 || h == 0 || w == h || areaW <= 0.0f || areaH <= 0.0f || areaW == areaH) return false;
    return (w > h) != (areaW > areaH);
}

float PanProgress(float travelled) {
    if (!(travelled > 0.0f)) return 0.0f;
    const float lap = std::fmod(travelled, 2.0f);
    return lap <= 1.0f ? lap : 2.0f - lap;
}

bool DrawnAtScale(const PictureQuad& quad, uint32_t textureW, uint32_t textureH) {
    const float drawnW = quad.rect[2] - quad.rect[0], drawnH = quad.rect[3] - quad.rect[1];
    const float texelsW = (quad.uv[2] - quad.uv[0]) * static_cast<float>(textureW);
    const float texelsH = (quad.uv[3] - quad.uv[1]) * static_cast<float>(textureH);
    return std::fabs(std::fabs(drawnW) - std::fabs(texelsW)) > 0.1f ||
           std::fabs(std::fabs(drawnH) - std::fabs(texelsH)) > 0.1f;
}

}  // namespace WorkSpace
