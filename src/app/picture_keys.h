// The keys that steer the photos during the show ("PictureKeys" 1): what each key asks. The
// saver window and the configuration dialog's preview take them in one place
// (app/win32_saver_window.cpp); the rule itself is portable, so it is tested without a window.
#pragma once
#include <cstdint>

namespace WorkSpace {

// The virtual keys that steer the photos.
namespace Vk {
constexpr uintptr_t RETURN = 0x0D, ESCAPE = 0x1B, SPACE = 0x20, PRIOR = 0x21, NEXT = 0x22, LEFT = 0x25,
                    RIGHT = 0x27;
}

// What a key asks of the pictures when keys steer them.
enum class Steer : uint8_t { None, Next, Previous, Pause, Open };

struct SteeringKey {
    Steer steer = Steer::None;
    bool ends = false;  // the key ends the show; with Open, the photo is then shown in its folder
};

// What a key-down of `virtualKey` asks when keys steer the photos. `repeat` is the key's
// previous-state bit (lParam bit 30): held keys step once, not on and on. Steer::None with
// `ends` false means the key is ignored; any key that steers nothing ends the show.
SteeringKey DecideSteeringKey(uintptr_t virtualKey, bool repeat);

}  // namespace WorkSpace
