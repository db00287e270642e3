// A server folder's address in its forms: parsed and normalised from what the user typed,
// percent-encoded for the wire, decoded from a WebDAV answer's hrefs, the redirect and
// Nextcloud rules and the photo index's key.
#include "sources/server_url.h"

#include <cctype>

#include "platform/platform.h"

namespace WorkSpace {

namespace {

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring LowerAscii(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) out.push_back(Lower(c));
    return out;
}

bool HostChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'.' || c == L'_';
}

bool V6Char(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F') || c == L':' || c == L'.';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "host", "host:port", "[v6]" or "[v6]:port".
bool ParseAuthority(const std::wstring& authority, ServerUrl& url) {
    if (authority.empty() || authority.find(L'@') != std::wstring::npos) return false;
    size_t hostEnd;
    if (authority[0] == L'[') {
        hostEnd = authority.find(L']');
        if (hostEnd == std::wstring::npos || hostEnd < 2) return false;
        for (size_t i = 1; i < hostEnd; ++i)
            if (!V6Char(authority[i])) return false;
        ++hostEnd;
    } else {
        hostEnd = authority.find(L':');
        if (hostEnd == std::wstring::npos) hostEnd = authority.size();
        if (hostEnd == 0) return false;
        for (size_t i = 0; i < hostEnd; ++i)
            if (!HostChar(authority[i])) return false;
    }
    url.host = authority.substr(0, hostEnd);
    url.port = 0;
    if (hostEnd == authority.size()) return true;
    if (authority[hostEnd] != L':' || hostEnd + 1 == authority.size() || authority.size() - hostEnd > 6) return false;
    uint32_t port = 0;
    for (size_t i = hostEnd + 1; i < authority.size(); ++i) {
        if (authority[i] < L'0' || authority[i] > L'9') return false;
        port = port * 10 + static_cast<uint32_t>(authority[i] - L'0');
    }
    if (port == 0 || port > 65535) return false;
    if (port != (url.https ? 443u : 80u)) url.port = static_cast<uint16_t>(port);
    return true;
}

uint16_t EffectivePort(const ServerUrl& url) { return url.port ? url.port : (url.https ? 443 : 80); }

// Percent escapes of `bytes` decoded; false for a broken escape, a NUL or an escaped "/",
// which would make one name two.
bool Unescape(const std::string& bytes, std::string& out) {
    out.clear();
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '%') {
            if (i + 2 >= bytes.size()) return false;
            const int high = HexValue(bytes[i + 1]), low = HexValue(bytes[i + 2]);
            if (high < 0 || low < 0) return false;
            c = static_cast<char>(high * 16 + low);
            if (c == '/') return false;
            i += 2;
        }
        if (c == '\0') return false;
        out.push_back(c);
    }
    return true;
}

}  // namespace

bool IsServerEntry(const std::wstring& entry) {
    auto startsWith = [&entry](const wchar_t* prefix) {
        size_t i = 0;
        for (; prefix[i]; ++i) {
            if (i >= entry.size()) return false;
            wchar_t c = entry[i];
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
            if (c != prefix[i]) return false;
        }
        return true;
    };
    return startsWith(L"https://") || startsWith(L"http://");
}

bool ParseServerUrl(const std::wstring& text, ServerUrl& url) {
    const size_t colon = text.find(L"://");
    if (colon == std::wstring::npos) return false;
    const std::wstring scheme = LowerAscii(text.substr(0, colon));
    if (scheme != L"http" && scheme != L"https") return false;
    url = ServerUrl();
    url.https = scheme == L"https";
    const size_t start = colon + 3;
    size_t slash = text.find(L'/', start);
    if (slash == std::wstring::npos) slash = text.size();
    if (!ParseAuthority(text.substr(start, slash - start), url)) return false;
    url.path = slash == text.size() ? L"/" : text.substr(slash);
    return !HasControlCharacter(url.path);
}

bool HasControlCharacter(const std::wstring& text) {
    for (wchar_t c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

bool NormaliseServerEntry(const std::wstring& typed, std::wstring& entry) {
    size_t begin = 0, end = typed.size();
    while (begin < end && (typed[begin] == L' ' || typed[begin] == L'\t')) ++begin;
    while (end > begin && (typed[end - 1] == L' ' || typed[end - 1] == L'\t')) --end;
    ServerUrl url;
    if (!ParseServerUrl(typed.substr(begin, end - begin), url)) return false;
    // Typed, "?" and "#" begin a query or a fragment, which a folder has not; in the walk's
    // form they are a name's own letters ("Party #1.jpg", typed "Party%20%231.jpg").
    if (url.path.find_first_of(L"?#") != std::wstring::npos) return false;
    // An address copied from a browser comes encoded; one with a lone "%" is taken as it is.
    std::string decoded;
    const std::string bytes = Platform::WideToUtf8(url.path);
    if (bytes.find('%') != std::string::npos && Unescape(bytes, decoded) &&
        Platform::IsValidUtf8(decoded.data(), decoded.size()))
        url.path = Platform::Utf8ToWide(decoded.data(), decoded.size());
    if (url.path.back() != L'/') url.path.push_back(L'/');
    entry = FormatServerUrl(url);
    return true;
}

std::wstring ServerOrigin(const ServerUrl& url) {
    std::wstring origin = (url.https ? L"https://" : L"http://") + url.host;
    if (url.port) origin += L":" + std::to_wstring(url.port);
    return origin;
}

std::wstring FormatServerUrl(const ServerUrl& url) { return ServerOrigin(url) + url.path; }

std::string PercentEncodePath(const std::wstring& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : Platform::WideToUtf8(path)) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '.' || c == '_' || c == '~' || c == '/';
        if (keep) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

std::wstring RequestUrl(const ServerUrl& url) {
    const std::string encoded = PercentEncodePath(url.path);
    return ServerOrigin(url) + std::wstring(encoded.begin(), encoded.end());
}

HrefResult DecodeHref(const std::string& href, const ServerUrl& asked, std::wstring& path) {
    // Some servers wrap the href's text in white space.
    size_t begin = 0, end = href.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(href[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(href[end - 1]))) --end;
    std::string text = href.substr(begin, end - begin);
    if (text.empty()) return HrefResult::Malformed;
    if (text[0] != '/') {
        const size_t colon = text.find("://");
        if (colon == std::string::npos) return HrefResult::Malformed;
        const size_t slash = text.find('/', colon + 3);
        ServerUrl other;
        const std::string origin = text.substr(0, slash);
        if (!ParseServerUrl(std::wstring(origin.begin(), origin.end()) + L"/", other)) return HrefResult::Malformed;
        if (LowerAscii(other.host) != LowerAscii(asked.host) || EffectivePort(other) != EffectivePort(asked))
            return HrefResult::OtherServer;
        text = slash == std::string::npos ? "/" : text.substr(slash);
    }
    if (text.find_first_of("?#") != std::string::npos) return HrefResult::Malformed;
    std::string decoded;
    if (!Unescape(text, decoded)) return HrefResult::Malformed;
    if (!Platform::IsValidUtf8(decoded.data(), decoded.size())) return HrefResult::NotUtf8;
    path = Platform::Utf8ToWide(decoded.data(), decoded.size());
    return HrefResult::Ok;
}

bool SameServer(const ServerUrl& from, const ServerUrl& to) {
    if (LowerAscii(from.host) != LowerAscii(to.host)) return false;
    if (from.https && !to.https) return false;
    // The same port, or http's own moving up to https's own.
    return EffectivePort(from) == EffectivePort(to) || (!from.https && to.https && to.port == 0 && from.port == 0);
}

bool NextcloudFilesUrl(const ServerUrl& typed, const std::wstring& user, ServerUrl& files) {
    if (LowerAscii(typed.path).find(L"/remote.php/") != std::wstring::npos) return false;
    if (user.empty() || user.find(L'/') != std::wstring::npos) return false;
    files = typed;
    if (files.path.empty() || files.path.back() != L'/') files.path.push_back(L'/');
    files.path += L"remote.php/dav/files/" + user + L"/";
    return true;
}

std::wstring ServerEntryKey(const std::wstring& text) {
    ServerUrl url;
    if (!ParseServerUrl(text, url)) return text;
    url.host = LowerAscii(url.host);
    return FormatServerUrl(url);
}

}  // namespace WorkSpace
