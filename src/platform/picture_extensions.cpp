#include "platform/picture_extensions.h"

namespace WorkSpace {
namespace Platform {

const std::vector<std::wstring>& BuiltInPictureExtensions() {
    static const std::vector<std::wstring> extensions = {
        L".bmp", L".dib", L".gif", L".ico", L".jpg", L".jpeg", L".jpe", L".jfif",
        L".png", L".tif", L".tiff", L".jxr", L".wdp", L".dds"};
    return extensions;
}

}  // namespace Platform
}  // namespace WorkSpace
