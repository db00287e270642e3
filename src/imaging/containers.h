// Where each photo format keeps what the saver reads without decoding: the EXIF block (a
// TIFF structure), the XMP packet and the stored size of the picture. JPEG, PNG, WebP and
// TIFF with its raw formats (ORF, RW2 and the like) here; HEIF, HEIC and AVIF in bmff.h.
#pragma once
#include <cstddef>
#include <cstdint>

namespace WorkSpace {

// Where a photo keeps its TIFF structure, and whether its orientation tag is the one that
// counts: HEIF turns its pictures by boxes of its own, which the decoder applies, and says
// the EXIF tag must not turn them again.
struct ExifBlock {
    const uint8_t* tiff = nullptr;
    size_t size = 0;
    bool orientationCounts = true;
};
// A TIFF or raw file is its own block; a JPEG's is its APP1 "Exif" segment, PNG's its
// eXIf chunk, WebP's its EXIF chunk, HEIF's and AVIF's the Exif item of their `meta` box.
bool FindExifBlock(const uint8_t* data, size_t size, ExifBlock& block);

// The XMP packet: JPEG's APP1 "http://ns.adobe.com/xap/1.0/", PNG's iTXt chunk
// "XML:com.adobe.xmp" (uncompressed, as every writer we know stores it), WebP's "XMP "
// chunk, TIFF's (and the TIFF raw formats') tag 700. HEIF keeps it as an item of MIME type,
// not looked for: its photos carry their stars in EXIF too.
bool FindXmpPacket(const uint8_t* data, size_t size, const uint8_t*& xmp, size_t& xmpSize);

// Whether the bytes open as a TIFF structure does ("II" or "MM"), with room for its header.
bool TiffSignature(const uint8_t* data, size_t size);

// The stored sizes, each false for bytes of another format or a header cut short. A JPEG's
// from its first frame header: SOF0, SOF1 and SOF2 only, or with `anyFrame` the lossless,
// arithmetic and hierarchical ones too.
bool JpegFrameSize(const uint8_t* data, size_t size, bool anyFrame, uint32_t& w, uint32_t& h);
// PNG's IHDR chunk.
bool PngPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h);
// WebP's first chunk: the extended header's canvas, or the lossy or lossless bitstream's.
bool WebpPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h);
// A TIFF or raw file's largest picture, or where no IFD tells, its Exif IFD's dimensions.
bool TiffPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h);

}  // namespace WorkSpace
