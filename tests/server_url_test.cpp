// A server folder's address in its forms: typed entries normalised, paths encoded for the
// wire, hrefs of answers decoded, the redirect and Nextcloud rules, and the index key.
#include "sources/server_url.h"

#include <gtest/gtest.h>

using namespace WorkSpace;

TEST(ServerUrl, TypedEntriesBecomeTheListsFormOrAreRefused) {
    const struct { const wchar_t* typed; const wchar_t* entry; } kCases[] = {
        {L"  https://NAS.example/Photos ", L"https://NAS.example/Photos/"},
        {L"HTTP://nas:80/a/", L"http://nas/a/"},
        {L"https://nas:8443", L"https://nas:8443/"},
        {L"https://[::1]:8080/dav/", L"https://[::1]:8080/dav/"},
        {L"https://nas/Summer%202024/%C3%84pfel", L"https://nas/Summer 2024/\u00C4pfel/"},
        {L"https://nas/100%/", L"https://nas/100%/"},  // not an escape: taken as typed
        {L"https://nas/a%2Fb/", L"https://nas/a%2Fb/"},  // an escaped "/" is never decoded
    };
    for (const auto& c : kCases) {
        std::wstring entry;
        ASSERT_TRUE(NormaliseServerEntry(c.typed, entry)) << c.typed;
        EXPECT_EQ(entry, c.entry);
    }
    for (const wchar_t* bad : {L"ftp://nas/", L"nas/photos", L"https://", L"https://user:pw@nas/",
                               L"https://nas:0/", L"https://nas:70000/", L"https://nas/a?b", L"https://nas/a#b", L"https://n\u00E4s/"}) {
        std::wstring entry;
        EXPECT_FALSE(NormaliseServerEntry(bad, entry)) << bad;
    }
}

TEST(ServerUrl, PathsAreSentAsEscapedUtf8) {
    EXPECT_EQ(PercentEncodePath(L"/a-b_c.d~e/F 1/"), "/a-b_c.d~e/F%201/");
    EXPECT_EQ(PercentEncodePath(L"/\u00C4%#?+"), "/%C3%84%25%23%3F%2B");
    EXPECT_EQ(PercentEncodePath(L"/\U0001F600"), "/%F0%9F%98%80");
    ServerUrl url;
    ASSERT_TRUE(ParseServerUrl(L"https://nas:8443/x y/", url));
    EXPECT_EQ(RequestUrl(url), L"https://nas:8443/x%20y/");
    // In the walk's form "#" and "?" are a name's own; a control character stands in no name.
    ASSERT_TRUE(ParseServerUrl(L"https://nas/Party #1?.jpg", url));
    EXPECT_EQ(RequestUrl(url), L"https://nas/Party%20%231%3F.jpg");
    EXPECT_FALSE(ParseServerUrl(L"https://nas/a\nb.jpg", url));
}

TEST(ServerUrl, HrefsAreDecodedOnTheServerAskedOnly) {
    ServerUrl asked;
    ASSERT_TRUE(ParseServerUrl(L"https://nas/dav/", asked));
    const struct { const char* href; HrefResult result; const wchar_t* path; } kCases[] = {
        {"/dav/a%20b.jpg", HrefResult::Ok, L"/dav/a b.jpg"},
        {"  https://NAS:443/dav/%C3%A4.jpg\n", HrefResult::Ok, L"/dav/\u00E4.jpg"},
        {"/dav/\xC3\xA4.jpg", HrefResult::Ok, L"/dav/\u00E4.jpg"},  // raw UTF-8, as some servers send
        {"https://other/dav/a.jpg", HrefResult::OtherServer, L""},
        {"https://nas:8443/dav/a.jpg", HrefResult::OtherServer, L""},
        {"/dav/%FF.jpg", HrefResult::NotUtf8, L""},
        {"/dav/%2Fa.jpg", HrefResult::Malformed, L""},
        {"/dav/%G1", HrefResult::Malformed, L""},
        {"a.jpg", HrefResult::Malformed, L""},
        {"/dav/a.jpg?x", HrefResult::Malformed, L""},
    };
    for (const auto& c : kCases) {
        std::wstring path;
        EXPECT_EQ(DecodeHref(c.href, asked, path), c.result) << c.href;
        if (c.result == HrefResult::Ok) {
            EXPECT_EQ(path, c.path) << c.href;
        }
    }
}

TEST(ServerUrl, RedirectsStayOnTheHostAndNeverDropHttps) {
    auto same = [](const wchar_t* from, const wchar_t* to) {
        ServerUrl a, b;
        EXPECT_TRUE(ParseServerUrl(from, a) && ParseServerUrl(to, b));
        return SameServer(a, b);
    };
    EXPECT_TRUE(same(L"https://nas/a/", L"https://NAS/b/"));
    EXPECT_TRUE(same(L"http://nas/a/", L"https://nas/a/"));
    EXPECT_FALSE(same(L"https://nas/a/", L"http://nas/a/"));
    EXPECT_FALSE(same(L"https://nas/a/", L"https://evil/a/"));
    EXPECT_FALSE(same(L"https://nas/a/", L"https://nas:8443/a/"));
}

TEST(ServerUrl, NextcloudAddressesFindTheUsersFiles) {
    ServerUrl typed, files;
    ASSERT_TRUE(ParseServerUrl(L"https://cloud.example/nextcloud", typed));
    ASSERT_TRUE(NextcloudFilesUrl(typed, L"anna", files));
    EXPECT_EQ(FormatServerUrl(files), L"https://cloud.example/nextcloud/remote.php/dav/files/anna/");
    ASSERT_TRUE(ParseServerUrl(L"https://cloud.example/remote.php/dav/files/anna/", typed));
    EXPECT_FALSE(NextcloudFilesUrl(typed, L"anna", files));
    EXPECT_FALSE(NextcloudFilesUrl(typed, L"", files));
}

TEST(ServerUrl, KeysIgnoreTheCaseOfSchemeAndHostButNotOfThePath) {
    EXPECT_EQ(ServerEntryKey(L"HTTPS://Nas.Example:443/Photos/a.JPG"), L"https://nas.example/Photos/a.JPG");
    EXPECT_NE(ServerEntryKey(L"https://nas/Photos/a.jpg"), ServerEntryKey(L"https://nas/photos/a.jpg"));
    EXPECT_EQ(ServerEntryKey(L"C:\\x"), L"C:\\x");
}
