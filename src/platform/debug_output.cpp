// Debugger output, or the sink a program puts in its place; the same on every platform.
#include <atomic>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

namespace {
std::atomic<DebugSink> g_debugSink{nullptr};
}  // namespace

void SetDebugOutputForTesting(DebugSink sink) { g_debugSink.store(sink); }

void DebugOutput(const std::wstring& text) {
    if (DebugSink sink = g_debugSink.load()) return sink(text);
    SystemDebugOutput(text);
}

}  // namespace Platform
}  // namespace WorkSpace
