// The pictures' cross-fades (picture_fades.h): a lane's fade by a frame's step, the quick
// fade of a steer and the pause, the first picture's fade-in. The update half of the picture
// layer: it reads and moves state, and never draws.
#include "scene/picture_fades.h"

#include "scene/caption_quad.h"
#include "scene/frame_layer.h"
#include "scene/picture_layer.h"
#include "scene/picture_textures.h"

namespace WorkSpace {

float FadeStep(double framesPerSecond) { return static_cast<float>(0.001 * FrameRateFactor(framesPerSecond)); }

uint32_t ShownPicture(const CrossFade& state, const UserTextures& pictures) {
    return pictures.Count() >= 2 && state.fade >= kComingShownFrom ? 1 : 0;
}

void AdvanceLaneFade(CrossFade& state, UserTextures& pictures, bool wereNone, float step) {
    if (pictures.Count() == 0) {
        ++state.framesWithout;
        return;
    }
    // A first picture after frames without one fades in: from black on the first monitor,
    // from the first monitor's picture (shown meanwhile) on the others.
    if (wereNone) state.appear = state.framesWithout > 0 ? 0.0f : 1.0f;
    const double seconds = step / kFadePerSecond;
    state.captionSeconds += seconds;
    state.appear = state.appear + kAppearStep < 1.0f ? state.appear + kAppearStep : 1.0f;
    // Until the next picture has arrived the current one stays, whole; the fade waits.
    // A steered fade is quick; a paused one goes back to, or on to, the nearer picture whole.
    const float quickStep = static_cast<float>(seconds / kQuickFadeSeconds);
    state.pauseMark = state.pauseMark > seconds ? state.pauseMark - seconds : 0.0;
    // A clip holds the screen while it plays (up to its longest), before its fade begins.
    const bool clipPlays = !state.quick && state.fade <= 0.0f && pictures.FirstHoldsFade();
    if (pictures.Count() >= 2 && !clipPlays && (state.quick || !state.paused || state.fade >= kComingShownFrom)) {
        state.fade = state.fade + (state.quick || state.paused ? quickStep : step);
        if (state.fade >= 1.0f) {
            state.fade = 0.0f;
            state.held = 0.0f;
            state.quick = false;
            pictures.DropFirst();
        }
    } else if (pictures.Count() >= 2 && state.fade > 0.0f) {
        state.fade = state.fade > quickStep ? state.fade - quickStep : 0.0f;
    } else {
        // Alone, or held before its fade, the picture keeps moving at the pace the fade
        // would move it.
        state.held = state.held + kPanPerFade * step;
        if (state.held >= kPanRoundTrip) state.held -= kPanRoundTrip;
    }
    // A photo keeps the caption's corner it starts showing in.
    pictures.KeepCaptionCorners(CaptionCorner(state.captionSeconds));
    state.current = pictures.At(0).listIndex;
    state.next = pictures.Count() >= 2 ? pictures.At(1).listIndex : state.current;
}

void SteerPictures(Window& w, uint32_t lanes) {
    PictureLayerState& layer = PictureLayerData(w);
    const int32_t steps = layer.pictureSteps.exchange(0);
    const uint32_t pauses = layer.pauseToggles.exchange(0);
    if (pauses % 2 == 1) {
        const bool paused = !layer.fade.paused;
        for (uint32_t lane = 0; lane < kPictureLanes; ++lane) LaneFade(w, lane).paused = paused;
        layer.fade.pauseMark = paused ? kPauseMarkSeconds : 0.0;
    }
    UserTextures& pictures = PictureLane(w, 0);
    if (steps == 0 || lanes != 1 || pictures.Count() == 0) return;
    CrossFade& state = layer.fade;
    // The picture on screen: the coming one, once it is more than half in.
    const uint32_t shown = ShownPicture(state, pictures);
    const int64_t target = static_cast<int64_t>(pictures.At(shown).serial) + steps;
    // Pictures already here that follow on from the target are kept, so a step forth to a
    // picture decoded ahead fades at once; the stream goes on after the last one kept.
    uint32_t kept = shown + 1;
    while (kept < pictures.Count() && static_cast<int64_t>(pictures.At(kept).serial) == target + (kept - shown - 1))
        ++kept;
    const int64_t resume = target + (kept - shown - 1);
    if (target < 0 || !layer.stream.SteerTo(static_cast<uint64_t>(resume))) return;  // nothing before it
    pictures.KeepFirst(kept);
    if (shown == 1) pictures.DropFirst();
    state.fade = 0.0f;
    state.quick = true;
    state.paused = false;  // a step ends the pause
    state.pauseMark = 0.0;
}

}  // namespace WorkSpace
