// The pictures on this machine's own drives and shares, reached by path: the first picture
// source, portable, over the platform's folder listing, stamps and picture reads.
#pragma once
#include "sources/picture_source.h"

namespace WorkSpace {

// The process's one local source; it keeps no state, so every thread may use it at once.
PictureSource& LocalFolders();

}  // namespace WorkSpace
