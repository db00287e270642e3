// HttpTransport over WinHTTP in its asynchronous mode: the calling thread issues each step and
// waits for its completion in short slices, so that the cancel flag and the request's overall
// deadline end a request at once, however slowly the server answers or trickles its bytes.
#include "sources/winhttp_transport.h"

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "platform/platform.h"
#include "platform/win32_system_library.h"
#include "resources/logger.h"

namespace WorkSpace {
namespace {

#ifndef WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY
#define WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY 4
#endif

constexpr int kResolveMs = 5000, kConnectMs = 5000, kAnswerMs = 15000;
constexpr DWORD kReadChunk = 64 * 1024;

// One request's meeting point with WinHTTP's callback thread. Allocated on the heap and
// freed by the callback when the handle closes: a read WinHTTP still holds after a cancel
// writes into `buffer`, which must outlive the caller's wait.
struct Pending {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD completed = 0;  // the last completion's status
    DWORD error = 0;      // from WINHTTP_CALLBACK_STATUS_REQUEST_ERROR
    DWORD secureFlags = 0;
    DWORD count = 0;      // bytes available or read
    char buffer[kReadChunk];
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    auto* pending = reinterpret_cast<Pending*>(context);
    if (!pending) return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SECURE_FAILURE:
        if (info && length >= sizeof(DWORD)) pending->secureFlags = *static_cast<DWORD*>(info);
        return;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
        CloseHandle(pending->event);
        delete pending;
        return;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        pending->count = info ? *static_cast<DWORD*>(info) : 0;
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        pending->count = length;
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        pending->error = info ? static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError : ERROR_WINHTTP_INTERNAL_ERROR;
        break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        break;
    default:
        return;
    }
    pending->completed = status;
    SetEvent(pending->event);
}

HttpFailure FailureOf(DWORD error, bool connected) {
    switch (error) {
    case ERROR_WINHTTP_OPERATION_CANCELLED: return HttpFailure::Cancelled;
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return HttpFailure::BadAddress;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: return HttpFailure::Certificate;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case ERROR_WINHTTP_CANNOT_CONNECT: return HttpFailure::NoAnswer;
    case ERROR_WINHTTP_TIMEOUT:
    case ERROR_WINHTTP_CONNECTION_ERROR: return connected ? HttpFailure::TimeOut : HttpFailure::NoAnswer;
    default: return HttpFailure::Other;
    }
}

// The handles of one request, closed in the order WinHTTP wants whatever way Send leaves.
struct RequestHandles {
    HINTERNET connection = nullptr, request = nullptr;
    Pending* pending = nullptr;
    ~RequestHandles() {
        if (request) WinHttpCloseHandle(request);  // the callback frees `pending`
        else delete pending;
        if (connection) WinHttpCloseHandle(connection);
    }
};

class WinHttpTransport : public HttpTransport {
public:
    explicit WinHttpTransport(HINTERNET session) : session_(session) {}
    ~WinHttpTransport() override { WinHttpCloseHandle(session_); }
    HttpFailure Send(const HttpRequest& request, const ServerCredential* credential, HttpResponse& response,
                     const std::atomic<bool>* cancel) override;

private:
    // Whether the server at `origin` took Basic authentication before: then a request there
    // carries the credential from its first try, without a 401 and a second round trip.
    // Digest cannot be sent ahead (its answer needs the server's nonce).
    bool SendsBasicAhead(const std::wstring& origin) {
        std::lock_guard<std::mutex> hold(lock_);
        return basicOrigins_.count(origin) != 0;
    }
    void NoteBasic(const std::wstring& origin, bool taken) {
        std::lock_guard<std::mutex> hold(lock_);
        if (taken) basicOrigins_.insert(origin);
        else basicOrigins_.erase(origin);
    }

    HINTERNET session_;
    std::mutex lock_;
    std::set<std::wstring> basicOrigins_;  // "http://host:port", host in lower case
};

using Clock = std::chrono::steady_clock;

// Waits for the step just issued: None when it completed, else why it did not.
HttpFailure Await(Pending& pending, Clock::time_point deadline, const std::atomic<bool>* cancel, bool connected) {
    for (;;) {
        if (WaitForSingleObject(pending.event, 50) == WAIT_OBJECT_0) break;
        if (cancel && cancel->load()) return HttpFailure::Cancelled;
        if (Clock::now() >= deadline) return connected ? HttpFailure::TimeOut : HttpFailure::NoAnswer;
    }
    if (pending.completed != WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) return HttpFailure::None;
    if (pending.secureFlags != 0) return HttpFailure::Certificate;
    return FailureOf(pending.error, connected);
}

std::wstring HeaderLines(const HttpRequest& request) {
    std::string lines;
    for (const auto& header : request.headers) lines += header.first + ": " + header.second + "\r\n";
    if (request.ranged) {
        lines += "Range: bytes=" + std::to_string(request.rangeFrom) + "-";
        if (request.rangeLength > 0) lines += std::to_string(request.rangeFrom + request.rangeLength - 1);
        lines += "\r\n";
    }
    if (!request.body.empty() && !request.headers.count("Content-Type"))
        lines += "Content-Type: application/xml; charset=utf-8\r\n";
    return Platform::Utf8ToWide(lines.data(), lines.size());
}

// The status line aside, each "Name: value" line with its name in lower case.
void ReadHeaders(HINTERNET request, HttpResponse& response) {
    DWORD status = 0, size = sizeof(status);
    WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                        &status, &size, WINHTTP_NO_HEADER_INDEX);
    response.status = static_cast<int>(status);
    response.headers.clear();
    size = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (size == 0) return;
    std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, &raw[0], &size,
                             WINHTTP_NO_HEADER_INDEX))
        return;
    raw.resize(size / sizeof(wchar_t));
    const std::string text = Platform::WideToUtf8(raw);
    size_t start = text.find("\r\n");  // past the status line
    while (start != std::string::npos && start + 2 < text.size()) {
        start += 2;
        const size_t end = text.find("\r\n", start);
        const std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos && colon > 0) {
            std::string name = line.substr(0, colon);
            for (char& c : name) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
            size_t value = colon + 1;
            while (value < line.size() && (line[value] == ' ' || line[value] == '\t')) ++value;
            response.headers[name] = line.substr(value);
        }
        start = end;
    }
}

// After a 401: the strongest scheme the server offers that we can answer (Digest, else
// Basic); 0 when there is none (the 401 then is the answer).
DWORD OfferedScheme(HINTERNET request) {
    DWORD supported = 0, first = 0, target = 0;
    if (!WinHttpQueryAuthSchemes(request, &supported, &first, &target) || target != WINHTTP_AUTH_TARGET_SERVER)
        return 0;
    if (supported & WINHTTP_AUTH_SCHEME_DIGEST) return WINHTTP_AUTH_SCHEME_DIGEST;
    if (supported & WINHTTP_AUTH_SCHEME_BASIC) return WINHTTP_AUTH_SCHEME_BASIC;
    return 0;
}

bool SetCredentials(HINTERNET request, DWORD scheme, const ServerCredential& credential) {
    return WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_SERVER, scheme, credential.user.c_str(),
                                 credential.password.c_str(), nullptr) != FALSE;
}

// The body into response.body, within request.maxBody.
HttpFailure ReadBody(HINTERNET request, Pending& pending, const HttpRequest& asked, HttpResponse& response,
                     Clock::time_point deadline, const std::atomic<bool>* cancel) {
    response.body.clear();
    auto length = response.headers.find("content-length");
    if (length != response.headers.end() && std::strtoull(length->second.c_str(), nullptr, 10) > asked.maxBody)
        return HttpFailure::TooLarge;
    for (;;) {
        if (!WinHttpQueryDataAvailable(request, nullptr)) return FailureOf(GetLastError(), true);
        HttpFailure failure = Await(pending, deadline, cancel, true);
        if (failure != HttpFailure::None) return failure;
        if (pending.count == 0) return HttpFailure::None;
        const DWORD want = pending.count < kReadChunk ? pending.count : kReadChunk;
        if (!WinHttpReadData(request, pending.buffer, want, nullptr)) return FailureOf(GetLastError(), true);
        failure = Await(pending, deadline, cancel, true);
        if (failure != HttpFailure::None) return failure;
        if (pending.count == 0) return HttpFailure::None;
        if (response.body.size() + pending.count > asked.maxBody) return HttpFailure::TooLarge;
        response.body.append(pending.buffer, pending.count);
    }
}

HttpFailure WinHttpTransport::Send(const HttpRequest& asked, const ServerCredential* credential,
                                   HttpResponse& response, const std::atomic<bool>* cancel) {
    if (cancel && cancel->load()) return HttpFailure::Cancelled;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(asked.deadlineSeconds * 1000));
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(asked.url.c_str(), 0, 0, &parts) || parts.dwHostNameLength == 0 ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
        return HttpFailure::BadAddress;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    RequestHandles handles;
    handles.connection = WinHttpConnect(session_, host.c_str(), parts.nPort, 0);
    if (!handles.connection) return FailureOf(GetLastError(), false);
    const std::wstring verb = Platform::Utf8ToWide(asked.method.data(), asked.method.size());
    // Plain HTTP only where the address says http://; https:// always checks the certificate.
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    handles.request = WinHttpOpenRequest(handles.connection, verb.c_str(), path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES, secure | WINHTTP_FLAG_ESCAPE_DISABLE);
    if (!handles.request) return FailureOf(GetLastError(), false);
    handles.pending = new Pending();
    Pending& pending = *handles.pending;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(handles.pending);
    WinHttpSetOption(handles.request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context));
    // The source follows redirects itself, and only within the same host.
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(handles.request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof(disable));
    // Only the credential the user typed for this entry: WinHTTP's default (medium) would hand
    // an intranet server that asks for NTLM or Negotiate the user's own Windows logon.
    DWORD autologon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    WinHttpSetOption(handles.request, WINHTTP_OPTION_AUTOLOGON_POLICY, &autologon, sizeof(autologon));
    const DWORD notices = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES |
                          WINHTTP_CALLBACK_FLAG_SECURE_FAILURE;
    if (WinHttpSetStatusCallback(handles.request, OnStatus, notices, 0) == WINHTTP_INVALID_STATUS_CALLBACK)
        return HttpFailure::Other;

    const std::wstring headers = HeaderLines(asked);
    std::wstring origin = (secure ? L"https://" : L"http://") + host + L":" + std::to_wstring(parts.nPort);
    for (wchar_t& c : origin) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    // The credential goes with the first try where this server took Basic before.
    bool sentAhead = credential && SendsBasicAhead(origin) &&
                     SetCredentials(handles.request, WINHTTP_AUTH_SCHEME_BASIC, *credential);
    DWORD answered = 0;         // the scheme set after a 401
    bool refusedAhead = false;  // the credential sent ahead was answered 401
    for (;;) {
        if (cancel && cancel->load()) return HttpFailure::Cancelled;  // nothing sent once it is raised
        void* body = asked.body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(asked.body.data());
        const DWORD bodySize = static_cast<DWORD>(asked.body.size());
        if (!WinHttpSendRequest(handles.request, headers.c_str(), static_cast<DWORD>(headers.size()), body, bodySize,
                                bodySize, context))
            return FailureOf(GetLastError(), false);
        HttpFailure failure = Await(pending, deadline, cancel, false);
        if (failure != HttpFailure::None) return failure;
        if (!WinHttpReceiveResponse(handles.request, nullptr)) return FailureOf(GetLastError(), true);
        failure = Await(pending, deadline, cancel, true);
        if (failure != HttpFailure::None) return failure;
        ReadHeaders(handles.request, response);
        if (response.status == 401 && credential && answered == 0) {
            const DWORD scheme = OfferedScheme(handles.request);
            if (sentAhead) {
                // Refused: the next request asks first, as the first time did. The same
                // credential is not sent again at once (two failed logins for one request
                // would lock some servers' accounts twice as fast); another scheme is tried.
                NoteBasic(origin, false);
                sentAhead = false;
                refusedAhead = true;
            }
            if (scheme != 0 && !(scheme == WINHTTP_AUTH_SCHEME_BASIC && refusedAhead) &&
                SetCredentials(handles.request, scheme, *credential)) {
                answered = scheme;
                continue;  // the same request again, now with the credential
            }
        }
        if (answered == WINHTTP_AUTH_SCHEME_BASIC && response.status != 401) NoteBasic(origin, true);
        return ReadBody(handles.request, pending, asked, response, deadline, cancel);
    }
}

// The session, through the user's proxy: Windows 8.1's automatic proxy where it has it,
// else the proxy named in the user's Internet settings, else none.
HINTERNET OpenSession() {
    const wchar_t* agent = L"Lumora";
    HINTERNET session = WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (!session) {
        WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie{};
        const bool named = WinHttpGetIEProxyConfigForCurrentUser(&ie) && ie.lpszProxy && *ie.lpszProxy;
        session = named ? WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, ie.lpszProxy,
                                      ie.lpszProxyBypass ? ie.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS,
                                      WINHTTP_FLAG_ASYNC)
                        : WinHttpOpen(agent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
        if (ie.lpszAutoConfigUrl) GlobalFree(ie.lpszAutoConfigUrl);
        if (ie.lpszProxy) GlobalFree(ie.lpszProxy);
        if (ie.lpszProxyBypass) GlobalFree(ie.lpszProxyBypass);
    }
    if (!session) return nullptr;
    WinHttpSetTimeouts(session, kResolveMs, kConnectMs, kAnswerMs, kAnswerMs);
    return session;
}

}  // namespace

std::unique_ptr<HttpTransport> MakeWinHttpTransport() {
    // winhttp.dll is a delay import: the system folder's copy is loaded before the first call.
    if (!LoadSystemLibrary(L"winhttp.dll")) {
        GetLogger().Write(L"WorkSpace::MakeWinHttpTransport() - winhttp.dll not found: server folders are off");
        return nullptr;
    }
    HINTERNET session = OpenSession();
    if (!session) {
        GetLogger().Write(L"WorkSpace::MakeWinHttpTransport() - WinHttpOpen failed (%lu): server folders are off",
                          GetLastError());
        return nullptr;
    }
    return std::make_unique<WinHttpTransport>(session);
}

}  // namespace WorkSpace
