// The motion of a lap entry: clips by name, live photos by their sibling clip, and motion
// photos' clips found inside their JPEGs from XMP or Samsung's trailer, over made-up bytes.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/motion.h"
#include "imaging/motion_photo.h"
#include "imaging/xmp.h"
#include "photo_bytes.h"
#include "test_support.h"

using namespace WorkSpace;
using namespace PhotoBytes;

namespace {
// Made-up folders whose files can be opened: `files` holds their bytes by full path.
struct MemoryFiles : FakeFolders {
    std::map<std::wstring, Bytes> files;
    std::unique_ptr<PictureReader> Open(const std::wstring& path, Platform::ReadFailure& why) override {
        auto it = files.find(path);
        if (it == files.end()) return why = Platform::ReadFailure::Missing, nullptr;
        return std::unique_ptr<PictureReader>(new BytesReader(it->second));
    }
};

Platform::FolderItem File(const wchar_t* name) {
    Platform::FolderItem item;
    item.name = name;
    return item;
}

// The start of an MP4: its ftyp box, then some bytes of a clip.
Bytes Mp4(size_t size) { return Joined(Cat({Be32Of(16), Text("ftypisom"), Be32Of(0)}), Bytes(size - 16, 0x42)); }

std::string Directory(const std::string& motionItem, const std::string& later = "") {
    return "xmlns:GCamera=\"http://ns.google.com/photos/1.0/camera/\" GCamera:MotionPhoto=\"1\" "
           "GCamera:MotionPhotoVersion=\"1\"><Container:Directory><rdf:Seq>"
           "<rdf:li rdf:parseType=\"Resource\"><Container:Item Item:Mime=\"image/jpeg\" Item:Semantic=\"Primary\" "
           "Item:Length=\"0\" Item:Padding=\"0\"/></rdf:li><rdf:li rdf:parseType=\"Resource\"><Container:Item " +
           motionItem + "/></rdf:li>" + later + "</rdf:Seq></Container:Directory>";
}

Bytes JpegWithXmp(const std::string& inside) { return JpegXmp(Xmp(inside), OrientedTiff(true, 1)); }

// Samsung's trailer after `jpeg`: the MotionPhoto_Data item holding `clip`, its directory,
// the directory's length and "SEFT".
Bytes SamsungMotionPhoto(const Bytes& jpeg, const Bytes& clip) {
    const Bytes item = Cat({{0, 0, 0x30, 0x0A}, Le32Of(16), Text("MotionPhoto_Data"), clip});
    const Bytes dir = Cat({Text("SEFH"), Le32Of(107), Le32Of(1), {0, 0, 0x30, 0x0A}, Le32Of(uint32_t(item.size())),
                           Le32Of(uint32_t(item.size()))});
    return Cat({jpeg, item, dir, Le32Of(uint32_t(dir.size())), Text("SEFT")});
}
}  // namespace

TEST(Motion, TheOptionDecidesWhichEntriesMove) {
    MemoryFiles source;
    source.folders[L"C:\\p\\"] = {File(L"IMG_1.HEIC"), File(L"IMG_1.MOV"), File(L"IMG_2.JPG"), File(L"Trip.mp4")};
    source.files[L"C:\\p\\IMG_2.JPG"] = JpegWith({});
    source.folders[L"https://nas/p/"] = {File(L"IMG_3.HEIC"), File(L"IMG_3.MOV"), File(L"Trip.mp4")};
    const struct {
        const wchar_t* entry;
        int videos;
        MotionKind kind;
        const wchar_t* clip;
    } rows[] = {
        {L"C:\\p\\Trip.mp4", 0, MotionKind::None, L""},
        {L"C:\\p\\Trip.mp4", 1, MotionKind::Clip, L"C:\\p\\Trip.mp4"},
        {L"C:\\p\\Trip.mp4", 2, MotionKind::None, L""},
        {L"C:\\p\\IMG_1.HEIC", 0, MotionKind::None, L""},
        {L"C:\\p\\IMG_1.HEIC", 1, MotionKind::LivePhoto, L"C:\\p\\IMG_1.MOV"},
        {L"C:\\p\\IMG_1.HEIC", 2, MotionKind::LivePhoto, L"C:\\p\\IMG_1.MOV"},
        {L"C:\\p\\IMG_2.JPG", 1, MotionKind::None, L""},
        // A server folder's entries are stills, whatever lies beside them.
        {L"https://nas/p/Trip.mp4", 1, MotionKind::None, L""},
        {L"https://nas/p/IMG_3.HEIC", 1, MotionKind::None, L""},
    };
    for (const auto& row : rows) {
        MotionRef motion;
        EXPECT_EQ(FindMotion(row.entry, row.videos, source, motion), row.kind != MotionKind::None) << row.entry;
        EXPECT_EQ(motion.kind, row.kind) << row.entry << " videos " << row.videos;
        EXPECT_EQ(motion.clip, row.clip) << row.entry;
    }
}

TEST(Motion, XmpNamesWhereTheClipLies) {
    const struct {
        std::string inside;
        bool found;
        uint64_t length, after;
    } rows[] = {
        {Directory("Item:Mime=\"video/mp4\" Item:Semantic=\"MotionPhoto\" Item:Length=\"4096\""), true, 4096, 0},
        {Directory("Item:Semantic=\"MotionPhoto\" Item:Length=\"4096\" Item:Padding=\"8\"",
                   "<rdf:li><Container:Item Item:Semantic=\"Depth\" Item:Length=\"100\"/></rdf:li>"),
         true, 4096, 108},
        {"GCamera:MicroVideo=\"1\" GCamera:MicroVideoVersion=\"1\" GCamera:MicroVideoOffset=\"2500\">", true, 2500, 0},
        {"GCamera:MotionPhoto=\"0\">", false, 0, 0},
        {Directory("Item:Semantic=\"MotionPhoto\""), false, 0, 0},  // no length: nothing to go by
        {"GCamera:MicroVideo=\"1\" GCamera:MicroVideoOffset=\"-5\">", false, 0, 0},
    };
    for (const auto& row : rows) {
        const Bytes xmp = Xmp(row.inside);
        XmpMotion motion;
        EXPECT_EQ(ReadXmpMotion(xmp.data(), xmp.size(), motion), row.found) << row.inside;
        EXPECT_EQ(motion.length, row.length) << row.inside;
        EXPECT_EQ(motion.after, row.after) << row.inside;
    }
}

TEST(Motion, MotionPhotosAreFoundInPlaceOrRefused) {
    const Bytes clip = Mp4(3000);
    const Bytes google = Joined(JpegWithXmp(Directory("Item:Semantic=\"MotionPhoto\" Item:Length=\"3000\"")), clip);
    const Bytes micro = Joined(JpegWithXmp("GCamera:MicroVideo=\"1\" GCamera:MicroVideoOffset=\"3000\">"), clip);
    const Bytes wrongLength = Joined(JpegWithXmp(Directory("Item:Semantic=\"MotionPhoto\" Item:Length=\"2999\"")), clip);
    const Bytes tooLong = Joined(JpegWithXmp(Directory("Item:Semantic=\"MotionPhoto\" Item:Length=\"99999\"")), clip);
    const Bytes samsung = SamsungMotionPhoto(JpegWith({}), clip);
    const Bytes samsungDamaged = SamsungMotionPhoto(JpegWith({}), Bytes(3000, 0));
    const struct {
        const char* name;
        const Bytes& bytes;
        MotionPhotoFind find;
        uint64_t offset;
    } rows[] = {
        {"google", google, MotionPhotoFind::Found, google.size() - 3000},
        {"micro video", micro, MotionPhotoFind::Found, micro.size() - 3000},
        {"length off by one", wrongLength, MotionPhotoFind::Misplaced, 0},
        {"length past the start", tooLong, MotionPhotoFind::Misplaced, 0},
        {"samsung", samsung, MotionPhotoFind::Found, samsung.size() - 3000 - 8 - 24},
        {"samsung without ftyp", samsungDamaged, MotionPhotoFind::Misplaced, 0},
        {"plain jpeg", JpegWith({}), MotionPhotoFind::None, 0},
    };
    for (const auto& row : rows) {
        BytesReader file(row.bytes);
        uint64_t offset = 0, length = 0;
        EXPECT_EQ(FindMotionPhotoClip(file, offset, length), row.find) << row.name;
        EXPECT_EQ(offset, row.offset) << row.name;
        if (row.find == MotionPhotoFind::Found) {
            EXPECT_EQ(length, 3000u) << row.name;
        }
    }
}

TEST(Motion, AMisplacedClipLeavesAPhotoWithOneLogLine) {
    const std::string dir = UseLogFolder("motion_misplaced");
    MemoryFiles source;
    source.files[L"C:\\p\\PXL_1.jpg"] =
        Joined(JpegWithXmp(Directory("Item:Semantic=\"MotionPhoto\" Item:Length=\"500\"")), Bytes(500, 0));
    MotionRef motion;
    EXPECT_FALSE(FindMotion(L"C:\\p\\PXL_1.jpg", 1, source, motion));
    EXPECT_FALSE(FindMotion(L"C:\\p\\PXL_1.jpg", 1, source, motion));
    EXPECT_EQ(motion.kind, MotionKind::None);
    const std::string log = ReadLog(dir);
    const std::string line = "PXL_1.jpg - its motion photo's clip is not where the file says, shown as a photo";
    ASSERT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos) << log;
}
