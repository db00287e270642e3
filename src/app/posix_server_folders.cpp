// Server folders on Linux: no transport, so the list is walked as it is (a server entry then
// reads as a folder that cannot be listed) and pictures go to the platform's decoder.
#include "app/server_folders.h"

namespace WorkSpace {

bool UseServerFolders(std::vector<std::wstring>&, int32_t) { return false; }

bool DecodeAndCachePicture(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    return DecodePictureFile(path, target, out);
}

}  // namespace WorkSpace
