// A read-only IStream over part of an entry: Read, Seek and Stat, the rest E_NOTIMPL.
// Media Foundation wraps it as a byte stream (MFCreateMFByteStreamOnStream) to open a motion
// photo's clip where it lies, its positions counting from the clip's first byte.
#include "video/win32_range_stream.h"

#include <windows.h>
#include <objidl.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace WorkSpace {

namespace {

class RangeStream : public IStream {
public:
    RangeStream(std::unique_ptr<PictureReader> file, const ClipRange& range)
        : file_(std::move(file)), range_(range) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
        if (read) *read = 0;
        if (!buffer) return STG_E_INVALIDPOINTER;
        std::lock_guard<std::mutex> hold(lock_);
        const size_t want = ClipRangeReadable(range_, position_, size);
        size_t have = 0;
        while (have < want) {
            const int64_t got =
                file_->ReadAt(range_.offset + position_ + have, static_cast<BYTE*>(buffer) + have, want - have);
            if (got < 0) return STG_E_READFAULT;
            if (got == 0) break;  // the entry is shorter than it said: a short read
            have += static_cast<size_t>(got);
        }
        position_ += have;
        if (read) *read = static_cast<ULONG>(have);
        return have == size ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* landedOut) override {
        SeekFrom from;
        switch (origin) {
            case STREAM_SEEK_SET: from = SeekFrom::Start; break;
            case STREAM_SEEK_CUR: from = SeekFrom::Current; break;
            case STREAM_SEEK_END: from = SeekFrom::End; break;
            default: return STG_E_INVALIDFUNCTION;
        }
        std::lock_guard<std::mutex> hold(lock_);
        uint64_t landed = 0;
        if (!ClipRangeSeek(range_, position_, from, move.QuadPart, landed)) return STG_E_INVALIDFUNCTION;
        position_ = landed;
        if (landedOut) landedOut->QuadPart = landed;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        std::memset(stat, 0, sizeof(*stat));
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = range_.length;
        stat->grfMode = STGM_READ;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    virtual ~RangeStream() = default;

    std::unique_ptr<PictureReader> file_;
    const ClipRange range_;
    // Media Foundation may call from its work queue's threads as well as the player's.
    std::mutex lock_;
    uint64_t position_ = 0;
    std::atomic<ULONG> references_{1};
};

}  // namespace

IStream* MakeRangeStream(std::unique_ptr<PictureReader> file, const ClipRange& range) {
    if (!file || !ClipRangeFits(range, file->Size())) return nullptr;
    return new RangeStream(std::move(file), range);
}

}  // namespace WorkSpace
