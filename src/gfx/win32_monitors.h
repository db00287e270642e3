// The monitors of the virtual desktop for the per-monitor views (EnumDisplayMonitors).
#pragma once
#include "gfx/view.h"

namespace WorkSpace {

// The window's client area in desktop coordinates and every monitor's rectangle. A child
// window (the small preview inside the display settings) is one view: no monitors.
void ReadDisplayLayout(void* window, DisplayLayout* layout);

}  // namespace WorkSpace
