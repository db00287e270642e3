// The user's pictures and the archive's images decoded through WIC, which reads PNG, JPEG,
// BMP, TIFF and GIF and whatever codecs the machine adds; TGA, which WIC has no decoder for,
// goes through our own reader. DecodePictureFile runs on the stream's worker thread and
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
#include "pictures/exif.h"
#include "pictures/image.h"
#include "pictures/image_sniff.h"
#include "pictures/picture_decode.h"
#include "pictures/tga.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() { return p; }
};

ImageDecodeResult DecodeFrame(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, Image& out) {
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&w, &h))) return ImageDecodeResult::NotPicture;
    if (!ImageSizeAccepted(w, h)) return ImageDecodeResult::TooLarge;
    if (FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
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
ImageDecodeResult DecodeMemory(IWICImagingFactory* factory, const void* data, uint32_t size, Image& out) {
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
        if (SUCCEEDED(hr)) result = DecodeFrame(factory, decoder.p, out);
        if (result == ImageDecodeResult::Ok || result == ImageDecodeResult::TooLarge) return result;
        if (hr == WINCODEC_ERR_COMPONENTNOTFOUND) result = ImageDecodeResult::NoCodec;
    }
    return DecodeTga(static_cast<const uint8_t*>(data), size, out) ? ImageDecodeResult::Ok : result;
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

// Once in a run: every lap and every rebuild meets the same picture again.
void LogFailure(const std::wstring& path, const wchar_t* what) {
    GetLogger().WriteOncePerRun(path + L"\n" + what, L"DecodePictureFile() - %ls - %ls - FAILED", path.c_str(), what);
}

}  // namespace

ImageDecodeResult DecodeImageBytes(const void* data, uint32_t size, Image& out) {
    return WithWicFactory([&](IWICImagingFactory* factory) { return DecodeMemory(factory, data, size, out); });
}

bool DecodePictureFile(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    ImageDecodeResult result = ImageDecodeResult::NotPicture;
    try {
        std::string bytes;
        Image image;
        if (!Platform::ReadWholeFile(path, bytes)) {
            // A locked file, a drive still waking, a share that timed out: worth another lap.
            ReportDecodeFailure(PictureFailure::ReadError);
            return false;
        }
        const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
        const uint32_t size = static_cast<uint32_t>(bytes.size());
        uint32_t orientation = 0;
        result = WithWicFactory([&](IWICImagingFactory* factory) {
            const ImageDecodeResult decoded = DecodeMemory(factory, data, size, image);
            if (decoded == ImageDecodeResult::Ok) orientation = WicOrientation(factory, data, size);
            return decoded;
        });
        if (result == ImageDecodeResult::Ok) {
            if (orientation == 0 && !ReadExifOrientation(data, bytes.size(), orientation)) orientation = 1;
            // The caption's date and place from the file's own bytes, by the portable reader that
            // knows every container (JPEG, TIFF, HEIF/AVIF, PNG, WebP, raw), whichever codec decoded it.
            ReadPhotoFacts(data, bytes.size(), out.facts);
            std::string().swap(bytes);
            return FinishPicture(image, orientation, target, out);
        }
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
        LogFailure(path, L"picture too large");
    }
    if (result == ImageDecodeResult::NoCodec) {
        ReportDecodeFailure(PictureFailure::NoCodec);
        if (!FormatClaimed(path)) LogFailure(path, L"no decoder for this format");
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
