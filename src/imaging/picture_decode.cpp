// What every picture decoder shares: the file's bytes read (and why that failed, logged
// once a run), the failure a decoder reports on its thread, the device's texture limits, and
// the last step that scales a decoded picture for its target and turns it upright.
#include "imaging/picture_decode.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "imaging/exif.h"
#include "imaging/resample.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
thread_local PictureFailure t_failure = PictureFailure::NotPicture;
// Width, height and the power-of-two flag in one word, so a decode never sees half of a change.
std::atomic<uint64_t> g_textureLimits{0};
}  // namespace

void ReportDecodeFailure(PictureFailure failure) { t_failure = failure; }

PictureFailure PictureFailureOfRead(Platform::ReadFailure failure) {
    switch (failure) {
        case Platform::ReadFailure::Missing: return PictureFailure::Missing;
        case Platform::ReadFailure::Denied: return PictureFailure::Denied;
        case Platform::ReadFailure::PathTooLong: return PictureFailure::PathTooLong;
        case Platform::ReadFailure::TooLarge: return PictureFailure::TooLarge;
        case Platform::ReadFailure::CloudOnly: return PictureFailure::CloudOnly;
        default: return PictureFailure::ReadError;
    }
}

const wchar_t* ReadFailureText(Platform::ReadFailure failure) {
    switch (failure) {
        case Platform::ReadFailure::Missing: return L"file not found";
        case Platform::ReadFailure::Denied: return L"access denied";
        case Platform::ReadFailure::PathTooLong: return L"path too long";
        case Platform::ReadFailure::TooLarge: return L"file larger than 1 GiB";
        case Platform::ReadFailure::CloudOnly: return L"cloud-only file, not on this device";
        default: return L"read error";
    }
}

void LogPictureFailure(const std::wstring& path, const wchar_t* what) {
    GetLogger().WriteOncePerRun(path + L"\n" + what, L"DecodePictureFile() - %ls - %ls - FAILED", path.c_str(), what);
}

bool ReadPictureFile(const std::wstring& path, std::string& bytes, PictureSource& source) {
    Platform::ReadFailure why = Platform::ReadFailure::None;
    if (source.ReadWhole(path, bytes, why)) return true;
    ReportDecodeFailure(PictureFailureOfRead(why));
    LogPictureFailure(path, ReadFailureText(why));
    return false;
}

bool DecodePictureFile(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    return DecodePictureFrom(path, target, out, PictureSources());
}

PictureFailure TakeDecodeFailure() {
    const PictureFailure failure = t_failure;
    t_failure = PictureFailure::NotPicture;
    return failure;
}

void SetPictureTextureLimits(uint32_t maxWidth, uint32_t maxHeight, bool powerOfTwo) {
    g_textureLimits.store((uint64_t(maxWidth) << 32) | (uint64_t(maxHeight) << 1) | (powerOfTwo ? 1u : 0u));
}

void GetPictureTextureLimits(uint32_t& maxWidth, uint32_t& maxHeight) {
    const uint64_t limits = g_textureLimits.load();
    maxWidth = static_cast<uint32_t>(limits >> 32);
    maxHeight = static_cast<uint32_t>(limits >> 1) & 0x7FFFFFFFu;
}

void PictureDecodeSize(const PictureTarget& target, uint32_t w, uint32_t h, uint32_t& outW, uint32_t& outH) {
    outW = std::min(std::max(w, 1u), kMaxImageSide);
    outH = std::min(std::max(h, 1u), kMaxImageSide);
    if (target.width == 0 || target.height == 0 || w == 0 || h == 0) return;
    const bool fitted = target.fitAcross && LiesAcross(w, h, static_cast<float>(target.width),
                                                       static_cast<float>(target.height));
    const PictureFit fit = fitted ? PictureFit::Fit : target.fit;
    if (fit == PictureFit::Stretch) {
        outW = std::min(outW, target.width);
        outH = std::min(outH, target.height);
        return;
    }
    const double sx = double(target.width) / double(w), sy = double(target.height) / double(h);
    const double s = std::min(fit == PictureFit::Fit ? std::min(sx, sy) : std::max(sx, sy), 1.0);
    if (s >= 1.0) return;
    outW = std::min(std::max(static_cast<uint32_t>(std::lround(w * s)), 1u), outW);
    outH = std::min(std::max(static_cast<uint32_t>(std::lround(h * s)), 1u), outH);
}

void StoredDecodeSize(const PictureTarget& target, uint32_t orientation, uint32_t w, uint32_t h, uint32_t& outW,
                      uint32_t& outH) {
    const bool swap = OrientationSwapsSides(orientation);
    uint32_t uw = 0, uh = 0;
    PictureDecodeSize(target, swap ? h : w, swap ? w : h, uw, uh);
    const uint64_t limits = g_textureLimits.load();
    const uint32_t maxW = static_cast<uint32_t>(limits >> 32), maxH = static_cast<uint32_t>(limits >> 1) & 0x7FFFFFFFu;
    if (maxW != 0 && maxH != 0) FitTextureSize(uw, uh, maxW, maxH, (limits & 1) != 0, uw, uh);
    outW = swap ? uh : uw;
    outH = swap ? uw : uh;
}

bool FinishPicture(const Image& raw, uint32_t orientation, const PictureTarget& target, DecodedPicture& out,
                   uint32_t ownW, uint32_t ownH) {
    if (raw.width == 0 || raw.height == 0 || raw.pixels.size() != size_t(raw.width) * raw.height) return false;
    if (ownW == 0 || ownH == 0) ownW = raw.width, ownH = raw.height;
    const bool swap = OrientationSwapsSides(orientation);
    const uint32_t uprightW = swap ? ownH : ownW, uprightH = swap ? ownW : ownH;
    // Sized from the picture's own sides, not the codec's smaller copy, so the aspect stays
    // the photo's; never larger than the copy the codec gave.
    uint32_t storedW = 0, storedH = 0;
    StoredDecodeSize(target, orientation, ownW, ownH, storedW, storedH);
    storedW = std::min(storedW, raw.width);
    storedH = std::min(storedH, raw.height);
    // Scale first, while the picture still lies as stored, so the turn moves fewer pixels.
    if (storedW == raw.width && storedH == raw.height)
        out.image = OrientImage(raw, orientation);
    else
        out.image = OrientImage(ScaleImage(raw, storedW, storedH), orientation);
    out.width = uprightW;
    out.height = uprightH;
    return !out.image.pixels.empty();
}

}  // namespace WorkSpace
