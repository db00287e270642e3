// What a server folder's source asks of the network and of the XML reader, as interfaces:
// WinHTTP and XmlLite serve them on Windows (winhttp_transport.cpp, xmllite_reader.cpp), a
// scripted transport and expat in the native tests. The source itself stays portable.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace WorkSpace {

// A user name and password for one server entry. Held only in memory: never written to the
// settings, the log, the index, the cache or the lap.
struct ServerCredential {
    std::wstring user;
    std::wstring password;
};

struct HttpRequest {
    std::string method = "GET";        // "GET", "PROPFIND", "HEAD"
    std::wstring url;                  // whole, percent-encoded
    std::map<std::string, std::string> headers;  // e.g. "Depth": "1"
    std::string body;
    // A byte range of the answer's body: from `rangeFrom`, `rangeLength` bytes (0: to the end).
    uint64_t rangeFrom = 0, rangeLength = 0;
    bool ranged = false;
    // The most body bytes taken; more ends the request with HttpFailure::TooLarge.
    uint64_t maxBody = uint64_t(1) << 30;
    // The whole request's deadline in seconds, however slowly bytes trickle in.
    double deadlineSeconds = 60;
};

struct HttpResponse {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

// Why no answer came. An answer with any status (401, 404, 500) is an answer, not a failure.
enum class HttpFailure {
    None,
    BadAddress,   // the URL cannot be used
    NoAnswer,     // the name did not resolve, the connection was refused or timed out
    TimeOut,      // connected, but the answer or the body did not come in time
    Certificate,  // the server's certificate is not trusted, expired or for another name
    TooLarge,     // the body passed maxBody
    Cancelled,    // the cancel flag was raised
    Other,
};

class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // Sends one request and waits for the whole answer. Redirects are never followed here
    // (the source follows them by hand, within the same host). Authentication with
    // `credential` where the server asks for it (Basic, or Digest where the system offers it);
    // null sends none. `cancel`, where given, is polled and ends the request early.
    virtual HttpFailure Send(const HttpRequest& request, const ServerCredential* credential,
                             HttpResponse& response, const std::atomic<bool>* cancel) = 0;
};

// A streaming XML reader's events, as XmlLite and expat both give them: element names with
// their namespace URI, and text. Attributes are not needed by WebDAV's multistatus answer.
struct XmlEvents {
    std::function<void(const std::string& namespaceUri, const std::string& localName)> start;
    std::function<void(const std::string& namespaceUri, const std::string& localName)> end;
    std::function<void(const std::string& text)> text;  // UTF-8, possibly in several pieces
};
// Parses a whole document; false (with no further events) on malformed XML. The platform's
// reader: XmlLite on Windows (loaded at run time; false when it is missing), expat elsewhere.
bool ParseXml(const std::string& document, const XmlEvents& events);

}  // namespace WorkSpace
