// The photo index on SQLite: opening (replacing what is not ours, bringing an older one's keys
// up to date, leaving a newer one alone), the lookups, the batched writes and the removal of
// files a whole walk no longer finds.
#include "library/photo_index.h"

#include <sqlite3.h>

#include <algorithm>

#include "platform/long_path.h"
#include "platform/platform.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
// "LMRI" in the file's header: an index of ours, whatever its name.
constexpr int kApplicationId = 0x4C4D5249;
// 1 keyed each file by its path as given; 2 by its source's key (a local path without case);
// 3 keeps a server's version tag (its ETag) beside the size and time.
constexpr int kVersion = 3;
// Keys are stored once (no rowid table beside them): the index stays small. The table as
// versions 1 and 2 made it, and with the tag as 3 makes it, or as SQLite writes it once the
// column is added to an older one (the same text).
#define LUMORA_PHOTOS_COLUMNS                                                                 \
    "CREATE TABLE photos(path TEXT PRIMARY KEY, size INTEGER NOT NULL, modified INTEGER NOT NULL, " \
    "taken INTEGER, width INTEGER NOT NULL, height INTEGER NOT NULL, rating INTEGER NOT NULL, "     \
    "latitude REAL, longitude REAL"
constexpr const char* kTableBeforeTags = LUMORA_PHOTOS_COLUMNS ") WITHOUT ROWID";
constexpr const char* kTable = LUMORA_PHOTOS_COLUMNS ", tag TEXT) WITHOUT ROWID";
#undef LUMORA_PHOTOS_COLUMNS
// Another process writing a batch holds the index for a few tens of milliseconds.
constexpr int kBusyTimeoutMs = 2000;

bool IsDamage(int code) {
    code &= 0xFF;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

std::wstring Text(const char* utf8) { return Platform::Utf8ToWide(utf8, std::char_traits<char>::length(utf8)); }

// SQL's key(path): an older index's path as its source keys it now.
void KeyFunction(sqlite3_context* context, int, sqlite3_value** values) {
    const unsigned char* text = sqlite3_value_text(values[0]);
    if (!text) return sqlite3_result_null(context);
    PictureSource& source = *static_cast<PictureSource*>(sqlite3_user_data(context));
    const std::string key = Platform::WideToUtf8(source.Key(Text(reinterpret_cast<const char*>(text))));
    sqlite3_result_text(context, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

bool Exists(const std::wstring& path) {
    int64_t size = 0, modified = 0;
    return Platform::StampFile(path, size, modified);
}

// A whole statement's result number; -1 when it fails (`code` says why).
int64_t Number(sqlite3* db, const char* sql, int& code) {
    sqlite3_stmt* statement = nullptr;
    code = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    int64_t value = -1;
    if (code == SQLITE_OK) {
        code = sqlite3_step(statement);
        if (code == SQLITE_ROW) {
            value = sqlite3_column_int64(statement, 0);
            code = SQLITE_OK;
        }
    }
    sqlite3_finalize(statement);
    return value;
}

void ReadFacts(sqlite3_stmt* row, int first, PhotoFacts& facts) {
    facts = PhotoFacts();
    facts.dated = sqlite3_column_type(row, first) != SQLITE_NULL;
    if (facts.dated) facts.taken = sqlite3_column_int64(row, first);
    facts.width = static_cast<uint32_t>(sqlite3_column_int64(row, first + 1));
    facts.height = static_cast<uint32_t>(sqlite3_column_int64(row, first + 2));
    facts.rating = sqlite3_column_int(row, first + 3);
    facts.placed = sqlite3_column_type(row, first + 4) != SQLITE_NULL;
    if (facts.placed) {
        facts.latitude = sqlite3_column_double(row, first + 4);
        facts.longitude = sqlite3_column_double(row, first + 5);
    }
}
}  // namespace

const char* IndexJournalMode(bool onNetwork) { return onNetwork ? "DELETE" : "WAL"; }

PhotoIndex::~PhotoIndex() {
    std::lock_guard<std::mutex> lock(mutex_);
    CloseLocked();
}

bool PhotoIndex::IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return db_ != nullptr;
}

std::string PhotoIndex::Key(const std::wstring& path) const { return Platform::WideToUtf8(source_->Key(path)); }

bool PhotoIndex::Open(const std::wstring& path, PictureSource& source) {
    std::lock_guard<std::mutex> lock(mutex_);
    CloseLocked();
    path_ = path;
    source_ = &source;
    // The settings' folder is made by the dialog's first save; until then there are no
    // photos to index, and a run that goes well says nothing of it.
    const size_t sep = path.find_last_of(L"\\/");
    const std::wstring folder = sep == std::wstring::npos ? std::wstring() : path.substr(0, sep);
    if (!folder.empty() && folder.back() != L':' && !Exists(folder)) return false;
    onNetwork_ = Platform::IsOnNetwork(path);
    return OpenFile();
}

void PhotoIndex::CloseLocked() {
    sqlite3_finalize(find_);
    sqlite3_finalize(put_);
    sqlite3_finalize(forget_);
    find_ = put_ = forget_ = nullptr;
    sqlite3_close(db_);
    db_ = nullptr;
}

bool PhotoIndex::OpenFile() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Paths of any length: the long-path form, through SQLite's own file layer for it
        // where there is one (Windows'; elsewhere the form is the path itself).
        const char* longPaths = sqlite3_vfs_find("win32-longpath") ? "win32-longpath" : nullptr;
        if (sqlite3_open_v2(Platform::WideToUtf8(Platform::LongPathForm(path_)).c_str(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, longPaths) != SQLITE_OK) {
            GetLogger().WriteOncePerRun(L"PhotoIndex\nopen\n" + path_, L"PhotoIndex::Open() - %ls - %ls - FAILED", path_.c_str(),
                                        Text(db_ ? sqlite3_errmsg(db_) : "out of memory").c_str());
            CloseLocked();
            return false;
        }
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        const FileKind kind = Recognise();
        if (kind == FileKind::Ours || (kind == FileKind::Empty && MakeTables()) || (kind == FileKind::Older && Migrate()))
            return Prepare();
        CloseLocked();
        if (kind == FileKind::Newer) {
            // A later version's cache: its rows may mean what this one cannot tell, and
            // moving it aside would cost that version the whole index at its next run.
            GetLogger().WriteOncePerRun(L"PhotoIndex\nopen\n" + path_,
                                        L"PhotoIndex::Open() - %ls is a newer version's, left alone - FAILED", path_.c_str());
            return false;
        }
        // Busy or unwritable (an empty file whose tables could not be made): the file may
        // be fine, and is left alone.
        if (kind != FileKind::NotOurs || attempt > 0 || !MoveAside()) return false;
    }
    return false;
}

PhotoIndex::FileKind PhotoIndex::Recognise() {
    int code = SQLITE_OK;
    const int64_t id = Number(db_, "PRAGMA application_id", code);
    if (code != SQLITE_OK) return IsDamage(code) ? FileKind::NotOurs : FileKind::Unknown;
    const int64_t version = Number(db_, "PRAGMA user_version", code);
    if (code != SQLITE_OK) return IsDamage(code) ? FileKind::NotOurs : FileKind::Unknown;
    if (id == 0 && version == 0) {
        const int64_t objects = Number(db_, "SELECT count(*) FROM sqlite_master", code);
        if (code != SQLITE_OK) return IsDamage(code) ? FileKind::NotOurs : FileKind::Unknown;
        return objects == 0 ? FileKind::Empty : FileKind::NotOurs;  // a database of someone else's
    }
    if (id != kApplicationId || version < 1) return FileKind::NotOurs;
    if (version > kVersion) return FileKind::Newer;
    sqlite3_stmt* statement = nullptr;
    code = sqlite3_prepare_v2(db_, "SELECT sql FROM sqlite_master WHERE type = 'table'", -1, &statement, nullptr);
    int tables = 0;
    bool ours = code == SQLITE_OK;
    while (ours && (code = sqlite3_step(statement)) == SQLITE_ROW) {
        const unsigned char* sql = sqlite3_column_text(statement, 0);
        // An older version's table may have gained its tag column a moment ago (another
        // process opening the index at once): either text is ours below version 3.
        const std::string text = sql ? reinterpret_cast<const char*>(sql) : "";
        ours = ++tables == 1 && (text == kTable || (version < 3 && text == kTableBeforeTags));
    }
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE && code != SQLITE_ROW && !IsDamage(code)) return FileKind::Unknown;
    if (!ours || tables != 1 || code != SQLITE_DONE) return FileKind::NotOurs;
    return version == kVersion ? FileKind::Ours : FileKind::Older;
}

bool PhotoIndex::Migrate() {
    // Two paths that differ only in case were one file all along: one row is kept.
    sqlite3_create_function(db_, "lumora_key", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, source_, KeyFunction, nullptr,
                            nullptr);
    // The version is read inside the write transaction: another process may have brought the
    // file up to date since Recognise read it, and adding the column twice would fail.
    int code = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    const int64_t version = code == SQLITE_OK ? Number(db_, "PRAGMA user_version", code) : 0;
    std::string sql;
    if (version < 2) sql += "UPDATE OR REPLACE photos SET path = lumora_key(path) WHERE path <> lumora_key(path); ";
    // The rows kept so far have no tag: a server's photo among them is read once more.
    if (version < 3) sql += "ALTER TABLE photos ADD COLUMN tag TEXT; ";
    sql += "PRAGMA user_version = " + std::to_string(kVersion) + "; COMMIT";
    if (code == SQLITE_OK && version <= kVersion && sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    // Busy, or the folder went read-only: tried again at the next run.
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

bool PhotoIndex::MakeTables() {
    // The log outside the transaction: a switch of journal inside one is refused. Several
    // processes read and one writes at a time; a cut power costs at most the last batches.
    const std::string journal = std::string("PRAGMA journal_mode = ") + IndexJournalMode(onNetwork_);
    sqlite3_exec(db_, journal.c_str(), nullptr, nullptr, nullptr);
    const std::string sql = std::string("BEGIN IMMEDIATE; CREATE TABLE IF NOT EXISTS") + (kTable + 12) +
                            "; PRAGMA application_id = " + std::to_string(kApplicationId) +
                            "; PRAGMA user_version = " + std::to_string(kVersion) + "; COMMIT";
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    GetLogger().WriteOncePerRun(L"PhotoIndex\nopen\n" + path_, L"PhotoIndex::Open() - %ls - %ls - FAILED", path_.c_str(),
                                Text(sqlite3_errmsg(db_)).c_str());
    return false;
}

bool PhotoIndex::Prepare() {
    const std::string journal =
        std::string("PRAGMA journal_mode = ") + IndexJournalMode(onNetwork_) + "; PRAGMA synchronous = NORMAL";
    sqlite3_exec(db_, journal.c_str(), nullptr, nullptr, nullptr);
    const char* find =
        "SELECT size, modified, taken, width, height, rating, latitude, longitude, tag FROM photos WHERE path = ?";
    const char* put = "INSERT OR REPLACE INTO photos VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    const char* forget = "DELETE FROM photos WHERE path = ?";
    if (sqlite3_prepare_v3(db_, find, -1, SQLITE_PREPARE_PERSISTENT, &find_, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v3(db_, put, -1, SQLITE_PREPARE_PERSISTENT, &put_, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v3(db_, forget, -1, SQLITE_PREPARE_PERSISTENT, &forget_, nullptr) == SQLITE_OK)
        return true;
    CloseLocked();
    return false;
}

bool PhotoIndex::MoveAside() {
    // Not deleted: the file may be someone's own database that happens to bear our name. The
    // index is a cache, though: one copy is kept, the newest, over any before it.
    const std::wstring aside = path_ + L".old";
    Platform::RemoveFile(aside + L"-wal");
    if (!Platform::RenameOver(path_, aside)) {
        GetLogger().WriteOncePerRun(L"PhotoIndex\nopen\n" + path_, L"PhotoIndex::Open() - %ls is no index and cannot be moved - FAILED",
                                    path_.c_str());
        return false;
    }
    // Its log goes with it (it holds the newest pages); the shared-memory file is rebuilt.
    if (Exists(path_ + L"-wal")) Platform::RenameOver(path_ + L"-wal", aside + L"-wal");
    Platform::RemoveFile(path_ + L"-shm");
    GetLogger().WriteOncePerRun(L"PhotoIndex\nmoved\n" + path_, L"PhotoIndex::Open() - damaged or foreign %ls moved to %ls, built again - FAILED",
                                path_.c_str(), aside.c_str());
    return true;
}

void PhotoIndex::Damaged(int code) const {
    if (IsDamage(code)) damaged_ = true;
}

bool PhotoIndex::Find(const std::wstring& path, PhotoFacts& facts) const {
    // Facts read before the file last changed are no facts: a photo rated since it was read
    // is judged as one the index does not know, when it is decoded.
    PictureStamp kept, now;
    if (!Lookup(path, kept, facts)) return false;
    if (source_->Stamp(path, now) && StillUnchanged(kept, now)) return true;
    facts = PhotoFacts();
    return false;
}

bool PhotoIndex::Lookup(const std::wstring& path, PictureStamp& stamp, PhotoFacts& facts) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!find_) return false;
    const std::string key = Key(path);
    sqlite3_bind_text(find_, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    const int code = sqlite3_step(find_);
    const bool found = code == SQLITE_ROW;
    if (found) {
        stamp.size = sqlite3_column_int64(find_, 0);
        stamp.modified = sqlite3_column_int64(find_, 1);
        const unsigned char* tag = sqlite3_column_text(find_, 8);
        stamp.tag = tag ? reinterpret_cast<const char*>(tag) : "";
        ReadFacts(find_, 2, facts);
    } else {
        Damaged(code);
    }
    sqlite3_reset(find_);
    sqlite3_clear_bindings(find_);
    return found;
}

PhotoIndex::Store PhotoIndex::Put(const std::vector<IndexedPhoto>& photos) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (damaged_ && !rebuilt_) {
        // Found damaged in use: moved aside and made again, once a run.
        rebuilt_ = true;
        damaged_ = false;
        CloseLocked();
        if (MoveAside()) OpenFile();
    }
    if (!put_ || !growing_.load()) return Store::Stopped;
    int code = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if ((code & 0xFF) == SQLITE_BUSY) return Store::Busy;
    for (size_t i = 0; code == SQLITE_OK && i < photos.size(); ++i) {
        const IndexedPhoto& photo = photos[i];
        const PhotoFacts& facts = photo.facts;
        const std::string key = Key(photo.path);
        sqlite3_bind_text(put_, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
        sqlite3_bind_int64(put_, 2, photo.stamp.size);
        sqlite3_bind_int64(put_, 3, photo.stamp.modified);
        if (facts.dated) sqlite3_bind_int64(put_, 4, facts.taken);
        sqlite3_bind_int64(put_, 5, facts.width);
        sqlite3_bind_int64(put_, 6, facts.height);
        sqlite3_bind_int(put_, 7, facts.rating);
        if (facts.placed) {
            sqlite3_bind_double(put_, 8, facts.latitude);
            sqlite3_bind_double(put_, 9, facts.longitude);
        }
        if (!photo.stamp.tag.empty())
            sqlite3_bind_text(put_, 10, photo.stamp.tag.data(), static_cast<int>(photo.stamp.tag.size()), SQLITE_STATIC);
        code = sqlite3_step(put_);
        if (code == SQLITE_DONE) code = SQLITE_OK;
        sqlite3_reset(put_);
        sqlite3_clear_bindings(put_);
    }
    if (code == SQLITE_OK) code = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (code == SQLITE_OK) return Store::Stored;
    const std::wstring why = Text(sqlite3_errmsg(db_));
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if ((code & 0xFF) == SQLITE_BUSY) return Store::Busy;
    Damaged(code);
    if (damaged_ && !rebuilt_) return Store::Busy;  // rebuilt on the next batch
    // A full disk, a write error, a folder made read-only: the index stops growing for the
    // run, what it holds is still read, and the saver goes on.
    growing_.store(false);
    GetLogger().WriteOncePerRun(L"PhotoIndex\nstore\n" + path_, L"PhotoIndex::Put() - %ls - %ls - FAILED", path_.c_str(), why.c_str());
    return Store::Stopped;
}

PhotoIndex::Store PhotoIndex::Forget(const std::vector<std::wstring>& entries, const std::set<std::wstring>& found) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!forget_ || !growing_.load()) return Store::Stopped;
    std::set<std::string> kept;
    for (const std::wstring& key : found) kept.insert(Platform::WideToUtf8(key));
    std::vector<std::string> gone;
    sqlite3_stmt* rows = nullptr;
    int code = sqlite3_prepare_v2(db_, "SELECT path FROM photos WHERE path >= ?1 AND path < ?2", -1, &rows, nullptr);
    for (size_t i = 0; code == SQLITE_OK && i < entries.size(); ++i) {
        // A folder's rows are those its key starts: the keys from it up to the one whose
        // last character is one higher. A file's row is its own key alone.
        std::string from = Key(entries[i]), to = from;
        if (!IsFolderEntry(entries[i]) || to.empty()) {
            if (!kept.count(from)) gone.push_back(from);
            continue;
        }
        ++to.back();
        sqlite3_bind_text(rows, 1, from.data(), static_cast<int>(from.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(rows, 2, to.data(), static_cast<int>(to.size()), SQLITE_TRANSIENT);
        while ((code = sqlite3_step(rows)) == SQLITE_ROW) {
            const std::string key(reinterpret_cast<const char*>(sqlite3_column_text(rows, 0)),
                                  static_cast<size_t>(sqlite3_column_bytes(rows, 0)));
            if (!kept.count(key)) gone.push_back(key);
        }
        if (code == SQLITE_DONE) code = SQLITE_OK;
        sqlite3_reset(rows);
    }
    sqlite3_finalize(rows);
    if (code == SQLITE_OK && !gone.empty()) code = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (size_t i = 0; code == SQLITE_OK && i < gone.size(); ++i) {
        sqlite3_bind_text(forget_, 1, gone[i].data(), static_cast<int>(gone[i].size()), SQLITE_STATIC);
        code = sqlite3_step(forget_);
        if (code == SQLITE_DONE) code = SQLITE_OK;
        sqlite3_reset(forget_);
        sqlite3_clear_bindings(forget_);
    }
    if (code == SQLITE_OK && !gone.empty()) code = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (code == SQLITE_OK) return Store::Stored;
    if (!gone.empty()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    // Rows of files gone do no harm but take room: left for a later whole walk.
    Damaged(code);
    return Store::Busy;
}

void PhotoIndex::LimitPagesForTesting(int pages) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string sql = "PRAGMA max_page_count = " + std::to_string(pages);
    if (db_) sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace WorkSpace
