// Where the error screen puts its two pictures: worked out once from the client size and the
// pictures' own sizes, apart from GDI+, so the arithmetic is tested on any platform.
#pragma once

namespace WorkSpace {

struct LayoutRect {
    float x, y, width, height;
};

struct ErrorScreenLayout {
    // The whole picture needs at least 640 x 480; smaller windows (the settings preview) get
    // only a reduced logo near the middle.
    bool showBackground;
    LayoutRect background;   // centred at its own size, cut off by a smaller window
    LayoutRect logo;         // lower-left corner at its own size
    LayoutRect reducedLogo;  // 1/1.8 of the logo, near the middle of a small window
};

constexpr float kErrorScreenMinWidth = 640.0f;
constexpr float kErrorScreenMinHeight = 480.0f;

ErrorScreenLayout ComputeErrorScreenLayout(float clientWidth, float clientHeight, float backgroundWidth,
                                           float backgroundHeight, float logoWidth, float logoHeight);

}  // namespace WorkSpace
