// The XMP packet's stars, read from its text without an XML parser: the one property the
// saver takes from it is written by every program in one of two plain forms.
#include "imaging/xmp.h"

#include <algorithm>

namespace WorkSpace {

bool ReadXmpRating(const uint8_t* xmp, size_t size, int32_t& stars) {
    static const char kName[] = "xmp:Rating";
    const size_t nameSize = sizeof(kName) - 1;
    const uint8_t* end = xmp + size;
    for (const uint8_t* at = xmp; at && size_t(end - at) > nameSize;) {
        const uint8_t* found = std::search(at, end, kName, kName + nameSize);
        if (found == end) return false;
        at = found + nameSize;
        // As an attribute, xmp:Rating="3" (or '3'); as an element, <xmp:Rating>3</xmp:Rating>.
        // Anything else (xmp:RatingPercent, the closing tag) is some other name.
        const uint8_t* p = at;
        if (p < end && *p == '>' && found > xmp && found[-1] == '<') {
            ++p;
        } else {
            while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
            if (p == end || *p != '=') continue;
            ++p;
            while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
            if (p == end || (*p != '"' && *p != '\'')) continue;
            ++p;
        }
        // A real number by the XMP schema, written as a whole one: "3", "-1", "4.0".
        const bool negative = p < end && *p == '-';
        if (negative) ++p;
        if (p == end || *p < '0' || *p > '9') return false;
        int32_t value = 0;
        while (p < end && *p >= '0' && *p <= '9' && value < 100) value = value * 10 + (*p++ - '0');
        if (negative) value = -value;
        if (value < -1 || value > 5) return false;
        stars = value < 0 ? 0 : value;  // -1: rejected
        return true;
    }
    return false;
}

}  // namespace WorkSpace
