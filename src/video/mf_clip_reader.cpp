// Clips decoded by Media Foundation's source reader on the player's worker thread:
// mfplat.dll and mfreadwrite.dll loaded at run time from the system folder (a Windows N
// edition without its Media Feature Pack has neither: clips are then skipped), the first
// video stream only, out as NV12 (P010 for 10-bit clips, where the decoder offers no NV12).
// Where the stream itself is already decoded into three planes (I420, IYUV or YV12: Wine's
// media source decodes in GStreamer and gives I420), those are taken as they come at the
// sizes where their layout is plain (`ThreePlanesAsTheyCome`), and their chroma is paired
// into NV12's as the frame is copied out: a converter would copy the whole frame once more
// to do the same. No RGB output is asked for: Wine's reader has no converter to it, and the
// card does it.
// A motion photo's clip is opened in place, through a stream over its range of the JPEG.
// Rows are read at the pitch the buffer states, and the colour standard and range are the
// ones the decoder's output type states, else the ones the stream's native type states.
#include "video/clip_reader.h"

#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cstdio>
#include <cstring>

#include "platform/win32_system_library.h"
#include "video/frame_layout.h"
#include "video/win32_range_stream.h"

namespace WorkSpace {

namespace {

struct MfFunctions {
    HRESULT(WINAPI* startup)(ULONG, DWORD) = nullptr;
    HRESULT(WINAPI* shutdown)() = nullptr;
    HRESULT(WINAPI* createMediaType)(IMFMediaType**) = nullptr;
    HRESULT(WINAPI* readerFromUrl)(LPCWSTR, IMFAttributes*, IMFSourceReader**) = nullptr;
    // For a clip inside a file only: without them such clips are skipped.
    HRESULT(WINAPI* byteStreamOnStream)(IStream*, IMFByteStream**) = nullptr;
    HRESULT(WINAPI* readerFromByteStream)(IMFByteStream*, IMFAttributes*, IMFSourceReader**) = nullptr;
    bool loaded = false;
};

template <typename Fn>
void Bind(HMODULE dll, const char* name, Fn& fn) {
    fn = dll ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name))) : nullptr;
}

const MfFunctions& Functions() {
    static const MfFunctions functions = [] {
        MfFunctions f;
        HMODULE plat = LoadSystemLibrary(L"mfplat.dll");
        HMODULE readwrite = plat ? LoadSystemLibrary(L"mfreadwrite.dll") : nullptr;
        Bind(plat, "MFStartup", f.startup);
        Bind(plat, "MFShutdown", f.shutdown);
        Bind(plat, "MFCreateMediaType", f.createMediaType);
        Bind(readwrite, "MFCreateSourceReaderFromURL", f.readerFromUrl);
        Bind(plat, "MFCreateMFByteStreamOnStream", f.byteStreamOnStream);
        Bind(readwrite, "MFCreateSourceReaderFromByteStream", f.readerFromByteStream);
        f.loaded = f.startup && f.shutdown && f.createMediaType && f.readerFromUrl;
        return f;
    }();
    return functions;
}

std::wstring Hr(const wchar_t* what, HRESULT hr) {
    wchar_t text[96];
    swprintf(text, 96, L"%ls 0x%08X", what, static_cast<unsigned>(hr));
    return text;
}

// MF_MT_VIDEO_ROTATION, which MinGW's header declares only for Windows 8 and later builds.
const GUID kVideoRotation = {0xc380465d, 0x2271, 0x428c, {0x9b, 0x83, 0xec, 0xea, 0x3b, 0x4a, 0x85, 0xc1}};

const DWORD kVideo = static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);

// The colour standard and range a media type (the decoder's output, or the stream's native
// type) states; Unstated for what it leaves out or names a standard the shader does not know
// (SMPTE 240M, YCgCo, ...).
VideoColour StatedColour(IMFMediaType* type) {
    VideoColour colour;
    UINT32 value = 0;
    if (SUCCEEDED(type->GetUINT32(MF_MT_YUV_MATRIX, &value))) {
        if (value == MFVideoTransferMatrix_BT601) colour.matrix = YuvMatrix::Bt601;
        if (value == MFVideoTransferMatrix_BT709) colour.matrix = YuvMatrix::Bt709;
        if (value == MFVideoTransferMatrix_BT2020_10 || value == MFVideoTransferMatrix_BT2020_12)
            colour.matrix = YuvMatrix::Bt2020;
    }
    if (SUCCEEDED(type->GetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, &value))) {
        if (value == MFNominalRange_16_235) colour.range = YuvRange::Studio;
        if (value == MFNominalRange_0_255) colour.range = YuvRange::Full;
    }
    return colour;
}

class MfClipReader : public ClipReader {
public:
    ~MfClipReader() override {
        if (reader_) reader_->Release();
        if (started_) Functions().shutdown();
        if (com_) CoUninitialize();
    }

    bool Open(const ClipPlace& place, PictureSource& source, ClipInfo& info, std::wstring& why) override {
        const MfFunctions& mf = Functions();
        com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        HRESULT hr = mf.startup(MF_VERSION, MFSTARTUP_LITE);
        if (FAILED(hr)) return why = Hr(L"MFStartup", hr), false;
        started_ = true;
        if (place.offset != 0 || place.length != 0) {
            if (!OpenRange(place, source, why)) return false;
        } else if (FAILED(hr = mf.readerFromUrl(place.path.c_str(), nullptr, &reader_))) {
            return why = Hr(L"damaged or not a clip", hr), false;
        }
        reader_->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
        hr = reader_->SetStreamSelection(kVideo, TRUE);
        if (FAILED(hr)) return why = L"no video stream", false;
        IMFMediaType* native = nullptr;
        GUID nativeSubtype = GUID_NULL;
        if (SUCCEEDED(reader_->GetNativeMediaType(kVideo, 0, &native))) {
            UINT32 rotation = 0;
            if (SUCCEEDED(native->GetUINT32(kVideoRotation, &rotation))) info.rotation = rotation % 360;
            nativeColour_ = StatedColour(native);
            UINT32 w = 0, h = 0;
            if (SUCCEEDED(MFGetAttributeSize(native, MF_MT_FRAME_SIZE, &w, &h)) && ThreePlanesAsTheyCome(w, h))
                native->GetGUID(MF_MT_SUBTYPE, &nativeSubtype);
            native->Release();
        } else {
            return why = L"no video stream", false;
        }
        if (!(PlanesOf(nativeSubtype) != ChromaPlanes::Paired && Ask(nativeSubtype, hr)) &&
            !Ask(MFVideoFormat_NV12, hr) && !Ask(MFVideoFormat_P010, hr))
            return why = Hr(L"no decoder for its video", hr), false;
        hr = ReadSize();
        if (FAILED(hr)) return why = Hr(L"no frame size", hr), false;
        info.width = width_;
        info.height = height_;
        info.format = format_;
        return true;
    }

    Read Next(VideoFrame& frame, std::wstring& why) override {
        for (;;) {
            DWORD stream = 0, flags = 0;
            LONGLONG stamp = 0;
            IMFSample* sample = nullptr;
            HRESULT hr = reader_->ReadSample(kVideo, 0, &stream, &flags, &stamp, &sample);
            if (FAILED(hr)) return why = Hr(L"ReadSample", hr), Read::Failed;
            if (flags & MF_SOURCE_READERF_ERROR) {
                if (sample) sample->Release();
                return why = L"a decoder error", Read::Failed;
            }
            if (flags & MF_SOURCE_READERF_NATIVEMEDIATYPECHANGED) ReadNativeColour();
            if ((flags & (MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED | MF_SOURCE_READERF_NATIVEMEDIATYPECHANGED)) &&
                FAILED(hr = ReadSize())) {
                if (sample) sample->Release();
                return why = Hr(L"no frame size", hr), Read::Failed;
            }
            if (!sample) {
                if (flags & MF_SOURCE_READERF_ENDOFSTREAM) return Read::End;
                continue;  // a stream tick or a gap: the next sample
            }
            const bool copied = CopyFrame(sample, frame, why);
            sample->Release();
            if (!copied) return Read::Failed;
            frame.time = static_cast<double>(stamp) / 1e7;
            return Read::Frame;
        }
    }

private:
    // A clip inside a file: its range read in place through the source, as an MP4 (which
    // the motion photos' clips are), so that the resolver need not guess from a name.
    bool OpenRange(const ClipPlace& place, PictureSource& source, std::wstring& why) {
        const MfFunctions& mf = Functions();
        if (!mf.byteStreamOnStream || !mf.readerFromByteStream)
            return why = L"this Media Foundation cannot read a clip inside a file", false;
        Platform::ReadFailure failure = Platform::ReadFailure::None;
        std::unique_ptr<PictureReader> file = source.Open(place.path, failure);
        if (!file) return why = L"the file could not be opened", false;
        IStream* stream = MakeRangeStream(std::move(file), ClipRange{place.offset, place.length});
        if (!stream) return why = L"its clip is not inside the file", false;
        IMFByteStream* bytes = nullptr;
        HRESULT hr = mf.byteStreamOnStream(stream, &bytes);
        stream->Release();
        if (FAILED(hr)) return why = Hr(L"MFCreateMFByteStreamOnStream", hr), false;
        IMFAttributes* attributes = nullptr;
        if (SUCCEEDED(bytes->QueryInterface(IID_IMFAttributes, reinterpret_cast<void**>(&attributes)))) {
            attributes->SetString(MF_BYTESTREAM_CONTENT_TYPE, L"video/mp4");
            attributes->Release();
        }
        hr = mf.readerFromByteStream(bytes, nullptr, &reader_);
        bytes->Release();
        if (FAILED(hr)) return why = Hr(L"damaged or not a clip", hr), false;
        return true;
    }

    // The stream's native type as it now is: its colour statement, for what the decoder's
    // output leaves unstated.
    void ReadNativeColour() {
        IMFMediaType* native = nullptr;
        if (FAILED(reader_->GetNativeMediaType(kVideo, static_cast<DWORD>(MF_SOURCE_READER_CURRENT_TYPE_INDEX), &native)))
            return;
        nativeColour_ = StatedColour(native);
        native->Release();
    }

    bool Ask(const GUID& subtype, HRESULT& hr) {
        IMFMediaType* type = nullptr;
        hr = Functions().createMediaType(&type);
        if (FAILED(hr)) return false;
        type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
        type->SetGUID(MF_MT_SUBTYPE, subtype);
        hr = reader_->SetCurrentMediaType(kVideo, nullptr, type);
        type->Release();
        return SUCCEEDED(hr);
    }

    // Paired for NV12 and P010 (and for what is not a three-plane 4:2:0 form).
    static ChromaPlanes PlanesOf(const GUID& subtype) {
        if (subtype == MFVideoFormat_I420 || subtype == MFVideoFormat_IYUV) return ChromaPlanes::UFirst;
        if (subtype == MFVideoFormat_YV12) return ChromaPlanes::VFirst;
        return ChromaPlanes::Paired;
    }

    // The frames' form from the current type's subtype; false for one this reader cannot copy.
    bool TakeSubtype(IMFMediaType* type) {
        GUID subtype = GUID_NULL;
        if (FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype))) return false;
        chromaPlanes_ = PlanesOf(subtype);
        format_ = subtype == MFVideoFormat_P010 ? VideoFormat::P010 : VideoFormat::NV12;
        return subtype == MFVideoFormat_NV12 || subtype == MFVideoFormat_P010 || chromaPlanes_ != ChromaPlanes::Paired;
    }

    HRESULT ReadSize() {
        IMFMediaType* type = nullptr;
        HRESULT hr = reader_->GetCurrentMediaType(kVideo, &type);
        if (FAILED(hr)) return hr;
        // Read again at each change of type: where nothing decodes between the source and the
        // reader, a new native type may bring a new form.
        if (!TakeSubtype(type)) {
            type->Release();
            return MF_E_INVALIDMEDIATYPE;
        }
        UINT32 w = 0, h = 0;
        hr = MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &w, &h);
        if (SUCCEEDED(hr) && chromaPlanes_ != ChromaPlanes::Paired && !ThreePlanesAsTheyCome(w, h)) {
            type->Release();
            return MF_E_INVALIDMEDIATYPE;  // a new size at which three planes may be laid out otherwise
        }
        // A decoder's frames may be taller than the picture (1088 rows for 1080): the
        // aperture says what shows.
        MFVideoArea area = {};
        if (SUCCEEDED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, reinterpret_cast<UINT8*>(&area), sizeof(area),
                                    nullptr)) &&
            area.Area.cx > 0 && area.Area.cy > 0 && static_cast<UINT32>(area.Area.cx) <= w &&
            static_cast<UINT32>(area.Area.cy) <= h) {
            allocHeight_ = h;
            w = static_cast<UINT32>(area.Area.cx), h = static_cast<UINT32>(area.Area.cy);
        } else {
            allocHeight_ = h;
        }
        // The stride is stored as a UINT32 that holds a signed value (negative: bottom-up).
        UINT32 stride = 0;
        hasStride_ = SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride));
        stride_ = static_cast<INT32>(stride);
        colour_ = StatedOr(StatedColour(type), nativeColour_);
        type->Release();
        width_ = w & ~1u;
        height_ = h & ~1u;
        return hr;
    }

    // The planes out of the sample's buffer, whose rows may be padded to a pitch and whose
    // chroma follows the luma's allocated rows. The buffer is read as a 2D surface where it
    // is one with bounds (IMF2DBuffer2: its own pitch and length), else as plain bytes laid
    // out as the media type's stride says.
    bool CopyFrame(IMFSample* sample, VideoFrame& frame, std::wstring& why) {
        IMFMediaBuffer* buffer = nullptr;
        if (FAILED(sample->ConvertToContiguousBuffer(&buffer))) return why = L"a frame that could not be read", false;
        bool ok = false, read = false;
        IMF2DBuffer2* surface2 = nullptr;
        BYTE* top = nullptr;
        FrameMemory memory;
        memory.hasStatedStride = hasStride_, memory.statedStride = stride_;
        if (SUCCEEDED(buffer->QueryInterface(IID_IMF2DBuffer2, reinterpret_cast<void**>(&surface2)))) {
            BYTE* start = nullptr;
            LONG pitch = 0;
            DWORD length = 0;
            if (SUCCEEDED(surface2->Lock2DSize(MF2DBuffer_LockFlags_Read, &top, &pitch, &start, &length))) {
                memory.hasBufferPitch = true, memory.bufferPitch = pitch;
                memory.hasLength = true;
                memory.length = top >= start && top <= start + length ? static_cast<uint64_t>(start + length - top) : 0;
                ok = CopyPlanes(top, memory, frame, why), read = true;
                surface2->Unlock2D();
            }
            surface2->Release();
        }
        // Without IMF2DBuffer2 a surface's Lock2D tells no bounds: it is read as plain bytes,
        // whose length Lock gives, laid out as MF_MT_DEFAULT_STRIDE says of that form.
        DWORD length = 0;
        if (!read && SUCCEEDED(buffer->Lock(&top, nullptr, &length))) {
            memory.hasLength = true, memory.length = length;
            ok = CopyPlanes(top, memory, frame, why), read = true;
            buffer->Unlock();
        }
        buffer->Release();
        if (!read) why = L"a frame that could not be read";
        return ok;
    }

    bool CopyPlanes(const BYTE* top, const FrameMemory& memory, VideoFrame& frame, std::wstring& why) {
        const uint32_t row = width_ * VideoSampleBytes(format_);
        const FrameLayout layout = ChooseFrameLayout(memory, FrameRows{row, height_, allocHeight_, chromaPlanes_});
        if (!layout.ok) return why = layout.refusal, false;
        const size_t pitch = static_cast<size_t>(layout.pitch);
        frame.width = width_;
        frame.height = height_;
        frame.format = format_;
        frame.colour = colour_;
        frame.luma.resize(size_t{row} * height_);
        frame.chroma.resize(size_t{row} * (height_ / 2));
        for (uint32_t y = 0; y < height_; ++y) memcpy(&frame.luma[size_t{y} * row], top + y * pitch, row);
        if (chromaPlanes_ == ChromaPlanes::Paired) {
            const BYTE* chroma = top + layout.chromaOffset;
            for (uint32_t y = 0; y < height_ / 2; ++y) memcpy(&frame.chroma[size_t{y} * row], chroma + y * pitch, row);
            return true;
        }
        PairChroma(top, layout, chromaPlanes_, width_ / 2, height_ / 2, frame.chroma.data());
        return true;
    }

    IMFSourceReader* reader_ = nullptr;
    bool com_ = false, started_ = false;
    uint32_t width_ = 0, height_ = 0, allocHeight_ = 0;
    bool hasStride_ = false;
    int64_t stride_ = 0;  // MF_MT_DEFAULT_STRIDE of the current type, where it states one
    VideoFormat format_ = VideoFormat::NV12;
    ChromaPlanes chromaPlanes_ = ChromaPlanes::Paired;  // as the reader's output stores them
    VideoColour colour_;
    VideoColour nativeColour_;  // as the stream's native type states it
};

}  // namespace

std::unique_ptr<ClipReader> MakePlatformClipReader(std::wstring& why) {
    if (!Functions().loaded) {
        why = L"Media Foundation (mfplat.dll, mfreadwrite.dll) is missing";
        return nullptr;
    }
    return std::make_unique<MfClipReader>();
}

}  // namespace WorkSpace
