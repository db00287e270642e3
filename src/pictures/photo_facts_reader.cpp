// The photo facts reader: the first bytes of a file, parsed by the readers the decoder and
// the captions use (exif.cpp, image_sniff.cpp), so the index and the show agree on a photo;
// a clip's from its container's boxes (clip_facts.cpp).
#include "pictures/photo_facts_reader.h"

#include <memory>
#include <vector>

#include "library/lap_order.h"
#include "imaging/clip_facts.h"
#include "imaging/exif.h"
#include "imaging/image_sniff.h"
#include "imaging/motion.h"

namespace WorkSpace {

namespace {
// Enough for the headers of nearly every photo: a JPEG's Exif and XMP segments come before
// its frame header, at most 64 KiB each. Where the size is not found in them (a JPEG with
// large segments of its own, a TIFF whose IFDs lie further on, a HEIF whose Exif item
// follows its meta box), the read goes on to the larger limit, never to the pixels beyond.
constexpr size_t kFirstRead = 128 * 1024;
constexpr size_t kLongestRead = 1024 * 1024;

bool IsBmff(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 8 && bytes[4] == 'f' && bytes[5] == 't' && bytes[6] == 'y' && bytes[7] == 'p';
}

// Whether reading on may find what the first read did not: the formats whose headers may
// run past it. Any other (ICO, JPEG XR, the raw formats that are no TIFF) tells its size
// at once or not at all.
bool MayReadOn(const std::vector<uint8_t>& bytes, const PhotoFacts& facts) {
    if (bytes.size() < 8) return false;
    const bool jpeg = bytes[0] == 0xFF && bytes[1] == 0xD8;
    const bool tiff = (bytes[0] == 'I' && bytes[1] == 'I') || (bytes[0] == 'M' && bytes[1] == 'M');
    return ((jpeg || tiff || IsBmff(bytes)) && facts.width == 0) || (IsBmff(bytes) && !facts.dated);
}

// Reads on until `bytes` holds `want` bytes or the file ends; false on a read error.
bool ReadUpTo(PictureReader& file, std::vector<uint8_t>& bytes, size_t want, bool& ended) {
    while (!ended && bytes.size() < want) {
        const size_t have = bytes.size();
        bytes.resize(want);
        const int64_t got = file.ReadAt(have, bytes.data() + have, want - have);
        bytes.resize(have + static_cast<size_t>(got > 0 ? got : 0));
        if (got < 0) return false;
        ended = got == 0;
    }
    return true;
}
}  // namespace

int64_t SecondsOfCivilTime(uint32_t year, uint32_t month, uint32_t day, uint32_t hour, uint32_t minute,
                           uint32_t second) {
    const CivilDate date{static_cast<int32_t>(year), static_cast<int32_t>(month), static_cast<int32_t>(day)};
    return DaysOfDate(date) * 86400 + int64_t(hour) * 3600 + int64_t(minute) * 60 + int64_t(second);
}

bool PhotoFactsOfHeaders(const uint8_t* data, size_t size, PhotoFacts& facts) {
    facts = PhotoFacts();
    ExifFacts exif;
    const bool tagged = ReadExifFacts(data, size, exif);
    uint32_t w = 0, h = 0, orientation = 1;
    const bool sized = ReadStoredPictureSize(data, size, w, h);
    if (sized) {
        // HEIF and AVIF name no orientation here: their size is already the one shown.
        const bool swap = ReadExifOrientation(data, size, orientation) && OrientationSwapsSides(orientation);
        facts.width = swap ? h : w;
        facts.height = swap ? w : h;
    }
    if (exif.hasDate) {
        facts.dated = true;
        facts.taken = SecondsOfCivilTime(exif.year, exif.month, exif.day, exif.hour, exif.minute, exif.second);
    }
    if (exif.hasRating) facts.rating = exif.rating;
    if (exif.hasPosition) {
        facts.placed = true;
        facts.latitude = exif.latitude;
        facts.longitude = exif.longitude;
    }
    return sized || tagged;
}

namespace {
// A clip's facts as a photo's: no stars (judged as an unrated photo), its date in this
// machine's local time where the container gives it in UTC.
FactsRead ClipFactsOf(PictureReader& file, PhotoFacts& facts) {
    ClipFacts clip;
    const ClipRead read = ReadClipFacts(file, clip);
    if (read != ClipRead::Known) return read == ClipRead::Failed ? FactsRead::Failed : FactsRead::NoneKnown;
    facts.dated = clip.dated;
    facts.taken = clip.utc ? LocalSecondsOfUtc(clip.taken) : clip.taken;
    facts.width = clip.width;
    facts.height = clip.height;
    facts.placed = clip.placed;
    facts.latitude = clip.latitude;
    facts.longitude = clip.longitude;
    return FactsRead::Known;
}
}  // namespace

ExifFacts CaptionFactsOf(const PhotoFacts& facts) {
    ExifFacts caption;
    if (facts.dated) {
        const CivilDate date = DateOfTime(facts.taken);
        const int64_t second = facts.taken - DaysOfDate(date) * 86400;
        if (date.year >= 1) {
            caption.hasDate = true;
            caption.year = static_cast<uint32_t>(date.year);
            caption.month = static_cast<uint32_t>(date.month);
            caption.day = static_cast<uint32_t>(date.day);
            caption.hour = static_cast<uint32_t>(second / 3600);
            caption.minute = static_cast<uint32_t>(second / 60 % 60);
            caption.second = static_cast<uint32_t>(second % 60);
        }
    }
    if (facts.placed) {
        caption.hasPosition = true;
        caption.latitude = facts.latitude;
        caption.longitude = facts.longitude;
    }
    return caption;
}

FactsRead ReadPhotoFacts(const std::wstring& path, PhotoFacts& facts, PictureSource& source) {
    facts = PhotoFacts();
    Platform::ReadFailure why = Platform::ReadFailure::None;
    const std::unique_ptr<PictureReader> file = source.Open(path, why);
    if (!file) return FactsRead::Failed;
    // A kept copy of another version than the one listed (a server that listed its folder and
    // then stopped answering) tells nothing of the listed file, whose stamp the index would
    // keep its facts under: nothing is kept, and the file is read again at a later walk. A
    // copy whose stamp cannot be matched with the listing's (a server whose listing gives no
    // size or validator) waits the same way, for as long as the server lists but does not
    // serve it; with the server away from the start, the listing is the cache's own.
    PictureStamp kept, listed;
    if (file->Kept() && !(file->ReadStamp(kept) && source.Stamp(path, listed) && kept == listed))
        return FactsRead::Failed;
    if (IsClipName(path)) return ClipFactsOf(*file, facts);
    std::vector<uint8_t> bytes;
    bool ended = false;
    bytes.reserve(kFirstRead);
    // A read that breaks off tells nothing of the rest: the facts of a part are not kept.
    if (!ReadUpTo(*file, bytes, kFirstRead, ended)) return FactsRead::Failed;
    bool known = PhotoFactsOfHeaders(bytes.data(), bytes.size(), facts);
    if (!ended && MayReadOn(bytes, facts)) {
        if (!ReadUpTo(*file, bytes, kLongestRead, ended)) return FactsRead::Failed;
        known = PhotoFactsOfHeaders(bytes.data(), bytes.size(), facts);
    }
    return known ? FactsRead::Known : FactsRead::NoneKnown;
}

}  // namespace WorkSpace
