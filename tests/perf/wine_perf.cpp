// Measures the saver's effect under Wine for the performance report: frames per second,
// process CPU time, the render thread's own processor time per visible frame, the time
// from start to the first presented frame and to the first visible one (after the black
// start-up second), the live particles and the resident memory at the end. With a settings
// file that lists photos it measures their cost (scripts/bench-photos.sh runs it for 1 to
// 200 photos), and the time to the first photo on screen (scripts/bench-server.sh, for a
// server folder's photos).
//   lumora_wine_perf [SECONDS [WIDTH HEIGHT [SETTINGS]]]   (the archive is read beside the program)
// With LUMORA_PERF_STEADY=1 the thread starts as after a rebuild, without the start-up
// second, so a busy machine still gives frame times instead of the slow-machine verdict.
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>

#include "app/run_state.h"
#include "app/workspace.h"
#include "checks/error_screen.h"
#include "checks/requirements.h"
#include "particles/particle_system.h"
#include "scene/window.h"
#include "resources/program_folder.h"
#include "scene/picture_layer.h"
#include "resources/zip_reader.h"

using namespace WorkSpace;

namespace {
std::atomic<long> g_frames{0};
std::atomic<long> g_visibleFrames{0};
std::atomic<bool> g_pictureSeen{false};
LARGE_INTEGER g_start, g_firstFrame, g_firstVisible, g_firstPicture, g_frequency;

double ThreadSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7; };
    return value(kernel) + value(user);
}

// The frame loop's own processor time, apart from the decoders' threads: the render thread
// reads its times at its first visible frame and once more when the main thread asks, at
// the end of the run (Wine answers for a thread that has ended with nothing).
std::atomic<bool> g_sampleNow{false}, g_sampled{false};
double g_threadAtFirst = 0.0, g_threadAtEnd = 0.0;
long g_framesAtEnd = 0;

int32_t CountingFrame(bool startup) {
    int32_t r = RenderFrame(startup);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (g_frames++ == 0) g_firstFrame = now;
    if (!startup && g_visibleFrames++ == 0) {
        g_firstVisible = now;
        g_threadAtFirst = ThreadSeconds();
    }
    // A visible frame just drawn holds a photo (the main monitor's, fading in or shown); the
    // start-up second's frames are black whatever has arrived.
    if (!startup && !g_pictureSeen.load() && PictureOnScreen(GetWindow())) {
        g_firstPicture = now;
        g_pictureSeen = true;
    }
    if (g_sampleNow && !g_sampled && g_visibleFrames > 0) {
        g_threadAtEnd = ThreadSeconds();
        g_framesAtEnd = g_visibleFrames - 1;  // the frames after the first visible one
        g_sampled = true;
    }
    return r;
}

// A machine too loaded for the start-up rule (20 frames in the first second) would get the
// error screen; the probe draws on instead, so the scene is still measured, and says so.
std::atomic<bool> g_missedStartup{false};
int KeepDrawing() {
    g_missedStartup = true;
    RunState& state = GetRunState();
    try {
        while (state.stopRequested.load() == 0) CountingFrame(false);
    } catch (...) {
    }
    return 0;
}

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(g_frequency.QuadPart);
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7; };
    return value(kernel) + value(user);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int seconds = argc > 1 ? _wtoi(argv[1]) : 10;
    const int width = argc > 3 ? _wtoi(argv[2]) : 1024;
    const int height = argc > 3 ? _wtoi(argv[3]) : 768;
    QueryPerformanceFrequency(&g_frequency);
    QueryPerformanceCounter(&g_start);

    ZipReader::Instance().Open(GetProgramFolder() + kArchiveName, kArchivePassword);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoraPerf";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Lumora perf", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    static const RenderLoopHooks hooks = {CheckSystemRequirements, KeepDrawing, CountingFrame, nullptr, nullptr, nullptr};
    SetRenderLoopHooks(&hooks);

    RunState& state = GetRunState();
    state.appWindow = window;
    const std::wstring settings = argc > 4 ? argv[4] : L"";
    if (GetWindow().Create(window)) {
        LoadScene(settings, SceneBuild::Full, PictureTextures::Load);
        state.startFailed.store(0);
    }
    const double cpuBefore = CpuSeconds();
    LARGE_INTEGER runStart;
    QueryPerformanceCounter(&runStart);
    StartRenderThread(_wgetenv(L"LUMORA_PERF_STEADY") != nullptr);
    const DWORD until = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
    g_sampleNow = true;
    for (int i = 0; i < 300 && !g_sampled; ++i) Sleep(10);
    StopRenderThread();
    LARGE_INTEGER runEnd;
    QueryPerformanceCounter(&runEnd);
    const double cpu = CpuSeconds() - cpuBefore;
    const double wall = Seconds(runStart, runEnd);

    if (state.startFailed.load() != 0 && !g_missedStartup) {
        wprintf(L"start-up failed (slow machine or no device): %ld frames, the first %.3f s after start\n",
                g_frames.load(), g_frames.load() ? Seconds(g_start, g_firstFrame) : 0.0);
        return 1;
    }
    const double steady = Seconds(g_firstVisible, runEnd);
    wprintf(L"window %dx%d, %d s\n", width, height, seconds);
    if (g_missedStartup) wprintf(L"the start-up second missed its 20 frames (a loaded machine); drawn on regardless\n");
    wprintf(L"frames %ld, visible %ld, %.1f frames/s after the start-up second\n", g_frames.load(),
            g_visibleFrames.load(), steady > 0 ? g_visibleFrames.load() / steady : 0.0);
    wprintf(L"process CPU %.2f s in %.2f s wall (%.0f%% of one core)\n", cpu, wall, 100.0 * cpu / wall);
    if (g_sampled && g_framesAtEnd > 0)
        wprintf(L"render thread processor %.2f s for %ld frames (%.2f ms a frame)\n", g_threadAtEnd - g_threadAtFirst,
                g_framesAtEnd, 1000.0 * (g_threadAtEnd - g_threadAtFirst) / g_framesAtEnd);
    wprintf(L"first frame %.3f s after start, first visible frame %.3f s after start\n",
            Seconds(g_start, g_firstFrame), Seconds(g_start, g_firstVisible));
    if (g_pictureSeen.load())
        wprintf(L"first picture %.3f s after start\n", Seconds(g_start, g_firstPicture));
    else
        wprintf(L"no picture shown\n");
    wprintf(L"live particles at the end %u\n", GetParticleSystem().Count());
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory)))
        wprintf(L"resident memory at the end %.0f MB (peak %.0f MB)\n", memory.WorkingSetSize / 1048576.0,
                memory.PeakWorkingSetSize / 1048576.0);
    // Written out before the scene goes: under Wine the process may die as it ends while a
    // clip's worker still lets go of its reader, and would take buffered output with it.
    fflush(stdout);
    ReleaseScene();
    return 0;
}
