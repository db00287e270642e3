// Set-up and release shared by the saver window and the configuration dialog's preview.
#include "app/workspace.h"

#include <algorithm>
#include <vector>

#include "app/run_state.h"
#include "checks/requirements.h"
#include "config/settings.h"
#include "config/text_storage.h"
#include "particles/particle_system.h"
#include "render/picture_stream.h"
#include "render/scene.h"
#include "render/window.h"

namespace WorkSpace {

int32_t LoadScene(const std::wstring& settingsPath, bool buildScene, bool skipPictureTextures) {
    Window& w = GetWindow();
    GetPictureStream().Stop();
    UserTextures& pictures = UserTextures::Instance();
    pictures.Clear();
    pictures.SetDevice(w.device);
    // Pictures are decoded no larger than the window shows them.
    GetPictureStream().SetTargetSize(static_cast<uint32_t>(std::max(w.clientRect[2] - w.clientRect[0], 0)),
                                     static_cast<uint32_t>(std::max(w.clientRect[3] - w.clientRect[1], 0)));

    FrameTimer::Instance().Start();

    w.settings.ClearPictures();
    w.settings.Load(settingsPath);
    if (!buildScene) return 1;

    w.showPictures = w.settings.Get(SettingKey::ShowImages);
    if (!skipPictureTextures) LoadPictureTextures();
    InitScene();  // a missing logo or effect does not fail the set-up
    // After InitScene: the renderer's preset has just put scheme 0 in place.
    GetParticleSystem().SetColorScheme(static_cast<unsigned>(w.settings.Get(SettingKey::SelectLumoraEffect)));
    return 1;
}

void LoadPictureTextures() {
    Window& w = GetWindow();
    PictureStream& stream = GetPictureStream();
    stream.Stop();
    UserTextures::Instance().Clear();
    if (w.showPictures == 0) return;  // nothing would draw them
    std::vector<std::wstring> paths;
    const int32_t count = static_cast<int32_t>(w.settings.pictures.size());
    for (int32_t i = 0; i < count; ++i) paths.push_back(w.settings.GetPicture(i));
    // Only the first picture is decoded here; the rest follow on the stream's worker.
    PictureFade().fade = 0.0f;
    stream.Start(paths, PictureFade().current);
}

int32_t ReleaseScene() {
    GetPictureStream().Stop();
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
    if (w.showPictures != 0) {
        AdvancePictureFade();
        const float area[4] = {0.0f, 0.0f, static_cast<float>(w.clientRect[2]), static_cast<float>(w.clientRect[3])};
        DrawPictureLayer(area);
    }
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
    InitTextStorage();
    if (CheckSystemRequirements()) {
        std::wstring path = GetSettingsPath();
        if (GetWindow().Create(window)) {
            if (LoadScene(path, true, false) != 0) state.startFailed.store(0);
        }
    }
    StartRenderThread();
}

void OnSaverWindowDestroy() {
    StopRenderThread();
    ReleaseScene();
}

}  // namespace WorkSpace
