// GDI+ is started once per process, during static initialisation, before any code draws
// with it (the error screen, the picture list). process_globals.cpp asks for it after the
// log and the Window object are built.
#pragma once

namespace WorkSpace {

#ifdef _WIN32
// Starts GDI+ the first time it is called (version 1, no debug callback, GDI+'s own
// background thread, external codecs allowed) and registers the shutdown for process exit;
// later calls return the first answer. Safe from any thread.
bool StartGdiplus();
#else
// No GDI+ on Linux: nothing to start.
inline bool StartGdiplus() { return true; }
#endif

}  // namespace WorkSpace
