// The picture layer: the user's pictures behind the particles, each placed by the fit mode,
// cross-fading from one to the next as the stream delivers them.
#pragma once
#include <cstdint>

#include "scene/frame_layer.h"
#include "gfx/graphics_ops.h"
#include "pictures/picture_decode.h"

namespace WorkSpace {

// The picture textures: the one being shown, the one fading in and the one after it, in
// the order the stream delivered them. Each keeps its upright picture's own size, for its
// placement.
class UserTextures {
public:
    static constexpr uint32_t kMaxTextures = 3;
    struct Picture {
        Texture* texture = nullptr;
        uint32_t width = 0, height = 0;
        uint32_t listIndex = 0;
    };

    static UserTextures& Instance();
    UserTextures() = default;
    virtual ~UserTextures();

    // Uploads decoded pixels as a texture behind the others; false when the device does not
    // take them (that picture is then skipped; the first such failure after a Clear is logged)
    // or all places are taken.
    bool AddPicture(const DecodedPicture& picture, uint32_t listIndex);
    // Releases the first texture (the picture that has faded out).
    void DropFirst();
    void Clear();
    // The device the pictures go to; its texture limits go to the decoders.
    void SetDevice(GraphicsDevice* device);
    uint32_t Count() const { return count_; }
    const Picture& At(uint32_t i) const { return pictures_[i]; }

private:
    Picture pictures_[kMaxTextures];
    uint32_t count_ = 0;
    GraphicsDevice* device_ = nullptr;
    bool uploadFailureLogged_ = false;
};

// current and next are the list indices of the two pictures shown.
struct CrossFade {
    uint32_t current = 0;
    uint32_t next = 1;
    float fade = 0.0f;
    // A first picture that arrives after frames were drawn without it fades in from black.
    uint32_t framesWithout = 0;
    float appear = 1.0f;
};
// The process-wide cross-fade state; a reload of the pictures starts at `current` again.
CrossFade& PictureFade();

// Once per frame: takes a decoded picture from the stream for upload, and moves the fade on
// by `step` (0.001 at 60 frames a second).
void AdvancePictureFade(float step = 0.001f);
// Draws the pictures into `area` (left, top, right, bottom in client pixels), each placed by
// `fit`; draws nothing while no picture has arrived.
void DrawPictureLayer(const float area[4], PictureFit fit);

extern const FrameLayer kPictureLayer;

}  // namespace WorkSpace
