// Hand-built photo files for the imaging tests: TIFF structures and their IFDs, JPEG
// segments, PNG and WebP chunks, ISO BMFF boxes and XMP packets, each as its bytes.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace PhotoBytes {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v >> 8)); b.push_back(uint8_t(v)); }
inline void Put32(Bytes& b, uint32_t v) { Put16(b, v >> 16); Put16(b, v & 0xFFFF); }
inline Bytes Be32Of(uint32_t v) { Bytes b; Put32(b, v); return b; }
inline Bytes Le32Of(uint32_t n) { return Bytes{uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}; }
inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
    return b;
}
// `head` then `tail`, copied into a vector of the final size: appending to a vector built
// from a brace list makes GCC 12 warn (-Warray-bounds) of a copy past its end that cannot happen.
inline Bytes Joined(const Bytes& head, const Bytes& tail) {
    Bytes b(head.size() + tail.size());
    std::copy(tail.begin(), tail.end(), std::copy(head.begin(), head.end(), b.begin()));
    return b;
}
inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A TIFF header with IFD0 holding Make, then the orientation, as SHORT unless `type` says.
inline Bytes OrientedTiff(bool little, uint32_t orientation, uint16_t type = 3, uint32_t count = 1) {
    Bytes b;
    auto p16 = [&](uint32_t v) {
        if (little) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
        else { b.push_back(uint8_t(v >> 8)); b.push_back(uint8_t(v)); }
    };
    auto p32 = [&](uint32_t v) {
        if (little) { p16(v & 0xFFFF); p16(v >> 16); }
        else { p16(v >> 16); p16(v & 0xFFFF); }
    };
    b.push_back(little ? 'I' : 'M');
    b.push_back(little ? 'I' : 'M');
    p16(42);
    p32(8);
    p16(2);
    p16(271); p16(2); p32(4); p32(0x41424344);  // Make, before the tag we look for
    p16(274); p16(type); p32(count); p16(orientation); p16(0);
    p32(0);
    return b;
}

// One IFD entry of a big-endian TIFF: its values as they are stored.
struct Entry {
    uint16_t tag, type;
    uint32_t count;
    Bytes value;
};
inline Entry Ascii(uint16_t tag, const std::string& text, size_t field) {
    Bytes v = Text(text);
    v.resize(field, 0);
    return {tag, 2, uint32_t(field), v};
}
inline Entry Rationals(uint16_t tag, std::initializer_list<uint32_t> parts) {
    Bytes v;
    for (uint32_t p : parts) Put32(v, p);
    return {tag, 5, uint32_t(parts.size() / 2), v};
}
inline Entry Short(uint16_t tag, uint32_t value) { return {tag, 3, 1, {uint8_t(value >> 8), uint8_t(value)}}; }
// The IFD of `entries` placed at `at`; values of more than 4 bytes follow it.
inline Bytes Ifd(const std::vector<Entry>& entries, uint32_t at) {
    Bytes head, tail;
    const uint32_t tailAt = at + 2 + 12 * uint32_t(entries.size()) + 4;
    Put16(head, uint32_t(entries.size()));
    for (const Entry& e : entries) {
        Put16(head, e.tag);
        Put16(head, e.type);
        Put32(head, e.count);
        if (e.value.size() <= 4) {
            Bytes v = e.value;
            v.resize(4, 0);
            head.insert(head.end(), v.begin(), v.end());
        } else {
            Put32(head, tailAt + uint32_t(tail.size()));
            tail.insert(tail.end(), e.value.begin(), e.value.end());
        }
    }
    Put32(head, 0);
    return Cat({head, tail});
}
// A big-endian TIFF whose IFD0 holds `entries`.
inline Bytes Ifd0Tiff(const std::vector<Entry>& entries) { return Cat({{'M', 'M', 0, 42, 0, 0, 0, 8}, Ifd(entries, 8)}); }
// A big-endian TIFF whose IFD0 points to an Exif IFD and a GPS IFD holding these entries.
inline Bytes TiffWith(const std::vector<Entry>& exif, const std::vector<Entry>& gps) {
    const uint32_t exifAt = 8 + 2 + 2 * 12 + 4;
    const Bytes exifIfd = Ifd(exif, exifAt);
    const uint32_t gpsAt = exifAt + uint32_t(exifIfd.size());
    return Cat({{'M', 'M', 0, 42, 0, 0, 0, 8},
                Ifd({{0x8769, 4, 1, Be32Of(exifAt)}, {0x8825, 4, 1, Be32Of(gpsAt)}}, 8), exifIfd, Ifd(gps, gpsAt)});
}
// 33°51'36" S, 151°12'36" W, with the reference letters and status given.
inline std::vector<Entry> Gps(const std::string& latRef = "S", const std::string& lonRef = "W",
                              const std::string& status = "") {
    std::vector<Entry> gps = {Ascii(1, latRef, 2), Rationals(2, {33, 1, 51, 1, 36, 1}), Ascii(3, lonRef, 2),
                              Rationals(4, {151, 1, 12, 1, 3600, 100})};
    if (!status.empty()) gps.push_back(Ascii(9, status, 2));
    return gps;
}
// The date under `dateTag` in the Exif IFD, and Gps().
inline Bytes FactsTiff(uint16_t dateTag, const std::string& date) { return TiffWith({Ascii(dateTag, date, 20)}, Gps()); }
// A raw file: the TIFF structure with its maker's number in place of 42.
inline Bytes Raw(const Bytes& tiff, uint16_t magic) {
    Bytes b = tiff;
    b[2] = uint8_t(tiff[0] == 'I' ? magic : magic >> 8);
    b[3] = uint8_t(tiff[0] == 'I' ? magic >> 8 : magic);
    return b;
}

// A JPEG of these segments, then a scan and its end.
inline Bytes JpegWith(const std::vector<Bytes>& segments) {
    Bytes b = {0xFF, 0xD8};
    for (const Bytes& s : segments) b.insert(b.end(), s.begin(), s.end());
    const Bytes tail = {0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}
inline Bytes Segment(uint8_t marker, const Bytes& payload) {
    return Joined({0xFF, marker, uint8_t((payload.size() + 2) >> 8), uint8_t(payload.size() + 2)}, payload);
}
// A TIFF structure as JPEG's APP1 keeps it.
inline Bytes Exif(const Bytes& tiff) { return Joined({'E', 'x', 'i', 'f', 0, 0}, tiff); }
// An XMP packet whose rdf:Description holds `inside` (attributes, then '>' and elements).
inline Bytes Xmp(const std::string& inside) {
    return Text("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF><rdf:Description " + inside +
                "</rdf:Description></rdf:RDF></x:xmpmeta>");
}
// A JPEG with an Exif APP1 segment, then an XMP one.
inline Bytes JpegXmp(const Bytes& xmp, const Bytes& tiff) {
    return JpegWith({Segment(0xE1, Exif(tiff)), Segment(0xE1, Cat({Text(std::string("http://ns.adobe.com/xap/1.0/\0", 29)), xmp}))});
}

inline Bytes PngChunk(const char* type, const Bytes& data) {
    return Cat({Be32Of(uint32_t(data.size())), Text(type), data, Be32Of(0)});
}
inline Bytes PngOf(std::initializer_list<Bytes> chunks) {
    return Cat({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, PngChunk("IHDR", Bytes(13, 1)), Cat(chunks),
                PngChunk("IEND", {})});
}
inline Bytes Png(const Bytes& tiff) { return PngOf({PngChunk("eXIf", tiff)}); }
// A RIFF chunk, padded to an even size.
inline Bytes WebpChunk(const char* type, const Bytes& data) {
    return Cat({Text(type), Le32Of(uint32_t(data.size())), data, data.size() % 2 ? Bytes{0} : Bytes()});
}
inline Bytes WebpOf(std::initializer_list<Bytes> chunks) {
    const Bytes body = Cat({Text("WEBP"), Cat(chunks)});
    return Cat({Text("RIFF"), Le32Of(uint32_t(body.size())), body});
}
// A WebP file whose odd-sized VP8X chunk is padded, its EXIF chunk with or without "Exif\0\0".
inline Bytes Webp(const Bytes& tiff, bool exifPrefix) {
    return WebpOf({WebpChunk("VP8X", Bytes(9, 0)), WebpChunk("EXIF", exifPrefix ? Exif(tiff) : tiff)});
}

// An ISO BMFF box, and one with a version and flags.
inline Bytes BoxOf(const char* type, const Bytes& body) { return Cat({Be32Of(uint32_t(body.size() + 8)), Text(type), body}); }
inline Bytes FullBox(const char* type, uint8_t version, const Bytes& body) {
    return BoxOf(type, Cat({{version, 0, 0, 0}, body}));
}
// A HEIF file with a picture item and an Exif item, the latter in the file after `meta`
// (construction 0) or in meta's idat box (construction 1). Its payload has JPEG's "Exif\0\0"
// before the TIFF header, as cameras write it, and says so in its first four bytes. `wide`:
// the box versions with 32-bit counts and item IDs (iinf 1, infe 3, iloc 2).
inline Bytes Heif(const Bytes& tiff, bool inIdat, bool wide = false) {
    const Bytes payload = Cat({Be32Of(6), Text(std::string("Exif\0\0", 6)), tiff});
    const Bytes id1 = wide ? Bytes{0, 0, 0, 1} : Bytes{0, 1}, id2 = wide ? Bytes{0, 0, 0, 2} : Bytes{0, 2};
    const uint8_t infe = wide ? 3 : 2;
    const Bytes iinf = FullBox("iinf", wide ? 1 : 0,
                               Cat({wide ? Be32Of(2) : Bytes{0, 2}, FullBox("infe", infe, Cat({id1, {0, 0}, Text("hvc1"), {0}})),
                                    FullBox("infe", infe, Cat({id2, {0, 0}, Text("Exif"), {0}}))}));
    auto meta = [&](uint32_t offset) {
        const Bytes iloc = FullBox("iloc", wide ? 2 : 1,
                                   Cat({{0x44, 0x00}, wide ? Be32Of(2) : Bytes{0, 2}, id1, {0, 0, 0, 0, 0, 1},
                                        Be32Of(0), Be32Of(0), id2, {0, uint8_t(inIdat ? 1 : 0), 0, 0, 0, 1},
                                        Be32Of(offset), Be32Of(uint32_t(payload.size()))}));
        return FullBox("meta", 0, Cat({FullBox("hdlr", 0, Cat({{0, 0, 0, 0}, Text("pict")})), iloc, iinf,
                                       inIdat ? BoxOf("idat", payload) : Bytes()}));
    };
    const Bytes ftyp = BoxOf("ftyp", Text(std::string("heic\0\0\0\0mif1heic", 16)));
    if (inIdat) return Cat({ftyp, meta(0)});
    return Cat({ftyp, meta(uint32_t(ftyp.size() + meta(0).size() + 8)), BoxOf("mdat", payload)});
}

}  // namespace PhotoBytes
