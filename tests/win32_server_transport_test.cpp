// The WinHTTP transport and the XmlLite reader under Wine, against a scripted one-shot HTTP
// server on 127.0.0.1: Basic authentication after a 401 and ahead of it once taken, redirects
// handed back, ranges asked, a body that trickles past the deadline, a cancel, and XmlLite's
// events.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sources/winhttp_transport.h"

namespace WorkSpace {
namespace {

// Serves `answers` in turn, one connection each, and keeps what each request said.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<std::string> answers, int trickleMs = 0) : answers_(std::move(answers)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int length = sizeof(address);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 4);
        thread_ = std::thread([this, trickleMs] { Serve(trickleMs); });
    }
    ~ScriptedServer() {
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }
    std::wstring Url(const std::wstring& path) const { return L"http://127.0.0.1:" + std::to_wstring(port_) + path; }
    std::vector<std::string> requests;

private:
    void Serve(int trickleMs) {
        for (const std::string& answer : answers_) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int got = recv(client, buffer, sizeof(buffer), 0);
                if (got <= 0) break;
                request.append(buffer, got);
            }
            requests.push_back(request);
            if (trickleMs == 0) {
                send(client, answer.data(), static_cast<int>(answer.size()), 0);
            } else {
                for (char c : answer) {
                    if (send(client, &c, 1, 0) != 1) break;
                    Sleep(trickleMs);
                }
            }
            closesocket(client);
        }
    }
    std::vector<std::string> answers_;
    SOCKET listener_;
    int port_ = 0;
    std::thread thread_;
};

std::string Answer(const char* status, const std::string& body, const char* extra = "") {
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n" + extra + "\r\n" + body;
}

TEST(WinHttpTransport, AnswersA401WithBasicCredentials) {
    ScriptedServer server({Answer("401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"photos\"\r\n"),
                           Answer("200 OK", "listing")});
    auto transport = MakeWinHttpTransport();
    ASSERT_TRUE(transport);
    HttpRequest request;
    request.url = server.Url(L"/photos/");
    const ServerCredential credential{L"ann", L"pw"};
    HttpResponse response;
    ASSERT_EQ(HttpFailure::None, transport->Send(request, &credential, response, nullptr));
    EXPECT_EQ(200, response.status);
    EXPECT_EQ("listing", response.body);
    ASSERT_EQ(2u, server.requests.size());
    EXPECT_NE(std::string::npos, server.requests[1].find("Authorization: Basic YW5uOnB3"));  // ann:pw
}

// Once a server has taken Basic, the credential goes with each later request's first try,
// to that server (scheme, host and port) only; one refused there is not sent again at once,
// and the next request asks first.
TEST(WinHttpTransport, SendsBasicAheadOnlyWhereTheServerTookIt) {
    const std::string askBasic = Answer("401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"photos\"\r\n");
    ScriptedServer server({askBasic, Answer("200 OK", "one"), Answer("200 OK", "two"), askBasic, askBasic,
                           Answer("200 OK", "three")});
    ScriptedServer other({Answer("200 OK", "other")});
    auto transport = MakeWinHttpTransport();
    ASSERT_TRUE(transport);
    const ServerCredential credential{L"ann", L"pw"};
    auto send = [&](const std::wstring& url, int status) {
        HttpRequest request;
        request.url = url;
        HttpResponse response;
        ASSERT_EQ(HttpFailure::None, transport->Send(request, &credential, response, nullptr));
        EXPECT_EQ(status, response.status) << std::string(url.begin(), url.end());
    };
    send(server.Url(L"/photos/"), 200);     // 401, then the credential: taken
    send(server.Url(L"/photos/a.jpg"), 200);  // the credential at once
    send(other.Url(L"/photos/"), 200);      // another port: never sent ahead
    send(server.Url(L"/photos/b.jpg"), 401);  // sent ahead and refused: not sent again at once
    send(server.Url(L"/photos/c.jpg"), 200);  // forgotten: first without it, then with it
    const auto authorized = [](const std::string& request) {
        return request.find("Authorization: Basic YW5uOnB3") != std::string::npos;
    };
    ASSERT_EQ(6u, server.requests.size());
    const bool expected[] = {false, true, true, true, false, true};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(expected[i], authorized(server.requests[i])) << i;
    ASSERT_EQ(1u, other.requests.size());
    EXPECT_FALSE(authorized(other.requests[0]));
}

TEST(WinHttpTransport, HandsARedirectBackAndAsksForRanges) {
    ScriptedServer server({Answer("302 Found", "", "Location: http://elsewhere.example/\r\n")});
    auto transport = MakeWinHttpTransport();
    ASSERT_TRUE(transport);
    HttpRequest request;
    request.url = server.Url(L"/a.jpg");
    request.ranged = true;
    request.rangeFrom = 10;
    request.rangeLength = 5;
    HttpResponse response;
    ASSERT_EQ(HttpFailure::None, transport->Send(request, nullptr, response, nullptr));
    EXPECT_EQ(302, response.status);
    EXPECT_EQ("http://elsewhere.example/", response.headers["location"]);
    ASSERT_EQ(1u, server.requests.size());
    EXPECT_NE(std::string::npos, server.requests[0].find("Range: bytes=10-14"));
}

TEST(WinHttpTransport, GivesUpABodyThatTricklesPastTheDeadline) {
    ScriptedServer server({Answer("200 OK", std::string(400, 'x'))}, 20);
    auto transport = MakeWinHttpTransport();
    ASSERT_TRUE(transport);
    HttpRequest request;
    request.url = server.Url(L"/slow.jpg");
    request.deadlineSeconds = 1;
    HttpResponse response;
    const auto start = std::chrono::steady_clock::now();
    // Its status line trickles too: Wine's WinHTTP may not have said the request went out yet.
    const HttpFailure failure = transport->Send(request, nullptr, response, nullptr);
    EXPECT_TRUE(failure == HttpFailure::TimeOut || failure == HttpFailure::NoAnswer);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(WinHttpTransport, EndsOnTheCancelFlag) {
    ScriptedServer server({Answer("200 OK", std::string(400, 'x'))}, 20);
    auto transport = MakeWinHttpTransport();
    ASSERT_TRUE(transport);
    HttpRequest request;
    request.url = server.Url(L"/slow.jpg");
    std::atomic<bool> cancel{false};
    std::thread raise([&cancel] {
        Sleep(300);
        cancel = true;
    });
    HttpResponse response;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(HttpFailure::Cancelled, transport->Send(request, nullptr, response, &cancel));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    raise.join();
}

TEST(XmlLiteReader, GivesElementsByNamespaceAndTheirText) {
    std::string events;
    XmlEvents handlers;
    handlers.start = [&](const std::string& ns, const std::string& name) { events += "<" + ns + "|" + name + ">"; };
    handlers.end = [&](const std::string& ns, const std::string& name) { events += "</" + ns + "|" + name + ">"; };
    handlers.text = [&](const std::string& text) { events += text; };
    ASSERT_TRUE(ParseXml("<D:a xmlns:D=\"DAV:\"><D:b>caf\xC3\xA9</D:b><D:c/></D:a>", handlers));
    EXPECT_EQ("<DAV:|a><DAV:|b>caf\xC3\xA9</DAV:|b><DAV:|c></DAV:|c></DAV:|a>", events);
    EXPECT_FALSE(ParseXml("<D:a xmlns:D=\"DAV:\"><D:b></D:a>", handlers));
}

}  // namespace
}  // namespace WorkSpace
