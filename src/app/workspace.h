// The application core: set-up and release of the scene, one frame, the render thread,
// and the saver window's creation and destruction sequences.
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {

// What LoadScene makes once the settings are read: nothing more (the dialog's OK reads back
// what it saved), or the whole scene. Its pictures' stream starts with it, or is left to
// the caller, who starts it with LoadPictureTextures once its own record is in place.
enum class SceneBuild { SettingsOnly, Full };
enum class PictureTextures { Load, Skip };
void LoadScene(const std::wstring& settingsPath, SceneBuild build, PictureTextures pictures);
void LoadPictureTextures();
// For the small preview inside another program's dialog: the set-up never waits for the
// first picture, whose decoding would hold up the dialog's input; every picture comes from
// the stream's worker.
void DecodeFirstPictureOnWorker();
void ReleaseScene();
// Keys that steer the photos: whether they do now ("PictureKeys" 1, photos are shown, and no
// error screen shows instead), a step forth (+) or back (-) or a press of Space handed to the render thread, and
// the file of the photo on screen (empty when none).
bool PictureKeysSteer();
void SteerPictureKeys(int32_t steps, bool pause);
std::wstring ShownPicturePath();
bool PictureShown();  // a photo is on screen now
// Draws and presents one frame, once per view; returns what Present reported.
int32_t RenderFrame(bool startupPhase);
// Sets the particles' colour scheme and remembers it for a rebuilt device.
void ApplyColorScheme(int32_t scheme);
// On the window thread while no render thread runs: releases the device and the scene and
// makes them again for the window as it is now (a lost device, a new monitor layout),
// keeping the settings record, the pictures' list and the scheme. False if no device or
// no whole scene (logo, camera and every frame layer).
bool RebuildScene(void* window);

// The render thread's procedure.
unsigned RenderThreadProc();
// Starts RenderThreadProc and keeps its handle in RunState::renderThread. A thread
// started after a rebuild skips the start-up second (its black frames and its check).
// False when no thread could be started.
bool StartRenderThread(bool afterRebuild = false);
// Sets stopRequested, wakes a waiting thread and waits for it without a time-out.
void StopRenderThread();
// Wakes the render thread from a wait (the displays came back, or a stop request).
void WakeRenderThread();
// The displays went off (true) or came back (false): the frame loop draws nothing while
// they are off and sleeps instead of polling its timer.
void SetDisplaysOff(bool off);

// Asks the window thread to rebuild the device and the scene (posts a private message
// to RunState::appWindow); win32_display_events.cpp, a no-op elsewhere
// (posix_rebuild_request.cpp).
void PostRebuildRequest();

// What the frame loop calls, swappable so tests can drive it without a device. A null
// waitForWake or requestRebuild means the real one.
struct RasterStatus;

struct RenderLoopHooks {
    bool (*checkRequirements)();
    int (*showErrorScreen)();
    int32_t (*renderFrame)(bool startupPhase);
    // Blocks until WakeRenderThread, a stop request or `seconds` have passed.
    void (*waitForWake)(double seconds);
    void (*requestRebuild)();
    // Where the raster of the device's monitor is; null means the device's own
    // GetRasterStatus. False: not known.
    bool (*readRaster)(RasterStatus* status);
};
// nullptr restores the real operations.
void SetRenderLoopHooks(const RenderLoopHooks* hooks);

// WM_CREATE and WM_DESTROY of the saver window (the Win32 window procedure calls these).
void OnSaverWindowCreate(void* window);
void OnSaverWindowDestroy();

}  // namespace WorkSpace
