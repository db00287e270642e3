// The display state in Windows' power-setting notices: the frame loop pauses while the
// displays sleep. A pure rule, so it is tested without a window.
#pragma once
#include <cstdint>

namespace WorkSpace {

// WM_POWERBROADCAST's PBT_POWERSETTINGCHANGE, which arrives only for the settings a window
// registered. It is no user event and does not end the saver.
constexpr uintptr_t kPowerSettingChange = 0x8013;

// The setting a notice is about. Windows 8 and later send the console display state; the
// monitor power notice is the older one, the only one on Windows 7, and is still sent
// beside the newer one.
enum class DisplaySetting { Other, ConsoleDisplayState, MonitorPowerOn };

// Unchanged: a display notice that says nothing new (the monitor power notice once the
// console display state has been heard, which then speaks alone).
enum class DisplayPower { NotDisplayState, Off, On, Unchanged };
// The display state in a power-setting notice. Console display state: 0 off, 1 on, 2
// dimmed (still showing, so drawn). Monitor power: 0 off, 1 on; ignored once a console
// display state notice has arrived (`consoleHeard`), so the two never take turns.
// Any other value, or a notice of another setting, is not a display state.
DisplayPower DecideDisplayPower(DisplaySetting setting, bool consoleHeard, uint32_t dataLength, const uint8_t* data);

}  // namespace WorkSpace
