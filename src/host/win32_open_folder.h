// Enter's "show the photo in its folder" on Win32: the facts of the session and desktop the
// saver runs in (for MayOpenFolder), and Explorer opened on the photo.
#pragma once
#include <windows.h>

#include <string>

#include "host/open_folder.h"

namespace WorkSpace {

// This process and the calling thread, as Windows reports them.
SessionFacts ReadSessionFacts();
// On the window thread (COM is set up there), after the saver window is gone: opens the
// photo's folder with the photo selected when MayOpenFolder allows it; one log line otherwise.
void ShowInFolder(const std::wstring& path);

}  // namespace WorkSpace
