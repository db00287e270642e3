// The host's portable rules: the command line and the input that ends the saver.
#include <gtest/gtest.h>

#include "host/saver_input.h"
#include "host/saver_switches.h"

using namespace WorkSpace;

TEST(SaverSwitches, CommandLineTailSkipsTheProgramName) {
    EXPECT_STREQ(CommandLineTail(L"\"C:\\Program Files\\Lumora.scr\"  /s"), L"/s");
    EXPECT_STREQ(CommandLineTail(L"Lumora.scr /p 123"), L"/p 123");
    EXPECT_STREQ(CommandLineTail(L"Lumora.scr"), L"");
    EXPECT_STREQ(CommandLineTail(L"\"unterminated"), L"");
    EXPECT_STREQ(CommandLineTail(L"a.scr\t\x01/c"), L"/c");
}

TEST(SaverSwitches, FirstLetterDecidesAndCaseDoesNotMatter) {
    for (const wchar_t* s : {L"-S", L"/s", L"s", L"  /S", L"/scr", L"--s"})
        EXPECT_EQ(ParseSaverSwitch(s).mode, SaverMode::FullScreen) << s;
    EXPECT_EQ(ParseSaverSwitch(L"").mode, SaverMode::Configure);
    EXPECT_FALSE(ParseSaverSwitch(L"").named);
    EXPECT_TRUE(ParseSaverSwitch(L"/c").named);
    EXPECT_EQ(ParseSaverSwitch(L"   ").mode, SaverMode::Configure);
    EXPECT_EQ(ParseSaverSwitch(L"/x").mode, SaverMode::Invalid);
    EXPECT_EQ(ParseSaverSwitch(L"/1").mode, SaverMode::Invalid);
}

TEST(SaverSwitches, PreviewNeedsDigitsRightAfterBlanks) {
    SaverSwitch s = ParseSaverSwitch(L"/p 4567");
    EXPECT_EQ(s.mode, SaverMode::Preview);
    EXPECT_EQ(s.window, 4567u);
    s = ParseSaverSwitch(L"/l4567");
    EXPECT_EQ(s.window, 4567u);
    s = ParseSaverSwitch(L"/p");
    EXPECT_FALSE(s.hasNumber);
    EXPECT_EQ(s.window, 0u);
    s = ParseSaverSwitch(L"/p:123");  // a colon is not a digit
    EXPECT_FALSE(s.hasNumber);
    EXPECT_EQ(s.window, 0u);
    s = ParseSaverSwitch(L"/p 4294967297");  // wraps modulo 2^32
    EXPECT_EQ(s.window, 1u);
}

TEST(SaverSwitches, ConfigureTakesANumberOnlyAfterAColon) {
    SaverSwitch s = ParseSaverSwitch(L"/c:789");
    EXPECT_EQ(s.mode, SaverMode::Configure);
    EXPECT_TRUE(s.hasNumber);
    EXPECT_EQ(s.window, 789u);
    s = ParseSaverSwitch(L"/c 789");  // blank instead of colon: the foreground window is used
    EXPECT_EQ(s.mode, SaverMode::Configure);
    EXPECT_FALSE(s.hasNumber);
    s = ParseSaverSwitch(L"/a 55");
    EXPECT_EQ(s.mode, SaverMode::ChangePassword);
    EXPECT_EQ(s.window, 55u);
}

TEST(SaverInput, KeysButtonsAndLostActivationClose) {
    InputRules r;
    for (uint32_t m : {Msg::KEYDOWN, Msg::SYSKEYDOWN, Msg::LBUTTONDOWN, Msg::RBUTTONDOWN, Msg::MBUTTONDOWN})
        EXPECT_TRUE(DecideInput(r, m, 0, 0, 0, 0, 255).close);
    EXPECT_TRUE(DecideInput(r, Msg::ACTIVATEAPP, 0, 0, 0, 0, 255).close);
    EXPECT_FALSE(DecideInput(r, Msg::ACTIVATEAPP, 1, 0, 0, 0, 255).close);
    InputDecision d = DecideInput(r, Msg::SETCURSOR, 0, 0, 0, 0, 255);
    EXPECT_TRUE(d.hideCursor);
    EXPECT_TRUE(d.handled);
    EXPECT_EQ(d.result, 1);
    EXPECT_FALSE(DecideInput(r, 0x000F, 0, 0, 0, 0, 255).close);  // WM_PAINT: nothing
}

TEST(SaverInput, MovesAddUpOnlyAgainstTheLastStoredPosition) {
    InputRules r;
    r.lastCursor = {100, 100};
    // A one-pixel drift: 1, 2, 3, 4 away stays; 5 away closes.
    for (int i = 1; i <= 4; ++i) EXPECT_FALSE(DecideInput(r, Msg::MOUSEMOVE, 0, 0, 100 + i, 100, 255).close) << i;
    EXPECT_TRUE(DecideInput(r, Msg::MOUSEMOVE, 0, 0, 105, 100, 255).close);
    EXPECT_EQ(r.lastCursor.x, 105);
    // Both axes count: 2 + 2 stays, 3 + 2 closes.
    EXPECT_FALSE(DecideInput(r, Msg::MOUSEMOVE, 0, 0, 107, 102, 255).close);
    EXPECT_TRUE(DecideInput(r, Msg::MOUSEMOVE, 0, 0, 108, 102, 255).close);
    // Moving by 3 leaves it running; 2 more (5 from the start) ends it.
    InputRules e2e;
    EXPECT_FALSE(DecideInput(e2e, Msg::MOUSEMOVE, 0, 0, 3, 0, 255).close);
    EXPECT_TRUE(DecideInput(e2e, Msg::MOUSEMOVE, 0, 0, 5, 0, 255).close);
}

TEST(SaverInput, PowerEvents) {
    InputRules r;
    EXPECT_TRUE(DecideInput(r, Msg::POWER, 3, 0, 0, 0, 255).close);
    EXPECT_FALSE(DecideInput(r, Msg::POWER, 1, 0, 0, 0, 255).close);
    for (uintptr_t w : {0u, 1u, 4u, 5u, 9u, 11u, 17u, 19u, 0x8013u})
        EXPECT_TRUE(DecideInput(r, Msg::POWERBROADCAST, w, 0, 0, 0, 255).close) << w;
    for (uintptr_t w : {6u, 7u, 8u, 18u}) {
        EXPECT_TRUE(DecideInput(r, Msg::POWERBROADCAST, w, 0, 0, 0, 255).close) << w;
        EXPECT_FALSE(DecideInput(r, Msg::POWERBROADCAST, w, 1, 0, 0, 255).close) << w;
    }
    r.acLineStatus = 1;
    EXPECT_FALSE(DecideInput(r, Msg::POWERBROADCAST, 10, 0, 0, 0, 1).close);
    EXPECT_TRUE(DecideInput(r, Msg::POWERBROADCAST, 10, 0, 0, 0, 0).close);
    EXPECT_EQ(r.acLineStatus, 0);
}
