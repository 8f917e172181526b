#pragma once

// Hand-offs between threads that ThreadSanitizer cannot see by itself. Qt is not built with
// it: a call queued through Qt's event queue (QMetaObject::invokeMethod, queued connection)
// reaches the other thread through Qt's own locks, invisible to the sanitizer, so what the
// posting thread wrote before the post (the call's captures, the objects Qt keeps it in) would
// be reported as racing with the thread that runs it. handOff() marks the post (a release),
// handedOff() the start of the call on the other side (an acquire of the same address).
// Outside a ThreadSanitizer build both are empty and cost nothing.

#include <utility>

#if defined(__SANITIZE_THREAD__)
#define KORVALIS_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KORVALIS_THREAD_SANITIZER 1
#endif
#endif

#if defined(KORVALIS_THREAD_SANITIZER)
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
#endif

namespace session
{

// What this thread did so far happens before whatever follows handedOff(addr) on another.
inline void handOff([[maybe_unused]] const void *addr)
{
#if defined(KORVALIS_THREAD_SANITIZER)
    __tsan_release(const_cast<void *>(addr));
#endif
}

// Takes over what preceded handOff(addr) on the posting thread.
inline void handedOff([[maybe_unused]] const void *addr)
{
#if defined(KORVALIS_THREAD_SANITIZER)
    __tsan_acquire(const_cast<void *>(addr));
#endif
}

// A call for QMetaObject::invokeMethod(context, HandedOffCall(f), Qt::QueuedConnection).
// invokeMethod allocates the object Qt queues and moves the call into it: that move is the
// posting thread's last touch, so it marks the hand-off there (covering the allocation too).
// The thread that runs the call takes it over first and hands it back once done, since Qt
// frees the object on whichever thread lets go of it last; that one takes it over as well.
template <class F> class HandedOffCall
{
public:
    explicit HandedOffCall(F f) : f_(std::move(f)) {}
    HandedOffCall(HandedOffCall &&other) : f_(std::move(other.f_)) { handOff(this); }
    HandedOffCall(const HandedOffCall &) = delete;
    HandedOffCall &operator=(const HandedOffCall &) = delete;
    HandedOffCall &operator=(HandedOffCall &&) = delete;
    ~HandedOffCall() { handedOff(this); }

    void operator()()
    {
        handedOff(this);
        f_();
        handOff(this);
    }

private:
    F f_;
};

} // namespace session
