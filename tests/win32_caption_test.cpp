// The captions' GDI drawing on Windows: 500 captions leave no GDI object behind, with one
// font for the painter, and none deleted while still selected into the DC. (The width limit
// is caption_test's, which runs here with GDI's measure.)
#include <windows.h>

#include <gtest/gtest.h>

#include "captions/caption.h"
#include "captions/win32_caption.h"

using namespace WorkSpace;

TEST(Win32Caption, FiveHundredCaptionsLeaveTheGdiCountWhereItWas) {
    const DWORD processBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const CaptionGdiCounts before = CaptionGdiObjects();
    {
        CaptionPainter painter(1080);
        CaptionText text;
        text.date = L"July 14, 2023";
        text.place = L"München, Deutschland";
        Image out;
        for (int i = 0; i < 500; ++i) ASSERT_TRUE(painter.Render(text, i % 2 ? 0 : 300, out)) << i;
        EXPECT_EQ(CaptionGdiObjects().fonts - before.fonts, 1u);  // one font for the painter
    }
    const CaptionGdiCounts after = CaptionGdiObjects();
    EXPECT_EQ(after.live, before.live);
    EXPECT_EQ(after.deletedSelected, before.deletedSelected);
    // Windows counts the process's objects too (Wine reports none, so it shows nothing there).
    const DWORD processAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (processBefore != 0) {
        EXPECT_LT(processAfter, processBefore + 10);
    }
}
