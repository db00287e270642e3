// The GDI+ error screen under Wine: pictures decoded from an archive and independent of it,
// the screen drawn into a real window (full size and preview size), its prompt end on the
// stop request, and a loop that waits between redraws instead of spinning a core.
#include <gtest/gtest.h>
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/run_state.h"
#include "checks/error_screen.h"
#include "resources/gdiplus_startup.h"
#include "platform/platform.h"
#include "resources/archive_bitmap.h"
#include "resources/program_folder.h"
#include "resources/zip_reader.h"
#include "resources/zip_writer.h"

using namespace WorkSpace;

namespace {

std::vector<uint8_t> ReadSourceFile(const std::string& relative) {
    // The test runs under Wine, where the Unix source folder is reached through drive Z:.
    for (const std::string& root : {std::string(LUMORA_SOURCE_DIR), "Z:" + std::string(LUMORA_SOURCE_DIR)}) {
        std::ifstream in(root + "/" + relative, std::ios::binary);
        if (in) return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return {};
}

// CPU seconds the thread has used so far, user and kernel.
double ThreadCpuSeconds(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0.0;
    auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Pump(DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
}

// Lit pixels of the window's client area in [x0, x1) x [y0, y1): one copy of the window into
// a top-down 32-bit DIB, as a person would see the window.
int LitPixels(HWND window, int x0, int y0, int x1, int y1) {
    const int w = x1 - x0, h = y1 - y0;
    if (w <= 0 || h <= 0) return 0;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memoryDc, dib);
    BitBlt(memoryDc, 0, 0, w, h, windowDc, x0, y0, SRCCOPY);
    GdiFlush();
    int lit = 0;
    const uint32_t* px = static_cast<const uint32_t*>(bits);
    for (int i = 0; px && i < w * h; ++i) {
        const uint32_t c = px[i];
        if (((c >> 16) & 0xFF) > 40 || ((c >> 8) & 0xFF) > 40 || (c & 0xFF) > 40) ++lit;
    }
    SelectObject(memoryDc, old);
    DeleteObject(dib);
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return lit;
}

// ---- LoadBitmapFromArchive on a reader of the test's own ----------------------------------

class ErrorScreenPictures : public ::testing::Test {
protected:
    void SetUp() override {
        StartGdiplus();
        logoBytes_ = ReadSourceFile("assets/archive/Resource/logo.png");
        ASSERT_FALSE(logoBytes_.empty()) << "cannot read assets/archive/Resource/logo.png";
        std::vector<ZipWriterMember> members(3);
        members[0].name = "Resource/logo.png";
        members[0].bytes = logoBytes_;
        members[1].name = "Resource/broken.png";
        members[1].bytes = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3, 4, 5, 6, 7, 8};
        members[2].name = "Resource/empty.png";
        // In the temp folder: the reader keeps the file open until the fixture is gone, so
        // TearDown's delete may not succeed, and nothing must be left in the working folder.
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"lumora_error_screen_pictures.dat";
        ASSERT_TRUE(WriteZipArchive(path_, members, "5829316"));
        ASSERT_TRUE(reader_.Open(path_, kArchivePassword));
    }
    void TearDown() override { DeleteFileW(path_.c_str()); }

    // True when another thread can read while this one is idle: the buffer was released.
    bool ReaderIsFree() {
        std::atomic<bool> done{false};
        std::thread other([&] {
            uint32_t size = 0;
            if (reader_.ReadMember(L"Resource/logo.png", size)) reader_.FreeBuffer();
            done = true;
        });
        for (int i = 0; i < 200 && !done; ++i) Sleep(10);
        const bool free = done;
        if (!free) reader_.FreeBuffer();  // let the stuck reader go, then report
        other.join();
        return free;
    }

    std::vector<uint8_t> logoBytes_;
    std::wstring path_;
    ZipReader reader_;
};

TEST_F(ErrorScreenPictures, DecodedLogoHasItsOwnSize) {
    std::unique_ptr<Gdiplus::Bitmap> logo(LoadBitmapFromArchive(L"Resource/logo.png", &reader_));
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(logo->GetWidth(), 200u);
    EXPECT_EQ(logo->GetHeight(), 60u);
    EXPECT_TRUE(ReaderIsFree());
}

TEST_F(ErrorScreenPictures, BitmapOutlivesTheArchiveBytes) {
    std::unique_ptr<Gdiplus::Bitmap> logo(LoadBitmapFromArchive(L"Resource/logo.png", &reader_));
    ASSERT_NE(logo, nullptr);
    // Other reads reuse and free the reader's buffers; the logo must not notice.
    for (int i = 0; i < 3; ++i) {
        uint32_t size = 0;
        if (reader_.ReadMember(L"Resource/logo.png", size)) reader_.FreeBuffer();
    }
    Gdiplus::Bitmap target(200, 60, PixelFormat32bppARGB);
    Gdiplus::Graphics graphics(&target);
    graphics.Clear(Gdiplus::Color(0xFF000000));
    ASSERT_EQ(graphics.DrawImage(logo.get(), 0.0f, 0.0f, 200.0f, 60.0f), Gdiplus::Ok);
    int lit = 0;
    for (UINT y = 0; y < 60; ++y)
        for (UINT x = 0; x < 200; ++x) {
            Gdiplus::Color c;
            target.GetPixel(x, y, &c);
            if (c.GetR() > 120 && c.GetG() > 80) ++lit;  // the logo's warm letters
        }
    EXPECT_GT(lit, 300);
}

TEST_F(ErrorScreenPictures, UndecodableMemberIsABitmapWithAFailedStatus) {
    std::unique_ptr<Gdiplus::Bitmap> broken(LoadBitmapFromArchive(L"Resource/broken.png", &reader_));
    ASSERT_NE(broken, nullptr);
    EXPECT_NE(broken->GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(broken->GetWidth(), 0u);
    EXPECT_TRUE(ReaderIsFree());
}

TEST_F(ErrorScreenPictures, MissingOrEmptyMemberGivesNothing) {
    EXPECT_EQ(LoadBitmapFromArchive(L"Resource/none.png", &reader_), nullptr);
    EXPECT_EQ(LoadBitmapFromArchive(L"Resource/empty.png", &reader_), nullptr);
    EXPECT_TRUE(ReaderIsFree());
    EXPECT_EQ(LoadBitmapFromArchive(L"Resource/logo.png", nullptr), nullptr);
}

// ---- ShowErrorScreen on the process-wide archive ------------------------------------------

class ErrorScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartGdiplus();
        // The same archive the scene tests open: the reader is opened once per process, and
        // whichever suite runs first opens it for both.
        const char* archive = getenv("LUMORA_TEST_ARCHIVE");
        const std::wstring path = archive ? Platform::AnsiToWide(archive) : GetProgramFolder() + L"LMRResource.dat";
        ZipReader::Instance().Open(path, kArchivePassword);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = L"LumoraErrorScreenTest";
        RegisterClassW(&wc);
    }

    void SetUp() override {
        if (!ZipReader::Instance().IsOpen())
            GTEST_SKIP() << "no LMRResource.dat beside the test program (or LUMORA_TEST_ARCHIVE): "
                            "the error screen's pictures come from the process-wide archive";
    }

    void TearDown() override {
        if (window_) DestroyWindow(window_);
        GetRunState().stopRequested.store(0);
        GetRunState().appWindow = nullptr;
    }

    struct Run {
        double secondsToStop = 0;  // from the stop request to the return
        double wallSeconds = 0;    // the measured stretch of the steady loop
        double cpuSeconds = 0;     // the screen thread's CPU time over that stretch
        int litInPicture = 0, litInCorner = 0, litInLogo = 0;
    };

    // Shows the error screen in a new window for `ms` milliseconds: measures the screen
    // thread's CPU time once the pictures are loaded, samples what it drew, then stops it.
    Run Show(int width, int height, DWORD ms, RECT picture, RECT corner, RECT logo) {
        window_ = CreateWindowExW(WS_EX_TOPMOST, L"LumoraErrorScreenTest", L"error screen test",
                                  WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(window_, nullptr);
        Pump(50);
        RunState& state = GetRunState();
        state.appWindow = window_;
        state.stopRequested.store(0);
        state.lastErrorScreenTime = 0.0;

        Run run;
        std::atomic<bool> returned{false};
        HANDLE screenThread = nullptr;
        std::atomic<bool> haveHandle{false};
        std::thread screen([&] {
            // std::thread's handle is a pthread one here; GetThreadTimes wants a Win32 handle.
            screenThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, GetCurrentThreadId());
            haveHandle = true;
            ShowErrorScreen(Target());
            returned = true;
        });
        while (!haveHandle) Sleep(1);
        // Decoding the pictures is start-up work; the loop is what must not spin.
        Pump(100);
        const auto measureStart = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds(screenThread);
        Pump(ms);
        run.cpuSeconds = ThreadCpuSeconds(screenThread) - cpuStart;
        run.wallSeconds = Seconds(std::chrono::steady_clock::now() - measureStart);

        run.litInPicture = LitPixels(window_, picture.left, picture.top, picture.right, picture.bottom);
        run.litInCorner = LitPixels(window_, corner.left, corner.top, corner.right, corner.bottom);
        run.litInLogo = LitPixels(window_, logo.left, logo.top, logo.right, logo.bottom);
        EXPECT_FALSE(returned.load()) << "the error screen ended before it was told to stop";

        const auto stop = std::chrono::steady_clock::now();
        state.stopRequested.store(1);
        while (!returned && std::chrono::steady_clock::now() - stop < std::chrono::seconds(5)) Sleep(1);
        run.secondsToStop = Seconds(std::chrono::steady_clock::now() - stop);
        screen.join();
        if (screenThread) CloseHandle(screenThread);
        return run;
    }

    // The run's window and flags, as the render thread hands them over (no pause flag, no
    // repaint flag).
    static ErrorScreenTarget Target() {
        RunState& s = GetRunState();
        return {s.appWindow, &s.stopRequested, nullptr, nullptr, &s.lastErrorScreenTime,
                [] { return FrameTimer::Instance().GetTime(); }};
    }

    HWND window_ = nullptr;
};

TEST_F(ErrorScreen, FullScreenShowsPictureAndLogoAndStopsPromptly) {
    // 800 x 600 picture at (112, 84) on 1024 x 768; logo 200 x 60 at (0, 708).
    const Run run = Show(1024, 768, 400, {112 + 80, 84 + 220, 112 + 720, 84 + 260}, {0, 0, 100, 80},
                         {0, 708, 200, 768});
    EXPECT_GT(run.litInPicture, 1000) << "the error picture's headline is missing";
    EXPECT_EQ(run.litInCorner, 0) << "outside the picture the screen is black";
    EXPECT_GT(run.litInLogo, 400) << "the logo is missing from the lower-left corner";
    EXPECT_LT(run.secondsToStop, 0.25);
}

TEST_F(ErrorScreen, PreviewShowsOnlyTheReducedLogoAndDoesNotSpin) {
    // 152 x 112: the 200 x 60 logo shrunk to 111 x 33 at (30.5, 37.25); nothing else.
    const Run run = Show(152, 112, 400, {0, 0, 0, 0}, {0, 0, 152, 30}, {31, 38, 141, 70});
    EXPECT_EQ(run.litInCorner, 0) << "above the reduced logo the preview is black";
    EXPECT_GT(run.litInLogo, 150) << "the reduced logo is missing";
    EXPECT_LT(run.secondsToStop, 0.25);
    // The frame is copied once and then only on request or every five seconds: the thread is
    // mostly asleep, where polling without a pause would use the whole stretch.
    EXPECT_LT(run.cpuSeconds, 0.3 * run.wallSeconds) << "cpu " << run.cpuSeconds << " s over " << run.wallSeconds
                                                      << " s";
}

std::atomic<double> g_screenClock{5.0};  // stands still unless the test moves it

TEST_F(ErrorScreen, DrawsAgainOnARepaintRequestOrAfterFiveSecondsAndOtherwiseNot) {
    window_ = CreateWindowExW(WS_EX_TOPMOST, L"LumoraErrorScreenTest", L"error screen test", WS_POPUP | WS_VISIBLE, 0,
                              0, 152, 112, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    Pump(50);
    GetRunState().appWindow = window_;
    GetRunState().stopRequested.store(0);
    std::atomic<uint8_t> repaint{0};
    ErrorScreenTarget target = Target();
    target.repaint = &repaint;
    target.clock = [] { return g_screenClock.load(); };
    std::thread screen([&] { ShowErrorScreen(target); });
    auto drawOver = [&] {  // something else paints the window, and no repaint is asked
        HDC dc = GetDC(window_);
        PatBlt(dc, 0, 0, 152, 112, WHITENESS);
        ReleaseDC(window_, dc);
    };
    auto topLit = [&](DWORD ms) { Pump(ms); return LitPixels(window_, 0, 0, 152, 30); };
    EXPECT_EQ(topLit(300), 0) << "not shown at the start";
    drawOver();
    EXPECT_GT(topLit(200), 152 * 30 / 2) << "drawn again unasked";
    repaint.store(1);
    EXPECT_EQ(topLit(200), 0) << "a repaint request was not answered";
    drawOver();
    g_screenClock.store(g_screenClock.load() + 5.5);
    EXPECT_EQ(topLit(200), 0) << "not drawn again after five seconds";
    GetRunState().stopRequested.store(1);
    screen.join();
}

TEST_F(ErrorScreen, StopRequestedBeforeTheStartReturnsAtOnce) {
    window_ = CreateWindowExW(0, L"LumoraErrorScreenTest", L"error screen test", WS_POPUP | WS_VISIBLE, 0, 0, 152,
                              112, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    Pump(50);
    GetRunState().appWindow = window_;
    GetRunState().stopRequested.store(1);
    const auto start = std::chrono::steady_clock::now();
    ShowErrorScreen(Target());
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    // Nothing was drawn: the window still shows its own grey background, not black.
    EXPECT_GT(LitPixels(window_, 0, 0, 152, 112), 152 * 112 / 2);
}

}  // namespace
