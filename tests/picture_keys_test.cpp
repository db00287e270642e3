// The keys that steer the photos: what each key asks, a held key that steers once, a key held
// since before the window that only ends, and the steering keys with no photo on screen.
#include <gtest/gtest.h>

#include "app/picture_keys.h"

using namespace WorkSpace;

TEST(PictureKeys, EachKeyStepsPausesOpensOrEnds) {
    struct Row {
        uintptr_t key;
        bool repeat;  // WM_KEYDOWN's previous-state bit: an auto-repeat
        Steer steer;
        bool ends;
    } rows[] = {
        {0x27, false, Steer::Next, false},      // Right
        {0x22, false, Steer::Next, false},      // Page Down
        {0x25, false, Steer::Previous, false},  // Left
        {0x21, false, Steer::Previous, false},  // Page Up
        {0x20, false, Steer::Pause, false},     // Space
        {0x0D, false, Steer::Open, true},       // Enter
        {0x0D, true, Steer::Open, true},
        {0x27, true, Steer::None, false},       // a held arrow steps once
        {0x20, true, Steer::None, false},       // a held Space does not flicker
        {0x1B, false, Steer::None, true},       // Esc
        {0x41, false, Steer::None, true},       // A
        {0x10, true, Steer::None, true},        // Shift, held since before the start
        {0x28, false, Steer::None, true},       // Down
    };
    for (const Row& row : rows) {
        const SteeringKey d = DecideSteeringKey(row.key, row.repeat ? KeyArrival::Repeat : KeyArrival::Pressed, true);
        EXPECT_EQ(d.steer, row.steer) << row.key << " " << row.repeat;
        EXPECT_EQ(d.ends, row.ends) << row.key << " " << row.repeat;
    }
}

TEST(PictureKeys, AKeyHeldFromBeforeOrNoPhotoOnlyEnds) {
    struct Row {
        uintptr_t key;
        KeyArrival arrival;
        bool photoShown;
        Steer steer;
        bool ends;
    } rows[] = {
        {0x0D, KeyArrival::HeldBefore, true, Steer::None, true},  // Enter from the Preview button
        {0x27, KeyArrival::HeldBefore, true, Steer::None, true},
        {0x27, KeyArrival::Pressed, false, Steer::None, true},  // nothing to steer
        {0x20, KeyArrival::Pressed, false, Steer::None, true},
        {0x0D, KeyArrival::Pressed, false, Steer::None, true},
        {0x27, KeyArrival::Repeat, false, Steer::None, false},  // repeats stay ignored
    };
    for (const Row& row : rows) {
        const SteeringKey d = DecideSteeringKey(row.key, row.arrival, row.photoShown);
        EXPECT_EQ(d.steer, row.steer) << row.key << " " << static_cast<int>(row.arrival) << " " << row.photoShown;
        EXPECT_EQ(d.ends, row.ends) << row.key << " " << static_cast<int>(row.arrival) << " " << row.photoShown;
    }
}

TEST(PictureKeys, ARepeatIsOnlyOfAKeySeenGoingDown) {
    KeysSeen keys;
    EXPECT_EQ(keys.Down(0x0D, true), KeyArrival::HeldBefore);  // held when the window came
    EXPECT_EQ(keys.Down(0x0D, true), KeyArrival::Repeat);
    keys.Up(0x0D);
    EXPECT_EQ(keys.Down(0x0D, false), KeyArrival::Pressed);
    EXPECT_EQ(keys.Down(0x0D, true), KeyArrival::Repeat);
    EXPECT_EQ(keys.Down(0x27, true), KeyArrival::HeldBefore);  // each key on its own
    keys.Clear();
    EXPECT_EQ(keys.Down(0x0D, true), KeyArrival::HeldBefore);
}
