#include "pictures/picture_decode.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "pictures/exif.h"
#include "pictures/resample.h"

namespace WorkSpace {

namespace {
thread_local PictureFailure t_failure = PictureFailure::NotPicture;
// Width, height and the power-of-two flag in one word, so a decode never sees half of a change.
std::atomic<uint64_t> g_textureLimits{0};
}  // namespace

void ReportDecodeFailure(PictureFailure failure) { t_failure = failure; }

PictureFailure TakeDecodeFailure() {
    const PictureFailure failure = t_failure;
    t_failure = PictureFailure::NotPicture;
    return failure;
}

void SetPictureTextureLimits(uint32_t maxWidth, uint32_t maxHeight, bool powerOfTwo) {
    g_textureLimits.store((uint64_t(maxWidth) << 32) | (uint64_t(maxHeight) << 1) | (powerOfTwo ? 1u : 0u));
}

void PictureDecodeSize(const PictureTarget& target, uint32_t w, uint32_t h, uint32_t& outW, uint32_t& outH) {
    outW = std::min(std::max(w, 1u), kMaxImageSide);
    outH = std::min(std::max(h, 1u), kMaxImageSide);
    if (target.width == 0 || target.height == 0 || w == 0 || h == 0) return;
    if (target.fit == PictureFit::Stretch) {
        outW = std::min(outW, target.width);
        outH = std::min(outH, target.height);
        return;
    }
    const double sx = double(target.width) / double(w), sy = double(target.height) / double(h);
    const double s = std::min(target.fit == PictureFit::Fit ? std::min(sx, sy) : std::max(sx, sy), 1.0);
    if (s >= 1.0) return;
    outW = std::min(std::max(static_cast<uint32_t>(std::lround(w * s)), 1u), outW);
    outH = std::min(std::max(static_cast<uint32_t>(std::lround(h * s)), 1u), outH);
}

bool FinishPicture(const Image& raw, uint32_t orientation, const PictureTarget& target, DecodedPicture& out) {
    if (raw.width == 0 || raw.height == 0 || raw.pixels.size() != size_t(raw.width) * raw.height) return false;
    const bool swap = OrientationSwapsSides(orientation);
    const uint32_t uprightW = swap ? raw.height : raw.width, uprightH = swap ? raw.width : raw.height;
    uint32_t w = 0, h = 0;
    PictureDecodeSize(target, uprightW, uprightH, w, h);
    const uint64_t limits = g_textureLimits.load();
    const uint32_t maxW = static_cast<uint32_t>(limits >> 32), maxH = static_cast<uint32_t>(limits >> 1) & 0x7FFFFFFFu;
    if (maxW != 0 && maxH != 0) FitTextureSize(w, h, maxW, maxH, (limits & 1) != 0, w, h);
    // Scale first, while the picture still lies as stored, so the turn moves fewer pixels.
    const uint32_t storedW = swap ? h : w, storedH = swap ? w : h;
    if (storedW == raw.width && storedH == raw.height)
        out.image = OrientImage(raw, orientation);
    else
        out.image = OrientImage(ScaleImage(raw, storedW, storedH), orientation);
    out.width = uprightW;
    out.height = uprightH;
    return !out.image.pixels.empty();
}

}  // namespace WorkSpace
