// The picture layer: the user's pictures behind the particles, each placed by the fit mode,
// cross-fading from one to the next as the stream delivers them. What it keeps from frame to
// frame (the stream, each lane's textures and fade, the keys' mailbox) is its own state,
// reached through PictureLayerData.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "scene/frame_layer.h"
#include "gfx/graphics_ops.h"
#include "imaging/picture_decode.h"
#include "pictures/picture_stream.h"
#include "scene/picture_fades.h"
#include "scene/picture_textures.h"

namespace WorkSpace {

// With a picture per monitor, each of the first kPictureLanes monitors has its own pictures
// and cross-fade (a lane); monitors after them share the lanes in turn.
constexpr uint32_t kPictureLanes = 8;

// Everything the picture layer keeps between frames, one per Window.
struct PictureLayerState {
    PictureStream stream;
    UserTextures lanes[kPictureLanes];
    // A reload of the pictures starts at `fade.current` again.
    CrossFade fade;
    // With a picture per monitor, the cross-fades of the monitors after the first.
    CrossFade monitorFades[kPictureLanes - 1];
    // Keys that steer the photos ("PictureKeys" 1), from the window thread to the render
    // thread, which takes them at its next frame: steps forth (+) and back (-), and how often
    // Space was pressed.
    std::atomic<int32_t> pictureSteps{0};
    std::atomic<uint32_t> pauseToggles{0};
    // The stream's number of the picture on screen (lane 0), for "show in folder"; written
    // by the render thread each frame, ~0 while none is.
    std::atomic<uint64_t> shownSerial{~uint64_t{0}};
};

// The window's picture layer state (made with the Window, kept for the whole run).
PictureLayerState& PictureLayerData(Window& window);
// A lane's textures (lane 0's for a lane past the last).
UserTextures& PictureLane(Window& window, uint32_t lane);
// A lane's cross-fade: PictureLayerState::fade for lane 0.
CrossFade& LaneFade(Window& window, uint32_t lane);
// The device the pictures of every lane go to; its texture limits go to the decoders.
void SetPictureDevice(Window& window, GraphicsDevice* device);

// How many lanes the window's pictures take: one, or with `perMonitor` one per view, at most
// kPictureLanes.
uint32_t PictureLanes(const Window& window, bool perMonitor);

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
// monitors take the list's pictures in turn; each lane then holds two pictures at most. A clip
// plays on by `clipSeconds` (the real seconds since the last frame; below 0: the fade's).
void AdvancePictureFade(Window& window, float step = 0.001f, uint32_t lanes = 1, double clipSeconds = -1.0);

// The keys' mailbox, from the window thread: `steps` forth (+) or back (-), a press of Space,
// taken by the render thread's next frame (SteerPictures). And the file of the picture on
// screen (lane 0's), empty while none is.
void PostPictureStep(Window& window, int32_t steps);
void PostPauseToggle(Window& window);
std::wstring ShownPictureFile(Window& window);
// Whether a picture is on screen now (the main monitor's lane), for the keys that steer.
bool PictureOnScreen(Window& window);

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
