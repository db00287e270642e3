// Where the files that belong to this machine live: the photo index and the lap file hold
// this machine's paths and change often, so a roaming profile must not carry them.
#pragma once
#include <string>

#include "platform/platform.h"

namespace WorkSpace {

// The folder (ending with its separator) for the index and the lap file: the settings' own
// folder, unless the settings are the user's roaming ones (roamingFolder + "Lumora"), whose
// machine files then go to localFolder + "Lumora". Empty folders are unknown ones.
std::wstring ChooseLocalFilesFolder(const std::wstring& settingsPath, const std::wstring& roamingFolder,
                                    const std::wstring& localFolder);

// The file system's side of PlaceLocalFiles.
class LocalFileMoves {
public:
    virtual ~LocalFileMoves() = default;
    virtual bool Exists(const std::wstring& path) = 0;
    virtual bool MakeFolder(const std::wstring& folder) = 0;
    virtual Platform::MoveResult Move(const std::wstring& from, const std::wstring& to) = 0;
};

struct LocalFiles {
    std::wstring indexPath, lapPath;
    bool indexLeft = false;  // found beside the settings and not moved (held, or refused)
    bool lapLeft = false;
};
// Where the index and the lap file are this run, for settings at `settingsPath` whose machine
// files belong in `folder`. One found beside the settings while none is in `folder` is moved
// there first, the index with its -wal, -shm and -journal files; one that cannot be moved
// (another saver has the index open) is used where it lies.
LocalFiles PlaceLocalFiles(const std::wstring& settingsPath, const std::wstring& folder, LocalFileMoves& moves);

// The same for this process's settings, decided and moved once; a file left is logged.
// Empty paths when the settings have no place.
const LocalFiles& GetLocalFiles();

}  // namespace WorkSpace
