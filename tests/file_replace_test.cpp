// Saving a file whole: the unique temporary name, what the old file had (a symbolic link,
// its permissions, read-only), with nothing left beside it; every documented result of
// Windows' last step, played through its seam; and the files of killed saves removed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/file_replace.h"
#include "platform/platform.h"
#include "test_support.h"

namespace WorkSpace {
namespace {

namespace fs = std::filesystem;

// An empty folder of the test's own, and the names in it.
fs::path FreshFolder(const std::string& name) {
    const fs::path folder = fs::path(testing::TempDir()) / ("lumora_replace_" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
std::wstring Wide(const fs::path& path) { return W(path.string()); }

TEST(FileReplace, TemporaryNamesLieBesideThePathAndDifferEachTime) {
    const std::wstring base = Wide(FreshFolder("names") / "x.settings");
    const std::wstring first = Platform::UniqueTemporaryName(base);
    const std::wstring second = Platform::UniqueTemporaryName(base);
    EXPECT_NE(first, second);
    const std::wstring stem = base + L"." + std::to_wstring(Platform::ProcessId()) + L"-";
    EXPECT_EQ(first.compare(0, stem.size(), stem), 0);
    EXPECT_EQ(second.substr(second.size() - 4), L".tmp");
}

TEST(FileReplace, AReadOnlyFileIsNotReplaced) {
    const fs::path folder = FreshFolder("read_only");
    const std::wstring path = Wide(folder / "x.settings");
    ASSERT_TRUE(Platform::ReplaceFileWhole(path, "old"));
    fs::permissions(folder / "x.settings", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(Platform::ReplaceFileWhole(path, "new"));
    fs::permissions(folder / "x.settings", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(ReadFile((folder / "x.settings").string()), "old");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"x.settings"});
}

// The disk as ReplaceFileW and MoveFileExW leave it after each result, as Microsoft documents
// them: "path" holds the settings, "temp" the new ones, "hidden" a name ReplaceFileW chose.
struct CallResult {
    uint32_t error;
    int64_t tookMs;  // a call that takes this long is the last one of the retries
};
class ScriptedDisk final : public Platform::SaveCalls {
public:
    ScriptedDisk(std::vector<CallResult> replaces, std::vector<CallResult> moves, bool oldFile)
        : replaces_(std::move(replaces)), moves_(std::move(moves)) {
        if (oldFile) files["path"] = "old";
        files["temp"] = "new";
    }
    uint32_t Replace() override {
        const CallResult result = Next(replaces_, replaceCalls_);
        using namespace Platform::SaveError;
        if (result.error == kNone) Rename("temp", "path");
        if (result.error == kUnableToMoveReplacement) files.erase("path");
        if (result.error == kUnableToMoveReplacement2) Rename("path", "hidden");
        if (result.error == kFileNotFound) files.erase("path");  // another program removed it
        return result.error;
    }
    uint32_t Move() override {
        const CallResult result = Next(moves_, moveCalls_);
        if (result.error == Platform::SaveError::kNone) Rename("temp", "path");
        return result.error;
    }
    bool PathExists() override { return files.count("path") != 0; }
    void RemoveTemporary() override { files.erase("temp"); }
    int64_t NowMs() override { return now_; }
    void Wait(uint32_t ms) override {
        // While the calls are retried, the settings are at the path or, just after a replace
        // took the old file away, in the temporary file that is moved there next.
        EXPECT_TRUE(files.count("path") || files.count("temp"));
        now_ += ms;
    }
    std::map<std::string, std::string> files;

private:
    CallResult Next(const std::vector<CallResult>& script, size_t& calls) {
        // The last result repeats.
        const CallResult result = script.at(std::min(calls++, script.size() - 1));
        now_ += result.tookMs;
        return result;
    }
    void Rename(const std::string& from, const std::string& to) {
        files[to] = files.at(from);
        files.erase(from);
    }
    std::vector<CallResult> replaces_, moves_;
    size_t replaceCalls_ = 0, moveCalls_ = 0;
    int64_t now_ = 0;
};

TEST(FileReplace, EveryDocumentedResultLeavesTheOldOrTheNewSettings) {
    using namespace Platform::SaveError;
    const int64_t kLast = 2500;
    struct Row {
        const char* what;
        bool oldFile;
        std::vector<CallResult> replaces, moves;
        bool saved;
        const char* atPath;   // "" for nothing
        bool temporaryKept;
        bool movedOver = false;  // the old file's own permissions lost
    };
    const Row rows[] = {
        {"replaced", true, {{kNone, 0}}, {{kNone, 0}}, true, "new", false},
        {"no old file: moved", false, {{kNone, 0}}, {{kNone, 0}}, true, "new", false},
        {"held, then replaced", true, {{kSharingViolation, 0}, {kAccessDenied, 0}, {kLockViolation, 0}, {kNone, 0}},
         {{kNone, 0}}, true, "new", false},
        {"held for 2 s, the move over it held too", true, {{kSharingViolation, 0}}, {{kSharingViolation, 0}}, false,
         "old", false},
        {"held for 2 s, then moved over", true, {{kSharingViolation, 0}}, {{kNone, 0}}, true, "new", false, true},
        {"denied at the last attempt, the move denied", true, {{kAccessDenied, kLast}}, {{kAccessDenied, kLast}},
         false, "old", false},
        {"1175, then replaced", true, {{kUnableToRemoveReplaced, 0}, {kNone, 0}}, {{kNone, 0}}, true, "new", false},
        {"1175 at the last attempt, then moved over", true, {{kUnableToRemoveReplaced, kLast}}, {{kNone, 0}}, true,
         "new", false, true},
        {"1175 for 2 s, the move over held then done", true, {{kUnableToRemoveReplaced, 0}},
         {{kSharingViolation, 0}, {kNone, 0}}, true, "new", false, true},
        {"1176 at the first attempt", true, {{kUnableToMoveReplacement, 0}}, {{kNone, 0}}, true, "new", false},
        {"1176 at the last attempt", true, {{kSharingViolation, 1900}, {kUnableToMoveReplacement, kLast}},
         {{kNone, 0}}, true, "new", false},
        {"1176, the move held then done", true, {{kUnableToMoveReplacement, kLast}},
         {{kSharingViolation, 0}, {kSharingViolation, 0}, {kNone, 0}}, true, "new", false},
        {"1176, the move held for 2 s", true, {{kUnableToMoveReplacement, 0}}, {{kSharingViolation, 0}}, false, "",
         true},
        {"1176, the move refused", true, {{kUnableToMoveReplacement, 0}}, {{87, 0}}, false, "", true},
        {"1177 at the first attempt", true, {{kUnableToMoveReplacement2, 0}}, {{kNone, 0}}, true, "new", false},
        {"1177 at the last attempt", true, {{kUnableToMoveReplacement2, kLast}}, {{kNone, 0}}, true, "new", false},
        {"old file removed meanwhile", true, {{kFileNotFound, 0}}, {{kNone, 0}}, true, "new", false},
        {"a share without ReplaceFileW: moved over at once", true, {{87, 0}}, {{kNone, 0}}, true, "new", false, true},
        {"a share without ReplaceFileW, the move refused", true, {{1, 0}}, {{87, 0}}, false, "old", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedDisk disk(row.replaces, row.moves, row.oldFile);
        bool movedOver = false;
        EXPECT_EQ(Platform::PutInPlace(disk, row.oldFile ? Platform::SaveCall::Replace : Platform::SaveCall::Move,
                                       &movedOver),
                  row.saved);
        EXPECT_EQ(movedOver, row.movedOver);
        const std::string atPath = disk.files.count("path") ? disk.files["path"] : "";
        EXPECT_EQ(atPath, row.atPath);
        EXPECT_EQ(disk.files.count("temp") != 0, row.temporaryKept);
        // Never nothing: what the path lacks, the temporary file holds.
        if (atPath.empty()) {
            EXPECT_EQ(disk.files["temp"], "new");
        }
    }
}

TEST(FileReplace, ASaveRemovesOnlyItsOwnTemporaryFilesOlderThanADay) {
    const fs::path folder = FreshFolder("stale");
    const auto twoDaysAgo = fs::file_time_type::clock::now() - std::chrono::hours(48);
    const std::vector<std::string> kept = {"x.settings.12-3.tmp",       // an hour old: a save may be running
                                           "y.settings.12-3.tmp",       // another file's
                                           "x.settings.12-3.tmp.keep",  // not our name
                                           "x.settings.ab-3.tmp", "x.settings.12.tmp",
                                           "x.settings.13-3.tmp"};  // a folder
    for (const std::string& name : kept) {
        if (name == kept.back()) {
            fs::create_directory(folder / name);
        } else {
            std::ofstream(folder / name) << "x";
        }
        // MinGW's runtime cannot set a folder's time; it then stays new.
        std::error_code noFolderTime;
        if (name != kept.front()) fs::last_write_time(folder / name, twoDaysAgo, noFolderTime);
    }
    fs::last_write_time(folder / kept.front(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    std::ofstream(folder / "x.settings.7-1.tmp") << "killed";
    fs::last_write_time(folder / "x.settings.7-1.tmp", twoDaysAgo);

    ASSERT_TRUE(Platform::ReplaceFileWhole(Wide(folder / "x.settings"), "new"));
    std::vector<std::string> expected = kept;
    expected.push_back("x.settings");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(folder), expected);
}

#ifndef _WIN32
TEST(FileReplace, ALinkedFileHasItsTargetReplacedAndKeepsItsPermissions) {
    const fs::path folder = FreshFolder("link");
    fs::create_directories(folder / "real");
    ASSERT_TRUE(Platform::ReplaceFileWhole(Wide(folder / "real" / "x.settings"), "old"));
    fs::permissions(folder / "real" / "x.settings", fs::perms::owner_read | fs::perms::owner_write);
    // A relative link, through a second link.
    fs::create_symlink("real/x.settings", folder / "hop");
    fs::create_symlink(folder / "hop", folder / "x.settings");

    ASSERT_TRUE(Platform::ReplaceFileWhole(Wide(folder / "x.settings"), "new"));
    EXPECT_TRUE(fs::is_symlink(folder / "x.settings"));
    EXPECT_TRUE(fs::is_symlink(folder / "hop"));
    EXPECT_EQ(ReadFile((folder / "real" / "x.settings").string()), "new");
    EXPECT_EQ(fs::status(folder / "real" / "x.settings").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Names(folder / "real"), std::vector<std::string>{"x.settings"});
}
#endif

}  // namespace
}  // namespace WorkSpace
