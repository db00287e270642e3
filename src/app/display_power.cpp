// The display state read from a power-setting notice's data: the console display state's
// off, on and dimmed, and the older monitor power notice, only acknowledged once the newer one
// has been heard. No window here: win32_display_events.cpp hands the notices in.
#include "app/display_power.h"

namespace WorkSpace {

DisplayPower DecideDisplayPower(DisplaySetting setting, bool consoleHeard, uint32_t dataLength, const uint8_t* data) {
    if (setting == DisplaySetting::Other || !data || dataLength < 4) return DisplayPower::NotDisplayState;
    const uint32_t value = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                           static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    const bool dimmed = setting == DisplaySetting::ConsoleDisplayState && value == 2;
    if (value > 1 && !dimmed) return DisplayPower::NotDisplayState;
    if (setting == DisplaySetting::MonitorPowerOn && consoleHeard) return DisplayPower::Unchanged;
    return value == 0 ? DisplayPower::Off : DisplayPower::On;
}

}  // namespace WorkSpace
