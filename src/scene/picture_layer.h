// The picture layer: the user's pictures behind the particles, each placed by the fit mode,
// cross-fading from one to the next as the stream delivers them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scene/frame_layer.h"
#include "gfx/graphics_ops.h"
#include "imaging/picture_decode.h"
#include "pictures/picture_stream.h"

namespace WorkSpace {

// With a picture per monitor, each of the first kPictureLanes monitors has its own pictures
// and cross-fade (a lane); monitors after them share the lanes in turn.
constexpr uint32_t kPictureLanes = 8;

// The picture textures: the one being shown, the one fading in and the one after it, in
// the order the stream delivered them. Each keeps its upright picture's own size, for its
// placement.
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
    };

    // Lane 0's, the only one unless each monitor shows its own pictures.
    static UserTextures& Instance();
    static UserTextures& Lane(uint32_t lane);
    UserTextures() = default;
    ~UserTextures();

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
    void Clear();
    // The device the pictures of every lane go to; its texture limits go to the decoders.
    void SetDevice(GraphicsDevice* device);
    uint32_t Count() const { return count_; }
    const Picture& At(uint32_t i) const { return pictures_[i]; }

private:
    Texture* Upload(const Image& image, bool caption = false);
    Texture* UploadCaption(const Image& caption, uint32_t& width, uint32_t& height);

    Picture pictures_[kMaxTextures];
    uint32_t count_ = 0;
    GraphicsDevice* device_ = nullptr;
    bool uploadFailureLogged_ = false;
    bool captionFailureLogged_ = false;
};

// The window's cross-fade (Window::fade); current and next are the list indices of the two
// pictures shown.
struct CrossFade {
    uint32_t current = 0;
    uint32_t next = 1;
    float fade = 0.0f;
    // A first picture that arrives after frames were drawn without it fades in from black.
    // A monitor after the first fades its own first picture in over the first monitor's.
    uint32_t framesWithout = 0;
    float appear = 1.0f;
    // How far the picture shown alone (its successor not there yet) has panned on past its
    // place in the fade, to and fro (PanProgress); from 0 to 2, back to 0 as it leaves.
    float held = 0.0f;
    // Seconds the pictures have been on screen, which move their captions (OLED burn-in).
    double captionSeconds = 0.0;
    // Steering keys: the pictures wait while `paused`; a step fades `quick`ly to the picture
    // it asked for, once that has arrived. `pauseMark`: seconds the pause mark still shows.
    bool paused = false;
    bool quick = false;
    double pauseMark = 0.0;
};

// How long a steered cross-fade takes, and how long the pause mark shows (seconds).
constexpr double kQuickFadeSeconds = 0.4;
constexpr double kPauseMarkSeconds = 1.0;

// The pictures' cross-fade per frame at `framesPerSecond`: exactly 0.001 at 60, so each
// picture lasts the same time at every rate.
float FadeStep(double framesPerSecond = 60.0);

// How many lanes the window's pictures take: one, or with `perMonitor` one per view, at most
// kPictureLanes.
uint32_t PictureLanes(const Window& window, bool perMonitor);
// A lane's cross-fade: Window::fade for lane 0.
CrossFade& LaneFade(Window& window, uint32_t lane);

// Tells the window's stream to stop and lets go of the picture textures; what arrives after
// is dropped.
void StopPictures(Window& window);
// Starts the window's stream over with the list's `entries`, from the picture the fade
// showed last (a reload with a shorter list starts from its first), and the fade from the
// start of that picture. A first picture that comes after frames were drawn without it fades in.
void StartPictures(Window& window, const std::vector<std::wstring>& entries, PictureStreamOptions options);
// Once per frame: takes a decoded picture from the window's stream for upload, and moves the
// fade on by `step` (0.001 at 60 frames a second). Over `lanes` lanes, the picture goes to the
// lane it was made for (or, made for lanes no longer there, to the one with the fewest), so the
// monitors take the list's pictures in turn; each lane then holds two pictures at most.
void AdvancePictureFade(Window& window, float step = 0.001f, uint32_t lanes = 1);
// Takes the keys pressed since the last frame (Window::pictureSteps, pauseToggles) and applies
// them to the single lane's pictures: a step keeps the picture on screen until the one asked
// for has arrived from the stream, then fades to it quickly. Over several lanes only the pause
// applies. Steps while no picture is on screen are dropped.
void SteerPictures(Window& window, uint32_t lanes = 1);
// How the photo options show the pictures in a frame (FrameSettings).
struct PhotoLook {
    bool panZoom = false;
    int32_t portraits = 0;  // 0 as any photo, 1 side by side, 2 over a blurred copy
    uint32_t lane = 0;      // whose pictures: a lane of AdvancePictureFade
};
// Draws the pictures into `area` (left, top, right, bottom in client pixels) on the window's
// device, each placed by `fit` and shown as `look` says; draws nothing while no picture has
// arrived.
void DrawPictureLayer(Window& window, const float area[4], PictureFit fit, const PhotoLook& look = PhotoLook());

extern const FrameLayer kPictureLayer;

}  // namespace WorkSpace
