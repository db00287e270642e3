#include "pictures/picture_fit.h"

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

}  // namespace WorkSpace
