// The motion of a lap entry: clips by their extension, a live photo's clip found beside its
// still by name, and a motion photo's clip found inside its JPEG (motion_photo.h).
#include "imaging/motion.h"

#include <algorithm>
#include <cwctype>

#include "imaging/motion_photo.h"
#include "platform/picture_extensions.h"
#include "resources/logger.h"
#include "sources/server_url.h"

namespace WorkSpace {

namespace {
std::wstring LowerExtension(const std::wstring& path) {
    const size_t dot = path.find_last_of(L'.');
    const size_t sep = path.find_last_of(L"\\/:");
    if (dot == std::wstring::npos || (sep != std::wstring::npos && dot < sep)) return {};
    std::wstring extension;
    for (size_t i = dot; i < path.size(); ++i)
        extension.push_back(static_cast<wchar_t>(std::towlower(static_cast<wint_t>(path[i]))));
    return extension;
}

bool IsOneOf(const std::wstring& path, const std::vector<std::wstring>& extensions) {
    const std::wstring extension = LowerExtension(path);
    return !extension.empty() && std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

// The clip beside a still, as an iPhone writes it: the same name with .MOV (or .MP4 after a
// copy through another program). Both cases asked, for sources whose names keep case.
bool FindSibling(const std::wstring& still, PictureSource& source, std::wstring& clip) {
    const size_t dot = still.find_last_of(L'.');
    const std::wstring stem = still.substr(0, dot);
    for (const wchar_t* extension : {L".MOV", L".mov", L".MP4", L".mp4"}) {
        Platform::FolderItem item;
        if (source.Describe(stem + extension, item) && !item.folder && !item.cloudOnly) {
            clip = stem + extension;
            return true;
        }
    }
    return false;
}
}  // namespace

bool IsClipName(const std::wstring& path) { return IsOneOf(path, Platform::ClipExtensions()); }

bool IsLivePhotoClipName(const std::wstring& path) {
    static const std::vector<std::wstring> live = {L".mov", L".mp4"};
    return IsOneOf(path, live);
}

bool IsMotionStillName(const std::wstring& path) {
    static const std::vector<std::wstring> stills = {L".heic", L".heif", L".jpg", L".jpeg"};
    return IsOneOf(path, stills);
}

bool FindMotion(const std::wstring& entry, int videos, PictureSource& source, MotionRef& out) {
    out = MotionRef{};
    if (videos != kVideosAll && videos != kVideosLiveOnly) return false;
    // A server folder's photos are stills: its clips are left out of the walk, and a clip
    // would have to come through the source's own requests, never a URL of its own.
    if (IsServerEntry(entry)) return false;
    if (IsClipName(entry)) {
        if (videos != kVideosAll) return false;
        out.kind = MotionKind::Clip;
        out.clip = entry;
        return true;
    }
    if (!IsMotionStillName(entry)) return false;
    std::wstring clip;
    if (FindSibling(entry, source, clip)) {
        out.kind = MotionKind::LivePhoto;
        out.still = entry;
        out.clip = clip;
        return true;
    }
    static const std::vector<std::wstring> jpeg = {L".jpg", L".jpeg"};
    if (!IsOneOf(entry, jpeg)) return false;
    Platform::ReadFailure why = Platform::ReadFailure::None;
    const std::unique_ptr<PictureReader> file = source.Open(entry, why);
    if (!file) return false;  // the decoder meets the same failure and names it
    const MotionPhotoFind find = FindMotionPhotoClip(*file, out.offset, out.length);
    if (find == MotionPhotoFind::Misplaced)
        GetLogger().WriteOncePerRun(L"FindMotion\n" + entry,
                                    L"FindMotion() - %ls - its motion photo's clip is not where the file says, shown as a photo",
                                    entry.c_str());
    if (find != MotionPhotoFind::Found) {
        out = MotionRef{};
        return false;
    }
    out.kind = MotionKind::MotionPhoto;
    out.still = entry;
    out.clip = entry;
    return true;
}

}  // namespace WorkSpace
