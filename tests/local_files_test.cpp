// Where the index and the lap file live: the folder chosen for a settings file's place, and
// the one move of old files out of a roaming folder.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "settings/local_files.h"

namespace WorkSpace {
namespace {

TEST(LocalFiles, MachineFilesLeaveOnlyTheRoamingSettingsFolder) {
    const std::wstring sep(1, Platform::PathSeparator());
    const std::wstring local = L"C:\\Users\\ann\\AppData\\Local" + sep + L"Lumora" + sep;
    const struct {
        const wchar_t* settings;
        const wchar_t* roaming;
        const wchar_t* localBase;
        std::wstring folder;
    } cases[] = {
        {L"C:\\Users\\ann\\AppData\\Roaming\\Lumora\\Lumora.scr.settings", L"C:\\Users\\ann\\AppData\\Roaming",
         L"C:\\Users\\ann\\AppData\\Local", local},
        {L"c:\\users\\ANN\\appdata\\roaming\\lumora\\Lumora.scr.settings", L"C:\\Users\\ann\\AppData\\Roaming\\",
         L"C:\\Users\\ann\\AppData\\Local\\", L"C:\\Users\\ann\\AppData\\Local\\Lumora" + sep},
        {L"C:\\Users\\ann\\AppData\\Roaming/Lumora/Lumora.scr.settings", L"C:\\Users\\ann\\AppData\\Roaming",
         L"C:\\Users\\ann\\AppData\\Local", local},
        // Beside the program, or anywhere else, they stay with the settings.
        {L"D:\\Savers\\Lumora.scr.settings", L"C:\\Users\\ann\\AppData\\Roaming", L"C:\\Users\\ann\\AppData\\Local",
         L"D:\\Savers\\"},
        {L"C:\\Users\\ann\\AppData\\Roaming\\Lumora.scr.settings", L"C:\\Users\\ann\\AppData\\Roaming",
         L"C:\\Users\\ann\\AppData\\Local", L"C:\\Users\\ann\\AppData\\Roaming\\"},
        // No local folder known: nowhere else to go.
        {L"C:\\Users\\ann\\AppData\\Roaming\\Lumora\\Lumora.scr.settings", L"C:\\Users\\ann\\AppData\\Roaming", L"",
         L"C:\\Users\\ann\\AppData\\Roaming\\Lumora\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseLocalFilesFolder(c.settings, c.roaming, c.localBase), c.folder) << c.settings;
}

// A disk of names, where `held` files are open in another process.
class FakeMoves final : public LocalFileMoves {
public:
    bool Exists(const std::wstring& path) override { return files.count(path) != 0; }
    bool MakeFolder(const std::wstring& folder) override {
        folders.insert(folder);
        return true;
    }
    Platform::MoveResult Move(const std::wstring& from, const std::wstring& to) override {
        if (held.count(from)) return Platform::MoveResult::Held;
        files.insert(to);
        files.erase(from);
        return Platform::MoveResult::Moved;
    }
    std::set<std::wstring> files, held, folders;
};

const wchar_t kSettings[] = L"R/Lumora.scr.settings";
const wchar_t kLocal[] = L"L/";

TEST(LocalFiles, OldFilesAreMovedOnceWithTheIndexCompanions) {
    FakeMoves disk;
    disk.files = {L"R/LumoraPhotos.db", L"R/LumoraPhotos.db-wal", L"R/LumoraPhotos.db-journal",
                  L"R/LumoraPictureLap.txt"};
    const LocalFiles files = PlaceLocalFiles(kSettings, kLocal, disk);
    EXPECT_EQ(files.indexPath, L"L/LumoraPhotos.db");
    EXPECT_EQ(files.lapPath, L"L/LumoraPictureLap.txt");
    EXPECT_FALSE(files.indexLeft || files.lapLeft);
    EXPECT_EQ(disk.files, (std::set<std::wstring>{L"L/LumoraPhotos.db", L"L/LumoraPhotos.db-wal",
                                                  L"L/LumoraPhotos.db-journal", L"L/LumoraPictureLap.txt"}));
    EXPECT_EQ(disk.folders, std::set<std::wstring>{kLocal});
}

TEST(LocalFiles, AnIndexHeldByAnotherSaverIsUsedWhereItLies) {
    FakeMoves disk;
    disk.files = {L"R/LumoraPhotos.db", L"R/LumoraPhotos.db-wal", L"R/LumoraPictureLap.txt"};
    disk.held = {L"R/LumoraPhotos.db"};
    const LocalFiles files = PlaceLocalFiles(kSettings, kLocal, disk);
    EXPECT_EQ(files.indexPath, L"R/LumoraPhotos.db");
    EXPECT_TRUE(files.indexLeft);
    EXPECT_TRUE(disk.files.count(L"R/LumoraPhotos.db-wal"));
    EXPECT_EQ(files.lapPath, L"L/LumoraPictureLap.txt");
}

TEST(LocalFiles, ALocalIndexWinsAndTheOldOneIsLeftAlone) {
    FakeMoves disk;
    disk.files = {L"R/LumoraPhotos.db", L"L/LumoraPhotos.db"};
    const LocalFiles files = PlaceLocalFiles(kSettings, kLocal, disk);
    EXPECT_EQ(files.indexPath, L"L/LumoraPhotos.db");
    EXPECT_EQ(files.lapPath, L"L/LumoraPictureLap.txt");
    EXPECT_EQ(disk.files.size(), 2u);
    EXPECT_TRUE(disk.folders.empty());
}

TEST(LocalFiles, SettingsThatDoNotRoamKeepTheirFilesBesideThem) {
    FakeMoves disk;
    disk.files = {L"P/LumoraPhotos.db"};
    const LocalFiles files = PlaceLocalFiles(L"P/Lumora.scr.settings", L"P/", disk);
    EXPECT_EQ(files.indexPath, L"P/LumoraPhotos.db");
    EXPECT_EQ(files.lapPath, L"P/LumoraPictureLap.txt");
    EXPECT_TRUE(disk.folders.empty());
}

}  // namespace
}  // namespace WorkSpace
