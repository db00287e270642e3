// The configuration dialog's credential rules: what OK writes and removes.
#include "config/server_credentials.h"

#include <gtest/gtest.h>

namespace WorkSpace {
namespace {

TEST(ServerCredentials, ServerEntriesAreHttpAddressesInAnyCase) {
    EXPECT_TRUE(IsServerEntry(L"https://nas.local/photos/"));
    EXPECT_TRUE(IsServerEntry(L"HTTP://nas.local/"));
    EXPECT_FALSE(IsServerEntry(L"C:\\Photos\\"));
    EXPECT_FALSE(IsServerEntry(L"\\\\nas\\https\\"));
    EXPECT_FALSE(IsServerEntry(L"http:/"));
}

TEST(ServerCredentials, TypedCredentialsAreWrittenOnlyForAddressesStillListed) {
    const std::map<std::wstring, ServerCredential> typed = {{L"https://a/", {L"ann", L"pw1"}},
                                                            {L"https://b/", {L"bob", L"pw2"}}};
    const CredentialChanges changes = PlanCredentialChanges({}, {L"https://a/", L"C:\\x\\"}, typed);
    ASSERT_EQ(1u, changes.writes.size());
    EXPECT_EQ(L"https://a/", changes.writes[0].first);
    EXPECT_EQ(L"pw1", changes.writes[0].second.password);
    EXPECT_TRUE(changes.removals.empty());
}

TEST(ServerCredentials, AnAddressListedTwiceKeepsItsCredentialUntilTheLastGoes) {
    const std::vector<std::wstring> before = {L"https://a/", L"https://a/", L"https://b/", L"D:\\p\\"};
    EXPECT_TRUE(PlanCredentialChanges(before, {L"https://a/", L"https://b/"}, {}).removals.empty());
    const CredentialChanges all = PlanCredentialChanges(before, {}, {});
    EXPECT_EQ((std::vector<std::wstring>{L"https://a/", L"https://b/"}), all.removals);
}

}  // namespace
}  // namespace WorkSpace
