// The show's messages that the saver window and the dialog's preview share: which messages
// steer the photos (a plain key-down, and only in the windows that take keys), and a preview
// whose show has ended rebuilding nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/run_state.h"
#include "app/win32_display_events.h"
#include "app/win32_saver_window.h"
#include "scene/picture_layer.h"
#include "scene/window.h"
#include "settings/settings.h"

using namespace WorkSpace;

namespace {
// Keys steer ("PictureKeys" 1, a picture on screen, no error screen) while one lives.
class KeysSteer {
public:
    KeysSteer() : saved_(GetWindow().settings), show_(GetWindow().showPictures), failed_(GetRunState().startFailed) {
        Window& w = GetWindow();
        w.settings.Set(SettingKey::PictureKeys, 1);
        w.settings.pictures = {L"C:\\Photos"};
        w.showPictures = 1;
        GetRunState().startFailed.store(0);
        PictureLayerData(w).shownSerial.store(7);
    }
    ~KeysSteer() {
        GetWindow().settings = saved_;
        GetWindow().showPictures = show_;
        GetRunState().startFailed.store(failed_);
        PictureLayerData(GetWindow()).shownSerial.store(~uint64_t{0});
        TakePhotoToOpen();
    }

private:
    Settings saved_;
    int32_t show_;
    uint8_t failed_;
};

bool Taken(UINT message, WPARAM wParam, const SaverShow& show, LPARAM lParam = 0) {
    LRESULT result = 0;
    return SaverShowMessage(nullptr, message, wParam, lParam, show, &result);
}
}  // namespace

TEST(SaverShowKeys, OnlyAPlainKeyDownSteersInTheSaverAndTheDialogsPreview) {
    KeysSteer steer;
    for (ShowWindowKind kind : {ShowWindowKind::FullScreen, ShowWindowKind::DialogPreview}) {
        const SaverShow show = {kind, true};
        EXPECT_TRUE(Taken(WM_KEYDOWN, VK_RIGHT, show));
        EXPECT_TRUE(Taken(WM_KEYDOWN, VK_LEFT, show));  // and back: the steps come to nothing
        EXPECT_TRUE(Taken(WM_KEYDOWN, VK_RIGHT, show, LPARAM{1} << 30));  // held: ignored, not ending
        // What steers nothing goes on to the window's own rules, which end the show.
        EXPECT_FALSE(Taken(WM_KEYDOWN, VK_ESCAPE, show));
        EXPECT_FALSE(Taken(WM_KEYDOWN, VK_RETURN, show));
        EXPECT_FALSE(Taken(WM_SYSKEYDOWN, VK_RIGHT, show));  // Alt+Right
        EXPECT_FALSE(Taken(WM_KEYUP, VK_RIGHT, show));
        EXPECT_FALSE(Taken(WM_LBUTTONDOWN, MK_LBUTTON, show));
        EXPECT_FALSE(Taken(WM_MOUSEMOVE, 0, show));  // a move still ends the saver
    }
    // The small preview takes no keys, nor does a preview whose show has ended.
    EXPECT_FALSE(Taken(WM_KEYDOWN, VK_RIGHT, {ShowWindowKind::SmallPreview, true}));
    EXPECT_FALSE(Taken(WM_KEYDOWN, VK_RIGHT, {ShowWindowKind::DialogPreview, false}));
    // A key held since before the window saw it go down, and a steering key while no photo is
    // on screen, end the show.
    const SaverShow full = {ShowWindowKind::FullScreen, true};
    EXPECT_FALSE(Taken(WM_KEYDOWN, VK_SPACE, full, LPARAM{1} << 30));
    PictureLayerData(GetWindow()).shownSerial.store(~uint64_t{0});
    EXPECT_FALSE(Taken(WM_KEYDOWN, VK_PRIOR, full));
    PictureLayerData(GetWindow()).shownSerial.store(7);
    // Over the error screen every key ends the show.
    GetRunState().startFailed.store(1);
    EXPECT_FALSE(Taken(WM_KEYDOWN, VK_RIGHT, {ShowWindowKind::FullScreen, true}));
}

TEST(SaverShowRebuild, APreviewWhoseShowHasEndedRebuildsNothing) {
    // The render thread's last request can arrive after the preview has stopped it.
    const SaverShow ended = {ShowWindowKind::DialogPreview, false};
    EXPECT_TRUE(Taken(kRebuildMessage, 0, ended));
    EXPECT_TRUE(Taken(WM_DISPLAYCHANGE, 32, ended));
    EXPECT_TRUE(Taken(WM_TIMER, kRebuildTimer, ended));
    EXPECT_FALSE(GetRunState().renderThread.joinable());
}
