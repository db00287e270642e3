// The user's pictures and the archive's images decoded through WIC, which reads PNG, JPEG,
// BMP, TIFF and GIF and whatever codecs the machine adds; TGA, which WIC has no decoder for,
// goes through our own reader. DecodePictureFrom runs on the stream's worker thread and
// decodes straight into the device's limits; every thread decodes with its own COM apartment
// and WIC factory (platform/wic_thread.h).
#include <windows.h>
#include <wincodec.h>
#include <propidl.h>

#include <new>
#include <string>

#include "platform/picture_extensions.h"
#include "platform/platform.h"
#include "platform/wic_thread.h"
#include "imaging/exif.h"
#include "imaging/image.h"
#include "imaging/image_sniff.h"
#include "imaging/picture_decode.h"
#include "imaging/tga.h"
#include "library/library_scan.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {

// IWICBitmapSourceTransform as Microsoft's wincodec.idl declares it; MinGW's headers lack it.
struct IWICBitmapSourceTransform : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* prc, UINT width, UINT height,
                                                 WICPixelFormatGUID* dstFormat, WICBitmapTransformOptions dstTransform,
                                                 UINT stride, UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* dstFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions dstTransform,
                                                           BOOL* isSupported) = 0;
};
const IID kIidBitmapSourceTransform = {0x3B16811B, 0x6A43, 0x4EC9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() { return p; }
};

// The frame decoded smaller by the codec itself (IWICBitmapSourceTransform: WIC's JPEG
// decoder scales by 1/2, 1/4 and 1/8 while decoding), at the smallest size it makes that is
// no smaller than `wantW` x `wantH`. False when the codec cannot, or not usefully.
bool DecodeSmaller(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, UINT w, UINT h, UINT wantW, UINT wantH,
                   ComPtr<IWICBitmap>& out) {
    ComPtr<IWICBitmapSourceTransform> transform;
    if (FAILED(frame->QueryInterface(kIidBitmapSourceTransform, reinterpret_cast<void**>(&transform))))
        return false;
    UINT bestW = w, bestH = h;
    for (UINT k : {8u, 4u, 2u}) {
        UINT cw = (w + k - 1) / k, ch = (h + k - 1) / k;
        if (cw < wantW || ch < wantH) continue;
        // The closest size may lie on either side of the one asked for: only one that still
        // covers what is shown will do.
        if (FAILED(transform->GetClosestSize(&cw, &ch))) return false;
        if (cw >= wantW && ch >= wantH && cw <= bestW && ch <= bestH && (cw < w || ch < h)) {
            bestW = cw;
            bestH = ch;
            break;
        }
    }
    if (bestW == w && bestH == h) return false;
    WICPixelFormatGUID format;
    BOOL plain = FALSE;
    if (FAILED(frame->GetPixelFormat(&format)) || FAILED(transform->GetClosestPixelFormat(&format)) ||
        FAILED(transform->DoesSupportTransform(WICBitmapTransformRotate0, &plain)) || !plain ||
        FAILED(factory->CreateBitmap(bestW, bestH, format, WICBitmapCacheOnLoad, &out)))
        return false;
    // The lock ends before the bitmap is read from.
    ComPtr<IWICBitmapLock> lock;
    const WICRect all = {0, 0, static_cast<INT>(bestW), static_cast<INT>(bestH)};
    UINT size = 0, stride = 0;
    BYTE* data = nullptr;
    return SUCCEEDED(out->Lock(&all, WICBitmapLockWrite, &lock)) && SUCCEEDED(lock->GetStride(&stride)) &&
           SUCCEEDED(lock->GetDataPointer(&size, &data)) &&
           SUCCEEDED(transform->CopyPixels(nullptr, bestW, bestH, &format, WICBitmapTransformRotate0, stride, size,
                                           data));
}

// The first frame in 32-bit BGRA. With a target, no larger than it is shown at (`orientation`
// tells how it is turned), where the codec can scale while decoding or a WIC scaler can
// shrink it on the way, so that the photo's full size is never held in memory: the peak
// follows the screen, not the camera. `ownW` x `ownH`: the frame's own size.
ImageDecodeResult DecodeFrame(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, const PictureTarget* target,
                              uint32_t orientation, Image& out, uint32_t& ownW, uint32_t& ownH) {
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmap> smaller;
    ComPtr<IWICBitmapScaler> scaler;
    ComPtr<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&w, &h))) return ImageDecodeResult::NotPicture;
    if (!ImageSizeAccepted(w, h)) return ImageDecodeResult::TooLarge;
    ownW = w;
    ownH = h;
    uint32_t wantW = w, wantH = h;
    if (target) StoredDecodeSize(*target, orientation, w, h, wantW, wantH);
    IWICBitmapSource* source = frame.p;
    if (wantW < w || wantH < h) {
        if (DecodeSmaller(factory, frame.p, w, h, wantW, wantH, smaller)) source = smaller.p;
        // The rest of the way, or all of it for a codec that cannot scale itself: WIC's
        // scaler reads its source a band at a time.
        UINT sw = 0, sh = 0;
        if (SUCCEEDED(source->GetSize(&sw, &sh)) && (sw > wantW || sh > wantH) &&
            SUCCEEDED(factory->CreateBitmapScaler(&scaler)) &&
            SUCCEEDED(scaler->Initialize(source, wantW, wantH, WICBitmapInterpolationModeFant)))
            source = scaler.p;
    }
    if (FAILED(source->GetSize(&w, &h)) || FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return ImageDecodeResult::NotPicture;
    out.width = w;
    out.height = h;
    out.pixels.assign(static_cast<size_t>(w) * h, 0);
    return SUCCEEDED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(out.pixels.data())))
               ? ImageDecodeResult::Ok
               : ImageDecodeResult::NotPicture;
}

// NoCodec: no WIC decoder takes these bytes and they are no TGA either. That is a HEIC
// photo on a machine without the codec from the Store, or just as well a damaged file:
// FormatClaimed tells the two apart.
ImageDecodeResult DecodeMemory(IWICImagingFactory* factory, const void* data, uint32_t size, const PictureTarget* target,
                               uint32_t orientation, Image& out, uint32_t& ownW, uint32_t& ownH) {
    ownW = ownH = 0;
    // The size in the file's header decides first: some codecs (Wine's PNG decoder among
    // them) decode the whole picture as soon as they are handed the stream, and a header
    // may claim any size in a few bytes.
    uint32_t w = 0, h = 0;
    if (ReadImageSize(static_cast<const uint8_t*>(data), size, w, h) && !ImageSizeAccepted(w, h))
        return ImageDecodeResult::TooLarge;
    ImageDecodeResult result = ImageDecodeResult::NotPicture;
    if (factory) {
        ComPtr<IWICStream> stream;
        ComPtr<IWICBitmapDecoder> decoder;
        HRESULT hr = factory->CreateStream(&stream);
        if (SUCCEEDED(hr)) hr = stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size);
        if (SUCCEEDED(hr))
            hr = factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
        if (SUCCEEDED(hr)) result = DecodeFrame(factory, decoder.p, target, orientation, out, ownW, ownH);
        if (result == ImageDecodeResult::Ok || result == ImageDecodeResult::TooLarge) return result;
        if (hr == WINCODEC_ERR_COMPONENTNOTFOUND) result = ImageDecodeResult::NoCodec;
    }
    if (!DecodeTga(static_cast<const uint8_t*>(data), size, out)) return result;
    ownW = out.width;
    ownH = out.height;
    return ImageDecodeResult::Ok;
}

// The orientation through WIC's metadata query reader; 0 when WIC cannot tell. The photo
// property comes first: each codec maps it to wherever its format keeps the orientation
// (the HEIF codec has its own property, no EXIF path). The EXIF paths (JPEG keeps it in
// APP1, TIFF in its first IFD) stay for codecs that do not map it.
uint32_t WicOrientation(IWICImagingFactory* factory, const void* data, uint32_t size) {
    if (!factory) return 0;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICMetadataQueryReader> reader;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetMetadataQueryReader(&reader)))
        return 0;
    static const wchar_t* const kQueries[] = {L"System.Photo.Orientation", L"/app1/ifd/{ushort=274}",
                                              L"/ifd/{ushort=274}"};
    for (const wchar_t* query : kQueries) {
        PROPVARIANT value;
        PropVariantInit(&value);
        uint32_t orientation = 0;
        if (SUCCEEDED(reader->GetMetadataByName(query, &value)) && value.vt == VT_UI2) orientation = value.uiVal;
        PropVariantClear(&value);
        if (orientation >= 1 && orientation <= 8) return orientation;
    }
    return 0;
}

// Whether an installed decoder (or our TGA reader) claims the file's extension: a file of
// such a format that no decoder takes is damaged, not missing its codec.
bool FormatClaimed(const std::wstring& path) {
    return HasExtension(path, Platform::PictureExtensions()) || HasExtension(path, {L".tga"});
}

}  // namespace

ImageDecodeResult DecodeImageBytes(const void* data, uint32_t size, Image& out) {
    uint32_t ownW = 0, ownH = 0;
    return WithWicFactory(
        [&](IWICImagingFactory* factory) { return DecodeMemory(factory, data, size, nullptr, 0, out, ownW, ownH); });
}

bool DecodePictureFrom(const std::wstring& path, const PictureTarget& target, DecodedPicture& out,
                       PictureSource& source) {
    ImageDecodeResult result = ImageDecodeResult::NotPicture;
    try {
        std::string bytes;
        Image image;
        // Missing, denied, too long a path, too large, cloud-only or a passing read error:
        // reported and logged there.
        if (!ReadPictureFile(path, bytes, source)) return false;
        const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
        const uint32_t size = static_cast<uint32_t>(bytes.size());
        uint32_t ownW = 0, ownH = 0;
        result = WithWicFactory([&](IWICImagingFactory* factory) {
            // The turn first: the size the codec is asked for is the one shown, as stored.
            uint32_t orientation = WicOrientation(factory, data, size);
            if (orientation == 0 && !ReadExifOrientation(data, bytes.size(), orientation)) orientation = 1;
            const ImageDecodeResult decoded = DecodeMemory(factory, data, size, &target, orientation, image, ownW, ownH);
            if (decoded == ImageDecodeResult::Ok) {
                // The caption's date and place from the file's own bytes, by the portable reader
                // that knows every container (JPEG, TIFF, HEIF/AVIF, PNG, WebP, raw).
                ReadExifFacts(data, bytes.size(), out.facts);
                std::string().swap(bytes);
                if (!FinishPicture(image, orientation, target, out, ownW, ownH)) return ImageDecodeResult::NotPicture;
            }
            return decoded;
        });
        if (result == ImageDecodeResult::Ok) return true;
    } catch (const std::bad_alloc&) {
        // Within the size rule and still more than this machine can hold just now: not the
        // picture's fault, so it is neither called too large nor dropped for the run.
        ReportDecodeFailure(PictureFailure::NoMemory);
        return false;
    }
    // The user sees nothing but a missing picture; the log says why, where a codec or the
    // picture's size is the reason. The stream reads a picture that failed so no second time.
    if (result == ImageDecodeResult::TooLarge) {
        ReportDecodeFailure(PictureFailure::TooLarge);
        LogPictureFailure(path, L"picture too large");
    }
    if (result == ImageDecodeResult::NoCodec) {
        ReportDecodeFailure(PictureFailure::NoCodec);
        if (!FormatClaimed(path)) LogPictureFailure(path, L"no decoder for this format");
    }
    return false;
}

namespace {
// The decoding thread's own apartment and factory, from BeginDecoderThread to its End.
thread_local WicThread* t_decoderThread = nullptr;
}  // namespace

bool BeginDecoderThread() {
    // Decoding ahead is background work: the frame loop, above all its first second, comes
    // first.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    if (t_decoderThread) return false;
    t_decoderThread = new (std::nothrow) WicThread(COINIT_MULTITHREADED);
    return t_decoderThread != nullptr;
}

void EndDecoderThread(bool begun) {
    if (!begun) return;
    delete t_decoderThread;
    t_decoderThread = nullptr;
}

}  // namespace WorkSpace
