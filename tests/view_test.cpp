// The views of one frame: the whole client area, or one rectangle per monitor in client
// coordinates, clipped to the back buffer, with negative desktop coordinates and mirrored
// monitors.
#include <gtest/gtest.h>

#include "gfx/view.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {

DisplayLayout Layout(PixelRect client, std::initializer_list<PixelRect> monitors) {
    DisplayLayout layout;
    layout.client = client;
    for (const PixelRect& m : monitors) layout.monitors[layout.monitorCount++] = m;
    return layout;
}

bool Same(const PixelRect& a, const PixelRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(Views, SpanOneMonitorOrAWindowOnOneMonitorIsTheWholeClientArea) {
    PixelRect out[kMaxViews];
    const DisplayLayout two = Layout(Rect(0, 0, 1600, 600), {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600)});
    ASSERT_EQ(LayoutViewRects(two, true, 1600, 600, out), 1);
    EXPECT_TRUE(Same(out[0], Rect(0, 0, 1600, 600)));

    const DisplayLayout one = Layout(Rect(0, 0, 1024, 768), {Rect(0, 0, 1024, 768)});
    ASSERT_EQ(LayoutViewRects(one, false, 1024, 768, out), 1);
    EXPECT_TRUE(Same(out[0], Rect(0, 0, 1024, 768)));

    // The dialog's preview over the primary monitor only, and the small preview (no list).
    const DisplayLayout primary = Layout(Rect(0, 0, 800, 600), {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600)});
    ASSERT_EQ(LayoutViewRects(primary, false, 800, 600, out), 1);
    EXPECT_TRUE(Same(out[0], Rect(0, 0, 800, 600)));
    ASSERT_EQ(LayoutViewRects(Layout(Rect(300, 200, 452, 312), {}), false, 152, 112, out), 1);
    EXPECT_TRUE(Same(out[0], Rect(0, 0, 152, 112)));

    EXPECT_EQ(LayoutViewRects(two, false, 0, 0, out), 0);
}

TEST(Views, MonitorsSideBySideAndBelowGetTheirOwnRectangles) {
    PixelRect out[kMaxViews];
    const DisplayLayout layout =
        Layout(Rect(0, 0, 1600, 1080), {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600), Rect(0, 600, 640, 1080)});
    ASSERT_EQ(LayoutViewRects(layout, false, 1600, 1080, out), 3);
    EXPECT_TRUE(Same(out[0], Rect(0, 0, 800, 600)));
    EXPECT_TRUE(Same(out[1], Rect(800, 0, 1600, 600)));
    EXPECT_TRUE(Same(out[2], Rect(0, 600, 640, 1080)));
}

TEST(Views, MonitorsLeftOfAndAboveThePrimaryMoveIntoClientCoordinates) {
    PixelRect out[kMaxViews];
    // A 1280x1024 monitor left of the primary, a 1024x768 one above it.
    const DisplayLayout layout = Layout(Rect(-1280, -768, 1920, 1080),
                                        {Rect(0, 0, 1920, 1080), Rect(-1280, 0, 0, 1024), Rect(0, -768, 1024, 0)});
    ASSERT_EQ(LayoutViewRects(layout, false, 3200, 1848, out), 3);
    EXPECT_TRUE(Same(out[0], Rect(1280, 768, 3200, 1848)));
    EXPECT_TRUE(Same(out[1], Rect(0, 768, 1280, 1792)));
    EXPECT_TRUE(Same(out[2], Rect(1280, 0, 2304, 768)));
}

TEST(Views, ClippedToTheBackBufferAndMirroredMonitorsDrawOnce) {
    PixelRect out[kMaxViews];
    // The layout grew (a monitor was plugged in) but the back buffer is still the old size.
    const DisplayLayout grown = Layout(Rect(0, 0, 2400, 600), {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600),
                                                            Rect(1600, 0, 2400, 600)});
    ASSERT_EQ(LayoutViewRects(grown, false, 1200, 500, out), 2);
    EXPECT_TRUE(Same(out[0], Rect(0, 0, 800, 500)));
    EXPECT_TRUE(Same(out[1], Rect(800, 0, 1200, 500)));

    const DisplayLayout mirrored = Layout(Rect(0, 0, 1600, 600), {Rect(0, 0, 800, 600), Rect(0, 0, 800, 600),
                                                               Rect(800, 0, 1600, 600)});
    ASSERT_EQ(LayoutViewRects(mirrored, false, 1600, 600, out), 2);
    EXPECT_TRUE(Same(out[1], Rect(800, 0, 1600, 600)));

    // Far-away garbage rectangles do not wrap around into the buffer.
    const DisplayLayout odd = Layout(Rect(-2000000000, 0, 800, 600), {Rect(2000000000, 0, 2100000000, 600),
                                                                   Rect(0, 0, 800, 600)});
    ASSERT_EQ(LayoutViewRects(odd, false, 800, 600, out), 1);
    EXPECT_TRUE(Same(out[0], Rect(0, 0, 800, 600)));
}
