// The WebDAV source over a scripted server: listings, stamps, redirects, errors, range reads,
// the offline cache while the server is away, and the dialog's check.
#include "sources/webdav_source.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "library/library_scan.h"
#include "library/picture_library.h"
#include "pictures/photo_facts_reader.h"
#include "sources/picture_sources.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {

// One member of a multistatus answer, and the answer around them.
std::string DavResponse(const std::string& href, const std::string& props, const char* status = "200 OK") {
    return "<D:response><D:href>" + href + "</D:href><D:propstat><D:prop>" + props +
           "</D:prop><D:status>HTTP/1.1 " + status + "</D:status></D:propstat></D:response>";
}

std::string DavMultistatus(const std::string& responses) {
    return "<D:multistatus xmlns:D=\"DAV:\">" + responses + "</D:multistatus>";
}

// A server of files by decoded path ("/dav/a.jpg"); folders are the paths ending with "/".
// `answers` scripts a status (and Location) for a URL; `away` makes it give no answer.
struct ScriptedServer : HttpTransport {
    std::map<std::wstring, std::string> files;
    std::map<std::wstring, std::pair<int, std::string>> answers;  // request URL -> status, location
    std::map<std::wstring, std::string> listings;  // request URL -> a PROPFIND answer's body, as sent
    bool away = false, ignoresRanges = false;
    // ETags as Apache gives them for a file written within the last second: weak ones.
    bool weakTags = false;
    bool noTags = false;           // no ETags at all, listed or sent: Last-Modified only
    bool bareListingTags = false;  // `getetag` listed without the quotes its answers carry
    std::string lastModified = "Wed, 09 Dec 2026 13:01:23 GMT";  // empty: none sent
    uint64_t partShift = 0;  // a part sent from this many bytes past the one asked for
    std::function<void(size_t)> onGet;  // called as each GET comes in, with its count from 1
    size_t gets = 0;
    HttpFailure failure = HttpFailure::None;
    std::vector<HttpRequest> requests;
    std::vector<std::wstring> users;
    std::vector<const std::atomic<bool>*> stops;  // the stop flag each request was given

    HttpFailure Send(const HttpRequest& request, const ServerCredential* credential, HttpResponse& response,
                     const std::atomic<bool>* stop) override {
        requests.push_back(request);
        stops.push_back(stop);
        users.push_back(credential ? credential->user : L"");
        if (away) return HttpFailure::NoAnswer;
        if (failure != HttpFailure::None) return failure;
        const auto scripted = answers.find(request.url);
        if (scripted != answers.end()) {
            response.status = scripted->second.first;
            response.headers["location"] = scripted->second.second;
            return HttpFailure::None;
        }
        const auto listed = listings.find(request.url);
        if (listed != listings.end() && request.method == "PROPFIND") {
            response.status = 207;
            response.body = listed->second;
            return HttpFailure::None;
        }
        std::wstring path = request.url.substr(request.url.find(L'/', 8));
        std::string encoded(path.begin(), path.end()), decoded;
        ServerUrl here;
        ParseServerUrl(L"https://nas/", here);
        DecodeHref(encoded, here, path);
        return request.method == "PROPFIND" ? Propfind(path, request, response) : Get(path, request, response);
    }

    HttpFailure Propfind(const std::wstring& folder, const HttpRequest& request, HttpResponse& response) {
        std::string xml;
        bool any = false;
        for (const auto& file : files) {
            const std::wstring& path = file.first;
            const bool own = path == folder;
            const bool member = path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                                path.find(L'/', folder.size()) >= path.size() - 1 && request.headers.at("Depth") == "1";
            if (!own && !member) continue;
            any = true;
            const bool collection = path.back() == L'/';
            xml += DavResponse(PercentEncodePath(path),
                               collection ? "<D:resourcetype><D:collection/></D:resourcetype>"
                                          : "<D:getcontentlength>" + std::to_string(file.second.size()) +
                                                "</D:getcontentlength>" + ListedValidator(file.second));
        }
        response.status = any ? 207 : 404;
        if (any) response.body = DavMultistatus(xml);
        return HttpFailure::None;
    }

    // A file's ETag changes with its size; a weak one never matches in If-Range, and
    // If-Unmodified-Since is ignored on a range (as Apache does).
    std::string Tag(const std::string& bytes) const {
        return std::string(weakTags ? "W/" : "") + "\"e" + std::to_string(bytes.size()) + "\"";
    }

    std::string ListedValidator(const std::string& bytes) const {
        if (noTags) return lastModified.empty() ? "" : "<D:getlastmodified>" + lastModified + "</D:getlastmodified>";
        std::string tag = Tag(bytes);
        if (bareListingTags) tag = tag.substr(1, tag.size() - 2);
        return "<D:getetag>" + tag + "</D:getetag>";
    }

    HttpFailure Get(const std::wstring& path, const HttpRequest& request, HttpResponse& response) {
        if (onGet) onGet(++gets);
        const auto file = files.find(path);
        if (file == files.end()) {
            response.status = 404;
            return HttpFailure::None;
        }
        const std::string& bytes = file->second;
        const auto ifRange = request.headers.find("If-Range");
        const bool whole = !request.ranged || ignoresRanges ||
                           (ifRange != request.headers.end() && (weakTags || ifRange->second != Tag(bytes)));
        if (bytes.size() > request.maxBody && whole) return HttpFailure::TooLarge;
        if (!noTags) response.headers["etag"] = Tag(bytes);
        if (!lastModified.empty()) response.headers["last-modified"] = lastModified;
        if (whole) {
            response.status = 200;
            response.body = bytes;
        } else if (request.rangeFrom >= bytes.size()) {
            response.status = 416;
        } else {
            response.status = 206;
            const uint64_t from = std::min<uint64_t>(request.rangeFrom + partShift, bytes.size() - 1);
            response.body = bytes.substr(from, request.rangeLength);
            response.headers["content-range"] = "bytes " + std::to_string(from) + "-" +
                                                std::to_string(from + response.body.size() - 1) + "/" +
                                                std::to_string(bytes.size());
        }
        return HttpFailure::None;
    }
};

std::string Bytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

struct WebDavSourceTest : testing::Test {
    ScriptedServer server;
    WebDavSource source{server, [](const std::wstring& entry, ServerCredential& credential) {
                            credential = {L"anna:" + entry, L"secret-pw"};
                            return true;
                        }};
    std::string log;
    void SetUp() override {
        if (!ParseXml("<a/>", XmlEvents())) GTEST_SKIP() << "no XML reader on this platform";
        log = UseLogFolder(std::string("webdav_") + testing::UnitTest::GetInstance()->current_test_info()->name());
        server.files = {{L"/dav/", ""},          {L"/dav/IMG 1.jpg", Bytes(3000)}, {L"/dav/2024/", ""},
                        {L"/dav/.thumbs/", ""},  {L"/dav/clip.MOV", "xx"},        {L"/dav/2024/b.jpg", "b"}};
        source.SetEntries({L"https://nas/dav/"});
    }
    std::vector<Platform::FolderItem> List(const std::wstring& folder, Platform::ListingEnd expected) {
        Platform::ListingEnd end;
        std::vector<Platform::FolderItem> items = ListBy(source, folder, end);
        EXPECT_EQ(end, expected) << folder.c_str();
        return items;
    }
    // `folder` listed through `from`, as a walk lists it before reading its files.
    static std::vector<Platform::FolderItem> ListBy(PictureSource& from, const std::wstring& folder,
                                                    Platform::ListingEnd& end) {
        std::vector<Platform::FolderItem> items;
        Platform::FolderId id;
        Platform::FolderHold hold = 0;
        end = from.List(folder, items, id, hold).end;
        return items;
    }
    // The offline cache in a folder of its own, emptied first, holding a copy of each path.
    static std::unique_ptr<ServerCache> FreshCache(const char* name, std::initializer_list<std::wstring> kept = {}) {
        const std::string folder = testing::TempDir() + name + "/";
        std::filesystem::remove_all(folder);
        auto cache = std::make_unique<ServerCache>(W(folder), 1 << 20);
        PictureStamp stamp;
        stamp.tag = "\"k\"";
        for (const std::wstring& path : kept) EXPECT_TRUE(cache->Put(path, stamp, "bytes")) << path.c_str();
        return cache;
    }
    static void ListBy(PictureSource& from, const std::wstring& folder) {
        Platform::ListingEnd end;
        ListBy(from, folder, end);
    }
};

}  // namespace

TEST_F(WebDavSourceTest, ListsAFolderAndStampsItsMembersFromTheListing) {
    const std::vector<Platform::FolderItem> items = List(L"https://nas/dav/", Platform::ListingEnd::Whole);
    ASSERT_EQ(server.requests.size(), 1u);
    EXPECT_EQ(server.requests[0].method, "PROPFIND");
    EXPECT_EQ(server.requests[0].headers.at("Depth"), "1");
    EXPECT_EQ(server.users[0], L"anna:https://nas/dav/");  // the entry's credential
    ASSERT_EQ(items.size(), 3u);  // the clip left out
    std::map<std::wstring, Platform::FolderItem> byName;
    for (const auto& item : items) byName[item.name] = item;
    EXPECT_TRUE(byName[L"2024"].folder);
    EXPECT_TRUE(byName[L".thumbs"].hidden);
    EXPECT_FALSE(byName[L"IMG 1.jpg"].folder);
    EXPECT_EQ(source.ClipsLeftOut(), 1u);

    PictureStamp stamp;
    ASSERT_TRUE(source.Stamp(L"https://nas/dav/IMG 1.jpg", stamp));
    EXPECT_EQ(stamp.tag, "\"e3000\"");
    EXPECT_EQ(stamp.size, 3000);
    EXPECT_EQ(server.requests.size(), 1u);  // no request of its own
    ASSERT_TRUE(source.Stamp(L"https://nas/dav/2024/b.jpg", stamp));  // not listed yet: asked
    EXPECT_EQ(server.requests.back().headers.at("Depth"), "0");
    EXPECT_EQ(server.requests.back().url, L"https://nas/dav/2024/b.jpg");
    EXPECT_EQ(source.Key(L"HTTPS://NAS/dav/IMG 1.jpg"), L"https://nas/dav/IMG 1.jpg");
}

TEST_F(WebDavSourceTest, StampsBySizeAndTimeWhereTheServerGivesNoETag) {
    DavEntry entry;
    entry.size = 10;
    entry.modified = 1700000000;
    const PictureStamp bare = DavStamp(entry);
    EXPECT_EQ(bare.modified, 1700000000);
    entry.etag = "\"x\"";
    EXPECT_EQ(DavStamp(entry).tag, "\"x\"");
    EXPECT_FALSE(DavStamp(entry) == bare);
}

TEST_F(WebDavSourceTest, FollowsRedirectsOnTheHostOnlyAndNotForever) {
    server.answers[L"https://nas/old/"] = {301, "/dav/"};
    EXPECT_EQ(List(L"https://nas/old/", Platform::ListingEnd::Whole).size(), 3u);
    server.answers[L"https://nas/away/"] = {302, "https://evil.example/dav/"};
    List(L"https://nas/away/", Platform::ListingEnd::Broken);
    server.answers[L"https://nas/loop/"] = {307, "https://nas/loop/"};
    const size_t before = server.requests.size();
    List(L"https://nas/loop/", Platform::ListingEnd::Broken);
    EXPECT_EQ(server.requests.size() - before, 6u);  // the first and five redirects
    const std::string text = ReadLog(log);
    EXPECT_NE(text.find("redirect to another server refused"), std::string::npos);
    EXPECT_NE(text.find("more than 5 redirects"), std::string::npos);
}

TEST_F(WebDavSourceTest, EachFailureIsOneLogLineWithoutThePassword) {
    const struct { int status; HttpFailure failure; Platform::ListingEnd end; const char* words; } kCases[] = {
        {401, HttpFailure::None, Platform::ListingEnd::Refused, "password was refused"},
        {403, HttpFailure::None, Platform::ListingEnd::Refused, "access denied"},
        {503, HttpFailure::None, Platform::ListingEnd::Broken, "failed (status 503)"},
        {0, HttpFailure::Certificate, Platform::ListingEnd::Refused, "certificate is not trusted"},
    };
    // A host of its own: each server's failure is logged once a run.
    for (const auto& c : kCases) {
        server.failure = c.failure;
        server.answers[L"https://errors.nas/dav/"] = {c.status, ""};
        List(L"https://errors.nas/dav/", c.end);
        List(L"https://errors.nas/dav/", c.end);
        const std::vector<std::string> lines = LogMessages(ReadLog(log));
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find(c.words), std::string::npos) << lines.back();
    }
    server.failure = HttpFailure::None;
    List(L"https://errors.nas/gone/", Platform::ListingEnd::Missing);
    const std::string text = ReadLog(log);
    EXPECT_EQ(LogMessages(text).size(), 5u);
    EXPECT_EQ(text.find("secret-pw"), std::string::npos);
}

TEST_F(WebDavSourceTest, ReadsAFileInGrowingRangesOrWholeWhereRangesAreIgnored) {
    server.files[L"/dav/big.jpg"] = Bytes(3 << 20);
    std::string bytes;
    Platform::ReadFailure why;
    ASSERT_TRUE(source.ReadWhole(L"https://nas/dav/big.jpg", bytes, why));
    EXPECT_EQ(bytes, server.files[L"/dav/big.jpg"]);
    EXPECT_LE(server.requests.size(), 5u);  // 256 KiB, 512 KiB, 1 MiB, 2 MiB
    EXPECT_TRUE(server.requests[0].ranged);

    server.ignoresRanges = true;
    ASSERT_TRUE(source.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why));
    EXPECT_EQ(bytes, Bytes(3000));
    EXPECT_FALSE(source.ReadWhole(L"https://nas/dav/none.jpg", bytes, why));
    EXPECT_EQ(why, Platform::ReadFailure::Missing);
    server.failure = HttpFailure::TooLarge;
    EXPECT_FALSE(source.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why));
    EXPECT_EQ(why, Platform::ReadFailure::TooLarge);
}

TEST_F(WebDavSourceTest, AFileThatTricklesIsGivenUpAtItsDeadline) {
    server.failure = HttpFailure::TimeOut;
    Platform::ReadFailure why;
    EXPECT_EQ(source.Open(L"https://nas/dav/IMG 1.jpg", why), nullptr);
    EXPECT_EQ(why, Platform::ReadFailure::Other);
    EXPECT_NE(ReadLog(log).find("did not come in time (at most 120 s)"), std::string::npos);
    EXPECT_LE(server.requests[0].deadlineSeconds, 120);
}

// Reads of 1000 bytes at a time, so that a 3000-byte photo takes three requests.
WebDavOptions SmallReads() {
    WebDavOptions options;
    options.firstRead = options.largestRead = 1000;
    return options;
}

TEST_F(WebDavSourceTest, EveryRangeNamesTheVersionItsListingGave) {
    WebDavSource small(server, nullptr, nullptr, SmallReads());
    ListBy(small, L"https://nas/dav/");
    std::string bytes;
    Platform::ReadFailure why;
    PictureStamp read;
    ASSERT_TRUE(small.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why, kPictureFileLimit, &read));
    EXPECT_EQ(bytes, Bytes(3000));
    ASSERT_EQ(server.requests.size(), 4u);  // the listing and three parts
    for (size_t i = 1; i < server.requests.size(); ++i) EXPECT_EQ(server.requests[i].headers.at("If-Range"), "\"e3000\"");
    EXPECT_EQ(read.tag, "\"e3000\"");
}

TEST_F(WebDavSourceTest, AFileReplacedWhileReadIsReadAgainWholeNeverJoined) {
    WebDavSource small(server, nullptr, nullptr, SmallReads());
    ListBy(small, L"https://nas/dav/");
    const std::string replaced = Bytes(3500).replace(0, 5, "new!!");
    server.onGet = [&](size_t count) {
        if (count == 2) server.files[L"/dav/IMG 1.jpg"] = replaced;  // after the first part
    };
    std::string bytes;
    Platform::ReadFailure why;
    PictureStamp read, now;
    ASSERT_TRUE(small.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why, kPictureFileLimit, &read));
    EXPECT_EQ(bytes, replaced);
    // The second part's If-Range brought the new file whole, larger than the part: not taken;
    // the new file read again from its start in parts.
    EXPECT_EQ(server.gets, 6u);
    for (const HttpRequest& request : server.requests) EXPECT_TRUE(request.method != "GET" || request.ranged);
    EXPECT_EQ(read.tag, "\"e3500\"");
    ASSERT_TRUE(small.Stamp(L"https://nas/dav/IMG 1.jpg", now));  // the listing's stamp gave way
    EXPECT_EQ(now, read);
    EXPECT_EQ(now.size, 3500);
    EXPECT_NE(ReadLog(log).find("changed on the server while it was read"), std::string::npos);
}

TEST_F(WebDavSourceTest, AFileReplacedSinceItsListingComesWholeUnderItsNewStamp) {
    List(L"https://nas/dav/", Platform::ListingEnd::Whole);
    server.files[L"/dav/IMG 1.jpg"] = Bytes(2000);
    Platform::ReadFailure why;
    const std::unique_ptr<PictureReader> file = source.Open(L"https://nas/dav/IMG 1.jpg", why);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Size(), 2000u);
    EXPECT_FALSE(file->Changed());  // nothing of the old version was handed out
    PictureStamp read, now;
    ASSERT_TRUE(file->ReadStamp(read));
    EXPECT_EQ(read.tag, "\"e2000\"");
    ASSERT_TRUE(source.Stamp(L"https://nas/dav/IMG 1.jpg", now));
    EXPECT_EQ(now, read);
    EXPECT_EQ(ReadLog(log).find("changed on the server"), std::string::npos);  // nothing unusual
}

TEST_F(WebDavSourceTest, AHeaderReadOfAFileReplacedSinceItsListingNeverPullsItWhole) {
    WebDavSource small(server, nullptr, nullptr, SmallReads());
    ListBy(small, L"https://nas/dav/");
    server.files[L"/dav/IMG 1.jpg"] = Bytes(3500);
    Platform::ReadFailure why;
    const std::unique_ptr<PictureReader> file = small.Open(L"https://nas/dav/IMG 1.jpg", why);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(server.requests.size(), 3u);  // the listing, the part refused whole, the part again
    EXPECT_EQ(server.requests[1].maxBody, 1000u);
    EXPECT_EQ(server.requests[2].headers.count("If-Range"), 0u);
    EXPECT_TRUE(server.requests[2].ranged);
    EXPECT_EQ(file->Size(), 3500u);
    EXPECT_FALSE(file->Changed());
    PictureStamp read;
    ASSERT_TRUE(file->ReadStamp(read));
    EXPECT_EQ(read.tag, "\"e3500\"");
    EXPECT_EQ(ReadLog(log).find("answer too large"), std::string::npos);  // nothing unusual
    EXPECT_EQ(ReadLog(log).find("changed on the server"), std::string::npos);
}

TEST_F(WebDavSourceTest, AWeakETagIsNoIfRangeAndAPartOfAnotherVersionIsNotJoined) {
    server.weakTags = true;
    WebDavSource small(server, nullptr, nullptr, SmallReads());
    ListBy(small, L"https://nas/dav/");
    const std::string replaced = Bytes(3500).replace(0, 5, "new!!");
    server.onGet = [&](size_t count) {
        if (count == 2) server.files[L"/dav/IMG 1.jpg"] = replaced;
    };
    std::string bytes;
    Platform::ReadFailure why;
    ASSERT_TRUE(small.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why));
    EXPECT_EQ(bytes, replaced);
    ASSERT_EQ(server.requests.size(), 4u);  // the listing, a part, a part of the new file, the new file whole
    for (const HttpRequest& request : server.requests) EXPECT_EQ(request.headers.count("If-Range"), 0u);
    EXPECT_EQ(server.requests[2].headers.at("If-Unmodified-Since"), "Wed, 09 Dec 2026 13:01:23 GMT");
    EXPECT_FALSE(server.requests[3].ranged);
}

TEST_F(WebDavSourceTest, WithoutETagsAPartOfAFileReplacedAtTheSameSizeIsToldByItsDate) {
    server.noTags = true;  // and If-Unmodified-Since ignored on a range, as Apache does
    WebDavSource small(server, nullptr, nullptr, SmallReads());
    ListBy(small, L"https://nas/dav/");
    const std::string replaced = Bytes(3000).replace(2000, 5, "new!!");
    server.onGet = [&](size_t count) {
        if (count != 2) return;
        server.files[L"/dav/IMG 1.jpg"] = replaced;
        server.lastModified = "Wed, 09 Dec 2026 14:00:00 GMT";
    };
    std::string bytes;
    Platform::ReadFailure why;
    PictureStamp read, now;
    ASSERT_TRUE(small.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why, kPictureFileLimit, &read));
    EXPECT_EQ(bytes, replaced);
    EXPECT_FALSE(server.requests.back().ranged);  // read again whole
    ASSERT_TRUE(small.Stamp(L"https://nas/dav/IMG 1.jpg", now));  // the listing's stamp gave way
    EXPECT_EQ(now, read);
    int64_t seconds = 0;
    ASSERT_TRUE(ParseHttpDate(server.lastModified, seconds));
    EXPECT_EQ(now.modified, seconds);
}

TEST_F(WebDavSourceTest, APartThatTellsNoVersionIsNeverJoinedTheFileComesWhole) {
    server.noTags = true;
    server.lastModified.clear();
    WebDavSource small(server, nullptr, nullptr, SmallReads());
    std::string bytes;
    Platform::ReadFailure why;
    ASSERT_TRUE(small.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why));
    EXPECT_EQ(bytes, Bytes(3000));
    ASSERT_EQ(server.requests.size(), 2u);  // the first part, then the whole file
    EXPECT_FALSE(server.requests[1].ranged);
}

TEST_F(WebDavSourceTest, APartOtherThanTheOneAskedForFailsTheReadWithOneLogLine) {
    WebDavSource small(server, nullptr, nullptr, SmallReads());
    server.partShift = 100;
    std::string bytes;
    Platform::ReadFailure why;
    EXPECT_FALSE(small.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why));
    EXPECT_FALSE(small.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why));
    const std::string text = ReadLog(log);
    const size_t first = text.find("another part of a file than the one asked for");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.find("another part of a file", first + 1), std::string::npos);
}

TEST_F(WebDavSourceTest, ABareListedETagIsQuotedForIfRangeAndKeepsItsStamp) {
    server.bareListingTags = true;
    WebDavSource small(server, nullptr, nullptr, SmallReads());
    ListBy(small, L"https://nas/dav/");
    PictureStamp listed, read;
    ASSERT_TRUE(small.Stamp(L"https://nas/dav/IMG 1.jpg", listed));
    EXPECT_EQ(listed.tag, "\"e3000\"");
    std::string bytes;
    Platform::ReadFailure why;
    ASSERT_TRUE(small.ReadWhole(L"https://nas/dav/IMG 1.jpg", bytes, why, kPictureFileLimit, &read));
    EXPECT_EQ(bytes, Bytes(3000));
    ASSERT_EQ(server.requests.size(), 4u);  // the listing and three parts, none whole
    EXPECT_EQ(server.requests[2].headers.at("If-Range"), "\"e3000\"");
    EXPECT_EQ(read, listed);
}

TEST_F(WebDavSourceTest, AfterAChangeReadsFailUntilOneStartsFromTheBeginning) {
    WebDavSource small(server, nullptr, nullptr, SmallReads());
    Platform::ReadFailure why;
    const std::unique_ptr<PictureReader> file = small.Open(L"https://nas/dav/IMG 1.jpg", why);
    ASSERT_NE(file, nullptr);
    char buffer[100];
    ASSERT_GT(file->ReadAt(0, buffer, sizeof(buffer)), 0);
    const std::string replaced = Bytes(3500).replace(0, 5, "new!!");
    server.files[L"/dav/IMG 1.jpg"] = replaced;
    EXPECT_EQ(file->ReadAt(2000, buffer, sizeof(buffer)), -1);
    EXPECT_TRUE(file->Changed());
    EXPECT_EQ(file->ReadAt(3000, buffer, sizeof(buffer)), -1);  // would be of the new version
    ASSERT_EQ(file->ReadAt(0, buffer, 5), 5);
    EXPECT_EQ(std::string(buffer, 5), "new!!");
    ASSERT_EQ(file->ReadAt(3000, buffer, sizeof(buffer)), 100);
    EXPECT_EQ(std::string(buffer, 100), replaced.substr(3000, 100));
}

TEST_F(WebDavSourceTest, WithoutETagsAFileReplacedSinceItsListingIsStampedByItsNewFacts) {
    server.noTags = true;
    List(L"https://nas/dav/", Platform::ListingEnd::Whole);
    PictureStamp listed, read, now;
    ASSERT_TRUE(source.Stamp(L"https://nas/dav/IMG 1.jpg", listed));
    server.files[L"/dav/IMG 1.jpg"] = Bytes(2000);
    server.lastModified = "Wed, 09 Dec 2026 14:00:00 GMT";
    Platform::ReadFailure why;
    const std::unique_ptr<PictureReader> file = source.Open(L"https://nas/dav/IMG 1.jpg", why);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->ReadStamp(read));
    EXPECT_FALSE(read == listed);
    EXPECT_EQ(read.size, 2000);
    ASSERT_TRUE(source.Stamp(L"https://nas/dav/IMG 1.jpg", now));
    EXPECT_EQ(now, read);
}

TEST_F(WebDavSourceTest, WhileTheServerIsAwayTheCacheListsStampsAndOpens) {
    const auto held = FreshCache("lumora_webdav_cache");
    ServerCache& cache = *held;
    ASSERT_TRUE(cache.Open());
    PictureStamp kept;
    kept.tag = "\"k\"";
    ASSERT_TRUE(cache.Put(L"https://nas/dav/2024/b.jpg", kept, "shown bytes"));
    WebDavSource offline(server, nullptr, &cache);
    server.away = true;
    std::vector<Platform::FolderItem> items;
    Platform::FolderId id;
    Platform::FolderHold hold = 0;
    EXPECT_EQ(offline.List(L"https://nas/dav/", items, id, hold).end, Platform::ListingEnd::Whole);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].name, L"2024");
    PictureStamp stamp;
    ASSERT_TRUE(offline.Stamp(L"https://nas/dav/2024/b.jpg", stamp));
    EXPECT_EQ(stamp.tag, "\"k\"");
    std::string bytes;
    Platform::ReadFailure why;
    ASSERT_TRUE(offline.ReadWhole(L"https://nas/dav/2024/b.jpg", bytes, why));
    EXPECT_EQ(bytes, "shown bytes");
    EXPECT_EQ(server.requests.size(), 1u);  // a server that gave no answer is left alone a while
}

// A server that stops answering the reads: the facts of a kept copy are the file's where the
// copy is of the version its folder's listing gives, or where the cache is the listing.
TEST_F(WebDavSourceTest, AKeptCopyGivesFactsOnlyOfTheListedVersion) {
    const std::string folder = testing::TempDir() + "lumora_webdav_kept_facts/";
    const std::wstring path = L"https://nas/dav/IMG 1.jpg";
    PictureStamp older;
    older.size = 2000;
    older.tag = "\"e2000\"";
    const struct {
        const char* what;
        bool listed;       // the folder listed in this run before the reads stopped
        bool olderCopy;    // the copy is of an older version, else kept as the show keeps it
        FactsRead got;
    } cases[] = {
        {"the listed version", true, false, FactsRead::NoneKnown},
        {"an older version than the listed one", true, true, FactsRead::Failed},
        {"an older version, the server away from the start", false, true, FactsRead::NoneKnown},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(folder);
        ServerCache cache(W(folder), 1 << 20);
        WebDavSource source(server, nullptr, &cache);
        server.failure = HttpFailure::None;
        std::string bytes;
        PictureStamp read;
        Platform::ReadFailure why;
        WebDavSource shown(server, nullptr);  // the show's read, after the walk's listing
        ListBy(shown, L"https://nas/dav/");
        ASSERT_TRUE(shown.ReadWhole(path, bytes, why, kPictureFileLimit, &read));
        ASSERT_TRUE(cache.Put(path, c.olderCopy ? older : read, bytes));
        if (c.listed) ListBy(source, L"https://nas/dav/");
        server.failure = HttpFailure::NoAnswer;
        PhotoFacts facts;
        EXPECT_EQ(ReadPhotoFacts(path, facts, source), c.got) << c.what;
    }
}

TEST_F(WebDavSourceTest, CopiesOfPhotosGoneFromTheServerLeaveTheCache) {
    const auto held = FreshCache("lumora_webdav_gone",
                                 {L"https://nas/dav/2024/b.jpg", L"https://nas/dav/2024/moved.jpg",
                                  L"https://nas/dav/2023/old.jpg", L"https://nas/dav/IMG 1.jpg"});
    ServerCache& cache = *held;
    WebDavSource source(server, nullptr, &cache);
    std::vector<Platform::FolderItem> items;
    Platform::FolderId id;
    Platform::FolderHold hold = 0;
    source.List(L"https://nas/dav/2024/", items, id, hold);  // moved.jpg is not listed
    source.List(L"https://nas/dav/", items, id, hold);       // nor the folder 2023
    PictureStamp stamp;
    EXPECT_TRUE(cache.Find(L"https://nas/dav/2024/b.jpg", stamp));
    EXPECT_TRUE(cache.Find(L"https://nas/dav/IMG 1.jpg", stamp));
    EXPECT_FALSE(cache.Find(L"https://nas/dav/2024/moved.jpg", stamp));
    EXPECT_FALSE(cache.Find(L"https://nas/dav/2023/old.jpg", stamp));
    server.files.erase(L"/dav/2024/b.jpg");  // deleted since the listing: the read finds it gone
    std::string bytes;
    Platform::ReadFailure why;
    EXPECT_FALSE(source.ReadWhole(L"https://nas/dav/2024/b.jpg", bytes, why));
    EXPECT_FALSE(cache.Find(L"https://nas/dav/2024/b.jpg", stamp));
}

TEST_F(WebDavSourceTest, EntriesLeftOutAreToldOnceAndOnlyAListingThatMayMissMembersKeepsTheCopies) {
    const std::vector<std::wstring> folders = {L"https://nas/dav/2024/", L"https://nas/dav/2023/",
                                               L"https://nas/dav/2022/", L"https://nas/dav/2021/"};
    const auto held = FreshCache("lumora_webdav_badhref", {folders[0] + L"moved.jpg", folders[1] + L"moved.jpg",
                                                           folders[2] + L"moved.jpg", folders[3] + L"moved.jpg"});
    ServerCache& cache = *held;
    // The folder's own entry answers an error: the listing may not be the folder's whole.
    server.listings[folders[0]] = DavMultistatus(DavResponse("/dav/2024/", "", "403 Forbidden"));
    // A name with a control character (listed as "Icon%0D") was never kept.
    server.files[L"/dav/2023/"] = "";
    server.files[L"/dav/2023/Icon\r"] = "";
    // An href on another server names no member.
    server.listings[folders[2]] =
        DavMultistatus(DavResponse("/dav/2022/", "") + DavResponse("https://other/c.jpg", ""));
    // A member spelt in other letter case may be one this folder holds.
    server.listings[folders[3]] =
        DavMultistatus(DavResponse("/dav/2021/", "") + DavResponse("/DAV/2021/b.jpg", ""));
    WebDavSource source(server, nullptr, &cache);
    for (int run = 0; run < 2; ++run)
        for (const std::wstring& listed : folders) ListBy(source, listed);
    PictureStamp stamp;
    EXPECT_TRUE(cache.Find(folders[0] + L"moved.jpg", stamp));
    EXPECT_FALSE(cache.Find(folders[1] + L"moved.jpg", stamp));
    EXPECT_FALSE(cache.Find(folders[2] + L"moved.jpg", stamp));
    EXPECT_TRUE(cache.Find(folders[3] + L"moved.jpg", stamp));
    const std::vector<std::string> lines = LogMessages(ReadLog(log));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("2023/ - 1 names that cannot be used here left out"), std::string::npos) << lines[0];
    for (size_t i : {1, 2})
        EXPECT_NE(lines[i].find("/ - 1 entries whose address names nothing in this folder left out"),
                  std::string::npos)
            << lines[i];
}

TEST_F(WebDavSourceTest, RequestsEndWithTheStopFlagOfTheWorkerThatMadeThem) {
    std::atomic<bool> workerStop{false}, saverStop{false};
    source.SetStop(&saverStop);
    List(L"https://nas/dav/", Platform::ListingEnd::Whole);
    ThreadStopFlag() = &workerStop;
    List(L"https://nas/dav/2024/", Platform::ListingEnd::Whole);
    ThreadStopFlag() = nullptr;
    ASSERT_EQ(server.stops.size(), 2u);
    EXPECT_EQ(server.stops[0], &saverStop);
    EXPECT_EQ(server.stops[1], &workerStop);
}

TEST_F(WebDavSourceTest, TheCheckSaysWhatFailedAndFindsANextcloudUsersFiles) {
    const ServerCredential anna{L"anna", L"pw"};
    EXPECT_EQ(CheckServerFolder(server, L"https://nas/dav/", anna, nullptr).check, ServerCheck::Ok);
    EXPECT_EQ(CheckServerFolder(server, L"https://nas/nothing/", anna, nullptr).check, ServerCheck::NoFolder);
    EXPECT_EQ(CheckServerFolder(server, L"nas/dav/", anna, nullptr).check, ServerCheck::BadAddress);
    server.files[L"/cloud/remote.php/dav/files/anna/"] = "";
    const ServerCheckResult found = CheckServerFolder(server, L"https://nas/cloud/", anna, nullptr);
    EXPECT_EQ(found.check, ServerCheck::Ok);
    EXPECT_EQ(found.entry, L"https://nas/cloud/remote.php/dav/files/anna/");
    // An entry being edited is checked as the walk lists it.
    EXPECT_EQ(CheckServerFolder(server, L"https://nas/cloud/", anna, nullptr, false).check, ServerCheck::NoFolder);
    // An entry of an older list, without its last "/".
    EXPECT_EQ(CheckServerFolder(server, L"https://nas/dav", anna, nullptr).entry, L"https://nas/dav/");
    server.answers[L"https://nas/dav/"] = {401, ""};
    EXPECT_EQ(CheckServerFolder(server, L"https://nas/dav/", anna, nullptr).check, ServerCheck::WrongPassword);
    server.failure = HttpFailure::Certificate;
    EXPECT_EQ(CheckServerFolder(server, L"https://nas/dav/", anna, nullptr).check, ServerCheck::Untrusted);
    server.failure = HttpFailure::NoAnswer;
    EXPECT_EQ(CheckServerFolder(server, L"https://nas/dav/", anna, nullptr).check, ServerCheck::NoAnswer);
}

TEST_F(WebDavSourceTest, TheCheckAsksForTheEntryAsTypedDecodedOnce) {
    // Typed "%23" is a "#" of the name; typed "%2541" is "%41", never "A".
    server.files[L"/Party #1/"] = "";
    server.files[L"/100%41/"] = "";
    for (const wchar_t* typed : {L"https://nas/Party%20%231", L"https://nas/100%2541"}) {
        std::wstring entry;
        ASSERT_TRUE(NormaliseServerEntry(typed, entry));
        const ServerCheckResult checked = CheckServerFolder(server, entry, {L"anna", L"pw"}, nullptr);
        EXPECT_EQ(checked.check, ServerCheck::Ok) << typed;
        EXPECT_EQ(checked.entry, entry);
    }
    EXPECT_EQ(server.requests[0].url, L"https://nas/Party%20%231/");
    EXPECT_EQ(server.requests[1].url, L"https://nas/100%2541/");
}

TEST_F(WebDavSourceTest, TheLibraryWalksAServerFolderOnceAndLeavesOutWhatTheUserLeftOut) {
    const std::vector<std::wstring> extensions = {L".jpg"};
    auto walk = [&](const std::vector<std::wstring>& leftOut) {
        // The second entry reaches a folder the first one holds: its pictures come once.
        LibraryScan scan({L"https://nas/dav/", L"https://NAS/dav/2024/"}, extensions, source);
        scan.LeaveOut(leftOut);
        std::vector<std::wstring> paths;
        std::wstring path;
        while (scan.Next(path)) paths.push_back(path);
        return paths;
    };
    EXPECT_EQ(walk({}), (std::vector<std::wstring>{L"https://nas/dav/IMG 1.jpg", L"https://nas/dav/2024/b.jpg"}));
    EXPECT_EQ(walk({L"https://nas/dav/2024/"}), std::vector<std::wstring>{L"https://nas/dav/IMG 1.jpg"});
}

namespace {
// A server that takes each request and says nothing until its answer time-out, unless the
// request is told to stop first.
struct SilentServer : HttpTransport {
    std::atomic<int> requests{0};
    HttpFailure Send(const HttpRequest&, const ServerCredential*, HttpResponse&,
                     const std::atomic<bool>* stop) override {
        ++requests;
        const auto timeOut = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < timeOut) {
            if (stop && stop->load()) return HttpFailure::Cancelled;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return HttpFailure::TimeOut;
    }
};
}  // namespace

TEST(WebDavSilentServer, HoldsUpNoLocalPictureBeforeItAndItsRequestEndsWithTheStop) {
    SilentServer silent;
    std::atomic<bool> stop{false};
    WebDavSource server(silent, [](const std::wstring&, ServerCredential& credential) {
        credential = {L"ann", L"pw"};
        return true;
    });
    const std::wstring entry = L"http://127.0.0.1:9/photos/";
    server.SetEntries({entry});
    server.SetStop(&stop);
    FakeFolders local;
    Platform::FolderItem photo;
    photo.name = L"a.jpg";
    local.folders[L"C:\\local\\"] = {photo};
    PictureSourceRouter sources(local);
    sources.Add(L"http://", server);
    PictureLibrary::Options options;
    options.source = &sources;
    // The order the saver's list takes: the local folders first, then the servers.
    PictureLibrary library({L"C:\\local\\", entry}, {L".jpg"}, options);
    std::wstring path;
    uint32_t place = 0;
    ASSERT_TRUE(library.Next(path, place, &stop));
    EXPECT_EQ(path, L"C:\\local\\a.jpg");
    EXPECT_EQ(silent.requests.load(), 0);
    // Looking for the next one asks the server; the scene going ends that wait at once.
    const auto asked = std::chrono::steady_clock::now();
    std::thread ending([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.store(true);
    });
    EXPECT_FALSE(library.Next(path, place, &stop));
    ending.join();
    EXPECT_EQ(silent.requests.load(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
}
