// The file extensions this machine can decode as pictures: lower case, with the dot
// (".jpg"). They feed the open-file filter, the folder scan and the check of dropped files.
// posix_picture_extensions.cpp and win32_picture_extensions.cpp implement it.
#pragma once
#include <string>
#include <vector>

namespace WorkSpace {
namespace Platform {

const std::vector<std::wstring>& PictureExtensions();

}  // namespace Platform
}  // namespace WorkSpace
