// GDI+ bitmaps decoded from archive members (the error screen's and the picture list's
// backgrounds, the logo). Windows only in use, but safe to include anywhere: GDI+ is only
// forward-declared here.
#pragma once
#include <string>

namespace Gdiplus {
class Bitmap;
}

namespace WorkSpace {

class ZipReader;

// Reads `member` and decodes it into a new bitmap that the caller owns and deletes with
// plain `delete`. The bitmap holds its own pixels: the archive bytes, the global memory block
// and the stream they went through are all released before it is returned, so nothing has
// to outlive it. nullptr when there is no reader, the member is missing or empty, or memory
// runs out; a picture GDI+ cannot decode comes back as a bitmap with a failed status and no
// image, for the caller to check. The reader's buffer is released in every case.
Gdiplus::Bitmap* LoadBitmapFromArchive(const std::wstring& member, ZipReader* reader);

}  // namespace WorkSpace
