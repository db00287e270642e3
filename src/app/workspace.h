// The application core: set-up and release of the scene, one frame, the render thread,
// and the saver window's creation and destruction sequences.
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {

int32_t LoadScene(const std::wstring& settingsPath, bool buildScene, bool skipPictureTextures);
void LoadPictureTextures();
int32_t ReleaseScene();
int32_t RenderFrame(bool startupPhase);

// The render thread's procedure; its argument is ignored.
unsigned RenderThreadProc(void* unused);
// Starts RenderThreadProc and keeps its handle in RunState::renderThread.
void StartRenderThread();
// Sets stopRequested and waits for the render thread without a time-out.
void StopRenderThread();

// What the frame loop calls, swappable so tests can drive it without a device.
struct RenderLoopHooks {
    bool (*checkRequirements)();
    int (*showErrorScreen)();
    int32_t (*renderFrame)(bool startupPhase);
};
// nullptr restores the real operations.
void SetRenderLoopHooks(const RenderLoopHooks* hooks);

// WM_CREATE and WM_DESTROY of the saver window (the Win32 window procedure calls these).
void OnSaverWindowCreate(void* window);
void OnSaverWindowDestroy();

}  // namespace WorkSpace
