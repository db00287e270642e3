// The pictures' cross-fades as a simulation, apart from their drawing: how a lane's fade
// moves on in a frame, and how the steering keys move it. Nothing here calls the device;
// the lane's texture cache lets go of a picture once its fade is done with it.
#pragma once
#include <cstdint>

namespace WorkSpace {

class UserTextures;
class Window;

// A lane's cross-fade (PictureLayerState::fade for lane 0); current and next are the list
// indices of the two pictures shown.
struct CrossFade {
    uint32_t current = 0;
    uint32_t next = 1;
    float fade = 0.0f;
    // A first picture that arrives after frames were drawn without it fades in from black.
    // A monitor after the first fades its own first picture in over the first monitor's.
    uint32_t framesWithout = 0;
    float appear = 1.0f;
    // How far the picture shown alone (its successor not there yet) has panned on past its
    // place in the fade, to and fro (PanProgress); from 0 to 2, back to 0 as it leaves.
    float held = 0.0f;
    // Seconds the pictures have been on screen, which move their captions (OLED burn-in).
    double captionSeconds = 0.0;
    // Steering keys: the pictures wait while `paused`; a step fades `quick`ly to the picture
    // it asked for, once that has arrived. `pauseMark`: seconds the pause mark still shows.
    bool paused = false;
    bool quick = false;
    double pauseMark = 0.0;
};

// How long a steered cross-fade takes, and how long the pause mark shows (seconds).
constexpr double kQuickFadeSeconds = 0.4;
constexpr double kPauseMarkSeconds = 1.0;
// The pause mark fades out over its last this many seconds.
constexpr double kPauseMarkFadeSeconds = 0.3;
// How far the fade moves in a second: 0.001 a frame at 60 frames a second. A frame's step
// over it is the seconds that frame stands for, at any frame rate.
constexpr double kFadePerSecond = 0.06;
// How much of its way in a late first picture makes each frame: 50 frames from black.
constexpr float kAppearStep = 0.02f;
// A picture pans over two fades, its own in and its own out: one fade moves it half its pan.
constexpr float kPanPerFade = 0.5f;
// Travel after which a pan to and fro is back where it started (PanProgress): a held
// picture's `held` starts over from 0 there, so that it never grows.
constexpr float kPanRoundTrip = 2.0f;
// The coming picture is the one on screen once it is this far in.
constexpr float kComingShownFrom = 0.5f;

// The pictures' cross-fade per frame at `framesPerSecond`: exactly 0.001 at 60, so each
// picture lasts the same time at every rate.
float FadeStep(double framesPerSecond = 60.0);

// Which of a lane's pictures is the one on screen: the coming one (1) once it is more than
// half in, else the first. `pictures` holds at least one.
uint32_t ShownPicture(const CrossFade& state, const UserTextures& pictures);

// One frame of a lane's fade by `step`, once the frame's new picture, if any, is in
// `pictures`; `wereNone`: the lane had none before it. Until the next picture has arrived the
// current one stays, whole, and the fade waits; a picture that has faded out is dropped. The
// pictures on screen get their caption corner, and `current` and `next` their list indices.
void AdvanceLaneFade(CrossFade& state, UserTextures& pictures, bool wereNone, float step);

// Takes the keys pressed since the last frame (PostPictureStep, PostPauseToggle) and applies
// them to the single lane's pictures: a step keeps the picture on screen until the one asked
// for has arrived from the stream, then fades to it quickly. Over several lanes only the pause
// applies. Steps while no picture is on screen are dropped.
void SteerPictures(Window& window, uint32_t lanes = 1);

}  // namespace WorkSpace
