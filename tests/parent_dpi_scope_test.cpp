// The preview's DPI step: the parent's awareness for the window's creation, the thread's own
// after it, and nothing where Windows lacks the calls or the parent has no awareness.
#include "host/parent_dpi_scope.h"

#include <gtest/gtest.h>

#include <string>

using namespace WorkSpace;

namespace {

int g_own = 1, g_parents = 2;
DpiContext g_thread, g_windowContext;  // the thread's awareness; what the parent reports
bool g_refuse;
std::string g_calls;

DpiContext WindowContext(void*) { return g_calls += "get ", g_windowContext; }
DpiContext SetThreadContext(DpiContext context) {
    g_calls += context == &g_own ? "set-own " : "set-parents ";
    if (g_refuse) return nullptr;
    DpiContext old = g_thread;
    g_thread = context;
    return old;
}

// The calls `calls` make around a scope for a parent, and the thread's awareness after it.
std::string Around(const DpiCalls& calls, DpiContext parentContext, bool refuse = false) {
    g_thread = &g_own;
    g_windowContext = parentContext;
    g_refuse = refuse;
    g_calls.clear();
    int parent = 0;
    {
        ParentDpiScope scope(calls, &parent);
        g_calls += g_thread == &g_parents ? "| " : "- ";  // "|": the window is made in the parent's
    }
    EXPECT_EQ(g_thread, &g_own);
    return g_calls;
}

TEST(ParentDpi, TheWindowIsMadeInTheParentsAwarenessAndTheThreadGetsItsOwnBack) {
    EXPECT_EQ(Around({WindowContext, SetThreadContext}, &g_parents), "get set-parents | set-own ");
}

TEST(ParentDpi, NothingChangesWithoutTheCallsOrTheParentsAwarenessAndARefusedSwitchIsNotUndone) {
    EXPECT_EQ(Around({nullptr, SetThreadContext}, &g_parents), "- ");
    EXPECT_EQ(Around({WindowContext, nullptr}, &g_parents), "- ");
    EXPECT_EQ(Around({WindowContext, SetThreadContext}, nullptr), "get - ");  // a parent that is gone
    EXPECT_EQ(Around({WindowContext, SetThreadContext}, &g_parents, true), "get set-parents - ");
}

}  // namespace
