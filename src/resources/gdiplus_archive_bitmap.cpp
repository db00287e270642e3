// Archive member -> global memory -> COM stream -> GDI+ bitmap -> an independent copy.
// GDI+ decodes a stream-backed picture lazily and may read the stream again whenever it
// draws, so such a bitmap would tie the stream and its memory block to its own lifetime.
// Copying the decoded pixels once into a bitmap that owns them lets both go at once and
// keeps the result an ordinary Gdiplus::Bitmap (one 800 x 600 copy per error screen).
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <memory>

#include "resources/gdiplus_startup.h"
#include "resources/archive_bitmap.h"
#include "resources/zip_reader.h"

namespace WorkSpace {

namespace {

// Premultiplied alpha is the format GDI+ draws fastest, and the error screen redraws its
// pictures many times a second.
const Gdiplus::PixelFormat kCopyFormat = PixelFormat32bppPARGB;

// The decoded pixels in a bitmap of their own; nullptr when memory runs out.
Gdiplus::Bitmap* IndependentCopy(Gdiplus::Bitmap& source) {
    const UINT width = source.GetWidth();
    const UINT height = source.GetHeight();
    std::unique_ptr<Gdiplus::Bitmap> copy(new Gdiplus::Bitmap(static_cast<INT>(width), static_cast<INT>(height),
                                                              kCopyFormat));
    if (!copy || copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
    Gdiplus::Rect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData from = {};
    Gdiplus::BitmapData to = {};
    if (source.LockBits(&whole, Gdiplus::ImageLockModeRead, kCopyFormat, &from) != Gdiplus::Ok) return nullptr;
    if (copy->LockBits(&whole, Gdiplus::ImageLockModeWrite, kCopyFormat, &to) != Gdiplus::Ok) {
        source.UnlockBits(&from);
        return nullptr;
    }
    // Strides are signed: a bottom-up bitmap walks its rows backwards.
    for (UINT row = 0; row < height; ++row)
        memcpy(static_cast<BYTE*>(to.Scan0) + static_cast<ptrdiff_t>(row) * to.Stride,
               static_cast<const BYTE*>(from.Scan0) + static_cast<ptrdiff_t>(row) * from.Stride,
               static_cast<size_t>(width) * 4);
    copy->UnlockBits(&to);
    source.UnlockBits(&from);
    copy->SetResolution(source.GetHorizontalResolution(), source.GetVerticalResolution());
    return copy.release();
}

// The member's bytes in a movable global block, the form CreateStreamOnHGlobal wants.
HGLOBAL CopyToGlobalMemory(const uint8_t* bytes, uint32_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    memcpy(target, bytes, size);
    GlobalUnlock(block);
    return block;
}

Gdiplus::Bitmap* DecodeStream(IStream* stream) {
    std::unique_ptr<Gdiplus::Bitmap> decoded(new Gdiplus::Bitmap(stream));
    if (!decoded) return nullptr;
    if (decoded->GetLastStatus() != Gdiplus::Ok) {
        // Reading the status cleared it. Asking the image-less object for its width sets a
        // failed status again, so the caller still sees the picture as undecodable; with no
        // image it holds no reference to the stream.
        decoded->GetWidth();
        return decoded.release();
    }
    return IndependentCopy(*decoded);
}

}  // namespace

Gdiplus::Bitmap* LoadBitmapFromArchive(const std::wstring& member, ZipReader* reader) {
    if (!reader) return nullptr;
    uint32_t size = 0;
    const uint8_t* bytes = reader->ReadMember(member, size);
    if (!bytes) return nullptr;
    HGLOBAL block = size != 0 ? CopyToGlobalMemory(bytes, size) : nullptr;
    // Released before decoding: the reader serves one caller at a time, and the window
    // thread's picture list may be waiting for it while this thread decodes.
    reader->FreeBuffer();
    if (!block) return nullptr;

    // Normally started during static initialisation; this only covers a program that
    // decodes before its globals asked for GDI+.
    StartGdiplus();
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, FALSE, &stream)) || !stream) {
        GlobalFree(block);
        return nullptr;
    }
    Gdiplus::Bitmap* bitmap = DecodeStream(stream);
    stream->Release();
    GlobalFree(block);
    return bitmap;
}

}  // namespace WorkSpace
