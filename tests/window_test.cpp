// The Window object on the recording backend: the device creation sequence with its log
// lines, its failures step by step, and the release order.
#include <gtest/gtest.h>

#include "app/workspace.h"
#include "gfx/recording_graphics.h"
#include "scene/window.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
class WindowCreate : public RecordedFrame {};
}  // namespace

TEST_F(WindowCreate, CreateLogsEachStepAndSetsTheFixedStates) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    const std::vector<std::string> expected = {
        " --------------------------- Lumora Screen Saver -------------------",
        "Window::Create() - Direct3DCreate9 () - OK",
        "Window::Create() - GetDeviceCaps () - OK",
        "Window::Create() - CreateDevice () - OK",
        "Window::Create() - D3DXCreateFont () - OK",
        "Window::Create() - OK",
    };
    EXPECT_EQ(LogMessages(ReadLog(dir)), expected);
    EXPECT_TRUE(record.Contains("SetRenderState(LIGHTING, 0)"));  // lighting off
    EXPECT_TRUE(record.Contains("SetRenderState(CULLMODE, 1)"));  // no culling
    EXPECT_TRUE(record.Contains("SetRenderState(ZENABLE, 0)"));   // no depth test
    EXPECT_TRUE(record.Contains("SetSamplerState(0, MIPFILTER, 0)"));
    EXPECT_EQ(GetWindow().Width(), 1024);
}

TEST_F(WindowCreate, CreateFailuresStopAtTheirStep) {
    EXPECT_FALSE(GetWindow().Create(nullptr));
    EXPECT_EQ(LogMessages(ReadLog(dir)).size(), 1u);  // only the banner

    record.failing = {"Direct3DCreate9"};
    EXPECT_FALSE(GetWindow().Create(&dummyWindow));
    EXPECT_EQ(LogMessages(ReadLog(dir)).back(), "Window::Create() - Direct3DCreate9 () - FAILED");

    record.failing = {"System.GetDeviceCaps"};
    EXPECT_FALSE(GetWindow().Create(&dummyWindow));
    EXPECT_EQ(LogMessages(ReadLog(dir)).back(), "Window::Create() - GetDeviceCaps () - FAILED");
    EXPECT_FALSE(record.Contains("System.CreateDevice()"));

    record.failing = {"NoVertexProcessing"};
    EXPECT_FALSE(GetWindow().Create(&dummyWindow));
    std::vector<std::string> log = LogMessages(ReadLog(dir));
    EXPECT_EQ(log.back(), "Window::Create() - GetDeviceCaps () - OK");

    record.failing = {"System.CreateDevice"};
    EXPECT_FALSE(GetWindow().Create(&dummyWindow));
    EXPECT_EQ(LogMessages(ReadLog(dir)).back(), "Window::Create() - CreateDevice () - FAILED");

    // A font that cannot be made is reported and tolerated.
    record.failing = {"CreateFont"};
    EXPECT_TRUE(GetWindow().Create(&dummyWindow));
    log = LogMessages(ReadLog(dir));
    EXPECT_EQ(log[log.size() - 2], "Window::Create() - D3DXCreateFont () - FAILED");
    EXPECT_EQ(log.back(), "Window::Create() - OK");
}

TEST_F(WindowCreate, SecondCreateReleasesTheFirstDeviceAndReleaseGoesInOrder) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    const int live = record.liveObjects;
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    EXPECT_EQ(record.liveObjects, live);
    record.Clear();
    ReleaseScene();
    const std::vector<std::string> expected = {"Release(font)", "Release(device)", "Release(direct3d)"};
    EXPECT_EQ(record.calls, expected);
    EXPECT_EQ(record.liveObjects, 0);
}
