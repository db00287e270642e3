// Reads a photo's facts (date taken, size as shown, stars, place) from its file's headers
// only, without decoding a pixel, for the photo index and the lap's filters.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/exif.h"
#include "library/photo_facts.h"
#include "sources/picture_sources.h"
#include "sources/picture_source.h"

namespace WorkSpace {

// Failed when the file cannot be opened or read, or only a kept copy of another version
// than the listed one can (PictureReader::Kept); NoneKnown when it is no picture this
// program knows; facts the headers do not hold stay at PhotoFacts' defaults. Reads the
// file's first bytes only (more where the headers run on), opened through its source: a
// cloud-only file is never opened.
FactsRead ReadPhotoFacts(const std::wstring& path, PhotoFacts& facts, PictureSource& source = PictureSources());

// The same from the file's first bytes: the size as stored turned as EXIF's orientation
// says, the date as the captions read it, the stars of XMP or EXIF, the GPS position.
// False when the bytes tell neither a size nor any EXIF or XMP fact.
bool PhotoFactsOfHeaders(const uint8_t* data, size_t size, PhotoFacts& facts);

// Seconds since 1970-01-01 00:00 of a day and time of the same clock (proleptic Gregorian).
int64_t SecondsOfCivilTime(uint32_t year, uint32_t month, uint32_t day, uint32_t hour, uint32_t minute,
                           uint32_t second);

// What a caption shows of the facts as the index keeps them (a clip's, read from its
// container): the date and time taken, and the place.
ExifFacts CaptionFactsOf(const PhotoFacts& facts);

}  // namespace WorkSpace
