// The logo layer on the recording backend: its place, its states and its size limit.
#include <gtest/gtest.h>

#include "gfx/recording_graphics.h"
#include "scene/logo_layer.h"
#include "scene/window.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
class LogoLayer : public RecordedFrame {};
}  // namespace

TEST_F(LogoLayer, LogoIsDrawnBottomLeftOnlyOnLargeWindowsWithBlendingAround) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    static RecordedTexture* logo = nullptr;
    logo = new RecordedTexture(record, "logo");
    GetWindow().logo = logo;
    GetWindow().logoInfo = ImageInfo{100, 40};
    record.Clear();
    DrawLogo(GetWindow(), WholeWindow(GetWindow()));
    int draw = record.Find("DrawPrimitiveUP(6, 2, 24");
    ASSERT_GE(draw, 0);
    // x 5..105, y from 763 up to 723, upright (v = 1 at the bottom edge).
    EXPECT_EQ(record.calls[draw], "DrawPrimitiveUP(6, 2, 24, (5 763), (105 763), (105 723), (5 723))");
    EXPECT_LT(record.Find("SetRenderState(ALPHABLENDENABLE, 1)"), draw);
    EXPECT_LT(record.Find("SetRenderState(SRCBLEND, 5)"), draw);
    EXPECT_LT(record.Find("SetTexture(0, logo)"), draw);
    EXPECT_EQ(record.calls.back(), "SetRenderState(ALPHABLENDENABLE, 0)");
    // Clamped, and upright: v = 1 at the bottom edge (y 763), 0 at the top (y 723).
    EXPECT_LT(record.Find("SetSamplerState(0, ADDRESSU, 3)"), draw);
    EXPECT_LT(record.Find("SetSamplerState(0, ADDRESSV, 3)"), draw);
    ASSERT_EQ(record.lastQuad.size(), 24u);
    const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(record.lastQuad[k * 6 + 4], uv[k][0]) << "u of vertex " << k;
        EXPECT_EQ(record.lastQuad[k * 6 + 5], uv[k][1]) << "v of vertex " << k;
    }

    UseRecordingGraphics(&record, 639, 480);
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    record.Clear();
    DrawLogo(GetWindow(), WholeWindow(GetWindow()));
    EXPECT_TRUE(record.calls.empty());
}
