// The console display state in Windows' power-setting notices: the frame loop pauses while
// the displays sleep. A pure rule, so it is tested without a window.
#pragma once
#include <cstdint>

namespace WorkSpace {

// WM_POWERBROADCAST's PBT_POWERSETTINGCHANGE, which arrives only for the settings a window
// registered. It is no user event and does not end the saver.
constexpr uintptr_t kPowerSettingChange = 0x8013;

enum class DisplayPower { NotDisplayState, Off, On };
// The console display state in a power-setting notice: 0 off, 1 on, 2 dimmed (still
// showing, so drawn); anything else, or a notice of another setting, is not a display state.
DisplayPower DecideDisplayPower(bool consoleDisplaySetting, uint32_t dataLength, const uint8_t* data);

}  // namespace WorkSpace
