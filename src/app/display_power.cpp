#include "app/display_power.h"

namespace WorkSpace {

DisplayPower DecideDisplayPower(bool consoleDisplaySetting, uint32_t dataLength, const uint8_t* data) {
    if (!consoleDisplaySetting || !data || dataLength < 4) return DisplayPower::NotDisplayState;
    const uint32_t value = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                           static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    if (value == 0) return DisplayPower::Off;
    if (value == 1 || value == 2) return DisplayPower::On;
    return DisplayPower::NotDisplayState;
}

}  // namespace WorkSpace
