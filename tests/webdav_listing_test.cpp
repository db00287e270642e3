// The PROPFIND multistatus answer read by namespace: members and their stamps, the folder's
// own entry, error statuses, bad hrefs and broken XML each told apart.
#include "sources/webdav_listing.h"

#include "sources/http_transport.h"

#include <gtest/gtest.h>

using namespace WorkSpace;

namespace {

// The Windows build's reader is XmlLite's, loaded from the system; until it is there, the
// listing tests have nothing to run on.
bool HaveXmlReader() { return ParseXml("<a/>", XmlEvents()); }

ServerUrl Asked() {
    ServerUrl url;
    ParseServerUrl(L"https://nas/dav/photos/", url);
    return url;
}

std::string Response(const std::string& href, const std::string& props, const std::string& status = "200 OK") {
    return "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop>" + props +
           "</d:prop><d:status>HTTP/1.1 " + status + "</d:status></d:propstat></d:response>";
}

std::string Repeated(const std::string& text, int times) {
    std::string out;
    while (times-- > 0) out += text;
    return out;
}

std::string Multistatus(const std::string& responses) {
    return "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\">" + responses + "</d:multistatus>";
}

}  // namespace

TEST(WebDavListing, MembersCarryTheirStampsAndTheFolderItsOwn) {
    if (!HaveXmlReader()) GTEST_SKIP() << "no XML reader on this platform";
    // Another prefix and the default namespace for DAV:, a foreign namespace's "getetag"
    // after the date (neither is taken for the other), and a propstat of 404 for what the
    // server does not have.
    const std::string body =
        "<multistatus xmlns=\"DAV:\" xmlns:x=\"urn:other\">"
        "<response><href>/dav/photos/</href><propstat><prop><resourcetype><collection/></resourcetype>"
        "<getetag>\"dir1\"</getetag></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
        "<response><href>/dav/photos/IMG%201.jpg</href><propstat><prop><resourcetype/>"
        "<getetag>\"e1\"</getetag><getcontentlength>1234509</getcontentlength>"
        "<getlastmodified>Sun, 06 Nov 1994 08:49:37 GMT</getlastmodified><x:getetag>\"wrong\"</x:getetag></prop>"
        "<status>HTTP/1.1 200 OK</status></propstat>"
        "<propstat><prop><getetag/></prop><status>HTTP/1.1 404 Not Found</status></propstat></response>"
        "<response><href>https://nas/dav/photos/2024/</href><propstat><prop><resourcetype><collection/>"
        "</resourcetype></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
        "</multistatus>";
    DavListing listing;
    ASSERT_EQ(ParseMultistatus(body, Asked(), listing), DavParse::Ok);
    EXPECT_TRUE(listing.ownSeen);
    EXPECT_EQ(listing.own.etag, "\"dir1\"");
    ASSERT_EQ(listing.members.size(), 2u);
    EXPECT_EQ(listing.members[0].name, L"IMG 1.jpg");
    EXPECT_FALSE(listing.members[0].collection);
    EXPECT_EQ(listing.members[0].etag, "\"e1\"");
    EXPECT_EQ(listing.members[0].size, 1234509u);
    EXPECT_EQ(listing.members[0].modified, 784111777);
    EXPECT_EQ(listing.members[1].name, L"2024");
    EXPECT_TRUE(listing.members[1].collection);
}

TEST(WebDavListing, BadMembersAreCountedAndLeftOut) {
    if (!HaveXmlReader()) GTEST_SKIP() << "no XML reader on this platform";
    const std::string body = Multistatus(
        Response("/dav/photos/%FF.jpg", "") + Response("/dav/photos/a/b.jpg", "") +
        Response("https://evil/dav/photos/c.jpg", "") + Response("/dav/photos/gone.jpg", "", "403 Forbidden") +
        "<d:response><d:href>/dav/photos/x.jpg</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>" +
        Response("/dav/photos/ok.jpg", "<d:getcontentlength>-5</d:getcontentlength>") +
        Response("/dav/photos/../", "") + Response("/dav/photos/%2e/", "") + Response("/dav/photos//", "") +
        Response("/dav/photos/a%0Ab.jpg", "") + Response("/dav/photos/" + std::string(70000, 'x') + ".jpg", "") +
        Response("/dav/photos/Party%20%231.jpg", "<d:getetag>" + std::string(5000, 'e') + "</d:getetag>") +
        Response("/dav/photos/" + std::string(256, 'n'), "") + Response("/dav/photos/" + std::string(255, 'n'), "") +
        Response("/dav/photos/" + Repeated("%F0%9F%93%B7", 128), ""));  // 256 UTF-16 units
    DavListing listing;
    ASSERT_EQ(ParseMultistatus(body, Asked(), listing), DavParse::Ok);
    EXPECT_EQ(listing.notUtf8, 1u);
    EXPECT_EQ(listing.badHref, 1u);    // the overlong one
    EXPECT_EQ(listing.strayHref, 2u);  // deeper, and on another server
    EXPECT_EQ(listing.badName, 6u);
    EXPECT_EQ(listing.failed, 2u);
    ASSERT_EQ(listing.members.size(), 3u);
    EXPECT_EQ(listing.members[0].size, 0u);  // a length that is no number tells nothing
    EXPECT_EQ(listing.members[1].name, L"Party #1.jpg");
    EXPECT_EQ(listing.members[1].etag, "");  // cut short, it would be another version's
    EXPECT_EQ(listing.members[2].name.size(), 255u);
}

TEST(WebDavListing, BrokenOrForeignAnswersAreTold) {
    if (!HaveXmlReader()) GTEST_SKIP() << "no XML reader on this platform";
    DavListing listing;
    EXPECT_EQ(ParseMultistatus(Multistatus(Response("/dav/photos/a.jpg", "")).substr(0, 80), Asked(), listing),
              DavParse::Malformed);
    EXPECT_TRUE(listing.members.empty());
    EXPECT_EQ(ParseMultistatus("", Asked(), listing), DavParse::Malformed);
    EXPECT_EQ(ParseMultistatus("<html><body>Log in</body></html>", Asked(), listing), DavParse::NotMultistatus);
    // Entities declared in a document type are the usual way to make a parser blow up.
    EXPECT_EQ(ParseMultistatus("<!DOCTYPE m [<!ENTITY a \"aaaa\">]><d:multistatus xmlns:d=\"DAV:\"/>", Asked(),
                               listing),
              DavParse::Malformed);
}

TEST(WebDavListing, AHundredThousandMembersKeepOnlyTheBound) {
    if (!HaveXmlReader()) GTEST_SKIP() << "no XML reader on this platform";
    std::string responses;
    for (int i = 0; i < 100000; ++i)
        responses += Response("/dav/photos/" + std::to_string(i) + ".jpg",
                              "<d:getcontentlength>1</d:getcontentlength><d:getetag>\"" + std::to_string(i) +
                                  "\"</d:getetag>");
    DavListing listing;
    ASSERT_EQ(ParseMultistatus(Multistatus(responses), Asked(), listing, 60000), DavParse::Ok);
    EXPECT_EQ(listing.members.size(), 60000u);
    EXPECT_EQ(listing.pastBound, 40000u);
}

TEST(WebDavListing, HttpDatesOnlyInTheirOneForm) {
    int64_t seconds = 0;
    ASSERT_TRUE(ParseHttpDate("Thu, 01 Jan 1970 00:00:00 GMT", seconds));
    EXPECT_EQ(seconds, 0);
    ASSERT_TRUE(ParseHttpDate("29 Feb 2024 23:59:59 GMT", seconds));
    EXPECT_EQ(seconds, 1709251199);
    for (const char* bad : {"", "Sun, 06 Nov 1994 08:49:37", "Sunday, 06-Nov-94 08:49:37 GMT",
                            "Sun, 06 Foo 1994 08:49:37 GMT", "Sun, 06 Nov 1994 25:49:37 GMT"})
        EXPECT_FALSE(ParseHttpDate(bad, seconds)) << bad;
}
