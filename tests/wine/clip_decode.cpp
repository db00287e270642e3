// Reads every frame of a clip as fast as it can through the saver's own clip reader (Media
// Foundation's source reader, into one frame again and again, as the clip player's worker
// reads into the frames given back to it), for scripts/bench-clips.sh:
//   lumora_clip_decode.exe CLIP [--fresh]
// opens it twice (the first open in a process starts more), prints the time from each
// open to its first frame, then reads the second through: "frames N in S s (F frames/s),
// processor P s". With --fresh each read gets a new frame, as the
// worker's did before frames were given back, which shows what new planes cost a read.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "sources/picture_sources.h"
#include "video/clip_reader.h"

using namespace WorkSpace;

namespace {
double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ProcessorSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7; };
    return value(kernel) + value(user);
}
}  // namespace

// Opens the clip and reads its first frame: false with the reason printed.
bool OpenFirst(const wchar_t* path, std::unique_ptr<ClipReader>& reader, ClipInfo& info, VideoFrame& frame) {
    std::wstring why;
    reader = MakePlatformClipReader(why);
    ClipPlace place;
    place.path = path;
    if (!reader || !reader->Open(place, PictureSources(), info, why)) {
        std::printf("open failed: %ls\n", why.c_str());
        return false;
    }
    if (reader->Next(frame, why) != ClipReader::Read::Frame) {
        std::printf("no first frame: %ls\n", why.c_str());
        return false;
    }
    return true;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lumora_clip_decode CLIP [--fresh]\n");
        return 2;
    }
    const bool fresh = argc > 2 && std::wcscmp(argv[2], L"--fresh") == 0;
    // The process's first clip also starts Media Foundation's and GStreamer's machinery;
    // the clips after it, as in a saver that has shown one, cost the second open.
    const double start = Now();
    std::unique_ptr<ClipReader> reader;
    ClipInfo info;
    VideoFrame kept;
    if (!OpenFirst(argv[1], reader, info, kept)) return 1;
    std::printf("first open: first frame %.3f s after start\n", Now() - start);
    reader.reset();
    const double again = Now(), processorStart = ProcessorSeconds();
    if (!OpenFirst(argv[1], reader, info, kept)) return 1;
    std::printf("clip %ux%u %ls, opened again: first frame %.3f s after start\n", info.width, info.height,
                info.format == VideoFormat::P010 ? L"P010" : L"NV12", Now() - again);
    long frames = 1;
    double last = kept.time;
    std::wstring why;
    for (;;) {
        VideoFrame made;
        VideoFrame& frame = fresh ? made : kept;
        const ClipReader::Read read = reader->Next(frame, why);
        if (read == ClipReader::Read::Failed) {
            std::printf("read failed after %ld frames: %ls\n", frames, why.c_str());
            return 1;
        }
        if (read == ClipReader::Read::End) break;
        ++frames;
        last = frame.time;
    }
    const double seconds = Now() - again;
    std::printf("frames %ld in %.3f s (%.1f frames/s), processor %.2f s, last frame at %.3f s of the clip\n", frames,
                seconds, frames / seconds, ProcessorSeconds() - processorStart, last);
    return 0;
}
