#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <iterator>
#include <sstream>

#include "app/run_state.h"
#include "app/workspace.h"
#include "particles/particle_system.h"
#include "platform/platform.h"
#include "resources/archive_members.h"
#include "resources/logger.h"
#include "resources/program_folder.h"
#include "resources/zip_reader.h"
#include "resources/zip_writer.h"
#include "scene/frame_layer.h"
#include "scene/picture_layer.h"
#include "scene/scene.h"
#include "scene/window.h"

using namespace WorkSpace;

std::wstring W(const std::string& s) { return Platform::Utf8ToWide(s.data(), s.size()); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string UseLogFolder(const std::string& name) {
    const std::string dir = ::testing::TempDir() + name;
    Platform::MakeFolder(W(dir));
    GetLogger().SetFolder(W(dir));
    return dir;
}

std::string ReadLog(const std::string& dir) { return ReadFile(dir + "/log_output.txt"); }

std::vector<std::string> LogMessages(const std::string& log) {
    std::vector<std::string> out;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line.size() > 11 ? line.substr(11) : line);
    }
    return out;
}

PixelRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) {
    PixelRect p;
    p.left = l;
    p.top = t;
    p.right = r;
    p.bottom = b;
    return p;
}

DisplayLayout Monitors(int32_t width, int32_t height, std::initializer_list<PixelRect> monitors) {
    DisplayLayout layout;
    layout.client.right = width;
    layout.client.bottom = height;
    for (const PixelRect& m : monitors) layout.monitors[layout.monitorCount++] = m;
    return layout;
}

std::vector<std::string> CallsStarting(const GraphicsRecord& record, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& call : record.calls)
        if (call.rfind(prefix, 0) == 0) out.push_back(call);
    return out;
}

View WholeWindow(const Window& w) {
    View view;
    view.rect = PixelRect{0, 0, w.Width(), w.Height()};
    view.camera = w.camera;
    return view;
}

void RenderParticles() {
    Window& w = GetWindow();
    const FrameSettings settings = ReadFrameSettings(w.settings, 0);
    w.effect.Advance(w.simulationClock, settings.simulationStep, settings.particleSizeScale);
    w.effect.Render(WholeWindow(w));
}

std::wstring WriteTga(const std::string& path, uint32_t w, uint32_t h, uint32_t colour) {
    std::ofstream out(path, std::ios::binary);
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h),
                                uint8_t(h >> 8), 32, 0x20};
    out.write(reinterpret_cast<const char*>(header), sizeof(header));
    for (uint32_t i = 0; i < w * h; ++i) out.write(reinterpret_cast<const char*>(&colour), 4);
    return W(path);
}

namespace {
void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
}  // namespace

std::vector<uint8_t> MakeTga(const TgaHeader& h, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> b;
    b.push_back(h.idLength);
    b.push_back(h.colorMapType);
    b.push_back(h.imageType);
    Put16(b, h.colorMapFirst);
    Put16(b, h.colorMapLength);
    b.push_back(h.colorMapBits);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, h.width);
    Put16(b, h.height);
    b.push_back(h.bitsPerPixel);
    b.push_back(h.descriptor);
    for (int i = 0; i < h.idLength; ++i) b.push_back(static_cast<uint8_t>(0xA0 + i));
    if (h.colorMapType == 1) {
        const size_t mapBytes = size_t(h.colorMapLength) * ((h.colorMapBits + 7) / 8);
        for (size_t i = 0; i < mapBytes; ++i) b.push_back(static_cast<uint8_t>(0x50 + i));
    }
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

std::vector<uint8_t> ReadAsset(const std::string& relative) {
    std::ifstream f(std::string(LUMORA_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

namespace {
// The effect file the saver ships: from the source tree natively, and from the archive
// beside the test program under Wine, where the source tree's path means nothing.
std::vector<uint8_t> ShippedEffectFile() {
#ifdef _WIN32
    ZipReader shipped;
    uint32_t size = 0;
    uint8_t* data = shipped.Open(GetProgramFolder() + L"LMRResource.dat", kArchivePassword)
                        ? shipped.ReadMember(kEffectMember, size)
                        : nullptr;
    std::vector<uint8_t> bytes(data, data + (data ? size : 0));
    if (data) shipped.FreeBuffer();
    return bytes;
#else
    const std::string fx = ReadFile(LUMORA_SOURCE_DIR "/assets/archive/Resource/ParticleShader.fx");
    return std::vector<uint8_t>(fx.begin(), fx.end());
#endif
}
}  // namespace

ZipReader& SceneArchive() {
    static ZipReader* archive = [] {
        const std::string dir = ::testing::TempDir() + "effect_archive";
        Platform::MakeFolder(W(dir));
        std::vector<ZipWriterMember> members(3);
        // The real effect file, so the recorded effect's pass sets the file's sampler states.
        members[0].name = "Resource/ParticleShader.fx";
        const std::vector<uint8_t> fx = ShippedEffectFile();
        members[0].bytes.assign(fx.begin(), fx.end());
        members[1].name = "Resource/Particle.tga";
        members[1].bytes.assign(18 + 4 * 4, 0);
        members[1].bytes[12] = 2;  // 2x2
        members[1].bytes[14] = 2;
        const uint8_t png[24] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                 0, 0, 0, 100, 0, 0, 0, 40};  // 100 x 40
        members[2].name = "Resource/logo.png";
        members[2].bytes.assign(png, png + sizeof(png));
        const std::wstring path = W(dir + "/LMRResource.dat");
        auto* reader = new ZipReader();
        if (!WriteZipArchive(path, members, "5829316") || !reader->Open(path, kArchivePassword))
            ADD_FAILURE() << "cannot make the scene's archive";
        return reader;
    }();
    return *archive;
}

void RecordedFrame::SetUp() {
    dir = UseLogFolder("workspace_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    UseRecordingGraphics(&record, 1024, 768);
    GetRunState().frameRate = 60.0;  // the classic step, whatever rate a render-loop test left
}

void RecordedFrame::TearDown() {
    ReleaseScene();
    UseRecordingGraphics(nullptr, 0, 0);
}

void RecordedScene::SetUp() {
    GetWindow().archive = &SceneArchive();
    dir = UseLogFolder("renderer_log");
    UseRecordingGraphics(&record, 1024, 768);
    GetRunState().frameRate = 60.0;
    ASSERT_TRUE(GetWindow().Create(&window));
}

void RecordedScene::TearDown() {
    Window& w = GetWindow();
    StopPictures(w);
    // The next test starts from the defaults and an empty list, whatever this one changed.
    w.settings = Settings();
    PictureLayerData(w).fade = CrossFade();
    w.Release();
    w.archive = &ZipReader::Instance();
    UseRecordingGraphics(nullptr, 0, 0);
}

void RecordedScene::UseMonitors(int32_t width, int32_t height, std::initializer_list<PixelRect> monitors) {
    Window& w = GetWindow();
    UseRecordingGraphics(&record, width, height);
    record.layout = Monitors(width, height, monitors);
    ASSERT_TRUE(w.Create(&window));
    InitScene();
    UpdateMatrices(0);
    // A few particles alive, so each view has something to draw.
    GetParticleSystem().SetSpawnRate(100000.0f);
    w.effect.Advance(w.simulationClock, 0.001f, 1.0f);
    GetParticleSystem().SetSpawnRate(6000.0f);
    w.showPictures = 0;
    w.settings.Set(SettingKey::SpanMonitors, 0);
    w.settings.Set(SettingKey::PictureFit, 0);
}

Platform::Listing FakeFolders::List(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                                    Platform::FolderId& id, Platform::FolderHold&) {
    auto it = folders.find(folder);
    if (it == folders.end()) return {Platform::ListingEnd::Missing, 3};
    if (cut.count(folder)) return {Platform::ListingEnd::Broken, 59};  // ERROR_UNEXP_NET_ERR
    items = it->second;
    id = Platform::FolderId();
    id.low = ids.count(folder) ? ids[folder] : std::distance(folders.begin(), it) + 100;
    id.known = true;
    id.whileOpen = whileOpen;
    return {};
}

int64_t BytesReader::ReadAt(uint64_t offset, void* buffer, size_t size) {
    if (offset >= bytes.size()) return 0;
    const size_t count = std::min<size_t>(size, bytes.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, bytes.data() + offset, count);
    return static_cast<int64_t>(count);
}

bool FakeFolders::Describe(const std::wstring& path, Platform::FolderItem& item) {
    const size_t sep = path.find_last_of(L"\\");
    auto it = folders.find(path.substr(0, sep + 1));
    if (it == folders.end()) return false;
    for (const Platform::FolderItem& candidate : it->second)
        if (candidate.name == path.substr(sep + 1)) return item = candidate, true;
    return false;
}

// The test program's own operator new, so that a case can make allocations fail on one thread.
namespace {
thread_local int t_failAllocations = 0;
}  // namespace

void FailAllocationsOnThisThread(int count) { t_failAllocations = count; }

void* operator new(std::size_t size) {
    if (t_failAllocations > 0) {
        --t_failAllocations;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// The nothrow form too (std::stable_sort's buffer comes from it): its memory goes back
// through the operator delete below, so it must come from malloc as well.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (t_failAllocations > 0) {
        --t_failAllocations;
        return nullptr;
    }
    return std::malloc(size ? size : 1);
}
// GCC takes the pair for a mismatch, not knowing that both are replaced here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
