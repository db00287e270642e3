// Unaligned 16- and 32-bit reads in either byte order, for the file readers here (TGA and
// BMP are little-endian, PNG and JPEG big-endian, TIFF either). The caller checks bounds.
#pragma once
#include <cstdint>

namespace WorkSpace {

inline uint32_t Le16(const uint8_t* p) { return p[0] | (uint32_t(p[1]) << 8); }
inline uint32_t Le32(const uint8_t* p) { return Le16(p) | (Le16(p + 2) << 16); }
inline uint32_t Be16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
inline uint32_t Be32(const uint8_t* p) { return (Be16(p) << 16) | Be16(p + 2); }

}  // namespace WorkSpace
