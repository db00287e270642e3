// An HRESULT as the debugger output shows it.
#include <gtest/gtest.h>

#include "platform/platform.h"

using namespace WorkSpace;

TEST(HResultText, KnownCodeHasItsNameAndAnUnknownOneItsHexOnly) {
    // Direct3D's codes have no system message, so the name is all that follows the hex.
    EXPECT_EQ(Platform::HResultText(static_cast<int32_t>(0x8876086C)), L"0x8876086C D3DERR_INVALIDCALL");
    EXPECT_EQ(Platform::HResultText(static_cast<int32_t>(0xA0DE0001)), L"0xA0DE0001");
}
