// The lap's state file on the real file system: a file cut within its last line, and two
// writers at once.
#include "library/lap_state.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include "platform/platform.h"

using namespace WorkSpace;

// Every line ends with its line feed: a file cut within its last name is a new lap.
TEST(LapState, StateFileCutWithinItsLastLineIsRefused) {
    const std::wstring state = Platform::AnsiToWide(testing::TempDir() + "lumora_library_test_cut.txt");
    ASSERT_TRUE(WriteLapState(state, LapState{7, 1, 3, L"L\\p0.jpg", L"L\\p11.jpg"}));
    std::string bytes;
    ASSERT_TRUE(Platform::ReadWholeFile(state, bytes));
    FILE* file = Platform::OpenFile(state, "wb");
    ASSERT_TRUE(file);
    fwrite(bytes.data(), 1, bytes.size() - 3, file);  // "next=L\p11.j"
    fclose(file);
    LapState read;
    EXPECT_FALSE(ReadLapState(state, read));
}

// Two savers writing the place at once, each through a temporary name of its own: the file
// ends whole, and no temporary file is left behind.
TEST(LapState, StateFileWritersAtOnceUseTemporaryNamesOfTheirOwn) {
    const std::string folder = testing::TempDir() + "lumora_library_test_writers/";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::wstring state = Platform::AnsiToWide(folder + "LumoraPictureLap.txt");
    EXPECT_NE(LapStateTemporaryPath(state), LapStateTemporaryPath(state));
    auto writer = [&](uint32_t first) {
        for (uint32_t i = first; i < first + 50; ++i)
            WriteLapState(state, LapState{i, i, i, L"", std::wstring(i % 50, L'x')});
    };
    std::thread a(writer, 1000), b(writer, 5000);
    a.join();
    b.join();
    LapState read;
    ASSERT_TRUE(ReadLapState(state, read));
    EXPECT_TRUE(read.seed == read.position && read.next.size() == read.seed % 50);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
}
