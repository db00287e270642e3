// Linux has no clip decoder: every clip is skipped with one log line, and the native tests
// hand the player a scripted reader instead.
#include "video/clip_reader.h"

namespace WorkSpace {

std::unique_ptr<ClipReader> MakePlatformClipReader(std::wstring& why) {
    why = L"no clip decoder on this system";
    return nullptr;
}

}  // namespace WorkSpace
