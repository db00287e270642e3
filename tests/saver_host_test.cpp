// The host's portable rules: the command line, the input that ends the saver, and who may
// have Enter open a photo's folder.
#include <gtest/gtest.h>

#include "host/open_folder.h"
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
    EXPECT_FALSE(DecideInput(r, Msg::KEYUP, 0x41, 0, 0, 0, 255).close);  // the key-up of a key from before
}

TEST(SaverInput, SideButtonsAndAppCommandsEndAndNeverReachTheShell) {
    struct Row {
        uint32_t message;
        bool close;
    } rows[] = {{Msg::XBUTTONDOWN, true}, {Msg::APPCOMMAND, true}, {Msg::XBUTTONUP, false}};
    for (const Row& row : rows) {
        InputRules r;
        const InputDecision d = DecideInput(r, row.message, 0, 0, 0, 0, 255);
        EXPECT_EQ(d.close, row.close) << row.message;
        EXPECT_TRUE(d.handled) << row.message;  // not on to DefWindowProc
        EXPECT_EQ(d.result, 1) << row.message;
    }
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

TEST(OpenFolder, OnlyTheSignedInUsersOwnDesktop) {
    const wchar_t* user = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    struct Row {
        bool opened;
        const wchar_t* input;
        const wchar_t* thread;
        const wchar_t* sid;
        bool known;
        uint32_t session;
        bool may;
    } rows[] = {
        {true, L"Default", L"Default", user, true, 1, true},
        {true, L"default", L"DEFAULT", user, true, 2, true},          // names are not case-sensitive
        {false, L"", L"Default", user, true, 1, false},               // OpenInputDesktop denied: secure desktop
        {true, L"Winlogon", L"Default", user, true, 1, false},        // the logon screen has the input
        {true, L"Default", L"Screen-saver", user, true, 1, false},    // the secure saver's own desktop
        {true, L"Default", L"Sandbox", user, true, 1, false},         // another desktop
        {true, L"Default", L"Default", L"S-1-5-18", true, 1, false},  // LocalSystem
        {true, L"Default", L"Default", L"S-1-5-19", true, 1, false},  // LocalService
        {true, L"Default", L"Default", L"S-1-5-20", true, 1, false},  // NetworkService
        {true, L"Default", L"Default", L"", true, 1, false},          // token unreadable
        {true, L"Default", L"Default", user, true, 0, false},         // session 0
        {true, L"Default", L"Default", user, false, 1, false},
    };
    for (const Row& row : rows) {
        SessionFacts f;
        f.inputDesktopOpened = row.opened;
        f.inputDesktop = row.input;
        f.threadDesktop = row.thread;
        f.userSid = row.sid;
        f.sessionKnown = row.known;
        f.sessionId = row.session;
        EXPECT_EQ(MayOpenFolder(f), row.may) << row.input << " " << row.thread << " " << row.sid << " " << row.session;
    }
}

TEST(OpenFolder, RegistryValuesThatSaySecure) {
    const uint8_t one[] = {'1', 0, 0, 0}, zero[] = {'0', 0}, blankOne[] = {' ', 0, '1', 0, ' ', 0},
                  word[] = {'y', 0, 'e', 0, 's', 0}, dwordOne[] = {1, 0, 0, 0}, dwordZero[] = {0, 0, 0, 0},
                  odd[] = {'1', 0, '1'};
    struct Row {
        uint32_t type;
        const uint8_t* data;
        uint32_t bytes;
        SecureValue value;
    } rows[] = {
        {1, one, 4, SecureValue::NonZero},        // REG_SZ "1" as Windows writes it
        {1, zero, 2, SecureValue::Zero},          // without its NUL
        {1, one, 0, SecureValue::Zero},           // empty
        {2, blankOne, 6, SecureValue::NonZero},   // REG_EXPAND_SZ, blanks round it
        {1, word, 6, SecureValue::Unreadable},    // not a number
        {1, odd, 3, SecureValue::Unreadable},     // half a character
        {4, dwordOne, 4, SecureValue::NonZero},   // REG_DWORD
        {4, dwordZero, 4, SecureValue::Zero},
        {4, dwordOne, 2, SecureValue::Unreadable},
        {3, one, 4, SecureValue::Unreadable},     // REG_BINARY
    };
    for (const Row& row : rows)
        EXPECT_EQ(SecureValueOf(row.type, row.data, row.bytes), row.value) << row.type << " " << row.bytes;
}

TEST(OpenFolder, NeverWhileTheSaverIsSecure) {
    const SecureValue no = SecureValue::Missing, on = SecureValue::NonZero, off = SecureValue::Zero,
                      bad = SecureValue::Unreadable;
    struct Row {
        bool read, secure;
        SecureValue desktop, policy;
        bool queried;
        int32_t flags;
        bool reversed, saysSecure;
    } rows[] = {
        {true, false, no, no, true, 1, false, false},   // unlocked, nothing protected
        {true, true, no, no, true, 1, false, true},     // "On resume, display logon screen"
        {false, false, on, no, false, -1, false, true},  // the call fails (Wine): the desktop value
        {false, false, off, no, false, -1, false, false},
        {false, false, bad, no, false, -1, false, true},  // present but unreadable
        {true, false, on, no, true, 1, false, false},     // the call answers: the value is not asked
        {true, false, no, on, true, 1, false, true},      // the policy value
        {true, false, no, bad, true, 1, false, true},
        {true, false, no, off, true, 1, false, false},
        {true, false, no, no, true, 0, false, true},      // WTS_SESSIONSTATE_LOCK
        {true, false, no, no, true, -1, false, true},     // WTS_SESSIONSTATE_UNKNOWN
        {true, false, no, no, true, 7, false, true},      // a state nobody documents
        {true, false, no, no, true, 0, true, false},      // Windows 7: LOCK says unlocked
        {true, false, no, no, true, 1, true, true},       // and UNLOCK says locked
        {true, false, no, no, false, 0, false, false},    // no lock state to ask: the desktops decide
    };
    for (const Row& row : rows) {
        SessionFacts f;
        f.inputDesktopOpened = true;
        f.inputDesktop = f.threadDesktop = L"Default";
        f.userSid = L"S-1-5-21-1004336348-1177238915-682003330-1001";
        f.sessionKnown = true;
        f.sessionId = 1;
        f.secureRead = row.read;
        f.secure = row.secure;
        f.desktopValue = row.desktop;
        f.policyValue = row.policy;
        f.lockQueried = row.queried;
        f.sessionFlags = row.flags;
        f.flagsReversed = row.reversed;
        EXPECT_EQ(SaverSecure(f), row.saysSecure) << (&row - rows);
        EXPECT_EQ(MayOpenFolder(f), !row.saysSecure) << (&row - rows);
    }
}
