// Saving a file whole: a new file beside the old one, then one step that puts it in place.
#include "platform/file_replace.h"

#include <atomic>
#include <cstdint>
#include <cwctype>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

namespace {
size_t g_writeLimit = SIZE_MAX;
std::atomic<uint32_t> g_temporaryCount{0};
// Names taken by files a crashed process left behind (its id now another's) are skipped.
const int kNameAttempts = 8;
}  // namespace

void FailWritesAfterForTesting(size_t bytes) { g_writeLimit = bytes; }

std::wstring UniqueTemporaryName(const std::wstring& path) {
    // The process id tells two savers apart, the count two saves of one process.
    return path + L"." + std::to_wstring(ProcessId()) + L"-" + std::to_wstring(++g_temporaryCount) + L".tmp";
}

bool ReplaceFileWhole(const std::wstring& path, const std::string& bytes, bool* ownPermissionsLost) {
    // A file truncated in place and written again is lost to a full disk, a crash or a power
    // cut in between. The new file goes beside the file that is really replaced (a link's
    // target), since the last step only works within one volume.
    const std::wstring target = SaveTarget(path);
    const size_t allowed = bytes.size() < g_writeLimit ? bytes.size() : g_writeLimit;
    std::wstring temporary;
    bool written = false;
    bool nameTaken = true;
    for (int attempt = 0; attempt < kNameAttempts && !written && nameTaken; ++attempt) {
        temporary = UniqueTemporaryName(target);
        nameTaken = false;
        written = WriteNewFile(temporary, bytes.data(), allowed, nameTaken);
    }
    if (!written) return false;
    if (allowed != bytes.size()) {
        RemoveFile(temporary);
        return false;
    }
    // ReplaceWith removes the temporary file itself where that is safe.
    if (!ReplaceWith(temporary, target, ownPermissionsLost)) return false;
    RemoveStaleTemporaries(target);
    return true;
}

namespace {
bool IsPassingHold(uint32_t error) {
    return error == SaveError::kSharingViolation || error == SaveError::kAccessDenied ||
           error == SaveError::kLockViolation;
}
}  // namespace

SaveDecision NextSaveStep(SaveCall made, uint32_t error, bool patienceLeft) {
    if (error == SaveError::kNone) return {SaveStep::Done, false};
    if (made == SaveCall::Replace) {
        // These leave nothing at the path: the move puts the new file there at once, whether
        // or not the time is up. The old file is gone (1176, or another program removed it)
        // or lies under a name only ReplaceFileW knew (1177).
        if (error == SaveError::kUnableToMoveReplacement || error == SaveError::kUnableToMoveReplacement2 ||
            error == SaveError::kFileNotFound)
            return {SaveStep::Move, false};
        // ReplaceFileW reports a replaced file it cannot open or delete as 1175; nothing moved.
        if ((IsPassingHold(error) || error == SaveError::kUnableToRemoveReplaced) && patienceLeft)
            return {SaveStep::Replace, true};
        // After any other error both files keep their names, the old one whole. A share whose
        // server does not take ReplaceFileW fails so every time; the plain move is the one
        // way left to save there.
        return {SaveStep::MoveOver, false};
    }
    if (IsPassingHold(error) && patienceLeft) return {SaveStep::Move, true};
    return {SaveStep::Fail, false};
}

bool PutInPlace(SaveCalls& calls, SaveCall first, bool* movedOver) {
    SaveCall call = first;
    bool over = false;
    int64_t start = calls.NowMs();
    for (;;) {
        const uint32_t error = call == SaveCall::Replace ? calls.Replace() : calls.Move();
        const SaveDecision decision = NextSaveStep(call, error, calls.NowMs() - start < kSavePatienceMs);
        if (decision.next == SaveStep::Done) {
            if (movedOver) *movedOver = over;
            return true;
        }
        if (decision.next == SaveStep::Fail) break;
        // A move after a replace gets its own time: giving up on a path left empty leaves no
        // settings there, and one over a file held a moment has met only the replace's holds.
        if (call == SaveCall::Replace && decision.next != SaveStep::Replace) start = calls.NowMs();
        over = over || decision.next == SaveStep::MoveOver;
        if (decision.wait) calls.Wait(kSaveRetryMs);
        call = decision.next == SaveStep::Replace ? SaveCall::Replace : SaveCall::Move;
    }
    if (calls.PathExists()) calls.RemoveTemporary();
    return false;
}

bool IsTemporaryNameOf(const std::wstring& name, const std::wstring& baseName, bool ignoreCase) {
    if (name.size() <= baseName.size() + 1) return false;
    for (size_t i = 0; i < baseName.size(); ++i) {
        const bool same = ignoreCase ? std::towlower(name[i]) == std::towlower(baseName[i]) : name[i] == baseName[i];
        if (!same) return false;
    }
    // "." digits "-" digits ".tmp"
    const std::wstring tail = name.substr(baseName.size());
    static const std::wstring kEnd = L".tmp";
    if (tail[0] != L'.' || tail.size() < 1 + 3 + kEnd.size()) return false;
    if (tail.compare(tail.size() - kEnd.size(), kEnd.size(), kEnd) != 0) return false;
    const std::wstring middle = tail.substr(1, tail.size() - 1 - kEnd.size());
    const size_t dash = middle.find(L'-');
    if (dash == 0 || dash == std::wstring::npos || dash + 1 == middle.size()) return false;
    for (size_t i = 0; i < middle.size(); ++i)
        if (i != dash && (middle[i] < L'0' || middle[i] > L'9')) return false;
    return true;
}

}  // namespace Platform
}  // namespace WorkSpace
