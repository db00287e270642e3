// The process-wide objects built during static initialisation, in one file so their order
// is the order written here: the library search narrowed to the system folder before any
// DLL can be loaded, the log (it deletes the old log file), then the Window object with its
// settings record, then GDI+.
#include "resources/gdiplus_startup.h"
#include "platform/platform.h"
#include "scene/window.h"
#include "settings/settings.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
const bool g_librarySearchRestricted = (Platform::RestrictLibrarySearch(), true);
Logger g_logger;
Window g_window(GetSettings());
// GDI+ serves the error screen and the picture list; it is started before the entry runs.
const bool g_gdiplusStarted = StartGdiplus();
}  // namespace

Logger& GetLogger() { return g_logger; }
Window& GetWindow() { return g_window; }

}  // namespace WorkSpace
