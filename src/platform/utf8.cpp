// UTF-8 <-> wide text, shared by both platforms so Linux and Windows decode language
// files and settings lines the same way (wchar_t is UTF-32 on Linux, UTF-16 on Windows).
#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

namespace {
// Decodes one sequence starting at p; returns its length, or 0 when it is malformed
// (overlong, surrogate, above U+10FFFF or truncated).
size_t DecodeOne(const unsigned char* p, size_t left, uint32_t& cp) {
    unsigned char c = p[0];
    size_t len;
    uint32_t min;
    if (c < 0x80) { cp = c; return 1; }
    if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; min = 0x10000; }
    else return 0;
    if (left < len) return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void AppendCodePoint(std::wstring& out, uint32_t cp) {
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(cp));
    }
}
}  // namespace

bool IsValidUtf8(const char* data, size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    size_t i = 0;
    while (i < size) {
        uint32_t cp;
        size_t n = DecodeOne(p + i, size - i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::wstring Utf8ToWide(const char* data, size_t size) {
    std::wstring out;
    out.reserve(size);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    size_t i = 0;
    while (i < size) {
        uint32_t cp;
        size_t n = DecodeOne(p + i, size - i, cp);
        if (n == 0) { out.push_back(static_cast<wchar_t>(0xFFFD)); ++i; continue; }
        AppendCodePoint(out, cp);
        i += n;
    }
    return out;
}

std::string WideToUtf8(const std::wstring& in) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        uint32_t cp = static_cast<uint32_t>(in[i]);
        if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size()) {
            uint32_t lo = static_cast<uint32_t>(in[i + 1]);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            if (cp > 0x10FFFF) cp = 0xFFFD;
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace Platform
}  // namespace WorkSpace
