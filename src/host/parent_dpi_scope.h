// The small preview lives inside the display settings' dialog. Lumora declares per-monitor
// DPI awareness, and under Windows' default hosting behaviour a window cannot have a child
// of another awareness: the preview would be missing, or sized in the wrong units. So the
// window thread takes on the parent's awareness to make the preview, and its own back after.
// Both calls are loaded at run time (Windows 10 1607 and later); without them nothing changes.
#pragma once

namespace WorkSpace {

using DpiContext = void*;  // a DPI_AWARENESS_CONTEXT

struct DpiCalls {
    DpiContext (*windowContext)(void* window) = nullptr;  // GetWindowDpiAwarenessContext
    DpiContext (*setThreadContext)(DpiContext) = nullptr;  // SetThreadDpiAwarenessContext: the old one, or null
};

// While alive, the calling thread has `parent`'s DPI awareness, when the calls exist and the
// parent has one; the thread's own comes back at the end.
class ParentDpiScope {
public:
    ParentDpiScope(const DpiCalls& calls, void* parent);
    ~ParentDpiScope();
    ParentDpiScope(const ParentDpiScope&) = delete;
    ParentDpiScope& operator=(const ParentDpiScope&) = delete;

private:
    DpiCalls calls_;
    DpiContext previous_ = nullptr;  // the thread's own, while the parent's is in place
};

}  // namespace WorkSpace
