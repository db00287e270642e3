// The picture extensions every platform shares: the formats Windows decodes without added
// codecs and the camera raw formats. Each platform's full list is in its own file
// (posix_picture_extensions.cpp, win32_picture_extensions.cpp).
#include "platform/picture_extensions.h"

namespace WorkSpace {
namespace Platform {

const std::vector<std::wstring>& BuiltInPictureExtensions() {
    static const std::vector<std::wstring> extensions = {
        L".bmp", L".dib", L".gif", L".ico", L".jpg", L".jpeg", L".jpe", L".jfif",
        L".png", L".tif", L".tiff", L".jxr", L".wdp", L".dds"};
    return extensions;
}

const std::vector<std::wstring>& RawPictureExtensions() {
    static const std::vector<std::wstring> extensions = {
        L".cr2", L".cr3", L".crw", L".nef", L".nrw", L".arw", L".srf", L".sr2", L".dng", L".orf", L".rw2",
        L".raf", L".pef", L".srw", L".3fr", L".erf", L".kdc", L".mrw", L".x3f", L".iiq", L".rwl", L".mos"};
    return extensions;
}

const std::vector<std::wstring>& ClipExtensions() {
    static const std::vector<std::wstring> extensions = {L".mp4", L".mov", L".m4v", L".wmv", L".avi", L".3gp",
                                                         L".3g2", L".mkv", L".asf", L".webm", L".mts", L".m2ts"};
    return extensions;
}

}  // namespace Platform
}  // namespace WorkSpace
