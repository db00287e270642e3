// The diagnostic log: start-up deletes, the line format, no overrun, and serialised writers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "resources/logger.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
std::wstring g_debugText;
void KeepDebugText(const std::wstring& text) { g_debugText += text; }
std::string Dir(const char* name) {
    std::string d = ::testing::TempDir() + name;
    Platform::MakeFolder(W(d));
    return d;
}
}  // namespace

TEST(Logger, LineFormatPadsEachFieldAndUsesTwentyFourHours) {
    EXPECT_EQ(FormatLogLine(9, 5, 3, L"msg"), L"[09:05:03] msg\n");
    EXPECT_EQ(FormatLogLine(23, 59, 0, L"Window::Create() - Direct3DCreate9 () - OK"),
              L"[23:59:00] Window::Create() - Direct3DCreate9 () - OK\n");
}

TEST(Logger, SetFolderDeletesTheOldLogAndConstructionLeavesAnEmptyFile) {
    const std::string dir = Dir("logger_delete");
    std::ofstream(dir + "/log_output.txt") << "old run\n";
    Logger log(W(dir));
    EXPECT_EQ(ReadFile(dir + "/log_output.txt"), "");  // empty file, kept open
}

TEST(Logger, EachLineIsOnDiskAtOnceWithCrLf) {
    const std::string dir = Dir("logger_lines");
    Logger log(W(dir));
    log.Write(L"first - OK");
    EXPECT_NE(ReadFile(dir + "/log_output.txt").find("] first - OK\r\n"), std::string::npos);
    log.Write(L"second %d", 2);
    const std::string text = ReadFile(dir + "/log_output.txt");
    EXPECT_EQ(text.size(), 2 * 11 + std::string("first - OK\r\nsecond 2\r\n").size());
    EXPECT_EQ(text[0], '[');
    EXPECT_EQ(text[3], ':');
    EXPECT_EQ(text[9], ']');
}

TEST(Logger, LongMessageIsCutNotOverrun) {
    const std::string dir = Dir("logger_long");
    Logger log(W(dir));
    std::wstring huge(10000, L'x');
    log.Write(L"%ls", huge.c_str());
    const std::string text = ReadFile(dir + "/log_output.txt");
    EXPECT_LE(text.size(), 2048u + 1);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(Logger, UnwritableFolderStillReturnsAndRetries) {
    Logger log(L"/nonexistent-folder/for/log");
    EXPECT_EQ(log.Write(L"lost line"), -1);  // returns, and says the line is not on disk
}

TEST(Logger, AHoldKeepsOnlyTheHoldingThreadsLines) {
    const std::string dir = Dir("logger_hold");
    Logger log(W(dir));
    log.Hold();
    log.Write(L"rebuild step - OK");
    std::thread([&log] { log.Write(L"picture - FAILED"); }).join();
    EXPECT_EQ(ReadFile(dir + "/log_output.txt").substr(11), "picture - FAILED\r\n");
    EXPECT_EQ(log.EndHold(false), std::vector<std::wstring>{L"rebuild step - OK"});
}

TEST(Logger, AOncePerRunLineComesOncePerKey) {
    const std::string dir = Dir("logger_once");
    Logger log(W(dir));
    for (int lap = 0; lap < 3; ++lap) {
        log.WriteOncePerRun(L"a.jpg", L"a.jpg - %ls - FAILED", L"picture too large");
        log.WriteOncePerRun(L"b.jpg", L"b.jpg - FAILED");
    }
    const std::string text = ReadFile(dir + "/log_output.txt");
    EXPECT_EQ(text.size(), 2 * 11 + std::string("a.jpg - picture too large - FAILED\r\nb.jpg - FAILED\r\n").size());
}

TEST(Logger, ANewLogFileGetsTheOncePerRunLinesAgain) {
    const std::string first = Dir("logger_once_first"), second = Dir("logger_once_second");
    Logger log(W(first));
    log.WriteOncePerRun(L"a.jpg", L"a.jpg - FAILED");
    log.SetFolder(W(second));
    log.WriteOncePerRun(L"a.jpg", L"a.jpg - FAILED");
    EXPECT_EQ(ReadFile(second + "/log_output.txt").substr(11), "a.jpg - FAILED\r\n");
}

TEST(Logger, ConcurrentWritersProduceWholeLines) {
    const std::string dir = Dir("logger_threads");
    Logger log(W(dir));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 50; ++i) log.Write(L"thread %d line %d - OK", t, i);
        });
    for (auto& th : threads) th.join();
    std::istringstream in(ReadFile(dir + "/log_output.txt"));
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        ASSERT_EQ(line.front(), '[');
        ASSERT_EQ(line.substr(line.size() - 6), " - OK\r");
    }
    EXPECT_EQ(lines, 200);
}

TEST(Logger, UnwritableProgramFolderFallsBackToTheUserFolder) {
    const std::string fallback = ::testing::TempDir() + "logger_fallback/Lumora";
    Platform::MakeFolder(W(fallback));
    std::ofstream(fallback + "/log_output.txt") << "old run\n";
    Logger log(L"/nonexistent-program-folder", W(fallback));
    EXPECT_EQ(ReadFile(fallback + "/log_output.txt"), "");  // rewritten at start, as beside the program
    log.Write(L"Window::Create() - OK");
    EXPECT_NE(ReadFile(fallback + "/log_output.txt").find("] Window::Create() - OK\r\n"), std::string::npos);

    // The program's folder stays the first choice.
    const std::string program = Dir("logger_first_choice");
    Logger preferred(W(program), W(fallback));
    preferred.Write(L"here");
    EXPECT_NE(ReadFile(program + "/log_output.txt").find("here"), std::string::npos);
}

TEST(Logger, StartLeavesAFileOfTheSameNameInTheCurrentDirectoryAlone) {
    // A user who starts the program from a folder of their own keeps their file.
    const std::string here = Dir("logger_current_directory");
    std::ofstream(here + "/log_output.txt", std::ios::binary) << "the user's own notes\n";
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(here);
    { Logger log; }
    std::filesystem::current_path(before);
    EXPECT_EQ(ReadFile(here + "/log_output.txt"), "the user's own notes\n");
}

TEST(Logger, FailedStepKeepsItsLineAndTellsTheDebuggerTheHResult) {
    const std::string dir = Dir("logger_failed");
    Logger log(W(dir));
    Platform::SetDebugOutputForTesting(KeepDebugText);
    log.WriteFailed(static_cast<int32_t>(0x8876086C), L"Window::Create() - CreateDevice () - FAILED");
    Platform::SetDebugOutputForTesting(nullptr);
    EXPECT_EQ(ReadFile(dir + "/log_output.txt").substr(11), "Window::Create() - CreateDevice () - FAILED\r\n");
    EXPECT_NE(g_debugText.find(L"\nWindow::Create() - CreateDevice () - FAILED: 0x8876086C D3DERR_INVALIDCALL\n"),
              std::wstring::npos);
}
