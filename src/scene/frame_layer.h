// A frame is a list of layers drawn back to front: the pictures, the clock, the particles,
// the logo.
// Every layer has the same four verbs, as a hack has its init, draw and free: make what it
// draws with for the window's device, advance once a frame, draw into one view, release.
// A new layer is one file pair that defines its FrameLayer, and one line in the list.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/picture_fit.h"
#include "gfx/view.h"

namespace WorkSpace {

class Settings;
class Window;

// What a frame draws with, read from the settings record once per frame and handed down.
// Read at every frame, not at set-up: the dialog's preview lays its edits over the record.
struct FrameSettings {
    float simulationStep = 0.001f;  // simulated seconds per frame ("BlobsSpeed", the frame rate)
    float fadeStep = 0.001f;        // the pictures' cross-fade per frame (the frame rate)
    float particleSizeScale = 1.0f; // on every particle's size ("BlobsSize")
    PictureFit pictureFit = PictureFit::Stretch;
    bool spanMonitors = false;
    bool showPictures = false;
    bool panZoom = false;             // "PanZoom"; never with spanMonitors
    int32_t portraits = 0;            // "Portraits": 0 as any photo, 1 side by side, 2 over a blur
    bool picturesPerMonitor = false;  // "PicturesPerMonitor"; never with spanMonitors
    uint32_t clock = 0;               // "Clock": 0 none, 1 the time, 2 the time and the date
    // The seconds since the last frame, on the frame timer: a clip's frames each show at their
    // own time however many frames the machine draws. Below 0: a fade step's seconds.
    double clipSeconds = -1.0;
};
// `framesPerSecond` is the rate the frame loop draws at: the display's, or less on battery.
// The steps grow as the frames get fewer, so the motion keeps its speed.
FrameSettings ReadFrameSettings(const Settings& settings, int32_t showPictures, double framesPerSecond = 60.0);
// What every per-frame step is multiplied by at `framesPerSecond`: 60 / framesPerSecond,
// exactly 1 at 60 (and for an unknown rate), so a 60 Hz display keeps every digit of its steps.
// The rate is taken whole where it is within 0.02 % of a whole number (WholeFrameRate).
double FrameRateFactor(double framesPerSecond);
// A measured or reported rate within 0.02 % of a whole number is that number: 60.004 is 60,
// 59.94 stays 59.94.
double WholeFrameRate(double framesPerSecond);
// The seconds from the frame at `last` (below 0: none yet, 0 seconds) to the one at `now`, on
// one timer, at most a quarter second (a stall or a rebuild does not jump a clip ahead);
// `last` becomes `now`.
double SecondsSinceLastFrame(double& last, double now);

// A verb a layer does not need is null.
struct FrameLayer {
    // Makes what the layer draws with for the window's new device; false fails the set-up.
    bool (*make)(Window& window);
    // Once per frame before any view is drawn: the simulation, the cross-fade. No drawing.
    void (*advance)(Window& window, const FrameSettings& settings);
    // Draws into one view. A layer sets every render, sampler and texture stage state its
    // draw relies on in one Setup...RenderState function at the start of its draw, so no
    // layer depends on the device's set-up or on what the one before it did, and its draw is
    // the same on a device's first frame as on any later one. Each still leaves blending off.
    void (*draw)(Window& window, const View& view, const FrameSettings& settings);
    // Lets go of what make made that the Window object does not release itself.
    void (*release)(Window& window);
};

// Each verb over the frame's layers, back to front. MakeFrameLayers stops at the first
// layer that fails and returns false.
bool MakeFrameLayers(Window& window);
void AdvanceFrameLayers(Window& window, const FrameSettings& settings);
void DrawFrameLayers(Window& window, const View& view, const FrameSettings& settings);
void ReleaseFrameLayers(Window& window);

}  // namespace WorkSpace
