// The upright turn, resampling, the blur, texture sizes and mip levels. Every function takes
// any Image, including one whose pixels do not match its size, and never reads outside its
// pixels.
#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

namespace WorkSpace {

namespace {

// One output sample along an axis is a weighted sum of source samples: taps[first..first+count).
struct Tap {
    uint32_t index;
    double weight;
};
struct AxisFilter {
    std::vector<uint32_t> first;  // per output sample, plus one past the end
    std::vector<Tap> taps;
};

AxisFilter MakeAxisFilter(uint32_t src, uint32_t dst) {
    AxisFilter f;
    f.first.reserve(dst + 1);
    if (dst < src) {
        // Area average: output i covers source [i*src/dst, (i+1)*src/dst). Measured in units of
        // 1/dst all boundaries are integers, so the overlaps and weights are exact and every
        // output's weights sum to one (a flat picture stays flat).
        for (uint32_t i = 0; i < dst; ++i) {
            f.first.push_back(static_cast<uint32_t>(f.taps.size()));
            const uint64_t a = uint64_t(i) * src, b = uint64_t(i + 1) * src;
            for (uint64_t j = a / dst; j * dst < b; ++j) {
                const uint64_t lo = std::max(a, j * dst), hi = std::min(b, (j + 1) * dst);
                if (hi > lo) f.taps.push_back({static_cast<uint32_t>(j), double(hi - lo) / double(src)});
            }
        }
    } else {
        // Bilinear with pixel centres aligned (output centre i+0.5 maps to source
        // (i+0.5)*src/dst), so an unchanged size is an exact copy; edges clamp.
        for (uint32_t i = 0; i < dst; ++i) {
            f.first.push_back(static_cast<uint32_t>(f.taps.size()));
            double c = (i + 0.5) * double(src) / double(dst) - 0.5;
            c = std::min(std::max(c, 0.0), double(src - 1));
            const uint32_t j0 = static_cast<uint32_t>(c);
            const double t = c - j0;
            const uint32_t j1 = std::min(j0 + 1, src - 1);
            if (t == 0.0 || j1 == j0) {
                f.taps.push_back({j0, 1.0});
            } else {
                f.taps.push_back({j0, 1.0 - t});
                f.taps.push_back({j1, t});
            }
        }
    }
    f.first.push_back(static_cast<uint32_t>(f.taps.size()));
    return f;
}

uint8_t ToByte(double v) {
    const double r = std::floor(v + 0.5);
    return static_cast<uint8_t>(r < 0.0 ? 0.0 : (r > 255.0 ? 255.0 : r));
}


}  // namespace

Image OrientImage(const Image& src, uint32_t orientation) {
    if (!ImageConsistent(src) || orientation < 2 || orientation > 8) return src;
    const uint32_t W = src.width, H = src.height;
    const bool swap = OrientationSwapsSides(orientation);
    Image out;
    out.width = swap ? H : W;
    out.height = swap ? W : H;
    out.pixels.resize(src.pixels.size());
    for (uint32_t y = 0; y < out.height; ++y) {
        for (uint32_t x = 0; x < out.width; ++x) {
            uint32_t sx = x, sy = y;
            switch (orientation) {
            case 2: sx = W - 1 - x; break;
            case 3: sx = W - 1 - x; sy = H - 1 - y; break;
            case 4: sy = H - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = H - 1 - x; break;
            case 7: sx = W - 1 - y; sy = H - 1 - x; break;
            case 8: sx = W - 1 - y; sy = x; break;
            }
            out.pixels[size_t(y) * out.width + x] = src.pixels[size_t(sy) * W + sx];
        }
    }
    return out;
}

Image BlurredBackdrop(const Image& src, uint32_t longSide, float brightness) {
    if (src.width == 0 || src.height == 0 || longSide == 0) return Image();
    const bool wide = src.width >= src.height;
    const uint64_t shortSide = (static_cast<uint64_t>(longSide) * (wide ? src.height : src.width)) /
                               (wide ? src.width : src.height);
    const uint32_t s = shortSide > 0 ? static_cast<uint32_t>(shortSide) : 1u;
    Image out = ScaleImage(src, wide ? longSide : s, wide ? s : longSide);
    if (out.pixels.empty()) return out;
    // Three passes of a 3-tap box each way come close to a Gaussian; the edges repeat.
    const uint32_t w = out.width, h = out.height;
    std::vector<uint32_t> line;
    auto blur = [&](uint32_t count, uint32_t stride, uint32_t first) {
        line.resize(count);
        for (uint32_t i = 0; i < count; ++i) line[i] = out.pixels[first + i * stride];
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t a = line[i > 0 ? i - 1 : 0], b = line[i], c = line[i + 1 < count ? i + 1 : i];
            uint32_t mixed = 0;
            for (int shift = 0; shift < 32; shift += 8)
                mixed |= ((((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) + 1) / 3) << shift;
            out.pixels[first + i * stride] = mixed;
        }
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (uint32_t y = 0; y < h; ++y) blur(w, 1, y * w);
        for (uint32_t x = 0; x < w; ++x) blur(h, w, x);
    }
    const float kept = brightness < 0.0f ? 0.0f : (brightness > 1.0f ? 1.0f : brightness);
    const uint32_t scale = static_cast<uint32_t>(kept * 256.0f);
    for (uint32_t& p : out.pixels) {
        uint32_t dark = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) dark |= ((((p >> shift) & 0xFF) * scale) >> 8) << shift;
        p = dark;
    }
    return out;
}

Image ScaleImage(const Image& src, uint32_t width, uint32_t height) {
    Image out;
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide) return out;
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<size_t>(width) * height, 0);
    if (!ImageConsistent(src)) return out;

    const AxisFilter hf = MakeAxisFilter(src.width, width);
    const AxisFilter vf = MakeAxisFilter(src.height, height);

    // Separable: each source row is filtered horizontally once into a row of width x 4
    // channels, then output rows are weighted sums of those. Vertical taps only move
    // forward, so a short queue of filtered rows is all we keep, whatever the picture size.
    std::deque<std::pair<uint32_t, std::vector<double>>> rows;
    auto filteredRow = [&](uint32_t sy) -> const std::vector<double>& {
        for (auto& r : rows)
            if (r.first == sy) return r.second;
        std::vector<double> row(static_cast<size_t>(width) * 4, 0.0);
        const uint32_t* s = &src.pixels[static_cast<size_t>(sy) * src.width];
        for (uint32_t x = 0; x < width; ++x) {
            double acc[4] = {0, 0, 0, 0};
            for (uint32_t k = hf.first[x]; k < hf.first[x + 1]; ++k) {
                const uint32_t p = s[hf.taps[k].index];
                const double w = hf.taps[k].weight;
                for (int c = 0; c < 4; ++c) acc[c] += w * double((p >> (8 * c)) & 0xFFu);
            }
            for (int c = 0; c < 4; ++c) row[static_cast<size_t>(x) * 4 + c] = acc[c];
        }
        rows.emplace_back(sy, std::move(row));
        return rows.back().second;
    };

    std::vector<double> acc(static_cast<size_t>(width) * 4);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t begin = vf.first[y], end = vf.first[y + 1];
        const uint32_t lowest = vf.taps[begin].index;
        while (!rows.empty() && rows.front().first < lowest) rows.pop_front();
        std::fill(acc.begin(), acc.end(), 0.0);
        for (uint32_t k = begin; k < end; ++k) {
            const std::vector<double>& row = filteredRow(vf.taps[k].index);
            const double w = vf.taps[k].weight;
            for (size_t i = 0; i < acc.size(); ++i) acc[i] += w * row[i];
        }
        uint32_t* d = &out.pixels[static_cast<size_t>(y) * width];
        for (uint32_t x = 0; x < width; ++x) {
            const double* a = &acc[static_cast<size_t>(x) * 4];
            d[x] = uint32_t(ToByte(a[0])) | (uint32_t(ToByte(a[1])) << 8) | (uint32_t(ToByte(a[2])) << 16) |
                   (uint32_t(ToByte(a[3])) << 24);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Texture sizes and mip chains

namespace {

uint64_t NextPowerOfTwo(uint64_t v) {
    uint64_t p = 1;
    while (p < v) p <<= 1;
    return p;
}

uint32_t PreviousPowerOfTwo(uint32_t v) {
    uint32_t p = 1;
    while (p <= v / 2) p <<= 1;
    return p;
}

}  // namespace

// The rule, in order:
//  1. A zero source side counts as 1. A zero maximum counts as 1 and a maximum above
//     kMaxImageSide counts as kMaxImageSide, because ScaleImage cannot make anything larger.
//  2. With powerOfTwo, each side is rounded UP to the next power of two (6000x4000 becomes
//     8192x4096), so a picture is never shrunk just to meet the rule.
//  3. If either side now exceeds its maximum, both are scaled by the one factor
//     f = min(maxW / W, maxH / H): the side that limits becomes exactly its maximum and the
//     other is round(side * f), at least 1 and never above its own maximum.
//     6000x4000 into 4096x4096 gives 4096x2731 (4000 * 4096 / 6000 = 2730.67).
//  4. With powerOfTwo, each side is then rounded DOWN to a power of two, which can only make
//     it smaller, so it still fits: 8192x4096 into 4096x4096 gives 4096x2048, and into
//     3000x3000 gives 3000x1500, then 2048x1024.
// Results are always within 1..max on each side.
void FitTextureSize(uint32_t srcW, uint32_t srcH, uint32_t maxW, uint32_t maxH, bool powerOfTwo, uint32_t& w,
                    uint32_t& h) {
    const uint64_t limitW = std::min<uint64_t>(std::max<uint32_t>(maxW, 1), kMaxImageSide);
    const uint64_t limitH = std::min<uint64_t>(std::max<uint32_t>(maxH, 1), kMaxImageSide);
    uint64_t sw = std::max<uint32_t>(srcW, 1), sh = std::max<uint32_t>(srcH, 1);
    if (powerOfTwo) {
        sw = NextPowerOfTwo(sw);
        sh = NextPowerOfTwo(sh);
    }
    if (sw > limitW || sh > limitH) {
        // Compare limitW/sw with limitH/sh without division: the smaller ratio binds.
        if (limitW * sh <= limitH * sw) {
            sh = (2 * sh * limitW + sw) / (2 * sw);
            sw = limitW;
        } else {
            sw = (2 * sw * limitH + sh) / (2 * sh);
            sh = limitH;
        }
        sw = std::min(std::max<uint64_t>(sw, 1), limitW);
        sh = std::min(std::max<uint64_t>(sh, 1), limitH);
    }
    w = static_cast<uint32_t>(sw);
    h = static_cast<uint32_t>(sh);
    if (powerOfTwo) {
        w = PreviousPowerOfTwo(w);
        h = PreviousPowerOfTwo(h);
    }
}

uint32_t MipLevelCount(uint32_t w, uint32_t h, uint32_t requested) {
    uint32_t side = std::max(std::max(w, h), 1u);
    uint32_t full = 1;
    while (side > 1) {
        side >>= 1;
        ++full;
    }
    return requested == 0 ? full : std::min(requested, full);
}

Image NextMipLevel(const Image& src) {
    Image out;
    if (!ImageConsistent(src)) return out;
    out.width = std::max(1u, src.width / 2);
    out.height = std::max(1u, src.height / 2);
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    const uint32_t lastX = src.width - 1, lastY = src.height - 1;
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint32_t y0 = std::min(2 * y, lastY), y1 = std::min(2 * y + 1, lastY);
        for (uint32_t x = 0; x < out.width; ++x) {
            const uint32_t x0 = std::min(2 * x, lastX), x1 = std::min(2 * x + 1, lastX);
            const uint32_t q[4] = {src.pixels[size_t(y0) * src.width + x0], src.pixels[size_t(y0) * src.width + x1],
                                   src.pixels[size_t(y1) * src.width + x0], src.pixels[size_t(y1) * src.width + x1]};
            uint32_t v = 0;
            for (int c = 0; c < 4; ++c) {
                uint32_t sum = 2;  // rounds the average to nearest
                for (uint32_t p : q) sum += (p >> (8 * c)) & 0xFFu;
                v |= (sum / 4) << (8 * c);
            }
            out.pixels[size_t(y) * out.width + x] = v;
        }
    }
    return out;
}

}  // namespace WorkSpace
