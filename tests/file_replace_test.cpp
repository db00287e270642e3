// Saving a file whole: the unique temporary name, and what the old file had (a symbolic link,
// its permissions, read-only), with nothing left beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

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
