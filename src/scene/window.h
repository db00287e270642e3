// The one Window object: the window handle and client size, the camera block, the
// Direct3D objects, the font and the logo, the background colour, the show-pictures flag, the
// particle renderer and its clock, the views and the settings record the application hands
// it. A frame layer that keeps state of its own between frames (the pictures, the clock) has
// it in one struct of its own, which the Window holds and only that layer's accessor reaches
// (PictureLayerData, ClockLayerData), as a renderer backend keeps its data.
#pragma once
#include <cstdint>
#include <memory>

#include "settings/settings.h"
#include "gfx/graphics_ops.h"
#include "gfx/view.h"
#include "scene/lumora_effect.h"

namespace WorkSpace {

class ZipReader;
struct PictureLayerState;
struct ClockState;

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
    double lastFrameTime = -1.0;  // the frame timer at the last frame drawn (below 0: none)

private:
    // The layers' own states, made with the Window (PictureLayerData, ClockLayerData).
    friend PictureLayerState& PictureLayerData(Window& window);
    friend ClockState& ClockLayerData(Window& window);
    std::unique_ptr<PictureLayerState> pictureLayer_;
    std::unique_ptr<ClockState> clockLayer_;
};

// The process-wide Window object, built during static initialisation with the process's
// settings record (app/process_globals.cpp).
Window& GetWindow();

}  // namespace WorkSpace
