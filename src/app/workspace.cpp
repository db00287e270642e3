// Set-up and release shared by the saver window and the configuration dialog's preview.
#include "app/workspace.h"

#include <algorithm>
#include <vector>

#include "app/run_state.h"
#include "app/server_folders.h"
#include "checks/requirements.h"
#include "library/picture_library.h"
#include "settings/language.h"
#include "settings/local_files.h"
#include "settings/settings.h"
#include "settings/text_storage.h"
#include "particles/particle_system.h"
#include "pictures/photo_index_filler.h"
#include "pictures/picture_stream.h"
#include "scene/frame_layer.h"
#include "scene/picture_layer.h"
#include "scene/scene.h"
#include "scene/window.h"
#include "resources/archive_members.h"
#include "platform/platform.h"
#include "resources/logger.h"
#include "resources/program_folder.h"
#include "resources/zip_reader.h"

namespace WorkSpace {

namespace {
// The saver window's mode, set before its set-up: the small preview inside the display
// settings, or the full-screen saver, the one mode whose pictures count as seen. The
// dialog's preview is neither.
bool g_smallPreview = false;
bool g_fullScreenSaver = false;
}  // namespace

void LoadScene(const std::wstring& settingsPath, SceneBuild build, PictureTextures pictures) {
    Window& w = GetWindow();
    StopPictures(w);
    SetPictureDevice(w, w.device);

    FrameTimer::Instance().Start();

    w.settings.ClearPictures();
    w.settings.Load(SettingsPathToRead(settingsPath));
    if (build == SceneBuild::SettingsOnly) return;

    w.showPictures = w.settings.Get(SettingKey::ShowImages);
    if (pictures == PictureTextures::Load) LoadPictureTextures();
    InitScene();  // a missing logo or effect does not fail the set-up
    // After InitScene: the renderer's preset has just put scheme 0 in place.
    ApplyColorScheme(w.settings.Get(SettingKey::SelectLumoraEffect));
}

void ApplyColorScheme(int32_t scheme) {
    // An index outside the four schemes changes nothing, here as in the particle system.
    if (scheme >= 0 && scheme < 4) GetWindow().colorScheme = scheme;
    GetParticleSystem().SetColorScheme(static_cast<unsigned>(scheme));
}

bool RebuildScene(void* window) {
    Window& w = GetWindow();
    ReleaseScene();
    if (!w.Create(window)) {
        GetLogger().Write(L"WorkSpace::RebuildScene() - Window::Create () - FAILED");
        return false;
    }
    // The settings record, the pictures' list, the show-pictures flag and the scheme stay
    // what the running scene had (in the dialog's preview: the unsaved edits).
    SetPictureDevice(w, w.device);
    LoadPictureTextures();
    // Unlike the start-up, a rebuild is whole or it fails: a run that had its particles
    // does not go on without them.
    if (!InitScene()) {
        GetLogger().Write(L"WorkSpace::RebuildScene() - InitScene () - FAILED");
        return false;
    }
    ApplyColorScheme(w.colorScheme);
    return true;
}

namespace {
// The captions' gazetteer from its file beside the saver, read once, on the pictures' worker.
bool ProgramFolderPlaces(std::string& bytes) {
    return Platform::ReadWholeFile(GetProgramFolder() + kPlacesFileName, bytes);
}
}  // namespace

void LoadPictureTextures() {
    Window& w = GetWindow();
    StopPictures(w);
    if (w.showPictures == 0) return;  // nothing would draw them
    // Pictures are decoded no larger than the largest view shows them.
    w.ReshapeViews(w.settings.GetClamped(SettingKey::SpanMonitors) != 0);
    int32_t width = 0, height = 0;
    for (int32_t i = 0; i < w.views.count; ++i) {
        width = std::max(width, w.views.views[i].rect.Width());
        height = std::max(height, w.views.views[i].rect.Height());
    }
    PictureStreamOptions options;
    options.target.width = static_cast<uint32_t>(width);
    options.target.height = static_cast<uint32_t>(height);
    options.target.fit = static_cast<PictureFit>(w.settings.GetClamped(SettingKey::PictureFit));
    // With a picture per monitor, each monitor's lane is decoded for, and judges portraits
    // against, its own area: a landscape and a portrait monitor side by side both pair.
    const bool span = w.settings.GetClamped(SettingKey::SpanMonitors) != 0;
    const uint32_t lanes = PictureLanes(w, !span && w.settings.GetClamped(SettingKey::PicturesPerMonitor) != 0);
    for (uint32_t lane = 0; lanes > 1 && lane < lanes; ++lane) {
        PictureTarget target = options.target;
        target.width = target.height = 0;
        for (int32_t i = static_cast<int32_t>(lane); i < w.views.count; i += static_cast<int32_t>(lanes)) {
            target.width = std::max(target.width, static_cast<uint32_t>(w.views.views[i].rect.Width()));
            target.height = std::max(target.height, static_cast<uint32_t>(w.views.views[i].rect.Height()));
        }
        options.laneTargets.push_back(target);
    }
    options.shuffle = w.settings.GetClamped(SettingKey::PictureOrder) == 1;
    // The worker pairs the portraits or blurs their copies, never the drawing.
    options.portraits = w.settings.GetClamped(SettingKey::Portraits);
    options.captions.mode = static_cast<CaptionMode>(w.settings.GetClamped(SettingKey::Captions));
    options.captions.language = ReadLanguageNumber();
    options.captions.places = ProgramFolderPlaces;
    const Translate::TextStorage& texts = Translate::TextStorage::Instance();
    options.yearsAgo.one = texts.GetText(Translate::TextId::YearAgo);
    options.yearsAgo.many = texts.GetText(Translate::TextId::YearsAgo);
    // The filters, memories and the bursts kept apart take the photo index's facts, which
    // the worker opens (options.indexPath). The filters are checked on each decoded picture
    // as well, so they hold for photos the index has not read yet.
    options.filter.minRating = w.settings.GetClamped(SettingKey::MinRating);
    options.filter.minShortSide = w.settings.GetClamped(SettingKey::MinPictureSize);
    options.memories = w.settings.GetClamped(SettingKey::Memories) != 0;
    options.leftOut = w.settings.leftOutFolders;
    options.videos = w.settings.GetClamped(SettingKey::Videos);
    options.maxVideoSeconds = w.settings.GetClamped(SettingKey::MaxVideoSeconds);
    std::vector<std::wstring> entries;
    const int32_t count = static_cast<int32_t>(w.settings.pictures.size());
    for (int32_t i = 0; i < count; ++i) entries.push_back(w.settings.GetPicture(i));
    // Server entries go to the WebDAV source (one without its credential is left out), and
    // their photos to the offline cache as they are decoded.
    if (UseServerFolders(entries, w.settings.GetClamped(SettingKey::ServerCacheMB)))
        PictureLayerData(w).stream.SetDecoder(DecodeAndCachePicture);
    // The place in a shuffled lap and the index stay on this machine: beside the settings,
    // or in the user's local folder when the settings roam. Old ones are moved before the
    // worker opens them.
    const LocalFiles& localFiles = GetLocalFiles();
    options.statePath = localFiles.lapPath;
    options.indexPath = localFiles.indexPath;
    options.moveLap = g_fullScreenSaver;
    // Folders are walked and pictures decoded on the stream's worker.
    StartPictures(w, entries, options);
}

void DecodeFirstPictureOnWorker() {
    g_smallPreview = true;
    PictureLayerData(GetWindow()).stream.SetFirstOnWorker(true);
}

bool PictureKeysSteer() {
    Window& w = GetWindow();
    // The error screen (a set-up or start that failed) has no photos to steer: there every
    // key ends the saver, as it always did.
    return w.settings.GetClamped(SettingKey::PictureKeys) != 0 && w.showPictures != 0 &&
           !w.settings.pictures.empty() && GetRunState().startFailed.load() == 0;
}

void SteerPictureKeys(int32_t steps, bool pause) {
    Window& w = GetWindow();
    PostPictureStep(w, steps);
    if (pause) PostPauseToggle(w);
}

std::wstring ShownPicturePath() { return ShownPictureFile(GetWindow()); }

bool PictureShown() { return PictureOnScreen(GetWindow()); }

void ReleaseScene() {
    Window& w = GetWindow();
    ReleaseFrameLayers(w);
    w.Release();
}

int32_t RenderFrame(bool startupPhase) {
    Window& w = GetWindow();
    // The settings are read once a frame, here, and handed down to the layers, with the
    // pace the frame loop keeps (the display's rate, less on battery).
    FrameSettings settings = ReadFrameSettings(w.settings, w.showPictures, GetRunState().frameRate);
    settings.clipSeconds = SecondsSinceLastFrame(w.lastFrameTime, FrameTimer::Instance().GetTime());
    w.ReshapeViews(settings.spanMonitors);
    UpdateMatrices(w.cameraRotation);
    for (int32_t i = 0; i < w.views.count; ++i) UpdateMatrices(w.cameraRotation, w.views.views[i].camera);
    GraphicsDevice* device = w.device;
    if (!device) return kOk;
    const int32_t viewCount = w.views.count;
    device->SetTransform(D3D::TS_VIEW, w.camera.view);
    device->SetTransform(D3D::TS_PROJECTION, viewCount > 0 ? w.views.views[0].camera.projection : w.camera.projection);
    // The clears cover the whole back buffer, whatever view the last frame ended in.
    device->SetViewport(0, 0, w.clientRect[2], w.clientRect[3]);
    device->Clear(0, D3D::CLEAR_TARGET | D3D::CLEAR_ZBUFFER, w.background, 1.0f, 0);
    device->BeginScene();
    // Once per frame, whatever the number of views: every monitor shows the same stream.
    AdvanceFrameLayers(w, settings);
    for (int32_t i = 0; i < viewCount; ++i) {
        const View& view = w.views.views[i];
        if (viewCount > 1) {
            device->SetViewport(view.rect.left, view.rect.top, view.rect.Width(), view.rect.Height());
            if (i > 0) device->SetTransform(D3D::TS_PROJECTION, view.camera.projection);
        }
        DrawFrameLayers(w, view, settings);
    }
    if (startupPhase) {
        // The start-up second is measured but shown black; the simulation still advances.
        if (viewCount > 1) device->SetViewport(0, 0, w.clientRect[2], w.clientRect[3]);
        device->Clear(0, D3D::CLEAR_TARGET | D3D::CLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    }
    device->EndScene();
    return device->Present();
}

void OnSaverWindowCreate(void* window) {
    RunState& state = GetRunState();
    state.appWindow = window;
    state.rebuildFailed = 0;
    g_fullScreenSaver = !g_smallPreview;
    try {
        InitTextStorage();
        if (CheckSystemRequirements()) {
            std::wstring path = GetSettingsPath();
            if (GetWindow().Create(window)) {
                LoadScene(path, SceneBuild::Full, PictureTextures::Load);
                state.startFailed.store(0);
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
