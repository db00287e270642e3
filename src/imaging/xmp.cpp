// The XMP packet's stars and a motion photo's directory, read from its text without an XML
// parser: the few properties the saver takes from it are written in one of two plain forms.
#include "imaging/xmp.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

namespace {
bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value of property `name` within [from, end): after name="..." (or '...'), or inside
// <name>...</name>; null where it is not there. `stop` is where the value's text ends.
const uint8_t* FindValue(const uint8_t* from, const uint8_t* end, const char* name, const uint8_t*& stop) {
    const size_t nameSize = std::strlen(name);
    for (const uint8_t* at = from; size_t(end - at) > nameSize;) {
        const uint8_t* found = std::search(at, end, name, name + nameSize);
        if (found == end) return nullptr;
        at = found + nameSize;
        const uint8_t* p = at;
        uint8_t close = '<';
        if (p < end && *p == '>' && found > from && found[-1] == '<') {
            ++p;
        } else {
            while (p < end && IsSpace(*p)) ++p;
            if (p == end || *p != '=') continue;
            ++p;
            while (p < end && IsSpace(*p)) ++p;
            if (p == end || (*p != '"' && *p != '\'')) continue;
            close = *p++;
        }
        stop = std::find(p, end, close);
        return p;
    }
    return nullptr;
}

// A whole number of at most 15 digits in [p, stop), spaces around it allowed.
bool WholeNumber(const uint8_t* p, const uint8_t* stop, uint64_t& value) {
    while (p < stop && IsSpace(*p)) ++p;
    value = 0;
    int digits = 0;
    for (; p < stop && *p >= '0' && *p <= '9'; ++p)
        if (++digits > 15) return false;
        else value = value * 10 + uint64_t(*p - '0');
    while (p < stop && IsSpace(*p)) ++p;
    return digits > 0 && p == stop;
}

bool NumberOf(const uint8_t* from, const uint8_t* end, const char* name, uint64_t& value) {
    const uint8_t* stop = nullptr;
    const uint8_t* p = FindValue(from, end, name, stop);
    return p && WholeNumber(p, stop, value);
}

// One Container:Item of the directory: its attributes up to the element's end.
struct DirectoryItem {
    bool motion = false;
    uint64_t length = 0, padding = 0;
};

// The directory's items in order. Their prefixes vary between writers (Item:, GContainerItem:),
// so an item is any element whose name ends with ":Item", and its attributes are found by
// their local names.
std::vector<DirectoryItem> DirectoryItems(const uint8_t* xmp, const uint8_t* end) {
    static const char kItem[] = ":Item";
    std::vector<DirectoryItem> items;
    for (const uint8_t* at = xmp; at < end;) {
        const uint8_t* found = std::search(at, end, kItem, kItem + 5);
        if (found == end) break;
        at = found + 5;
        if (at == end || !(IsSpace(*at) || *at == '/' || *at == '>')) continue;
        const uint8_t* open = found;
        while (open > xmp && open[-1] != '<' && !IsSpace(open[-1]) && open[-1] != '>') --open;
        if (open == xmp || open[-1] != '<' || *open == '/') continue;  // a closing tag, or text
        const uint8_t* elementEnd = std::find(at, end, '>');
        DirectoryItem item;
        const uint8_t* stop = nullptr;
        const uint8_t* semantic = FindValue(at, elementEnd, ":Semantic", stop);
        static const char kMotion[] = "MotionPhoto";
        item.motion = semantic && size_t(stop - semantic) == 11 && std::equal(semantic, stop, kMotion);
        NumberOf(at, elementEnd, ":Length", item.length);
        NumberOf(at, elementEnd, ":Padding", item.padding);
        items.push_back(item);
        at = elementEnd;
    }
    return items;
}
}  // namespace

bool ReadXmpMotion(const uint8_t* xmp, size_t size, XmpMotion& motion) {
    motion = XmpMotion();
    const uint8_t* end = xmp + size;
    uint64_t flag = 0;
    if (NumberOf(xmp, end, "GCamera:MotionPhoto", flag) && flag == 1) {
        const std::vector<DirectoryItem> items = DirectoryItems(xmp, end);
        for (size_t i = 0; i < items.size(); ++i) {
            if (!items[i].motion) continue;
            motion.length = items[i].length;
            motion.after = items[i].padding;
            for (size_t j = i + 1; j < items.size(); ++j) motion.after += items[j].length + items[j].padding;
            return motion.length > 0;
        }
    }
    uint64_t offset = 0;
    if (NumberOf(xmp, end, "GCamera:MicroVideo", flag) && flag == 1 &&
        NumberOf(xmp, end, "GCamera:MicroVideoOffset", offset) && offset > 0) {
        motion.length = offset;
        return true;
    }
    motion = XmpMotion();
    return false;
}

}  // namespace WorkSpace
