// Which key steers the photos how: a step forth or back, the pause, Enter's folder, and the
// keys that end the show as every key does without steering; and which keys were seen down.
#include "app/picture_keys.h"

namespace WorkSpace {

KeyArrival KeysSeen::Down(uintptr_t virtualKey, bool wasDown) {
    const size_t key = virtualKey & 0xFF;
    const bool seen = down_.test(key);
    down_.set(key);
    if (!wasDown) return KeyArrival::Pressed;
    return seen ? KeyArrival::Repeat : KeyArrival::HeldBefore;
}

void KeysSeen::Up(uintptr_t virtualKey) { down_.reset(virtualKey & 0xFF); }

SteeringKey DecideSteeringKey(uintptr_t virtualKey, KeyArrival arrival, bool photoShown) {
    SteeringKey d;
    // A key held since before the show (an Enter that clicked the dialog's Preview button)
    // was meant for something else: it only ends the show, it never steers or opens.
    if (arrival == KeyArrival::HeldBefore) {
        d.ends = true;
        return d;
    }
    const bool repeat = arrival == KeyArrival::Repeat;
    switch (virtualKey) {
    case Vk::RIGHT:
    case Vk::NEXT:
        d.steer = Steer::Next;
        break;
    case Vk::LEFT:
    case Vk::PRIOR:
        d.steer = Steer::Previous;
        break;
    case Vk::SPACE:
        d.steer = Steer::Pause;
        break;
    case Vk::RETURN:
        // A held Enter repeats only while the window goes: one Open is enough.
        d.steer = photoShown ? Steer::Open : Steer::None;
        d.ends = true;
        return d;
    default:
        d.ends = true;  // Esc and every other key end the saver as always
        return d;
    }
    // An auto-repeat would run through the photos faster than they decode, or flicker the
    // pause on and off: a held key steers once.
    if (repeat) {
        d.steer = Steer::None;
    } else if (!photoShown) {
        // Nothing to steer (a filter leaves no photo, the folders are offline): the key ends
        // the show as any key does, rather than seeming dead.
        d.steer = Steer::None;
        d.ends = true;
    }
    return d;
}

}  // namespace WorkSpace
