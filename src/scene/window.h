// The one Window object: the window handle and client size, the camera block, the
// Direct3D objects, the logo, the particle renderer and its clock, the picture stream and
// its cross-fade, and the settings record the application hands it. The frame's layers are
// handed this object and keep no state of their own beside it.
#pragma once
#include <atomic>
#include <cstdint>

#include "settings/settings.h"
#include "gfx/graphics_ops.h"
#include "pictures/picture_stream.h"
#include "scene/clock_layer.h"
#include "scene/lumora_effect.h"
#include "scene/picture_layer.h"

namespace WorkSpace {

class ZipReader;

class Window {
public:
    // `settings` is the application's record; the Window reads and edits it, never owns it.
    explicit Window(Settings& settings);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Releases what an earlier call made, then creates the device for `window`.
    bool Create(void* window);
    // Loads "Resource/logo.png" as a texture with its source size.
    bool InitLogo();
    // Particle renderer, logo, font, device, Direct3D object, in this order.
    void Release();

    int32_t Width() const { return clientRect[2]; }
    int32_t Height() const { return clientRect[3]; }

    // This frame's views from the display layout, one per monitor or one spanning them
    // all, each with the window's camera and a projection of its own aspect.
    void ReshapeViews(bool span);

    void* window = nullptr;
    int32_t clientRect[4] = {0, 0, 0, 0};
    uint8_t cameraRotation = 0;
    CameraBlock camera = {};
    GraphicsSystem* direct3D = nullptr;
    GraphicsDevice* device = nullptr;
    Font* font = nullptr;
    Texture* logo = nullptr;
    ImageInfo logoInfo;
    uint32_t background = 0xFF000000;
    uint32_t refreshRate = 0;  // the device's display, read by Create (0: unknown, taken as 60)
    int32_t showPictures = 0;
    LumoraEffect effect;
    DisplayLayout layout;   // read by Create, with the client rectangle
    ViewList views;         // rebuilt by ReshapeViews every frame
    int32_t colorScheme = 0;  // the scheme the scene was last given, for a rebuilt device
    Settings& settings;  // the application's record
    ZipReader* archive;  // where the logo, effect and particle come from
    // Simulated seconds of the particle stream; kept across rebuilds, so a new device goes
    // on with the same stream.
    float simulationClock = 0.0f;
    PictureStream pictureStream;
    // A reload of the pictures starts at `fade.current` again.
    CrossFade fade;
    // With a picture per monitor, the cross-fades of the monitors after the first.
    CrossFade monitorFades[kPictureLanes - 1];
    // The clock's worker, its latest picture and its time on screen (kept across rebuilds).
    ClockState clock;
    // Keys that steer the photos ("PictureKeys" 1), from the window thread to the render
    // thread, which takes them at its next frame: steps forth (+) and back (-), and how often
    // Space was pressed.
    std::atomic<int32_t> pictureSteps{0};
    std::atomic<uint32_t> pauseToggles{0};
    // The stream's number of the picture on screen (lane 0), for "show in folder"; written
    // by the render thread each frame, ~0 while none is.
    std::atomic<uint64_t> shownSerial{~uint64_t{0}};
};

// The process-wide Window object, built during static initialisation with the process's
// settings record (app/process_globals.cpp).
Window& GetWindow();

}  // namespace WorkSpace
