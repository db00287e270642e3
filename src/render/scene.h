// The scene around the particles: the fixed camera, the user's pictures cross-fading as
// the background, and the logo in the bottom-left corner.
#pragma once
#include <string>

#include "base/program_error.h"
#include "render/graphics_ops.h"

namespace WorkSpace {

class UserTextures {
public:
    static UserTextures& Instance();
    UserTextures() = default;
    virtual ~UserTextures();

    // Loads a picture file; a picture that cannot be decoded is skipped (false).
    bool AddTexture(const std::wstring& path);
    void Clear();
    void SetDevice(GraphicsDevice* device) { device_ = device; }
    uint32_t Count() const { return textures_.Count(); }
    Texture* At(uint32_t i) const { return textures_[i]; }

private:
    GrowArray<Texture*> textures_;
    GraphicsDevice* device_ = nullptr;
};

struct CrossFade {
    uint32_t current = 0;
    uint32_t next = 1;
    float fade = 0.0f;
};
// The process-wide cross-fade state (never reset; survives a reload of the pictures).
CrossFade& PictureFade();

void InitScene();
void UpdateMatrices(uint8_t rotationFlag);
void DrawPictureLayer();
void DrawLogo();
void DrawScreenQuad(const float uv[4], const float rect[4]);
void DrawTintedScreenQuad(const float uv[4], const float rect[4], uint32_t colour);

}  // namespace WorkSpace
