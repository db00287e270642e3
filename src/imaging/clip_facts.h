// What a clip's QuickTime/MP4 container says of it without decoding a frame: when and where
// it was recorded, its turn and size as shown, and its length. Its `moov` box may lie at
// either end of a large file, so it is read by ranges, a box at a time.
#pragma once
#include <cstddef>
#include <cstdint>

#include "sources/picture_source.h"

namespace WorkSpace {

struct ClipFacts {
    // Seconds since 1970-01-01 00:00: of the recording's own local clock from Apple's
    // creationdate key, or UTC (`utc`) from the movie header, for the caller to turn into
    // the local time of this machine.
    int64_t taken = 0;
    bool dated = false, utc = false;
    double latitude = 0, longitude = 0;  // degrees, meaningful only when `placed`
    bool placed = false;
    uint32_t rotation = 0;             // clockwise degrees the video track is turned: 0, 90, 180, 270
    uint32_t width = 0, height = 0;    // the video track's size as shown (turned)
    double seconds = 0;                // the movie's length
};

enum class ClipRead { Known, NotClip, Failed };

// Known with what the container holds; NotClip when the file has no `moov` box it can read
// (not a QuickTime/MP4 file, or one cut short before it); Failed on a read error.
ClipRead ReadClipFacts(PictureReader& file, ClipFacts& facts);

// A place in ISO 6709 as QuickTime writes it, "+52.3740+004.8897+000.000/" (degrees, or
// degrees and minutes, and seconds, by the digits before the point). False for any other text.
bool ParseIso6709(const char* text, size_t size, double& latitude, double& longitude);

// Apple's creationdate, "2023-07-14T18:02:11+0200": the local clock's date and time as
// seconds since 1970-01-01 00:00 of that clock (the offset tells the zone, not the hour).
bool ParseQuickTimeDate(const char* text, size_t size, int64_t& seconds);

}  // namespace WorkSpace
