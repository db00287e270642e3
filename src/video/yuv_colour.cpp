// The clip frames' colour on the card (yuv_colour.h): the shader's text, its colour matrix
// for BT.601, BT.709 and BT.2020 in studio or full range, and the upright turn of texture
// coordinates.
#include "video/yuv_colour.h"

namespace WorkSpace {

// r2 = (U, V, Y, 1) picked from the two samples by c0 and c1 (A8L8 keeps V in alpha,
// G16R16 in green); each colour channel is one dot product with its row, offsets in w.
const char kYuvPixelShader[] =
    "ps_2_0\n"
    "dcl v0\n"
    "dcl t0.xy\n"
    "dcl_2d s0\n"
    "dcl_2d s1\n"
    "def c5, 0, 0, 0, 1\n"
    "texld r0, t0, s0\n"
    "texld r1, t0, s1\n"
    "dp4 r2.x, r1, c0\n"
    "dp4 r2.y, r1, c1\n"
    "mov r2.z, r0.x\n"
    "mov r2.w, c5.w\n"
    "dp4_sat r3.x, r2, c2\n"
    "dp4_sat r3.y, r2, c3\n"
    "dp4_sat r3.z, r2, c4\n"
    "mov r3.w, c5.w\n"
    "mul r3, r3, v0\n"
    "mov oC0, r3\n";

namespace {

// Each standard's luma weights of red and blue (green's is what is left).
struct LumaWeights {
    float kr, kb;
};

LumaWeights Weights(YuvMatrix stated, uint32_t height) {
    YuvMatrix matrix = stated;
    if (matrix == YuvMatrix::Unstated) matrix = height >= 720 ? YuvMatrix::Bt709 : YuvMatrix::Bt601;
    switch (matrix) {
    case YuvMatrix::Bt709: return {0.2126f, 0.0722f};
    case YuvMatrix::Bt2020: return {0.2627f, 0.0593f};
    default: return {0.299f, 0.114f};
    }
}

// Where black sits and how far white and the chroma's extremes are from it, as the texture
// unit reads the samples (0..1): an 8-bit code over 255; a 10-bit P010 code sits in the top
// bits of 16, so it reads as code * 64 / 65535.
struct SampleLevels {
    float black, lumaSpan, chromaMid, chromaSpan;
};

SampleLevels Levels(VideoFormat format, YuvRange range) {
    const bool full = range == YuvRange::Full;
    if (format == VideoFormat::P010) {
        const float unit = 64.0f / 65535.0f;
        return full ? SampleLevels{0.0f, 1023 * unit, 512 * unit, 1023 * unit}
                    : SampleLevels{64 * unit, 876 * unit, 512 * unit, 896 * unit};
    }
    const float unit = 1.0f / 255.0f;
    return full ? SampleLevels{0.0f, 1.0f, 128 * unit, 1.0f} : SampleLevels{16 * unit, 219 * unit, 128 * unit, 224 * unit};
}

}  // namespace

void YuvConstants(VideoFormat format, VideoColour colour, uint32_t height, float out[kYuvConstantCount * 4]) {
    // Which channel of the chroma sample holds U and V.
    const float pickU[4] = {1, 0, 0, 0};
    const float pickV8[4] = {0, 0, 0, 1}, pickV16[4] = {0, 1, 0, 0};
    const float* pickV = format == VideoFormat::P010 ? pickV16 : pickV8;
    for (int i = 0; i < 4; ++i) out[i] = pickU[i], out[4 + i] = pickV[i];
    const LumaWeights w = Weights(colour.matrix, height);
    const float kg = 1.0f - w.kr - w.kb;
    // R = Y' + rv Cr; G = Y' - gu Cb - gv Cr; B = Y' + bu Cb (Cb, Cr in -0.5..0.5).
    const float rv = 2.0f * (1.0f - w.kr), bu = 2.0f * (1.0f - w.kb);
    const float gu = bu * w.kb / kg, gv = rv * w.kr / kg;
    // Y' = (Y - black) / lumaSpan, C = (C - chromaMid) / chromaSpan.
    const SampleLevels l = Levels(format, colour.range);
    const float ky = 1.0f / l.lumaSpan, kc = 1.0f / l.chromaSpan;
    const float rows[3][2] = {{0.0f, rv}, {-gu, -gv}, {bu, 0.0f}};  // (Cb, Cr) factors per channel
    for (int c = 0; c < 3; ++c) {
        float* row = out + 8 + 4 * c;
        row[0] = rows[c][0] * kc;
        row[1] = rows[c][1] * kc;
        row[2] = ky;
        row[3] = -l.black * ky - l.chromaMid * kc * (rows[c][0] + rows[c][1]);
    }
}

void YuvToRgb(const float constants[kYuvConstantCount * 4], float y, float u, float v, float rgb[3]) {
    for (int c = 0; c < 3; ++c) {
        const float* row = constants + 8 + 4 * c;
        const float value = row[0] * u + row[1] * v + row[2] * y + row[3];
        rgb[c] = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    }
}

void UprightToStored(uint32_t rotation, float u, float v, float& su, float& sv) {
    switch (rotation) {
    case 90: su = v, sv = 1.0f - u; break;
    case 180: su = 1.0f - u, sv = 1.0f - v; break;
    case 270: su = 1.0f - v, sv = u; break;
    default: su = u, sv = v; break;
    }
}

}  // namespace WorkSpace
