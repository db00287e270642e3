// Unaligned 16- and 32-bit reads in either byte order, for the file readers here (TGA and
// BMP are little-endian, PNG and JPEG big-endian, TIFF either), and the four-character
// codes that name PNG chunks, RIFF chunks and ISO BMFF boxes. The caller checks bounds.
#pragma once
#include <cstdint>

namespace WorkSpace {

inline uint32_t Le16(const uint8_t* p) { return p[0] | (uint32_t(p[1]) << 8); }
inline uint32_t Le32(const uint8_t* p) { return Le16(p) | (Le16(p + 2) << 16); }
inline uint32_t Be16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
inline uint32_t Be32(const uint8_t* p) { return (Be16(p) << 16) | Be16(p + 2); }

// A chunk or box type as the big-endian word it is stored as: FourCc("ftyp").
constexpr uint32_t FourCc(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}

}  // namespace WorkSpace
