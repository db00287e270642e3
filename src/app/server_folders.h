// Server folders in a run: the picture list's http:// and https:// entries served by the
// WebDAV source over the platform's transport, with their credentials and offline cache,
// and the stream's decoder that fills that cache. A list without such entries changes
// nothing: no transport is made, no line is logged.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/picture_decode.h"

namespace WorkSpace {

// Takes out of `entries` the server entries whose credential is missing (one log line each)
// and puts the others after the local entries, so that a slow server holds up no local photo.
// The first call with a server entry makes the source and routes the two schemes to it;
// `cacheMegabytes` bounds the offline cache. True when the source serves some entries.
bool UseServerFolders(std::vector<std::wstring>& entries, int32_t cacheMegabytes);

// The stream's decoder: a server photo is read once, decoded from its bytes and kept in the
// offline cache; anything else goes to DecodePictureFile.
bool DecodeAndCachePicture(const std::wstring& path, const PictureTarget& target, DecodedPicture& out);

}  // namespace WorkSpace
