// The ISO BMFF boxes of HEIF, HEIC and AVIF files. Box sizes, item counts and extents come
// from any file a user picks, so each is compared with the bytes present before it is
// followed, and a table of field sizes no writer could have made is not read at all.
#include "imaging/bmff.h"

#include <utility>

#include "imaging/byte_order.h"

namespace WorkSpace {

bool ReadBmffBox(const uint8_t* d, size_t pos, size_t limit, BmffBox& box) {
    if (pos > limit || limit - pos < 8) return false;
    uint64_t size = Be32(d + pos);
    size_t header = 8;
    box.type = Be32(d + pos + 4);
    if (size == 1) {  // a 64-bit size follows the type
        if (limit - pos < 16) return false;
        size = (uint64_t(Be32(d + pos + 8)) << 32) | Be32(d + pos + 12);
        header = 16;
    } else if (size == 0) {  // to the end of what holds it
        size = limit - pos;
    }
    if (size < header || size > limit - pos) return false;
    box.body = pos + header;
    box.end = pos + size_t(size);
    return true;
}

namespace {

// A reader of big-endian fields inside [pos, end) that refuses to run past the end.
struct Fields {
    const uint8_t* d;
    size_t pos, end;
    bool Has(uint64_t n) const { return pos <= end && n <= end - pos; }
    // An unsigned field of 0, 2, 4 or 8 bytes (0 bytes: the field is absent and reads 0).
    bool Read(uint32_t bytes, uint64_t& value) {
        if (!Has(bytes)) return false;
        switch (bytes) {
        case 0: value = 0; break;
        case 2: value = Be16(d + pos); break;
        case 4: value = Be32(d + pos); break;
        case 8: value = (uint64_t(Be32(d + pos)) << 32) | Be32(d + pos + 4); break;
        default: return false;
        }
        pos += bytes;
        return true;
    }
};

// The ID of the item of type "Exif" in an `iinf` box (item infos of version 2 and 3 name types).
bool ExifItemId(const uint8_t* d, const BmffBox& iinf, uint32_t& id) {
    Fields f{d, iinf.body, iinf.end};
    uint64_t versionAndFlags = 0, count = 0;
    if (!f.Read(4, versionAndFlags) || !f.Read(versionAndFlags >> 24 == 0 ? 2 : 4, count)) return false;
    BmffBox infe;
    for (uint64_t i = 0; i < count && ReadBmffBox(d, f.pos, iinf.end, infe); ++i, f.pos = infe.end) {
        if (infe.type != FourCc("infe")) continue;
        Fields e{d, infe.body, infe.end};
        uint64_t version = 0, item = 0, protection = 0, type = 0;
        if (!e.Read(4, version) || (version >>= 24) < 2) continue;
        if (e.Read(version == 2 ? 2 : 4, item) && e.Read(2, protection) && e.Read(4, type) && type == FourCc("Exif")) {
            id = uint32_t(item);
            return true;
        }
    }
    return false;
}

// The top-level `meta` box, after the `ftyp` box every such file opens with.
bool TopLevelMeta(const uint8_t* data, size_t size, BmffBox& meta) {
    BmffBox box;
    if (!ReadBmffBox(data, 0, size, box) || box.type != FourCc("ftyp")) return false;
    for (size_t pos = box.end; ReadBmffBox(data, pos, size, meta); pos = meta.end)
        if (meta.type == FourCc("meta")) return true;
    return false;
}

}  // namespace

bool BmffItemExtent(const uint8_t* d, size_t size, const BmffBox& iloc, const BmffBox* idat, uint32_t id,
                    size_t& start, size_t& length) {
    Fields f{d, iloc.body, iloc.end};
    uint64_t versionAndFlags = 0, sizes = 0, count = 0;
    if (!f.Read(4, versionAndFlags) || !f.Read(2, sizes)) return false;
    const uint32_t version = uint32_t(versionAndFlags >> 24);
    if (version > 2) return false;
    // Version 0 keeps the last four bits reserved: no index field.
    const uint32_t offsetSize = uint32_t(sizes >> 12) & 15, lengthSize = uint32_t(sizes >> 8) & 15,
                   baseSize = uint32_t(sizes >> 4) & 15, indexSize = version >= 1 ? uint32_t(sizes) & 15 : 0;
    for (uint32_t s : {offsetSize, lengthSize, baseSize, indexSize})
        if (s != 0 && s != 4 && s != 8) return false;
    if (!f.Read(version < 2 ? 2 : 4, count)) return false;
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t item = 0, method = 0, reference = 0, base = 0, extents = 0;
        if (!f.Read(version < 2 ? 2 : 4, item) || (version >= 1 && !f.Read(2, method)) || !f.Read(2, reference) ||
            !f.Read(baseSize, base) || !f.Read(2, extents))
            return false;
        const uint64_t extentBytes = extents * (indexSize + offsetSize + lengthSize);
        if (!f.Has(extentBytes)) return false;
        if (item != id) {
            f.pos += size_t(extentBytes);
            continue;
        }
        uint64_t index = 0, offset = 0, bytes = 0;
        if (extents != 1 || !f.Read(indexSize, index) || !f.Read(offsetSize, offset) || !f.Read(lengthSize, bytes))
            return false;
        // Construction 0: offsets into the file; 1: into the idat box.
        size_t from = 0, to = size;
        if ((method & 15) == 1) {
            if (!idat) return false;
            from = idat->body;
            to = idat->end;
        } else if ((method & 15) != 0) {
            return false;
        }
        const uint64_t available = to - from;
        if (base > available || offset > available - base) return false;
        start = from + size_t(base + offset);
        if (bytes == 0) bytes = to - start;
        if (bytes > to - start) return false;
        length = size_t(bytes);
        return true;
    }
    return false;
}

// The Exif item's payload starts with the offset of the TIFF header from the end of that field.
bool FindBmffExif(const uint8_t* data, size_t size, const uint8_t*& tiff, size_t& tiffSize) {
    BmffBox meta, box, iloc, idat;
    if (!data || !TopLevelMeta(data, size, meta)) return false;
    bool haveItem = false, haveIloc = false, haveIdat = false;
    uint32_t item = 0;
    for (size_t pos = meta.body + 4; ReadBmffBox(data, pos, meta.end, box); pos = box.end) {
        if (box.type == FourCc("iinf") && !haveItem) haveItem = ExifItemId(data, box, item);
        if (box.type == FourCc("iloc") && !haveIloc) {
            iloc = box;
            haveIloc = true;
        }
        if (box.type == FourCc("idat") && !haveIdat) {
            idat = box;
            haveIdat = true;
        }
    }
    size_t start = 0, length = 0;
    if (!haveItem || !haveIloc ||
        !BmffItemExtent(data, size, iloc, haveIdat ? &idat : nullptr, item, start, length) || length < 4)
        return false;
    const uint32_t headerOffset = Be32(data + start);
    if (length - 4 < 8 || headerOffset > length - 4 - 8) return false;
    tiff = data + start + 4 + headerOffset;
    tiffSize = length - 4 - headerOffset;
    return true;
}

// The primary picture's `ispe` is the largest: tiles and thumbnails are smaller. The decoder
// shows the picture turned by its `irot`.
bool BmffPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    BmffBox meta, iprp, ipco, box;
    if (!data || !TopLevelMeta(data, size, meta)) return false;
    auto child = [&](const BmffBox& parent, size_t skip, uint32_t type, BmffBox& out) {
        for (size_t pos = parent.body + skip; ReadBmffBox(data, pos, parent.end, out); pos = out.end)
            if (out.type == type) return true;
        return false;
    };
    if (!child(meta, 4, FourCc("iprp"), iprp) || !child(iprp, 0, FourCc("ipco"), ipco)) return false;
    uint64_t best = 0;
    bool turned = false;
    for (size_t pos = ipco.body; ReadBmffBox(data, pos, ipco.end, box); pos = box.end) {
        if (box.type == FourCc("ispe") && box.end - box.body >= 12) {
            const uint32_t iw = Be32(data + box.body + 4), ih = Be32(data + box.body + 8);
            if (uint64_t(iw) * ih > best) {
                best = uint64_t(iw) * ih;
                w = iw;
                h = ih;
            }
        }
        if (box.type == FourCc("irot") && box.end > box.body) turned = turned || (data[box.body] & 1) != 0;
    }
    if (best == 0) return false;
    if (turned) std::swap(w, h);
    return true;
}

}  // namespace WorkSpace
