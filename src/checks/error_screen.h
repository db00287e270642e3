// The screen shown instead of the effect on a machine that cannot run it: the language's
// error picture centred on black with the logo below left (gdiplus_error_screen.cpp), or a
// blank wait on Linux (posix_error_screen.cpp).
#pragma once

namespace WorkSpace {

// Runs on the render thread until RunState::stopRequested is 1; returns at once when a
// picture is missing from the archive. The result is not used.
int ShowErrorScreen();

}  // namespace WorkSpace
