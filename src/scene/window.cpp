// Device creation with the fixed states of the scene. The log keeps the Direct3D and
// D3DX operation names whatever layer does the work underneath.
#include "scene/window.h"

#include "platform/platform.h"
#include "resources/archive_members.h"
#include "resources/logger.h"
#include "resources/zip_reader.h"
#include "gfx/archive_texture.h"
#include "scene/clock_layer.h"
#include "scene/picture_layer.h"

namespace WorkSpace {

namespace {
const GraphicsPlatform* g_platformOverride = nullptr;
}  // namespace

const GraphicsPlatform& DefaultGraphicsPlatform();  // d3d9_graphics.cpp / posix_graphics.cpp

const GraphicsPlatform& GetGraphicsPlatform() {
    return g_platformOverride ? *g_platformOverride : DefaultGraphicsPlatform();
}

void SetGraphicsPlatform(const GraphicsPlatform* platform) { g_platformOverride = platform; }

Window::Window(Settings& record)
    : settings(record),
      archive(&ZipReader::Instance()),
      pictureLayer_(std::make_unique<PictureLayerState>()),
      clockLayer_(std::make_unique<ClockState>()) {}
Window::~Window() = default;

bool Window::Create(void* hwnd) {
    Logger& log = GetLogger();
    const GraphicsPlatform& platform = GetGraphicsPlatform();
    log.Write(L" --------------------------- Lumora Screen Saver -------------------");
    Release();
    if (!hwnd || !platform.isWindow(hwnd)) return false;

    window = hwnd;
    platform.getClientRect(hwnd, clientRect);
    layout = DisplayLayout();
    platform.getDisplayLayout(hwnd, &layout);

    direct3D = platform.create(32);
    if (!direct3D) {
        log.Write(L"Window::Create() - Direct3DCreate9 () - FAILED");
        return false;
    }
    log.Write(L"Window::Create() - Direct3DCreate9 () - OK");

    uint32_t vertexProcessing = 0;
    if (const HResult hr = direct3D->GetDeviceCaps(&vertexProcessing); Failed(hr)) {
        log.WriteFailed(hr, L"Window::Create() - GetDeviceCaps () - FAILED");
        return false;
    }
    log.Write(L"Window::Create() - GetDeviceCaps () - OK");
    if (vertexProcessing == 0) return false;

    if (const HResult hr = direct3D->CreateDevice(hwnd, &device); Failed(hr) || !device) {
        device = nullptr;
        log.WriteFailed(Failed(hr) ? hr : kFail, L"Window::Create() - CreateDevice () - FAILED");
        return false;
    }
    log.Write(L"Window::Create() - CreateDevice () - OK");
    // The frame loop paces itself and sizes its steps by the display's rate.
    refreshRate = device->RefreshRate();

    device->SetRenderState(D3D::RS_LIGHTING, 0);
    device->SetRenderState(D3D::RS_CULLMODE, D3D::CULL_NONE);
    device->SetRenderState(D3D::RS_ZENABLE, D3D::ZB_FALSE);
    device->SetSamplerState(0, D3D::SAMP_MINFILTER, D3D::TEXF_POINT);
    device->SetSamplerState(0, D3D::SAMP_MAGFILTER, D3D::TEXF_POINT);
    device->SetSamplerState(0, D3D::SAMP_MIPFILTER, D3D::TEXF_NONE);

    // Nothing draws with the font; a missing one is reported and tolerated.
    if (const HResult hr = platform.createFont(device, &font); Failed(hr)) {
        font = nullptr;
        log.WriteFailed(hr, L"Window::Create() - D3DXCreateFont () - FAILED");
        Platform::DebugOutput(L"Failed create font. Window::Create()\n");
    } else {
        log.Write(L"Window::Create() - D3DXCreateFont () - OK");
    }

    log.Write(L"Window::Create() - OK");
    return true;
}

bool Window::InitLogo() {
    if (!device) return false;
    TextureOptions options;
    options.mipLevels = 1;
    SafeRelease(logo);
    bool created = false;
    HResult hr = kOk;
    if (!TextureFromArchive(*archive, device, kLogoMember, options, &logoInfo, &logo, created, &hr)) return false;
    if (!created) {
        GetLogger().WriteFailed(hr, L"Window::InitLogo() - FAILED");
        Platform::DebugOutput(L"Failed to load logo texture. Window::Init ()\n");
        return false;
    }
    GetLogger().Write(L"Window::InitLogo() - OK");
    return true;
}

void Window::ReshapeViews(bool span) {
    PixelRect rects[kMaxViews];
    views.count = LayoutViewRects(layout, span, clientRect[2], clientRect[3], rects);
    for (int32_t i = 0; i < views.count; ++i) {
        View& v = views.views[i];
        v.rect = rects[i];
        v.aspect = static_cast<float>(v.rect.Width()) / static_cast<float>(v.rect.Height());
        v.camera = camera;
        // The whole client area keeps the projection the scene was set up with.
        if (views.count > 1) v.camera.projection = ViewProjection(v.aspect);
    }
}

void Window::Release() {
    effect.Release();
    SafeRelease(logo);
    SafeRelease(font);
    SafeRelease(device);
    SafeRelease(direct3D);
}

}  // namespace WorkSpace
