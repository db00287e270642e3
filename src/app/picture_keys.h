// The keys that steer the photos during the show ("PictureKeys" 1): what each key asks. The
// saver window and the configuration dialog's preview take them in one place
// (app/win32_saver_window.cpp); the rule itself is portable, so it is tested without a window.
#pragma once
#include <bitset>
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

// How a key-down reached the window.
enum class KeyArrival : uint8_t {
    Pressed,     // the key went down now
    Repeat,      // an auto-repeat of a key this window saw go down
    HeldBefore,  // down since before the window had it (the dialog's Preview button, held)
};

// Which keys the window saw go down and not yet up: WM_KEYDOWN's previous-state bit (lParam
// bit 30) alone cannot tell an auto-repeat from a key pressed before the window existed.
class KeysSeen {
public:
    // A WM_KEYDOWN or WM_SYSKEYDOWN of `virtualKey`; `wasDown` is its lParam bit 30.
    KeyArrival Down(uintptr_t virtualKey, bool wasDown);
    void Up(uintptr_t virtualKey);  // WM_KEYUP or WM_SYSKEYUP
    void Clear() { down_.reset(); }

private:
    std::bitset<256> down_;
};

// What a key-down of `virtualKey` asks when keys steer the photos. Repeats are ignored: held
// keys step once, not on and on. A key held since before the window had it, and a steering
// key while no photo is on screen (`photoShown` false), end the show. Steer::None with `ends`
// false means the key is ignored; any key that steers nothing ends the show.
SteeringKey DecideSteeringKey(uintptr_t virtualKey, KeyArrival arrival, bool photoShown);

}  // namespace WorkSpace
