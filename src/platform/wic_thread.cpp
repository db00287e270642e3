// COM apartments and WIC factories, one of each per thread: the apartment joined (and the
// join balanced), the factory made inside it and released before it is left, and the
// calling thread's innermost one found without any teardown at thread exit.
#include "platform/wic_thread.h"

namespace WorkSpace {

namespace {
thread_local WicThread* t_innermost = nullptr;  // trivial: nothing runs at thread exit
}  // namespace

ComApartment::ComApartment(DWORD model) {
    const HRESULT hr = CoInitializeEx(nullptr, model);
    // S_FALSE (already in one of this kind) must be balanced too; RPC_E_CHANGED_MODE means
    // the thread is in the other kind, which WIC's free-threaded objects work in as well.
    balance_ = SUCCEEDED(hr);
    joined_ = balance_ || hr == RPC_E_CHANGED_MODE;
}

ComApartment::~ComApartment() {
    if (balance_) CoUninitialize();
}

WicThread::WicThread(DWORD model) : apartment_(model), outer_(t_innermost) {
    if (apartment_.Joined() &&
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory_))))
        factory_ = nullptr;
    t_innermost = this;
}

WicThread::~WicThread() {
    t_innermost = outer_;
    if (factory_) factory_->Release();
}

IWICImagingFactory* ThreadWicFactory() {
    return t_innermost ? t_innermost->Factory() : nullptr;
}

}  // namespace WorkSpace
