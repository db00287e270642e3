// Moves the photo index and the lap file out of a roaming settings folder into the user's
// local one, once, and says where both are for the run.
#include "settings/local_files.h"

#include "library/lap_order.h"
#include "library/lap_state.h"
#include "pictures/photo_index_filler.h"
#include "resources/logger.h"
#include "resources/program_folder.h"
#include "settings/settings.h"

namespace WorkSpace {

namespace {
std::wstring LumoraFolder(const std::wstring& base) {
    if (base.empty()) return std::wstring();
    std::wstring folder = base;
    if (folder.back() != L'\\' && folder.back() != L'/') folder += Platform::PathSeparator();
    return folder + L"Lumora" + Platform::PathSeparator();
}

// The SQLite files that go with an index: its write-ahead log and shared memory, and the
// rollback journal of one used on a network folder.
const wchar_t* const kIndexCompanions[] = {L"-wal", L"-shm", L"-journal"};

// `to` when the file is there or came there; `from` when it lies there and stays.
std::wstring MoveIn(const std::wstring& from, const std::wstring& to, const std::wstring& folder,
                    LocalFileMoves& moves, bool& left, bool companions) {
    if (from == to || moves.Exists(to) || !moves.Exists(from)) return to;
    if (!moves.MakeFolder(folder) || moves.Move(from, to) != Platform::MoveResult::Moved) {
        left = true;
        return from;
    }
    // Nothing holds the index now: its companions are left over from a run that ended
    // without closing it, and belong with it.
    for (const wchar_t* suffix : kIndexCompanions)
        if (companions && moves.Exists(from + suffix)) moves.Move(from + suffix, to + suffix);
    return to;
}

class SystemMoves final : public LocalFileMoves {
public:
    bool Exists(const std::wstring& path) override {
        int64_t size = 0, modified = 0;
        return Platform::StampFile(path, size, modified);
    }
    bool MakeFolder(const std::wstring& folder) override { return Platform::MakeFolder(folder); }
    Platform::MoveResult Move(const std::wstring& from, const std::wstring& to) override {
        return Platform::MoveUnheldFile(from, to);
    }
};
}  // namespace

std::wstring ChooseLocalFilesFolder(const std::wstring& settingsPath, const std::wstring& roamingFolder,
                                    const std::wstring& localFolder) {
    const std::wstring own = FolderOfPath(settingsPath);
    const std::wstring roaming = LumoraFolder(roamingFolder), local = LumoraFolder(localFolder);
    if (roaming.empty() || local.empty() || FolderKey(own) != FolderKey(roaming)) return own;
    return local;
}

LocalFiles PlaceLocalFiles(const std::wstring& settingsPath, const std::wstring& folder, LocalFileMoves& moves) {
    const std::wstring own = FolderOfPath(settingsPath);
    LocalFiles files;
    files.indexPath = MoveIn(PhotoIndexPath(own), PhotoIndexPath(folder), folder, moves, files.indexLeft, true);
    files.lapPath = MoveIn(LapStatePath(own), LapStatePath(folder), folder, moves, files.lapLeft, false);
    return files;
}

const LocalFiles& GetLocalFiles() {
    static const LocalFiles files = [] {
        const std::wstring settingsPath = GetSettingsPath();
        if (settingsPath.empty()) return LocalFiles();
        const std::wstring folder =
            ChooseLocalFilesFolder(settingsPath, Platform::UserDataFolder(false), Platform::UserDataFolder(true));
        SystemMoves moves;
        LocalFiles placed = PlaceLocalFiles(settingsPath, folder, moves);
        if (placed.indexLeft || placed.lapLeft)
            GetLogger().Write(L"WorkSpace::GetLocalFiles() - move to the local folder - FAILED (in use), left beside the settings");
        return placed;
    }();
    return files;
}

}  // namespace WorkSpace
