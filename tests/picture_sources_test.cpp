// The process's sources behind one: an entry goes to the source its prefix names, the rest to
// the fallback, and each hold back to the source that gave it, though two gave the same.
#include "sources/picture_sources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace WorkSpace;
using Platform::FolderHold;

namespace {

// Hands out hold 7 for every listing and counts what comes back to it.
struct HoldingSource : PictureSource {
    std::vector<std::wstring> listed;
    std::vector<FolderHold> released;
    Platform::Listing List(const std::wstring& folder, std::vector<Platform::FolderItem>&, Platform::FolderId&,
                           FolderHold& hold) override {
        listed.push_back(folder);
        hold = 7;
        return Platform::Listing();
    }
    void Release(FolderHold hold) override { released.push_back(hold); }
    bool Describe(const std::wstring&, Platform::FolderItem&) override { return false; }
    bool Stamp(const std::wstring&, PictureStamp&) override { return false; }
    std::unique_ptr<PictureReader> Open(const std::wstring&, Platform::ReadFailure& why) override {
        why = Platform::ReadFailure::Missing;
        return nullptr;
    }
};

}  // namespace

TEST(PictureSources, EachEntryGoesToItsPrefixsSourceAndEachHoldBackToItsOwn) {
    HoldingSource local, server;
    PictureSourceRouter router(local);
    router.Add(L"https://", server);
    EXPECT_EQ(&router.For(L"HTTPS://nas.example/photos/"), &server);
    EXPECT_EQ(&router.For(L"C:\\Photos\\"), &local);
    EXPECT_EQ(&router.For(L"http://nas.example/"), &local);  // only what was added

    std::vector<Platform::FolderItem> items;
    Platform::FolderId id;
    FolderHold fromServer = 0, fromLocal = 0;
    router.List(L"https://nas.example/photos/", items, id, fromServer);
    router.List(L"C:\\Photos\\", items, id, fromLocal);
    EXPECT_NE(fromServer, fromLocal);  // both sources said 7
    router.Release(fromLocal);
    router.Release(fromServer);
    router.Release(fromServer);  // once only
    EXPECT_EQ(local.released, std::vector<FolderHold>{7});
    EXPECT_EQ(server.released, std::vector<FolderHold>{7});
    EXPECT_EQ(server.listed, std::vector<std::wstring>{L"https://nas.example/photos/"});
}
