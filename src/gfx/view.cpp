// The view rectangles of a frame, one for each monitor the window covers or one for the whole
// client area, and each view's projection. Pure arithmetic over the desktop's layout.
#include "gfx/view.h"

#include <algorithm>

namespace WorkSpace {

int32_t LayoutViewRects(const DisplayLayout& layout, bool span, int32_t backWidth, int32_t backHeight,
                        PixelRect out[kMaxViews]) {
    PixelRect whole;
    whole.right = backWidth > 0 ? backWidth : 0;
    whole.bottom = backHeight > 0 ? backHeight : 0;
    out[0] = whole;
    if (span || layout.monitorCount < 2) return whole.Empty() ? 0 : 1;

    int32_t count = 0;
    const int32_t monitors = std::min(layout.monitorCount, kMaxViews);
    for (int32_t i = 0; i < monitors; ++i) {
        const PixelRect& m = layout.monitors[i];
        PixelRect r;
        // 64-bit sums: a garbage rectangle must not wrap around into the back buffer.
        auto toClient = [](int32_t v, int32_t origin) {
            return static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(v) - origin, INT32_MIN, INT32_MAX));
        };
        r.left = std::max(toClient(m.left, layout.client.left), whole.left);
        r.top = std::max(toClient(m.top, layout.client.top), whole.top);
        r.right = std::min(toClient(m.right, layout.client.left), whole.right);
        r.bottom = std::min(toClient(m.bottom, layout.client.top), whole.bottom);
        if (r.Empty()) continue;
        bool seen = false;
        for (int32_t k = 0; k < count && !seen; ++k)
            seen = out[k].left == r.left && out[k].top == r.top && out[k].right == r.right && out[k].bottom == r.bottom;
        if (!seen) out[count++] = r;
    }
    if (count < 2) {
        out[0] = whole;
        return whole.Empty() ? 0 : 1;
    }
    return count;
}

Matrix ViewProjection(float aspect) { return MatrixPerspectiveFovLH(1.2217306f, aspect, 1.0f, 1000.0f); }

}  // namespace WorkSpace
