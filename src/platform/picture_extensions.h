// The file extensions this machine can decode as pictures: lower case, with the dot
// (".jpg"). They feed the open-file filter, the folder scan and the check of dropped files.
// posix_picture_extensions.cpp and win32_picture_extensions.cpp implement it.
#pragma once
#include <string>
#include <vector>

namespace WorkSpace {
namespace Platform {

const std::vector<std::wstring>& PictureExtensions();
// The formats every Windows decodes without extra codecs: all of them off Windows, and the
// part of the list that never depends on the codecs installed on Windows.
const std::vector<std::wstring>& BuiltInPictureExtensions();
// Camera raw formats, as the raw codecs name them: a raw file beside a picture of the same
// name (the camera's own JPEG) is the same shot, slower to decode.
const std::vector<std::wstring>& RawPictureExtensions();
// The containers a clip comes in: never pictures, whatever their codecs; with "Videos" on
// they play where Windows has their decoder.
const std::vector<std::wstring>& ClipExtensions();

}  // namespace Platform
}  // namespace WorkSpace
