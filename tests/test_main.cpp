// Test entry for both builds (wmain for MinGW's -municode, main elsewhere).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <string>

// The child side of the last-chance guard's tests (win32_saver_host_test.cpp).
int RunCrashScenario(const std::wstring& scenario);

int wmain(int argc, wchar_t** argv) {
    const std::wstring crash = L"--lumora-crash=";
    if (argc == 2 && std::wstring(argv[1]).compare(0, crash.size(), crash) == 0)
        return RunCrashScenario(std::wstring(argv[1]).substr(crash.size()));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
#else
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
#endif
