// Reading a picture file: Windows' open errors and a handle's attributes as kinds of failure
// (Microsoft's documented codes, tested here since Wine never returns most of them), and one
// log line per file and kind in a run.
#include "platform/picture_read.h"

#include <gtest/gtest.h>

#include "imaging/picture_decode.h"
#include "resources/logger.h"

using namespace WorkSpace;
using Platform::ReadFailure;

TEST(PictureRead, OpenErrorsAreToldApart) {
    const struct {
        uint32_t error;
        ReadFailure kind;
    } table[] = {
        {2, ReadFailure::Missing},       // ERROR_FILE_NOT_FOUND
        {3, ReadFailure::Missing},       // ERROR_PATH_NOT_FOUND
        {267, ReadFailure::Missing},     // ERROR_DIRECTORY
        {123, ReadFailure::Missing},     // ERROR_INVALID_NAME
        {5, ReadFailure::Denied},        // ERROR_ACCESS_DENIED
        {206, ReadFailure::PathTooLong}, // ERROR_FILENAME_EXCED_RANGE
        {362, ReadFailure::CloudOnly},   // ERROR_CLOUD_FILE_PROVIDER_NOT_RUNNING
        {395, ReadFailure::CloudOnly},   // ERROR_CLOUD_FILE_ACCESS_DENIED
        {32, ReadFailure::Other},        // ERROR_SHARING_VIOLATION: passing
        {64, ReadFailure::Other},        // ERROR_NETNAME_DELETED: a share that dropped
        {21, ReadFailure::Other},        // ERROR_NOT_READY: a drive waking
    };
    for (const auto& row : table) EXPECT_EQ(Platform::ReadFailureOfWin32Error(row.error), row.kind) << row.error;
}

TEST(PictureRead, OnlyDataThatIsNotOnThisDeviceIsCloudOnly) {
    const struct {
        uint32_t attributes;
        bool cloudOnly;
    } table[] = {
        {0x80, false},      // NORMAL
        {0x20, false},      // ARCHIVE
        {0x80020, false},   // PINNED: always kept here
        {0x100020, false},  // UNPINNED, still here (Storage Sense may free it later)
        {0x600, false},     // SPARSE_FILE | REPARSE_POINT: a placeholder whose data is here
        {0x500620, true},   // UNPINNED | RECALL_ON_DATA_ACCESS: freed to the cloud
        {0x400000, true},   // RECALL_ON_DATA_ACCESS
        {0x40000, true},    // RECALL_ON_OPEN
        {0x1000, true},     // OFFLINE
    };
    for (const auto& row : table)
        EXPECT_EQ(Platform::IsCloudOnlyAttributes(row.attributes), row.cloudOnly) << std::hex << row.attributes;
}

// Each kind a lap meets again is logged once a run for the file; the library learns the kind.
TEST(PictureRead, AFailedReadIsReportedAndLoggedOnceARun) {
    const std::wstring path = Platform::AnsiToWide(testing::TempDir() + "lumora_picture_read_gone.jpg");
    std::string bytes;
    TakeDecodeFailure();
    GetLogger().Hold();
    EXPECT_FALSE(ReadPictureFile(path, bytes));
    EXPECT_EQ(TakeDecodeFailure(), PictureFailure::Missing);
    EXPECT_FALSE(ReadPictureFile(path, bytes));
    EXPECT_EQ(GetLogger().EndHold(false),
              std::vector<std::wstring>{L"DecodePictureFile() - " + path + L" - file not found - FAILED"});
}
