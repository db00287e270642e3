// The scene around the particles: the fixed camera, the user's pictures cross-fading as
// the background, and the logo in the bottom-left corner.
#pragma once
#include <string>

#include "app/program_error.h"
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
    // The source image's size, for placing the picture in a view.
    const ImageInfo& InfoAt(uint32_t i) const { return infos_[i]; }

private:
    GrowArray<Texture*> textures_;
    GrowArray<ImageInfo> infos_;
    GraphicsDevice* device_ = nullptr;
};

struct CrossFade {
    uint32_t current = 0;
    uint32_t next = 1;
    float fade = 0.0f;
};
// The process-wide cross-fade state (never reset; survives a reload of the pictures).
CrossFade& PictureFade();

// The scene initialisation for the window's client area as one view.
void InitScene();
// Logo, the camera of `view` (the shared look-at and the view's own aspect) and the
// particle renderer.
void InitScene(View& view);
// The camera step of the window's camera block, and of one view's.
void UpdateMatrices(uint8_t rotationFlag);
void UpdateMatrices(uint8_t rotationFlag, CameraBlock& camera);
// The cross-fade's state change, once per frame while two or more pictures show.
void AdvancePictureFade();
// Draws the picture layer into `area` (left, top, right, bottom in client pixels),
// each picture placed by the "PictureFit" setting.
void DrawPictureLayer(const float area[4]);
// The logo at the bottom-left of the client area, or of one view.
void DrawLogo();
void DrawLogo(const View& view);
void DrawScreenQuad(const float uv[4], const float rect[4]);
void DrawTintedScreenQuad(const float uv[4], const float rect[4], uint32_t colour);

}  // namespace WorkSpace
