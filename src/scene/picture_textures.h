// The picture textures of one lane: the one being shown, the one fading in and the one after
// it, uploaded as the stream delivers them and released as they fade out. A picture that
// moves has its texture replaced by its frame source's frames as they fall due.
#pragma once
#include <cstdint>
#include <memory>

#include "gfx/graphics_ops.h"
#include "imaging/picture_decode.h"
#include "pictures/picture_stream.h"

namespace WorkSpace {

// The pictures in the order the stream delivered them. Each keeps its upright picture's own
// size, for its placement.
class UserTextures {
public:
    static constexpr uint32_t kMaxTextures = 3;
    struct Picture {
        Texture* texture = nullptr;
        uint32_t width = 0, height = 0;
        uint32_t imageWidth = 0, imageHeight = 0;  // its texture's, as decoded
        uint32_t listIndex = 0;
        uint64_t serial = 0;  // its number in the stream's order (StreamedPicture::serial)
        // A portrait's partner beside it, or its blurred copy behind it (else null).
        Texture* partner = nullptr;
        uint32_t partnerWidth = 0, partnerHeight = 0;
        uint32_t partnerImageWidth = 0, partnerImageHeight = 0;
        Texture* backdrop = nullptr;
        Texture* caption = nullptr;  // its caption, when it has one
        uint32_t captionWidth = 0, captionHeight = 0;
        Texture* partnerCaption = nullptr;  // the partner's, when it has one
        uint32_t partnerCaptionWidth = 0, partnerCaptionHeight = 0;
        int captionCorner = -1;  // kept from when it starts showing (CaptionCorner); -1 before
        // A moving picture's later frames (null for a photo), and its seconds on screen.
        std::shared_ptr<FrameSource> frames = nullptr;
        double frameSeconds = 0.0;
        // A clip's planes (a live photo's motion), written again with each frame, and how its
        // frames are stored; `motion` while they show rather than `texture` (a clip has no
        // still: its `texture` is null).
        Texture* luma = nullptr;
        Texture* chroma = nullptr;
        uint32_t frameWidth = 0, frameHeight = 0, rotation = 0;
        VideoFormat format = VideoFormat::NV12;
        VideoColour colour = {};  // the first frame's, as its decoder states it
        bool motion = false;
        // The clip's frame last written, handed back to its player for the next one.
        VideoFrame planes = {};
    };

    // Lane 0's of the process's Window, the only one unless each monitor shows its own
    // pictures (the lanes live in the picture layer's state: PictureLane).
    static UserTextures& Instance();
    UserTextures() = default;
    ~UserTextures();
    UserTextures(const UserTextures&) = delete;
    UserTextures& operator=(const UserTextures&) = delete;

    // Uploads decoded pixels as a texture behind the others; false when the device does not
    // take them (that picture is then skipped; the first such failure after a Clear is logged)
    // or all places are taken.
    bool AddPicture(const DecodedPicture& picture, uint32_t listIndex);
    // The same for a streamed picture with its partner or blurred copy; a partner or copy
    // the device does not take leaves the picture shown as any other.
    bool AddPicture(const StreamedPicture& picture);
    // Releases the first texture (the picture that has faded out).
    void DropFirst();
    // Releases the textures after the first `keep`.
    void KeepFirst(uint32_t keep);
    // Gives the pictures on screen (the first two) that have no caption corner yet `corner`.
    void KeepCaptionCorners(int corner);
    // Moves the moving pictures on by `seconds`: each whose frame source has a new frame due
    // gets it as its texture (a frame the device does not take leaves the last one up).
    // Photos make no call. A clip behind the first (fading in, or waiting) stays at its
    // start: its seconds count from when it is on screen alone.
    void AdvanceFrames(double seconds);
    // Whether the first picture's time on screen runs on (a clip that plays): the fade to
    // the next waits.
    bool FirstHoldsFade() const;
    // The shader that draws the clips' planes (null until a clip came).
    PixelShader* ClipShader() const { return clipShader_; }
    void Clear();
    // The device this lane's pictures go to; its texture limits go to the decoders.
    void SetDevice(GraphicsDevice* device);
    uint32_t Count() const { return count_; }
    const Picture& At(uint32_t i) const { return pictures_[i]; }

private:
    Texture* Upload(const Image& image, bool caption = false);
    Texture* UploadCaption(const Image& caption, uint32_t& width, uint32_t& height);
    bool StartClip(Picture& picture);
    bool WritePlanes(Picture& picture, const VideoFrame& frame);

    Picture pictures_[kMaxTextures];
    uint32_t count_ = 0;
    GraphicsDevice* device_ = nullptr;
    bool uploadFailureLogged_ = false;
    bool captionFailureLogged_ = false;
    PixelShader* clipShader_ = nullptr;
    bool clipFailureLogged_ = false;
};

}  // namespace WorkSpace
