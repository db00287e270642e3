// The rectangles a frame is drawn into. One window and one device cover the whole virtual
// desktop; each monitor gets a view of its own (its rectangle in client pixels and a camera
// of its own aspect), so the scene sits in the middle of every screen instead of on the
// seam between two of them. Pure arithmetic; the monitor list comes from the platform.
#pragma once
#include <cstdint>

#include "base/d3dx_math.h"

namespace WorkSpace {

struct CameraBlock {
    Matrix projection, view, world, worldView, worldViewProjection;
};

// left, top, right, bottom
struct PixelRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
};

constexpr int32_t kMaxViews = 16;

// Where the window's client area lies on the virtual desktop and which monitors the
// desktop has, both in desktop coordinates (negative left of or above the primary).
struct DisplayLayout {
    PixelRect client;
    int32_t monitorCount = 0;  // 0: unknown, the window is one view
    PixelRect monitors[kMaxViews];
};

struct View {
    PixelRect rect;  // client pixels, inside the back buffer
    float aspect = 1.0f;
    CameraBlock camera;
};

struct ViewList {
    int32_t count = 0;
    View views[kMaxViews];
};

// The view rectangles for one frame: the client area as one view when `span` is set or
// when fewer than two monitors show part of the window; otherwise one per monitor, the
// part of it the window covers, moved into client coordinates and clipped to the back
// buffer (0, 0, backWidth, backHeight). Monitors with the same rectangle (mirrored
// displays) give one view. Returns the count (at least 1 for a non-empty back buffer).
int32_t LayoutViewRects(const DisplayLayout& layout, bool span, int32_t backWidth, int32_t backHeight,
                        PixelRect out[kMaxViews]);

// Projection of the view's own aspect: 70 degrees vertically, near 1, far 1000.
Matrix ViewProjection(float aspect);

}  // namespace WorkSpace
