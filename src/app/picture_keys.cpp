// Which key steers the photos how: a step forth or back, the pause, Enter's folder, and the
// keys that end the show as every key does without steering.
#include "app/picture_keys.h"

namespace WorkSpace {

SteeringKey DecideSteeringKey(uintptr_t virtualKey, bool repeat) {
    SteeringKey d;
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
        d.steer = Steer::Open;
        d.ends = true;
        return d;
    default:
        d.ends = true;  // Esc and every other key end the saver as always
        return d;
    }
    // An auto-repeat would run through the photos faster than they decode, or flicker the
    // pause on and off: a held key steers once.
    if (repeat) d.steer = Steer::None;
    return d;
}

}  // namespace WorkSpace
