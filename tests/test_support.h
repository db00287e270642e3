// What several test files share: text files and the log, rectangles and monitor layouts,
// the recorder's calls, a resource archive for the scene, hand-built TGA files and the
// source tree's assets, the two recorder fixtures, and a made-up picture source.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gfx/recording_graphics.h"
#include "gfx/view.h"
#include "sources/picture_source.h"

namespace WorkSpace {
class Window;
class ZipReader;
}  // namespace WorkSpace

std::wstring W(const std::string& s);
// A whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// The next `count` allocations through operator new on the calling thread throw bad_alloc,
// as a machine short of memory does (0: none).
void FailAllocationsOnThisThread(int count);
// Makes the folder `name` under the test's temporary folder and points the log there.
std::string UseLogFolder(const std::string& name);
// The log written into `dir`, and its lines without the time stamp.
std::string ReadLog(const std::string& dir);
std::vector<std::string> LogMessages(const std::string& log);

WorkSpace::PixelRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
// A client area of width x height at the origin over `monitors`.
WorkSpace::DisplayLayout Monitors(int32_t width, int32_t height, std::initializer_list<WorkSpace::PixelRect> monitors);
std::vector<std::string> CallsStarting(const WorkSpace::GraphicsRecord& record, const std::string& prefix);
// The window's whole client area as one view, with the window's camera.
WorkSpace::View WholeWindow(const WorkSpace::Window& window);
// One frame of the particle layer over the process's window, at its record's speed and size.
void RenderParticles();
// A w x h TGA of one colour, which the recorder's platform can decode.
std::wstring WriteTga(const std::string& path, uint32_t w, uint32_t h, uint32_t colour);

// The fields of a TGA header, for the picture readers' hand-built files.
struct TgaHeader {
    uint8_t idLength = 0;
    uint8_t colorMapType = 0;
    uint8_t imageType = 2;
    uint16_t colorMapFirst = 0;
    uint16_t colorMapLength = 0;
    uint8_t colorMapBits = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t bitsPerPixel = 32;
    uint8_t descriptor = 0;
};
// Header, then the ID field and colour map filled with junk (so skipping them wrongly shows
// up as wrong pixels), then the payload as given.
std::vector<uint8_t> MakeTga(const TgaHeader& h, const std::vector<uint8_t>& payload);
// A file of the source tree (`relative` to its root) as bytes; empty when it cannot be read.
std::vector<uint8_t> ReadAsset(const std::string& relative);

// An archive of its own with the three members the scene reads (contents the recorder
// accepts), so the tests leave the process-wide reader to whoever uses the real one.
WorkSpace::ZipReader& SceneArchive();

// The process's Window on a 1024 x 768 recorder, with a log of the test's own and the
// process-wide archive; TearDown releases the scene.
class RecordedFrame : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    WorkSpace::GraphicsRecord record;
    std::string dir;
    int dummyWindow = 0;
};

// The process's Window created on a 1024 x 768 recorder with SceneArchive; TearDown lets the
// Window's objects go and puts back the window's record and the process-wide archive.
class RecordedScene : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Log() { return ReadLog(dir); }
    // A window over `monitors`, its scene set up and a few particles alive, the record's
    // span and fit at their defaults and no pictures.
    void UseMonitors(int32_t width, int32_t height, std::initializer_list<WorkSpace::PixelRect> monitors);
    WorkSpace::GraphicsRecord record;
    std::string dir;
    int window = 0;
};

// An entry's bytes held in memory, read by ranges as a source's reader reads them.
struct BytesReader : WorkSpace::PictureReader {
    explicit BytesReader(std::vector<uint8_t> b) : bytes(std::move(b)) {}
    uint64_t Size() const override { return bytes.size(); }
    int64_t ReadAt(uint64_t offset, void* buffer, size_t size) override;
    std::vector<uint8_t> bytes;
};

// A picture source of made-up folders by path, whose entries use backslashes. A folder's
// identity is its place in `folders` unless `ids` names another (a link that leads there, or
// a 64-bit index that another folder has too); with `whileOpen`, the identities hold only
// while a folder is open. Folders in `cut` fail half-way through their listing. Nothing in
// it can be stamped or opened.
struct FakeFolders : WorkSpace::PictureSource {
    std::map<std::wstring, std::vector<WorkSpace::Platform::FolderItem>> folders;
    std::map<std::wstring, uint64_t> ids;
    std::set<std::wstring> cut;
    bool whileOpen = false;

    WorkSpace::Platform::Listing List(const std::wstring& folder, std::vector<WorkSpace::Platform::FolderItem>& items,
                                      WorkSpace::Platform::FolderId& id, WorkSpace::Platform::FolderHold& hold) override;
    void Release(WorkSpace::Platform::FolderHold) override {}
    bool Describe(const std::wstring& path, WorkSpace::Platform::FolderItem& item) override;
    bool Stamp(const std::wstring&, WorkSpace::PictureStamp&) override { return false; }
    std::unique_ptr<WorkSpace::PictureReader> Open(const std::wstring&, WorkSpace::Platform::ReadFailure& why) override {
        why = WorkSpace::Platform::ReadFailure::Missing;
        return nullptr;
    }
};
