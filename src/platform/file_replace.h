// The last step of a save on Windows (ReplaceFileW, MoveFileExW and their retries) as a loop
// whose system calls come through a seam, so that every result Microsoft documents for them
// can be played on any system; and the names a save leaves behind when it is killed.
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {
namespace Platform {

// The Windows error numbers (winerror.h) the loop tells apart.
namespace SaveError {
constexpr uint32_t kNone = 0;
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kLockViolation = 33;
// ReplaceFileW: nothing moved. The replaced file could not be deleted.
constexpr uint32_t kUnableToRemoveReplaced = 1175;
// ReplaceFileW without a backup name: the replaced file no longer exists, the replacement
// keeps its own name.
constexpr uint32_t kUnableToMoveReplacement = 1176;
// ReplaceFileW: the replaced file exists under another name (one ReplaceFileW chose, as no
// backup name was given), the replacement keeps its own name.
constexpr uint32_t kUnableToMoveReplacement2 = 1177;
}  // namespace SaveError

// How long a file held for a moment (a virus scanner, the search indexer) is tried again.
constexpr int64_t kSavePatienceMs = 2000;
constexpr uint32_t kSaveRetryMs = 50;

enum class SaveCall : uint8_t {
    Replace,  // ReplaceFileW(path, temporary, no backup): keeps what the old file had
    Move,     // MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING ...)
};
// MoveOver: ReplaceFileW keeps failing where both files keep their names (a share that never
// takes it): the move then replaces the old file, which loses its own permissions.
enum class SaveStep : uint8_t { Done, Replace, Move, MoveOver, Fail };
struct SaveDecision {
    SaveStep next;
    bool wait;  // kSaveRetryMs before the next call
};
// What follows a call that returned `error` (kNone: it succeeded); `patienceLeft` is false
// once the attempt that ends the retries has been made.
SaveDecision NextSaveStep(SaveCall made, uint32_t error, bool patienceLeft);

// The system's side of PutInPlace, one object per save.
class SaveCalls {
public:
    virtual ~SaveCalls() = default;
    virtual uint32_t Replace() = 0;  // the call's error, or kNone
    virtual uint32_t Move() = 0;
    virtual bool PathExists() = 0;
    virtual void RemoveTemporary() = 0;
    virtual int64_t NowMs() = 0;
    virtual void Wait(uint32_t ms) = 0;
};
// Puts the written temporary file in place of the path, beginning with `first`. True when
// the new file is at the path. On failure the temporary file is removed only when a file is
// still at the path: when a replace cut half-way has emptied it, the temporary file holds the
// only copy and stays. `movedOver`, when given, says whether the file was put in place by
// MoveOver.
bool PutInPlace(SaveCalls& calls, SaveCall first, bool* movedOver = nullptr);

// Whether `name` (a file name, no folder) is one that UniqueTemporaryName gives for a file
// named `baseName`: baseName + "." + digits + "-" + digits + ".tmp". Windows' names compare
// without case.
bool IsTemporaryNameOf(const std::wstring& name, const std::wstring& baseName, bool ignoreCase);
// A temporary file older than this was left by a process that was killed during its save.
constexpr int64_t kStaleTemporarySeconds = 24 * 60 * 60;

}  // namespace Platform
}  // namespace WorkSpace
