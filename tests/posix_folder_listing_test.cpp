// The POSIX folder listing's failures by kind, on the real file system: a folder that is not
// there is missing, one that can never be listed is refused.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/folder_listing.h"
#include "platform/platform.h"
#include "test_support.h"

using namespace WorkSpace;
using Platform::ListingEnd;

TEST(PosixFolderListing, FailuresByKind) {
    const std::string dir = ::testing::TempDir() + "posix_listing_kinds";
    Platform::MakeFolder(W(dir));
    std::ofstream(dir + "/file.jpg") << "x";
    unlink((dir + "/loop").c_str());
    ASSERT_EQ(symlink((dir + "/loop").c_str(), (dir + "/loop").c_str()), 0);
    const struct {
        std::string folder;
        ListingEnd end;
    } cases[] = {
        {dir + "/", ListingEnd::Whole},
        {dir + "/gone/", ListingEnd::Missing},
        {dir + "/file.jpg/", ListingEnd::Missing},                    // not a folder
        {dir + "/" + std::string(300, 'n') + "/", ListingEnd::Refused},  // a name too long
        {dir + "/loop/", ListingEnd::Refused},                       // links in a loop
    };
    for (const auto& c : cases) {
        std::vector<Platform::FolderItem> items;
        Platform::FolderId id;
        Platform::FolderHold hold = 0;
        const Platform::Listing listing = Platform::ListFolder(W(c.folder), items, id, hold);
        EXPECT_EQ(listing.end, c.end) << c.folder.substr(dir.size());
        EXPECT_EQ(listing.error == 0, c.end == ListingEnd::Whole) << c.folder.substr(dir.size());
        Platform::ReleaseFolder(hold);
    }
}
#endif
