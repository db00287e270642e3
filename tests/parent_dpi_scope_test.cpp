// The preview's DPI step: the parent's awareness for the window's creation, the thread's own
// after it, and nothing where Windows lacks the calls or the parent has no awareness.
#include "host/parent_dpi_scope.h"

#include <gtest/gtest.h>

#include <string>

using namespace WorkSpace;

namespace {

int g_own = 1, g_parents = 2;
DpiContext g_thread = nullptr;        // the thread's awareness as the fake calls keep it
DpiContext g_windowContext = nullptr;  // what the parent reports
bool g_refuse = false;
std::string g_calls;

DpiContext WindowContext(void*) {
    g_calls += "get ";
    return g_windowContext;
}

DpiContext SetThreadContext(DpiContext context) {
    g_calls += context == &g_own ? "set-own " : "set-parents ";
    if (g_refuse) return nullptr;
    DpiContext old = g_thread;
    g_thread = context;
    return old;
}

class ParentDpi : public ::testing::Test {
protected:
    void SetUp() override {
        g_thread = &g_own;
        g_windowContext = &g_parents;
        g_refuse = false;
        g_calls.clear();
    }
    DpiCalls calls{WindowContext, SetThreadContext};
    int parent = 0;
};

TEST_F(ParentDpi, TheWindowIsMadeInTheParentsAwarenessAndTheThreadGetsItsOwnBack) {
    {
        ParentDpiScope scope(calls, &parent);
        EXPECT_EQ(g_thread, &g_parents);
    }
    EXPECT_EQ(g_thread, &g_own);
    EXPECT_EQ(g_calls, "get set-parents set-own ");
}

TEST_F(ParentDpi, NothingChangesWithoutTheCallsOrTheParentsAwarenessAndARefusedSwitchIsNotUndone) {
    { ParentDpiScope scope(DpiCalls{nullptr, SetThreadContext}, &parent); }
    { ParentDpiScope scope(DpiCalls{WindowContext, nullptr}, &parent); }
    EXPECT_EQ(g_calls, "");
    g_windowContext = nullptr;  // a parent that is gone
    { ParentDpiScope scope(calls, &parent); }
    EXPECT_EQ(g_calls, "get ");
    g_windowContext = &g_parents;
    g_refuse = true;
    { ParentDpiScope scope(calls, &parent); }
    EXPECT_EQ(g_calls, "get get set-parents ");
    EXPECT_EQ(g_thread, &g_own);
}

}  // namespace
