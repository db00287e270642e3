// Set-up and release shared by the saver window and the configuration dialog's preview.
#include "app/workspace.h"

#include "app/run_state.h"
#include "checks/requirements.h"
#include "config/settings.h"
#include "config/text_storage.h"
#include "particles/particle_system.h"
#include "render/scene.h"
#include "render/window.h"
#include "resources/logger.h"

namespace WorkSpace {

int32_t LoadScene(const std::wstring& settingsPath, bool buildScene, bool skipPictureTextures) {
    Window& w = GetWindow();
    UserTextures& pictures = UserTextures::Instance();
    pictures.Clear();
    pictures.SetDevice(w.device);

    FrameTimer::Instance().Start();

    w.settings.ClearPictures();
    w.settings.Load(SettingsPathToRead(settingsPath));
    if (!buildScene) return 1;

    if (!skipPictureTextures) LoadPictureTextures();
    w.showPictures = w.settings.Get(SettingKey::ShowImages);
    InitScene();  // a missing logo or effect does not fail the set-up
    // After InitScene: the renderer's preset has just put scheme 0 in place.
    GetParticleSystem().SetColorScheme(static_cast<unsigned>(w.settings.Get(SettingKey::SelectLumoraEffect)));
    return 1;
}

void LoadPictureTextures() {
    Window& w = GetWindow();
    const int32_t count = static_cast<int32_t>(w.settings.pictures.size());
    for (int32_t i = 0; i < count; ++i) UserTextures::Instance().AddTexture(w.settings.GetPicture(i));
}

int32_t ReleaseScene() {
    UserTextures::Instance().Clear();
    GetWindow().Release();
    return 1;
}

int32_t RenderFrame(bool startupPhase) {
    Window& w = GetWindow();
    UpdateMatrices(w.cameraRotation);
    GraphicsDevice* device = w.device;
    if (!device) return 1;
    device->SetTransform(D3D::TS_VIEW, w.camera.view);
    device->SetTransform(D3D::TS_PROJECTION, w.camera.projection);
    device->Clear(0, D3D::CLEAR_TARGET | D3D::CLEAR_ZBUFFER, w.background, 1.0f, 0);
    device->BeginScene();
    if (w.showPictures != 0) DrawPictureLayer();
    w.effect.Render();
    DrawLogo();
    if (startupPhase) {
        // The start-up second is measured but shown black; the simulation still advances.
        device->Clear(0, D3D::CLEAR_TARGET | D3D::CLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    }
    device->EndScene();
    device->Present();
    return 1;
}

void OnSaverWindowCreate(void* window) {
    RunState& state = GetRunState();
    state.appWindow = window;
    try {
        InitTextStorage();
        if (CheckSystemRequirements()) {
            std::wstring path = GetSettingsPath();
            if (GetWindow().Create(window)) {
                if (LoadScene(path, true, false) != 0) state.startFailed.store(0);
            }
        }
    } catch (...) {
        // WM_CREATE runs inside CreateWindowExW, behind a call from the kernel that a C++
        // exception cannot cross on 64-bit Windows (it is swallowed or ends the process,
        // depending on the version). A set-up that throws (a picture that cannot be held)
        // ends here instead, and the user gets the error screen.
        state.startFailed.store(1);
        GetLogger().Write(L"WorkSpace::OnSaverWindowCreate() - exception - FAILED");
    }
    StartRenderThread();
}

void OnSaverWindowDestroy() {
    StopRenderThread();
    ReleaseScene();
}

}  // namespace WorkSpace
