// The long-path form of paths, and what a failed folder listing means for the walk, by
// Windows' documented error codes.
#include "platform/long_path.h"

#include <gtest/gtest.h>

#include "platform/folder_listing.h"

using namespace WorkSpace::Platform;

TEST(LongPath, AbsolutePathsGetThePrefixOthersStayAsTheyAre) {
    const struct {
        const wchar_t* path;
        const wchar_t* form;
    } cases[] = {
        {L"C:\\Photos\\a.jpg", L"\\\\?\\C:\\Photos\\a.jpg"},
        {L"a:/Photos//2024/", L"\\\\?\\a:\\Photos\\2024\\"},
        {L"C:\\", L"\\\\?\\C:\\"},
        {L"C:\\a\\.\\b\\..\\c.jpg", L"\\\\?\\C:\\a\\c.jpg"},
        {L"C:\\..\\..\\a.jpg", L"\\\\?\\C:\\a.jpg"},
        {L"C:\\a\\b\\..", L"\\\\?\\C:\\a"},
        {L"\\\\nas\\photos\\2024\\", L"\\\\?\\UNC\\nas\\photos\\2024\\"},
        {L"//nas/photos/x/../y.jpg", L"\\\\?\\UNC\\nas\\photos\\y.jpg"},
        {L"\\\\nas\\photos\\..\\..\\y.jpg", L"\\\\?\\UNC\\nas\\photos\\y.jpg"},
        {L"\\\\?\\C:\\a\\..\\b.jpg", L"\\\\?\\C:\\a\\..\\b.jpg"},
        {L"\\\\?\\UNC\\nas\\photos\\", L"\\\\?\\UNC\\nas\\photos\\"},
        {L"\\\\.\\C:\\a.jpg", L"\\\\.\\C:\\a.jpg"},
        {L"\\\\nas", L"\\\\nas"},
        {L"C:\\Photos\\Trip.\\a.jpg", L"\\\\?\\C:\\Photos\\Trip\\a.jpg"},
        {L"C:\\Photos\\Trip..\\...\\a.jpg", L"\\\\?\\C:\\Photos\\Trip..\\...\\a.jpg"},
        {L"C:\\Photos\\a.jpg. . ", L"\\\\?\\C:\\Photos\\a.jpg"},
        {L"C:\\Photos\\Trip \\", L"\\\\?\\C:\\Photos\\Trip \\"},
        {L"C:\\Photos\\...", L"\\\\?\\C:\\Photos"},
        {L"\\\\nas\\photos\\Trip.\\a.jpg.", L"\\\\?\\UNC\\nas\\photos\\Trip\\a.jpg"},
        {L"\\\\?\\C:\\Trip.\\a.jpg", L"\\\\?\\C:\\Trip.\\a.jpg"},
        {L"a\\..\\b.jpg", L"a\\..\\b.jpg"},
        {L"C:a.jpg", L"C:a.jpg"},
        {L"\\a.jpg", L"\\a.jpg"},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(LongPathForm(c.path), c.form) << c.path;
}

TEST(LongPath, ListingFailuresByWindowsErrorCode) {
    const struct {
        uint32_t error;
        ListingEnd end;
    } cases[] = {
        {2, ListingEnd::Missing},    {3, ListingEnd::Missing},   {123, ListingEnd::Missing},
        {267, ListingEnd::Missing},  {5, ListingEnd::Refused},   {206, ListingEnd::Refused},
        {1921, ListingEnd::Refused}, {21, ListingEnd::Broken},   // ERROR_NOT_READY
        {53, ListingEnd::Broken},    {64, ListingEnd::Broken},   // ERROR_BAD_NETPATH, ERROR_NETNAME_DELETED
        {59, ListingEnd::Broken},    {1231, ListingEnd::Broken},  // ERROR_UNEXP_NET_ERR, ERROR_NETWORK_UNREACHABLE
    };
    for (const auto& c : cases) EXPECT_EQ(WindowsListingFailure(c.error), c.end) << c.error;
}

// "Path not found" on a drive that is away is a folder that may come back, not a deleted one.
TEST(LongPath, NotFoundOnAVolumeThatIsAwayMayPass) {
    EXPECT_EQ(WindowsListingFailure(3, false), ListingEnd::Broken);
    EXPECT_EQ(WindowsListingFailure(5, false), ListingEnd::Refused);
    const struct {
        const wchar_t* form;
        const wchar_t* root;
    } cases[] = {
        {L"\\\\?\\E:\\Photos\\*", L"\\\\?\\E:\\"},
        {L"\\\\?\\UNC\\nas\\photos\\2024\\*", L"\\\\?\\UNC\\nas\\photos\\"},
        {L"\\\\?\\UNC\\nas\\photos", L"\\\\?\\UNC\\nas\\photos\\"},
        {L"\\\\?\\UNC\\nas", L""},
        {L"Photos\\*", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(LongPathRoot(c.form), c.root) << c.form;
}
