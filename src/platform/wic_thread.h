// WIC lives in COM, and COM is per thread: each thread that decodes joins an apartment of
// its own and makes its own imaging factory, and lets go of the factory before it leaves
// the apartment. No WIC object is shared between threads, so one thread ending its
// apartment can never pull the ground from under another's decode.
#pragma once
#include <windows.h>
#include <wincodec.h>

namespace WorkSpace {

// The calling thread in a COM apartment for the object's life. A thread that is in one
// already (of either kind) stays in it; the call is balanced either way.
class ComApartment {
public:
    explicit ComApartment(DWORD model);
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    // The thread is in an apartment now: this one, or the one it was in before.
    bool Joined() const { return joined_; }

private:
    bool balance_ = false;
    bool joined_ = false;
};

// An apartment and a WIC factory of the calling thread, for the object's life, which must
// end on the same thread. While it lives, ThreadWicFactory() on that thread returns its
// factory. The factory is released before the apartment is left.
class WicThread {
public:
    explicit WicThread(DWORD model);
    ~WicThread();
    WicThread(const WicThread&) = delete;
    WicThread& operator=(const WicThread&) = delete;
    IWICImagingFactory* Factory() const { return factory_; }

private:
    ComApartment apartment_;  // first in, last out
    IWICImagingFactory* factory_ = nullptr;
    WicThread* outer_ = nullptr;
};

// The factory of the innermost WicThread alive on the calling thread; nullptr when none.
IWICImagingFactory* ThreadWicFactory();

// Runs use(factory) with the calling thread's factory, or, on a thread without one, with a
// WicThread of its own for just this call (which may then get a null factory). This is what
// makes a decode safe from any thread, without teardown work at thread exit, where the
// loader lock is held and leaving an apartment is not allowed.
template <typename Use>
auto WithWicFactory(Use use) {
    if (IWICImagingFactory* factory = ThreadWicFactory()) return use(factory);
    WicThread own(COINIT_MULTITHREADED);
    return use(own.Factory());
}

}  // namespace WorkSpace
