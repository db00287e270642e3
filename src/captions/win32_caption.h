// What the captions' GDI drawing holds at any moment, counted by the drawing itself, so that
// a test can see that captions leave no GDI object behind (Wine keeps no per-process count).
#pragma once
#include <cstdint>

namespace WorkSpace {

struct CaptionGdiCounts {
    int64_t live = 0;              // DCs, fonts and bitmaps made and not yet deleted
    uint32_t fonts = 0;            // fonts made, ever
    uint32_t deletedSelected = 0;  // deletions of an object still selected into a DC, which Windows refuses
};
CaptionGdiCounts CaptionGdiObjects();

}  // namespace WorkSpace
