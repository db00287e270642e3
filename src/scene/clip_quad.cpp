// A clip's frame drawn (clip_quad.h): the planes on samplers 0 and 1, the colour matrix in
// the shader's constants, and a quad whose corners take the stored frame's coordinates so
// that a clip recorded turned plays upright.
#include "scene/clip_quad.h"

#include "video/yuv_colour.h"

namespace WorkSpace {

namespace {
struct ClipVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
}  // namespace

void DrawClipQuad(GraphicsDevice* device, PixelShader* shader, const UserTextures::Picture& picture,
                  const PictureQuad& placed, uint32_t colour) {
    if (!shader || !picture.luma || !picture.chroma) return;
    float constants[kYuvConstantCount * 4];
    YuvConstants(picture.format, picture.colour, picture.frameHeight, constants);
    device->SetPixelShader(shader);
    device->SetPixelShaderConstants(0, constants, kYuvConstantCount);
    device->SetTexture(0, picture.luma);
    device->SetTexture(1, picture.chroma);
    for (uint32_t sampler = 0; sampler < 2; ++sampler) {
        device->SetSamplerState(sampler, D3D::SAMP_MINFILTER, D3D::TEXF_LINEAR);
        device->SetSamplerState(sampler, D3D::SAMP_MAGFILTER, D3D::TEXF_LINEAR);
        device->SetSamplerState(sampler, D3D::SAMP_MIPFILTER, D3D::TEXF_NONE);
        device->SetSamplerState(sampler, D3D::SAMP_ADDRESSU, D3D::TADDRESS_CLAMP);
        device->SetSamplerState(sampler, D3D::SAMP_ADDRESSV, D3D::TADDRESS_CLAMP);
    }
    const float* r = placed.rect;
    const float* uv = placed.uv;
    // Corners clockwise from the top left, each with its upright coordinate.
    const float corners[4][4] = {{r[0], r[1], uv[0], uv[1]}, {r[2], r[1], uv[2], uv[1]},
                                 {r[2], r[3], uv[2], uv[3]}, {r[0], r[3], uv[0], uv[3]}};
    ClipVertex quad[4];
    for (int k = 0; k < 4; ++k) {
        quad[k] = ClipVertex{corners[k][0], corners[k][1], 0.0f, 1.0f, colour, 0.0f, 0.0f};
        UprightToStored(picture.rotation, corners[k][2], corners[k][3], quad[k].u, quad[k].v);
    }
    device->SetFVF(D3D::FVF_XYZRHW | D3D::FVF_DIFFUSE | D3D::FVF_TEX1);
    device->DrawPrimitiveUP(D3D::PT_TRIANGLEFAN, 2, quad, sizeof(ClipVertex));
    device->SetPixelShader(nullptr);
    device->SetTexture(1, nullptr);
}

}  // namespace WorkSpace
