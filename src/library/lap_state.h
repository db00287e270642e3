// Where a shuffled lap stands between runs: a small text file of this machine's,
// written whole or not at all, and the fingerprint of the pictures the lap was made from.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace {

// Where a shuffled lap stands, as kept between runs.
struct LapState {
    uint64_t seed = 0;        // gives the lap's order
    uint64_t library = 0;     // LibraryFingerprint of the pictures the lap was made from
    uint32_t position = 0;    // pictures of the lap already shown
    std::wstring last;        // the picture shown last, which the next lap does not start with
    std::wstring next;        // the lap's next picture, shown first by the next run before any scan
};
// False (and `state` unchanged) for a missing or damaged file.
bool ReadLapState(const std::wstring& path, LapState& state);
// Whole or not at all: through a temporary file of its own, then a rename.
bool WriteLapState(const std::wstring& path, const LapState& state);
// A name beside `path` that no other write, of this process or another, uses.
std::wstring LapStateTemporaryPath(const std::wstring& path);
// The state file in the folder of `besidePath`: a file there, or the folder itself ending
// with its separator (local_files.h decides which folder).
std::wstring LapStatePath(const std::wstring& besidePath);

// The pictures a lap was made from, in their order, as one number.
uint64_t LibraryFingerprint(const std::vector<std::wstring>& pictures);

}  // namespace WorkSpace
