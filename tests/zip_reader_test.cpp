// The resource archive reader against archives built here with the writer, some of them
// damaged on purpose by patching bytes of the written file.
#include "resources/zip_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "resources/zip_writer.h"

namespace WorkSpace {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const char kPassword[] = "5829316";
constexpr uint32_t kUntouched = 0xDEADBEEFu;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Incompressible but reproducible bytes covering every byte value.
Bytes Noise(size_t n, uint32_t seed) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = static_cast<uint8_t>(seed >> 24);
    }
    return out;
}

Bytes Repetitive(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>("particle "[i % 9]);
    return out;
}

ZipWriterMember Member(const std::string& name, Bytes bytes, bool stored = false) {
    ZipWriterMember m;
    m.name = name;
    m.bytes = std::move(bytes);
    m.stored = stored;
    return m;
}

// The 8-bit form a member name has in an archive made on this system.
std::string Ansi(const std::wstring& text) {
    std::string out;
    EXPECT_TRUE(Platform::WideToAnsi(text, out));
    return out;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        for (;;) {
            path_ = fs::temp_directory_path() /
                    ("lumora-zip-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
            std::error_code ec;
            if (fs::create_directory(path_, ec)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::wstring File(const std::string& name) const { return (path_ / name).wstring(); }

private:
    fs::path path_;
};

Bytes ReadFileBytes(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::wstring& path, const Bytes& bytes) {
    std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
}

uint32_t Get16(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t Get32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Where one member's headers and data sit in a written archive.
struct Entry {
    size_t central = 0;    // central-directory header
    size_t local = 0;      // local header
    size_t data = 0;       // first byte after the local header (the encryption header)
    uint32_t compressed = 0;
};

Entry FindEntry(const Bytes& zip, const std::string& name) {
    Entry e;
    size_t eocd = zip.size() - 22;
    while (eocd > 0 && Get32(zip, eocd) != 0x06054b50u) --eocd;
    EXPECT_EQ(Get32(zip, eocd), 0x06054b50u) << "no end of central directory";
    size_t at = Get32(zip, eocd + 16);
    const uint32_t count = Get16(zip, eocd + 10);
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(Get32(zip, at), 0x02014b50u);
        const uint32_t nameLen = Get16(zip, at + 28);
        const std::string entryName(zip.begin() + at + 46, zip.begin() + at + 46 + nameLen);
        if (entryName == name) {
            e.central = at;
            e.local = Get32(zip, at + 42);
            e.compressed = Get32(zip, at + 20);
            e.data = e.local + 30 + Get16(zip, e.local + 26) + Get16(zip, e.local + 28);
            return e;
        }
        at += 46 + nameLen + Get16(zip, at + 30) + Get16(zip, at + 32);
    }
    ADD_FAILURE() << "member " << name << " not in the archive";
    return e;
}

// Reads a member and copies it out, so the buffer can be released at once.
struct ReadResult {
    bool found = false;
    uint32_t size = kUntouched;
    Bytes bytes;
};

ReadResult Read(ZipReader& reader, const std::wstring& name) {
    ReadResult r;
    uint8_t* data = reader.ReadMember(name, r.size);
    if (data) {
        r.found = true;
        r.bytes.assign(data, data + r.size);
        reader.FreeBuffer();
    }
    return r;
}

ReadResult Read(ZipReader& reader, const std::string& name) {
    return Read(reader, Platform::AnsiToWide(name));
}

class ZipReaderTest : public ::testing::Test {
protected:
    std::wstring Write(const std::string& file, const std::vector<ZipWriterMember>& members,
                       const std::string& password = kPassword) {
        std::wstring path = dir_.File(file);
        EXPECT_TRUE(WriteZipArchive(path, members, password));
        return path;
    }
    // Opens a reader on `path` with the archive password.
    std::unique_ptr<ZipReader> OpenReader(const std::wstring& path) {
        auto reader = std::make_unique<ZipReader>();
        EXPECT_TRUE(reader->Open(path, kArchivePassword));
        return reader;
    }
    TempDir dir_;
};

// ---- Round trip: what the writer packs comes back byte for byte -------------------------

using ZipReaderRoundTrip = ZipReaderTest;

TEST_F(ZipReaderRoundTrip, StoredAndDeflatedMembersComeBackUnchanged) {
    const Bytes text = Text(std::string("effect source\r\nwith CR LF and \0 inside", 38));
    const Bytes noise = Noise(70000, 7);       // larger than minizip's 16 KB read buffer
    const Bytes repeated = Repetitive(200000); // deflates to a small fraction
    const std::wstring path = Write("round.dat", {Member("Resource/text.fx", text, true),
                                                  Member("Resource/noise.bin", noise, true),
                                                  Member("Resource/noise.z", noise),
                                                  Member("Resource/repeat.csv", repeated)});
    auto reader = OpenReader(path);
    for (auto [name, expected] : {std::pair<const char*, const Bytes*>{"Resource/text.fx", &text},
                                  {"Resource/noise.bin", &noise},
                                  {"Resource/noise.z", &noise},
                                  {"Resource/repeat.csv", &repeated}}) {
        ReadResult r = Read(*reader, std::string(name));
        ASSERT_TRUE(r.found) << name;
        EXPECT_EQ(r.size, expected->size()) << name;
        EXPECT_TRUE(r.bytes == *expected) << name;
    }
}

TEST_F(ZipReaderRoundTrip, EmptyMemberIsABufferOfSizeZero) {
    const std::wstring path = Write("empty.dat", {Member("Resource/stored.txt", {}, true),
                                                  Member("Resource/deflated.txt", {})});
    auto reader = OpenReader(path);
    for (const wchar_t* name : {L"Resource/stored.txt", L"Resource/deflated.txt"}) {
        uint32_t size = kUntouched;
        uint8_t* data = reader->ReadMember(name, size);
        EXPECT_NE(data, nullptr) << "an empty member is not a missing one";
        EXPECT_EQ(size, 0u);
        reader->FreeBuffer();
    }
}

TEST_F(ZipReaderRoundTrip, SameMemberTwiceGivesTheSameBytes) {
    const Bytes first = Noise(5000, 1), second = Repetitive(3000);
    const std::wstring path =
        Write("twice.dat", {Member("Resource/a.bin", first), Member("Resource/b.bin", second)});
    auto reader = OpenReader(path);
    ReadResult a1 = Read(*reader, std::string("Resource/a.bin"));
    ReadResult a2 = Read(*reader, std::string("Resource/a.bin"));
    ASSERT_TRUE(a1.found && a2.found);
    EXPECT_TRUE(a1.bytes == first && a2.bytes == first);
    // A later member, then an earlier one: the lookup must start over at the first entry.
    ReadResult b = Read(*reader, std::string("Resource/b.bin"));
    ReadResult a3 = Read(*reader, std::string("Resource/a.bin"));
    ASSERT_TRUE(b.found && a3.found);
    EXPECT_TRUE(b.bytes == second && a3.bytes == first);
}

TEST_F(ZipReaderRoundTrip, BytesInFrontOfTheArchiveAreSkipped) {
    const Bytes payload = Text("logo bytes");
    const std::wstring plain = Write("plain.dat", {Member("Resource/logo.png", payload)});
    Bytes withStub = Noise(1500, 3);  // like the program part of a self-extracting file
    const Bytes zip = ReadFileBytes(plain);
    withStub.insert(withStub.end(), zip.begin(), zip.end());
    const std::wstring path = dir_.File("stub.dat");
    WriteFileBytes(path, withStub);
    auto reader = OpenReader(path);
    ReadResult r = Read(*reader, std::string("Resource/logo.png"));
    ASSERT_TRUE(r.found);
    EXPECT_TRUE(r.bytes == payload);
}

// ---- Lookup: ASCII case folding, first match, name length -------------------------------

using ZipReaderLookup = ZipReaderTest;

TEST_F(ZipReaderLookup, LowerCaseNameFindsTheMember) {
    const std::wstring path = Write("case.dat", {Member("Resource/Particle.tga", Text("tga"))});
    auto reader = OpenReader(path);
    EXPECT_TRUE(Read(*reader, std::string("resource/particle.tga")).found);
    EXPECT_TRUE(Read(*reader, std::string("RESOURCE/PARTICLE.TGA")).found);
}

TEST_F(ZipReaderLookup, BackslashDoesNotMatchSlashAndLeavesSizeAlone) {
    const std::wstring path = Write("slash.dat", {Member("Resource/Particle.tga", Text("tga"))});
    auto reader = OpenReader(path);
    ReadResult r = Read(*reader, std::string("Resource\\Particle.tga"));
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.size, kUntouched);
}

TEST_F(ZipReaderLookup, NamesDifferingOnlyInCaseGiveTheEarlierEntry) {
    const std::wstring path = Write("dup.dat", {Member("Resource/Dup.txt", Text("first")),
                                                Member("RESOURCE/DUP.TXT", Text("second!"))});
    auto reader = OpenReader(path);
    EXPECT_TRUE(Read(*reader, std::string("resource/dup.txt")).bytes == Text("first"));
    // Even the exact spelling of the later entry finds the earlier one.
    ReadResult exact = Read(*reader, std::string("RESOURCE/DUP.TXT"));
    EXPECT_TRUE(exact.bytes == Text("first"));
    EXPECT_EQ(exact.size, 5u);
}

TEST_F(ZipReaderLookup, OnlyAsciiLettersAreFolded) {
    // Bytes that differ by 0x20 but are not letters must not be confused.
    const std::wstring path = Write("punct.dat", {Member("Resource/[x]@.txt", Text("brackets"))});
    auto reader = OpenReader(path);
    EXPECT_TRUE(Read(*reader, std::string("resource/[X]@.TXT")).found);
    EXPECT_FALSE(Read(*reader, std::string("Resource/{x}@.txt")).found);
    EXPECT_FALSE(Read(*reader, std::string("Resource/[x]`.txt")).found);
}

TEST_F(ZipReaderLookup, NonAsciiLetterMustMatchExactly) {
    const std::wstring stored = L"Resource/Caf\u00e9.csv";  // e with acute accent
    const std::wstring path = Write("accent.dat", {Member(Ansi(stored), Text("menu"))});
    auto reader = OpenReader(path);
    EXPECT_TRUE(Read(*reader, stored).found);
    EXPECT_TRUE(Read(*reader, std::wstring(L"RESOURCE/CAF\u00e9.CSV")).found);
    EXPECT_FALSE(Read(*reader, std::wstring(L"Resource/Caf\u00c9.csv")).found);  // capital
    EXPECT_FALSE(Read(*reader, std::wstring(L"Resource/Cafe.csv")).found);
}

TEST_F(ZipReaderLookup, NameOf255BytesIsFoundAnd256IsNot) {
    const std::string name255 = "Resource/" + std::string(255 - 9, 'a');
    const std::string name256 = "Resource/" + std::string(256 - 9, 'b');
    ASSERT_EQ(name255.size(), 255u);
    ASSERT_EQ(name256.size(), 256u);
    const std::wstring path =
        Write("long.dat", {Member(name255, Text("255")), Member(name256, Text("256"))});
    auto reader = OpenReader(path);
    ReadResult found = Read(*reader, name255);
    EXPECT_TRUE(found.found);
    EXPECT_TRUE(found.bytes == Text("255"));
    ReadResult missing = Read(*reader, name256);
    EXPECT_FALSE(missing.found) << "names longer than 255 bytes cannot be looked up";
    EXPECT_EQ(missing.size, kUntouched);
}

// ---- Failures: every one gives none, none of them crashes -------------------------------

using ZipReaderFailure = ZipReaderTest;

TEST_F(ZipReaderFailure, FailedOpenMakesEveryReadFailWithSizeUntouched) {
    ZipReader missing;
    EXPECT_FALSE(missing.Open(dir_.File("no-such-archive.dat"), kArchivePassword));
    EXPECT_FALSE(missing.IsOpen());
    ReadResult r = Read(missing, std::string("Resource/logo.png"));
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.size, kUntouched);

    const std::wstring notZip = dir_.File("not-a-zip.dat");
    WriteFileBytes(notZip, Text("this is a settings file, not an archive\n"));
    ZipReader garbage;
    EXPECT_FALSE(garbage.Open(notZip, kArchivePassword));
    EXPECT_EQ(Read(garbage, std::string("Resource/logo.png")).size, kUntouched);
}

TEST_F(ZipReaderFailure, SecondOpenFailsAndKeepsTheFirstArchive) {
    const std::wstring first = Write("first.dat", {Member("Resource/one.txt", Text("1"))});
    const std::wstring second = Write("second.dat", {Member("Resource/two.txt", Text("2"))});
    ZipReader reader;
    ASSERT_TRUE(reader.Open(first, kArchivePassword));
    EXPECT_FALSE(reader.Open(second, kArchivePassword));
    EXPECT_TRUE(Read(reader, std::string("Resource/one.txt")).found);
    EXPECT_FALSE(Read(reader, std::string("Resource/two.txt")).found);
}

TEST_F(ZipReaderFailure, GoodOpenAfterAFailedOneSucceeds) {
    // A failed open leaves the reader unopened, so a later good open is its first.
    const std::wstring good = Write("good.dat", {Member("Resource/one.txt", Text("1"))});
    ZipReader reader;
    EXPECT_FALSE(reader.Open(dir_.File("missing.dat"), kArchivePassword));
    EXPECT_TRUE(reader.Open(good, kArchivePassword));
    EXPECT_TRUE(Read(reader, std::string("Resource/one.txt")).found);
}

TEST_F(ZipReaderFailure, WrongPasswordGivesNoneButSetsTheSize) {
    const Bytes text = Text("Language file with enough bytes to fail a CRC check\n");
    const std::wstring path = Write("wrong.dat", {Member("Resource/stored.csv", text, true),
                                                  Member("Resource/deflated.csv", text)},
                                    "1234567");
    auto reader = OpenReader(path);
    for (const char* name : {"Resource/stored.csv", "Resource/deflated.csv"}) {
        ReadResult r = Read(*reader, std::string(name));
        EXPECT_FALSE(r.found) << name;
        EXPECT_EQ(r.size, text.size()) << name << ": the size is known before the data fails";
    }
}

TEST_F(ZipReaderFailure, UnencryptedMemberCannotBeRead) {
    // Every member is decrypted whatever its flag says, so plain members come out garbled.
    const Bytes text = Text("plain text that was never encrypted");
    const std::wstring path = Write("plain.dat", {Member("Resource/stored.txt", text, true),
                                                  Member("Resource/deflated.txt", text)},
                                    "");
    auto reader = OpenReader(path);
    EXPECT_FALSE(Read(*reader, std::string("Resource/stored.txt")).found);
    EXPECT_FALSE(Read(*reader, std::string("Resource/deflated.txt")).found);
}

TEST_F(ZipReaderFailure, FlippedDataByteGivesNone) {
    const Bytes noise = Noise(4000, 11);
    const std::wstring path = Write("flip.dat", {Member("Resource/stored.bin", noise, true),
                                                 Member("Resource/deflated.bin", noise)});
    const Bytes good = ReadFileBytes(path);
    for (const char* name : {"Resource/stored.bin", "Resource/deflated.bin"}) {
        Bytes bad = good;
        const Entry e = FindEntry(bad, name);
        bad[e.data + 12 + e.compressed / 2] ^= 0x40;  // past the encryption header
        const std::wstring damaged = dir_.File(std::string("flip-") + (name + 9));
        WriteFileBytes(damaged, bad);
        auto reader = OpenReader(damaged);
        EXPECT_FALSE(Read(*reader, std::string(name)).found) << name;
        // The other member is untouched and still reads.
        const char* other = name[9] == 's' ? "Resource/deflated.bin" : "Resource/stored.bin";
        EXPECT_TRUE(Read(*reader, std::string(other)).bytes == noise) << other;
    }
}

TEST_F(ZipReaderFailure, CrcMismatchGivesNone) {
    const Bytes text = Text("texture bytes");
    const std::wstring path = Write("crc.dat", {Member("Resource/Particle.tga", text, true)});
    Bytes bad = ReadFileBytes(path);
    const Entry e = FindEntry(bad, "Resource/Particle.tga");
    // Both headers agree on the wrong CRC, so only the check after the read can catch it.
    const uint32_t crc = Get32(bad, e.central + 16) ^ 0x00000001u;
    Put32(bad, e.central + 16, crc);
    Put32(bad, e.local + 14, crc);
    const std::wstring damaged = dir_.File("crc-bad.dat");
    WriteFileBytes(damaged, bad);
    auto reader = OpenReader(damaged);
    ReadResult r = Read(*reader, std::string("Resource/Particle.tga"));
    EXPECT_FALSE(r.found);
    EXPECT_EQ(r.size, text.size());
}

TEST_F(ZipReaderFailure, DeflatedMemberEndingEarlyGivesNone) {
    const Bytes noise = Noise(30000, 5);
    const std::wstring path = Write("short.dat", {Member("Resource/short.bin", noise)});
    Bytes bad = ReadFileBytes(path);
    const Entry e = FindEntry(bad, "Resource/short.bin");
    const uint32_t shorter = e.compressed / 2;
    Put32(bad, e.central + 20, shorter);
    Put32(bad, e.local + 18, shorter);
    const std::wstring damaged = dir_.File("short-bad.dat");
    WriteFileBytes(damaged, bad);
    auto reader = OpenReader(damaged);
    EXPECT_FALSE(Read(*reader, std::string("Resource/short.bin")).found);
}

TEST_F(ZipReaderFailure, TruncatedArchiveFailsToOpenOrToRead) {
    const Bytes noise = Noise(20000, 9);
    const std::wstring path = Write("cut.dat", {Member("Resource/a.bin", noise),
                                                Member("Resource/b.bin", noise, true)});
    const Bytes whole = ReadFileBytes(path);
    for (size_t keep : {whole.size() / 2, whole.size() - 10, size_t{30}, size_t{0}}) {
        const std::wstring cut = dir_.File("cut-" + std::to_string(keep) + ".dat");
        WriteFileBytes(cut, Bytes(whole.begin(), whole.begin() + keep));
        ZipReader reader;
        if (!reader.Open(cut, kArchivePassword)) continue;  // the usual outcome
        EXPECT_FALSE(Read(reader, std::string("Resource/a.bin")).found) << keep;
        EXPECT_FALSE(Read(reader, std::string("Resource/b.bin")).found) << keep;
    }
}

TEST_F(ZipReaderFailure, UnknownCompressionMethodGivesNone) {
    const Bytes text = Text("bytes that minizip would otherwise hand out undecoded");
    const std::wstring path = Write("method.dat", {Member("Resource/m.bin", text, true)});
    const Bytes good = ReadFileBytes(path);
    // 12 is bzip2, which minizip passes through raw when built without it; 1 is shrink.
    for (uint32_t method : {12u, 1u, 99u}) {
        Bytes bad = good;
        const Entry e = FindEntry(bad, "Resource/m.bin");
        Put16(bad, e.central + 10, method);
        Put16(bad, e.local + 8, method);
        const std::wstring damaged = dir_.File("method-" + std::to_string(method) + ".dat");
        WriteFileBytes(damaged, bad);
        auto reader = OpenReader(damaged);
        EXPECT_FALSE(Read(*reader, std::string("Resource/m.bin")).found) << method;
    }
}

TEST_F(ZipReaderFailure, LocalHeaderDisagreeingWithTheDirectoryGivesNone) {
    const std::wstring path = Write("local.dat", {Member("Resource/m.bin", Text("abc"))});
    Bytes bad = ReadFileBytes(path);
    const Entry e = FindEntry(bad, "Resource/m.bin");
    Put16(bad, e.local + 8, 0);  // local header says stored, directory says deflated
    const std::wstring damaged = dir_.File("local-bad.dat");
    WriteFileBytes(damaged, bad);
    auto reader = OpenReader(damaged);
    EXPECT_FALSE(Read(*reader, std::string("Resource/m.bin")).found);
}

TEST_F(ZipReaderTest, PathWithoutAnAnsiFormOpens) {
    // A program folder the ANSI code page cannot spell still holds the archive.
    const std::wstring folderName = L"\u4e2d\u6587-\u0416";  // CJK and Cyrillic together
    const Bytes archive = ReadFileBytes(Write("ansi.dat", {Member("Resource/one.txt", Text("1"))}));
    const std::wstring folder = dir_.File("") + folderName;
    ASSERT_TRUE(Platform::MakeFolder(folder));
    const std::wstring target = folder + Platform::PathSeparator() + L"LMRResource.dat";
    FILE* out = Platform::OpenFile(target, "wb");
    ASSERT_NE(out, nullptr);
    fwrite(archive.data(), 1, archive.size(), out);
    fclose(out);
    ZipReader reader;
    ASSERT_TRUE(reader.Open(target, kArchivePassword));
    EXPECT_EQ(Read(reader, std::string("Resource/one.txt")).bytes, Text("1"));
}

// ---- Serialised reads: one buffer at a time, and no self-deadlock -----------------------

using ZipReaderLocking = ZipReaderTest;

constexpr auto kPatience = std::chrono::seconds(10);
constexpr auto kBlockedFor = std::chrono::milliseconds(150);

// Runs `work` on its own thread; false if it has not finished within `limit`. On a
// timeout the thread is left behind (with the reader leaked) rather than hanging the run.
template <typename F>
bool FinishesWithin(F work, std::chrono::milliseconds limit) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([work, done]() mutable {
        work();
        done->set_value();
    }).detach();
    return finished.wait_for(limit) == std::future_status::ready;
}

TEST_F(ZipReaderLocking, EmptyReadThenAnotherReadOnTheSameThreadDoesNotDeadlock) {
    const std::wstring path = Write("lock.dat", {Member("Resource/empty.png", {}),
                                                 Member("Resource/full.png", Text("png"))});
    ZipReader* reader = OpenReader(path).release();  // leaked on purpose if a thread hangs
    const bool finished = FinishesWithin(
        [reader] {
            uint32_t size = 0;
            // A caller that gives up on an empty member without FreeBuffer, as the bitmap
            // loader does...
            EXPECT_NE(reader->ReadMember(L"Resource/empty.png", size), nullptr);
            // ...and reads again, then a second thread reads.
            EXPECT_NE(reader->ReadMember(L"Resource/full.png", size), nullptr);
            reader->FreeBuffer();
            std::thread other([reader] {
                uint32_t otherSize = 0;
                EXPECT_NE(reader->ReadMember(L"Resource/full.png", otherSize), nullptr);
                reader->FreeBuffer();
            });
            other.join();
        },
        std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
    ASSERT_TRUE(finished) << "reader deadlocked";
    delete reader;
}

TEST_F(ZipReaderLocking, EmptyReadLeftUnfreedDoesNotBlockAnotherThread) {
    const std::wstring path = Write("lock2.dat", {Member("Resource/empty.png", {}),
                                                  Member("Resource/full.png", Text("png"))});
    ZipReader* reader = OpenReader(path).release();
    uint32_t size = 0;
    ASSERT_NE(reader->ReadMember(L"Resource/empty.png", size), nullptr);  // never freed
    const bool finished = FinishesWithin(
        [reader] {
            uint32_t otherSize = 0;
            EXPECT_NE(reader->ReadMember(L"Resource/full.png", otherSize), nullptr);
            reader->FreeBuffer();
        },
        std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
    ASSERT_TRUE(finished) << "an empty read kept the reader locked";
    delete reader;
}

TEST_F(ZipReaderLocking, HolderReadingAgainWithoutFreeDoesNotDeadlock) {
    const std::wstring path = Write("lock3.dat", {Member("Resource/a.txt", Text("aaa")),
                                                  Member("Resource/b.txt", Text("bbbb"))});
    ZipReader* reader = OpenReader(path).release();
    const bool finished = FinishesWithin(
        [reader] {
            uint32_t size = 0;
            EXPECT_NE(reader->ReadMember(L"Resource/a.txt", size), nullptr);
            uint8_t* b = reader->ReadMember(L"Resource/b.txt", size);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(std::string(b, b + size), "bbbb");
            reader->FreeBuffer();
        },
        std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
    ASSERT_TRUE(finished) << "a thread waited for itself";
    delete reader;
}

TEST_F(ZipReaderLocking, SecondThreadWaitsUntilTheBufferIsFreed) {
    const Bytes payload = Noise(10000, 21);
    const std::wstring path = Write("lock4.dat", {Member("Resource/a.bin", payload),
                                                  Member("Resource/b.bin", Text("b"))});
    auto reader = OpenReader(path);
    uint32_t size = 0;
    uint8_t* held = reader->ReadMember(L"Resource/a.bin", size);
    ASSERT_NE(held, nullptr);

    std::atomic<bool> otherDone{false};
    std::thread other([&] {
        reader->FreeBuffer();  // not this thread's buffer: must change nothing
        uint32_t otherSize = 0;
        EXPECT_NE(reader->ReadMember(L"Resource/b.bin", otherSize), nullptr);
        reader->FreeBuffer();
        otherDone = true;
    });
    std::this_thread::sleep_for(kBlockedFor);
    EXPECT_FALSE(otherDone) << "a read overlapped a buffer still in use";
    EXPECT_TRUE(Bytes(held, held + size) == payload) << "the holder's bytes were disturbed";
    reader->FreeBuffer();
    other.join();
    EXPECT_TRUE(otherDone);
}

}  // namespace
}  // namespace WorkSpace
