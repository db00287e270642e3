// The photo index against real SQLite files: what is stored comes back, unchanged files are
// not read again, a changed one's row no longer counts, a failed read keeps nothing, an older
// index's keys are found, a newer one is left alone, a damaged or foreign file is moved aside
// whole (one copy kept), a whole walk forgets the files gone, a full disk stops the growth only.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "library/photo_index.h"
#include "sources/local_folder_source.h"
#include "platform/long_path.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {

std::string Folder(const std::string& name) {
    const std::string dir = ::testing::TempDir() + "photo_index_" + name;
    Platform::MakeFolder(W(dir));
    for (const char* end : {"", "-wal", "-shm", ".old", ".old-wal"}) std::remove((dir + "/index.db" + end).c_str());
    return dir;
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The made-up header reader: every file read is counted, and its facts are its size's.
std::map<std::wstring, int>& Reads() {
    static std::map<std::wstring, int> reads;
    return reads;
}
FactsRead RatedBySize(const std::wstring& path, PhotoFacts& facts) {
    int64_t size = 0, modified = 0;
    Platform::StampFile(path, size, modified);
    facts.rating = static_cast<int32_t>(size % 6);
    return FactsRead::Known;
}
FactsRead CountingReader(const std::wstring& path, PhotoFacts& facts, PictureSource&) {
    ++Reads()[path];
    return RatedBySize(path, facts);
}

IndexedPhoto Photo(const std::string& path, int64_t size) {
    IndexedPhoto photo;
    photo.path = W(path);
    photo.stamp.size = size;
    photo.stamp.modified = 7;
    return photo;
}

// Counts too, and fails for every file whose name starts with "busy".
FactsRead FailingReader(const std::wstring& path, PhotoFacts& facts, PictureSource& source) {
    const size_t sep = path.find_last_of(L'/');
    if (path.compare(sep + 1, 4, L"busy") != 0) return CountingReader(path, facts, source);
    ++Reads()[path];
    return FactsRead::Failed;
}

// Runs a whole walk of `entries` into the index at `db`; the files read.
uint32_t IndexAll(const std::string& db, const std::vector<std::wstring>& entries,
                  PhotoFactsReader read = CountingReader, bool forget = false) {
    PhotoIndex index;
    EXPECT_TRUE(index.Open(W(db)));
    PhotoIndexer indexer(index, entries, {L".jpg"}, read);
    indexer.ForgetGone(forget);
    while (indexer.Step(std::chrono::milliseconds(50))) {
    }
    return indexer.FilesRead();
}

}  // namespace

TEST(PhotoIndex, KeepsEveryFactAndTellsWhatIsNotThere) {
    const std::string db = Folder("facts") + "/index.db";
    IndexedPhoto full = Photo("/p/a.jpg", 100), bare = Photo("/p/b.jpg", 200);
    full.facts.dated = true;
    full.facts.taken = -86400;  // before 1970: cameras with an unset clock
    full.facts.width = 4000;
    full.facts.height = 3000;
    full.facts.rating = 4;
    full.facts.placed = true;
    full.facts.latitude = -33.5;
    full.facts.longitude = 151.25;
    {
        PhotoIndex index;
        ASSERT_TRUE(index.Open(W(db)));
        ASSERT_EQ(PhotoIndex::Store::Stored, index.Put({full, bare}));
    }
    PhotoIndex index;  // as the next run finds it
    ASSERT_TRUE(index.Open(W(db)));
    PhotoFacts facts;
    PictureStamp stamp;
    ASSERT_TRUE(index.Lookup(W("/p/a.jpg"), stamp, facts));
    EXPECT_EQ(100, stamp.size);
    EXPECT_EQ(7, stamp.modified);
    EXPECT_TRUE(facts.dated && facts.placed);
    EXPECT_EQ(-86400, facts.taken);
    EXPECT_EQ(4000u, facts.width);
    EXPECT_EQ(3000u, facts.height);
    EXPECT_EQ(4, facts.rating);
    EXPECT_EQ(-33.5, facts.latitude);
    EXPECT_EQ(151.25, facts.longitude);
    ASSERT_TRUE(index.Lookup(W("/p/b.jpg"), stamp, facts));
    EXPECT_FALSE(facts.dated || facts.placed);
    EXPECT_FALSE(index.Lookup(W("/p/c.jpg"), stamp, facts));
}

TEST(PhotoIndex, ReadsOnlyNewAndChangedFiles) {
    const std::string dir = Folder("walk");
    Platform::MakeFolder(W(dir + "/pics"));
    std::remove((dir + "/pics/c.jpg").c_str());  // from a run before
    WriteText(dir + "/pics/a.jpg", "aa");
    WriteText(dir + "/pics/b.jpg", "bbb");
    const std::vector<std::wstring> entries = {W(dir + "/pics/")};
    Reads().clear();
    EXPECT_EQ(2u, IndexAll(dir + "/index.db", entries));
    EXPECT_EQ(0u, IndexAll(dir + "/index.db", entries));
    WriteText(dir + "/pics/b.jpg", "bbbbb");  // another size
    WriteText(dir + "/pics/c.jpg", "c");
    EXPECT_EQ(2u, IndexAll(dir + "/index.db", entries));
    EXPECT_EQ(1, Reads()[W(dir + "/pics/a.jpg")]);
    EXPECT_EQ(2, Reads()[W(dir + "/pics/b.jpg")]);
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(dir + "/index.db")));
    PhotoFacts facts;
    ASSERT_TRUE(index.Find(W(dir + "/pics/b.jpg"), facts));
    EXPECT_EQ(5, facts.rating);  // the facts of the file as it is now
}

TEST(PhotoIndex, ARowCountsOnlyWhileTheFileIsAsItWasRead) {
    const std::string dir = Folder("stale");
    const std::string file = dir + "/rated.jpg";
    WriteText(file, "unrated");
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(dir + "/index.db")));
    IndexedPhoto photo;
    photo.path = W(file);
    ASSERT_TRUE(LocalFolders().Stamp(photo.path, photo.stamp));
    ASSERT_EQ(PhotoIndex::Store::Stored, index.Put({photo}));
    PhotoFacts facts;
    EXPECT_TRUE(index.Find(W(file), facts));
    WriteText(file, "rated 5 stars");  // its XMP rewritten: another size and time
    facts.rating = 9;
    EXPECT_FALSE(index.Find(W(file), facts));
    EXPECT_EQ(0, facts.rating);
}

TEST(PhotoIndex, AFailedReadKeepsNothingAndIsTriedAgain) {
    const std::string dir = Folder("failed");
    Platform::MakeFolder(W(dir + "/pics"));
    WriteText(dir + "/pics/busy.jpg", "locked");
    WriteText(dir + "/pics/fine.jpg", "ok");
    const std::vector<std::wstring> entries = {W(dir + "/pics/")};
    Reads().clear();
    EXPECT_EQ(2u, IndexAll(dir + "/index.db", entries, FailingReader));
    EXPECT_EQ(1u, IndexAll(dir + "/index.db", entries, FailingReader));
    EXPECT_EQ(2, Reads()[W(dir + "/pics/busy.jpg")]);
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(dir + "/index.db")));
    PhotoFacts facts;
    PictureStamp stamp;
    EXPECT_FALSE(index.Lookup(W(dir + "/pics/busy.jpg"), stamp, facts));
}

// Counts, and the first time it reads a file named "swap..." the file is replaced meanwhile.
FactsRead SwappingReader(const std::wstring& path, PhotoFacts& facts, PictureSource& source) {
    const size_t sep = path.find_last_of(L'/');
    if (path.compare(sep + 1, 4, L"swap") == 0 && Reads()[path] == 0)
        WriteText(std::string(path.begin(), path.end()), "a longer, newer version");
    return CountingReader(path, facts, source);
}

TEST(PhotoIndex, FactsOfAFileReplacedWhileReadAreNotKeptUnderEitherStamp) {
    const std::string dir = Folder("swapped");
    Platform::MakeFolder(W(dir + "/pics"));
    WriteText(dir + "/pics/swap.jpg", "old");
    const std::vector<std::wstring> entries = {W(dir + "/pics/")};
    Reads().clear();
    EXPECT_EQ(1u, IndexAll(dir + "/index.db", entries, SwappingReader));
    PhotoFacts facts;
    PictureStamp stamp;
    {
        PhotoIndex index;
        ASSERT_TRUE(index.Open(W(dir + "/index.db")));
        EXPECT_FALSE(index.Lookup(W(dir + "/pics/swap.jpg"), stamp, facts));
    }
    EXPECT_EQ(1u, IndexAll(dir + "/index.db", entries, SwappingReader));  // read again, now kept
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(dir + "/index.db")));
    ASSERT_TRUE(index.Lookup(W(dir + "/pics/swap.jpg"), stamp, facts));
    EXPECT_EQ(stamp.size, 23);
}

TEST(PhotoIndex, KeysIgnoreCaseAndAnOlderIndexsPathsAreFound) {
    const std::string db = Folder("older") + "/index.db";
    sqlite3* old = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(db.c_str(), &old));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(old,
                           "CREATE TABLE photos(path TEXT PRIMARY KEY, size INTEGER NOT NULL, modified INTEGER NOT NULL, "
                           "taken INTEGER, width INTEGER NOT NULL, height INTEGER NOT NULL, rating INTEGER NOT NULL, "
                           "latitude REAL, longitude REAL) WITHOUT ROWID; "
                           "INSERT INTO photos VALUES ('/p/Trip/A.jpg', 1, 7, NULL, 0, 0, 4, NULL, NULL); "
                           "PRAGMA application_id = 1280135753; PRAGMA user_version = 1",
                           nullptr, nullptr, nullptr));
    sqlite3_close(old);
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(db)));
    PhotoFacts facts;
    PictureStamp stamp;
    ASSERT_TRUE(index.Lookup(W("/P/trip/a.JPG"), stamp, facts));
    EXPECT_EQ(4, facts.rating);
    EXPECT_EQ(PhotoIndex::Store::Stored, index.Put({Photo("/p/trip/b.jpg", 2)}));
    EXPECT_TRUE(index.Lookup(W("/p/TRIP/B.jpg"), stamp, facts));
}

TEST(PhotoIndex, ANewerVersionsIndexIsLeftAlone) {
    const std::string dir = Folder("newer");
    UseLogFolder("photo_index_newer_log");
    const std::string db = dir + "/index.db";
    sqlite3* newer = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(db.c_str(), &newer));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(newer, "CREATE TABLE photos2(key TEXT); PRAGMA application_id = 1280135753; "
                                             "PRAGMA user_version = 99", nullptr, nullptr, nullptr));
    sqlite3_close(newer);
    const std::string before = ReadFile(db);
    PhotoIndex index;
    EXPECT_FALSE(index.Open(W(db)));
    EXPECT_EQ(before, ReadFile(db));
    int64_t size = 0, modified = 0;
    EXPECT_FALSE(Platform::StampFile(W(db + ".old"), size, modified));
}

TEST(PhotoIndex, AWholeWalkOfTheSavedListForgetsTheFilesGone) {
    const std::string dir = Folder("forget");
    Platform::MakeFolder(W(dir + "/pics"));
    WriteText(dir + "/pics/a.jpg", "a");
    WriteText(dir + "/pics/b.jpg", "b");
    const std::string db = dir + "/index.db";
    const std::vector<std::wstring> entries = {W(dir + "/pics/")};
    IndexAll(db, entries, CountingReader, true);
    {
        PhotoIndex index;
        ASSERT_TRUE(index.Open(W(db)));
        ASSERT_EQ(PhotoIndex::Store::Stored, index.Put({Photo(dir + "/other/c.jpg", 1)}));
    }
    std::remove((dir + "/pics/b.jpg").c_str());
    PhotoFacts facts;
    PictureStamp stamp;
    const auto known = [&](const std::string& path) {
        PhotoIndex index;
        EXPECT_TRUE(index.Open(W(db)));
        return index.Lookup(W(path), stamp, facts);
    };
    IndexAll(db, entries, CountingReader, false);  // a preview's list: nothing goes
    EXPECT_TRUE(known(dir + "/pics/b.jpg"));
    IndexAll(db, entries, CountingReader, true);
    EXPECT_FALSE(known(dir + "/pics/b.jpg"));
    EXPECT_TRUE(known(dir + "/pics/a.jpg"));
    EXPECT_TRUE(known(dir + "/other/c.jpg"));  // under no entry of the walk
}

TEST(PhotoIndex, MovesADamagedFileAsideWholeAndBuildsAgain) {
    const std::string dir = Folder("damaged");
    const std::string logDir = UseLogFolder("photo_index_damaged_log");
    const std::string junk(8192, 'x');
    WriteText(dir + "/index.db", junk);
    {
        PhotoIndex index;
        ASSERT_TRUE(index.Open(W(dir + "/index.db")));
        EXPECT_EQ(PhotoIndex::Store::Stored, index.Put({Photo("/p/a.jpg", 1)}));
    }
    EXPECT_EQ(junk, ReadFile(dir + "/index.db.old"));
    {
        PhotoIndex again;  // the new one is ours: nothing more moves
        ASSERT_TRUE(again.Open(W(dir + "/index.db")));
        PhotoFacts facts;
        PictureStamp stamp;
        EXPECT_TRUE(again.Lookup(W("/p/a.jpg"), stamp, facts));
    }
    // Damaged again: the newest copy replaces the one before, none accumulate.
    const std::string other(8192, 'y');
    WriteText(dir + "/index.db", other);
    PhotoIndex third;
    ASSERT_TRUE(third.Open(W(dir + "/index.db")));
    EXPECT_EQ(other, ReadFile(dir + "/index.db.old"));
    int64_t size = 0, modified = 0;
    EXPECT_FALSE(Platform::StampFile(W(dir + "/index.db.old2"), size, modified));
    const std::vector<std::string> lines = LogMessages(ReadLog(logDir));
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("PhotoIndex::Open() - damaged or foreign")) << lines[0];
}

TEST(PhotoIndex, MovesAForeignDatabaseAsideWithItsData) {
    const std::string dir = Folder("foreign");
    UseLogFolder("photo_index_foreign_log");
    const std::string db = dir + "/index.db";
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(db.c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "CREATE TABLE notes(text); INSERT INTO notes VALUES ('mine')", nullptr,
                                      nullptr, nullptr));
    sqlite3_close(other);
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(db)));
    EXPECT_EQ(PhotoIndex::Store::Stored, index.Put({Photo("/p/a.jpg", 1)}));
    ASSERT_EQ(SQLITE_OK, sqlite3_open((db + ".old").c_str(), &other));
    sqlite3_stmt* row = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(other, "SELECT text FROM notes", -1, &row, nullptr));
    ASSERT_EQ(SQLITE_ROW, sqlite3_step(row));
    EXPECT_STREQ("mine", reinterpret_cast<const char*>(sqlite3_column_text(row, 0)));
    sqlite3_finalize(row);
    sqlite3_close(other);
}

TEST(PhotoIndex, AFullDiskStopsTheGrowthAndKeepsWhatIsThere) {
    const std::string dir = Folder("full");
    const std::string logDir = UseLogFolder("photo_index_full_log");
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(dir + "/index.db")));
    ASSERT_EQ(PhotoIndex::Store::Stored, index.Put({Photo("/p/kept.jpg", 1)}));
    index.LimitPagesForTesting(3);
    std::vector<IndexedPhoto> many;
    for (int i = 0; i < 500; ++i) many.push_back(Photo("/p/a-long-name-that-fills-pages-" + std::to_string(i) + ".jpg", i));
    EXPECT_EQ(PhotoIndex::Store::Stopped, index.Put(many));
    EXPECT_FALSE(index.Growing());
    EXPECT_EQ(PhotoIndex::Store::Stopped, index.Put({Photo("/p/later.jpg", 1)}));
    PhotoFacts facts;
    PictureStamp stamp;
    EXPECT_TRUE(index.Lookup(W("/p/kept.jpg"), stamp, facts));
    EXPECT_FALSE(index.Lookup(W("/p/a-long-name-that-fills-pages-0.jpg"), stamp, facts));
    const std::vector<std::string> lines = LogMessages(ReadLog(logDir));
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("PhotoIndex::Put()")) << lines[0];
}

TEST(PhotoIndex, TwoProcessesShareOneIndex) {
    const std::string db = Folder("shared") + "/index.db";
    PhotoIndex saver, preview;
    ASSERT_TRUE(saver.Open(W(db)));
    ASSERT_TRUE(preview.Open(W(db)));
    EXPECT_EQ(PhotoIndex::Store::Stored, saver.Put({Photo("/p/a.jpg", 1)}));
    EXPECT_EQ(PhotoIndex::Store::Stored, preview.Put({Photo("/p/b.jpg", 1)}));
    PhotoFacts facts;
    PictureStamp stamp;
    EXPECT_TRUE(preview.Lookup(W("/p/a.jpg"), stamp, facts));
    EXPECT_TRUE(saver.Lookup(W("/p/b.jpg"), stamp, facts));
}



// Processes on several machines cannot share the write-ahead log's memory: on a file server
// the index keeps the rollback journal.
TEST(PhotoIndex, NoWriteAheadLogOnAFileServer) {
    EXPECT_STREQ("DELETE", IndexJournalMode(true));
    EXPECT_STREQ("WAL", IndexJournalMode(false));
}

TEST(PhotoIndex, OpensInAFolderPastTheOldPathLimit) {
    std::string dir = Folder("long");
    for (int i = 0; i < 4; ++i) dir += "/" + std::string(70, static_cast<char>('a' + i));
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(Platform::LongPathForm(W(dir))), error);
    const std::string db = dir + "/index.db";
    ASSERT_GT(db.size(), 300u);
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(db)));
    EXPECT_EQ(PhotoIndex::Store::Stored, index.Put({Photo("/p/a.jpg", 1)}));
    int64_t size = 0, modified = 0;
    EXPECT_TRUE(Platform::StampFile(W(db), size, modified));
}

TEST(PhotoIndex, NoFolderYetIsNoIndexAndNoLogLine) {
    const std::string logDir = UseLogFolder("photo_index_nofolder_log");
    PhotoIndex index;
    EXPECT_FALSE(index.Open(W(::testing::TempDir() + "photo_index_never_made/index.db")));
    EXPECT_EQ(PhotoIndex::Store::Stopped, index.Put({Photo("/p/a.jpg", 1)}));
    EXPECT_TRUE(LogMessages(ReadLog(logDir)).empty());
}

namespace {
// A folder "pics" of pictures 1.jpg to n.jpg, each of its number's size; the index's folder.
std::string NumberedPictures(const std::string& name, int n) {
    const std::string dir = Folder(name);
    Platform::MakeFolder(W(dir + "/pics"));
    for (int i = 1; i <= n; ++i) WriteText(dir + "/pics/" + std::to_string(i) + ".jpg", std::string(i, 'x'));
    return dir;
}

// Local files read as a server's would be: several at once, and stamped with a tag where
// asked.
struct ServerLike : PictureSource {
    PictureSource& local = LocalFolders();
    Platform::Listing List(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                           Platform::FolderId& id, Platform::FolderHold& hold) override {
        return local.List(folder, items, id, hold);
    }
    void Release(Platform::FolderHold hold) override { local.Release(hold); }
    bool Describe(const std::wstring& path, Platform::FolderItem& item) override { return local.Describe(path, item); }
    // With a version tag, as a server's ETag, where `tagged`.
    bool Stamp(const std::wstring& path, PictureStamp& stamp) override {
        if (!local.Stamp(path, stamp)) return false;
        if (tagged) stamp.tag = "\"e" + std::to_string(stamp.size) + "\"";
        return true;
    }
    std::unique_ptr<PictureReader> Open(const std::wstring& path, Platform::ReadFailure& why) override {
        return local.Open(path, why);
    }
    unsigned ReadsAtOnce(const std::wstring&) override { return 4; }
    bool tagged = false;
};
// Waits (up to 2 s) until four reads are under way together; the most seen, and whether
// each read ran with the stop flag of the thread that walks.
std::atomic<int> g_inFlight{0}, g_mostInFlight{0}, g_foreignStop{0};
const std::atomic<bool>* g_walkStop = nullptr;
FactsRead MeetingReader(const std::wstring& path, PhotoFacts& facts, PictureSource& source) {
    const int now = ++g_inFlight;
    int most = g_mostInFlight.load();
    while (now > most && !g_mostInFlight.compare_exchange_weak(most, now)) {
    }
    if (ThreadStopFlag() != g_walkStop) ++g_foreignStop;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (g_mostInFlight.load() < 4 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    (void)source;
    const FactsRead got = RatedBySize(path, facts);
    --g_inFlight;
    return got;
}
}  // namespace

TEST(PhotoIndex, ASourceThatReadsSeveralAtOnceGetsThemTogetherInTheWalksOrder) {
    const std::string dir = NumberedPictures("several", 8);
    std::atomic<bool> stop{false};
    g_walkStop = &stop;
    ThreadStopFlag() = &stop;
    ServerLike source;
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(dir + "/index.db")));
    PhotoIndexer indexer(index, {W(dir + "/pics/")}, {L".jpg"}, MeetingReader, source);
    indexer.KeepWalked(true);
    while (indexer.Step(std::chrono::milliseconds(50), &stop)) {
    }
    ThreadStopFlag() = nullptr;
    EXPECT_EQ(g_mostInFlight.load(), 4);
    EXPECT_EQ(g_foreignStop.load(), 0);
    EXPECT_EQ(indexer.FilesRead(), 8u);
    ASSERT_EQ(indexer.Walked().size(), 8u);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(indexer.Walked()[i - 1].path, W(dir + "/pics/" + std::to_string(i) + ".jpg"));
        EXPECT_EQ(indexer.Walked()[i - 1].facts.rating, i % 6);  // each file's own facts
    }
}

namespace {
// Each read takes 20 ms: a slow server.
FactsRead SlowReader(const std::wstring& path, PhotoFacts& facts, PictureSource&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return RatedBySize(path, facts);
}
}  // namespace

TEST(PhotoIndex, ReadsAheadKeepToTheStepsBudgetAndTheRestComeNext) {
    const std::string dir = NumberedPictures("budget", 40);
    ServerLike source;
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(dir + "/index.db")));
    PhotoIndexer indexer(index, {W(dir + "/pics/")}, {L".jpg"}, SlowReader, source);
    indexer.KeepWalked(true);
    ASSERT_TRUE(indexer.Step(std::chrono::milliseconds(30)));
    const uint32_t first = indexer.FilesRead();
    EXPECT_LT(first, 32u);  // not the whole group of 32 at once
    EXPECT_GT(first, 0u);
    // A step whose budget is spent reads the first file left over, and nothing more.
    ASSERT_TRUE(indexer.Step(std::chrono::milliseconds(0)));
    EXPECT_EQ(indexer.FilesRead(), first + 1);
    while (indexer.Step(std::chrono::milliseconds(30))) {
    }
    EXPECT_EQ(indexer.FilesRead(), 40u);
    ASSERT_EQ(indexer.Walked().size(), 40u);
    for (int i = 1; i <= 40; ++i) EXPECT_EQ(indexer.Walked()[i - 1].facts.rating, i % 6) << i;
}


TEST(PhotoIndex, AServersVersionTagIsKeptAndAnOlderIndexGainsItsColumn) {
    const std::string dir = NumberedPictures("tagged", 3);
    sqlite3* old = nullptr;  // as version 2 left it, keyed as the local folders key a path
    const std::wstring key = LocalFolders().Key(W("/p/kept.jpg"));
    ASSERT_EQ(SQLITE_OK, sqlite3_open((dir + "/index.db").c_str(), &old));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(old,
                           ("CREATE TABLE photos(path TEXT PRIMARY KEY, size INTEGER NOT NULL, modified INTEGER NOT NULL, "
                            "taken INTEGER, width INTEGER NOT NULL, height INTEGER NOT NULL, rating INTEGER NOT NULL, "
                            "latitude REAL, longitude REAL) WITHOUT ROWID; "
                            "INSERT INTO photos VALUES ('" + std::string(key.begin(), key.end()) +
                            "', 1, 7, NULL, 0, 0, 4, NULL, NULL); "
                            "PRAGMA application_id = 1280135753; PRAGMA user_version = 2")
                               .c_str(),
                           nullptr, nullptr, nullptr));
    sqlite3_close(old);
    ServerLike source;
    source.tagged = true;
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(dir + "/index.db")));
    PhotoFacts facts;
    PictureStamp stamp;
    ASSERT_TRUE(index.Lookup(W("/p/kept.jpg"), stamp, facts));  // the older rows stay
    EXPECT_EQ(4, facts.rating);
    EXPECT_EQ(stamp.tag, "");
    const auto walk = [&] {
        PhotoIndexer indexer(index, {W(dir + "/pics/")}, {L".jpg"}, CountingReader, source);
        while (indexer.Step(std::chrono::milliseconds(50))) {
        }
        return indexer.FilesRead();
    };
    EXPECT_EQ(walk(), 3u);
    ASSERT_TRUE(index.Lookup(W(dir + "/pics/2.jpg"), stamp, facts));
    EXPECT_EQ(stamp.tag, "\"e2\"");
    EXPECT_EQ(walk(), 0u);  // unchanged by their tags: not read again
    PhotoIndex again;       // as another process opens it, now brought up to date
    ASSERT_TRUE(again.Open(W(dir + "/index.db")));
    EXPECT_TRUE(again.Lookup(W(dir + "/pics/2.jpg"), stamp, facts));
    EXPECT_FALSE(std::filesystem::exists(dir + "/index.db.old"));
    WriteText(dir + "/pics/2.jpg", "yy!");  // another version
    EXPECT_EQ(walk(), 1u);
}

TEST(PhotoIndex, AStepGoesOnWithTheWalkForItsBudget) {
    const std::string dir = NumberedPictures("one_step", 3);
    PhotoIndex index;
    ASSERT_TRUE(index.Open(W(dir + "/index.db")));
    PhotoIndexer indexer(index, {W(dir + "/pics/")}, {L".jpg"}, CountingReader);
    indexer.Step(std::chrono::seconds(10));
    EXPECT_EQ(indexer.FilesRead(), 3u);  // not one file a step
}
