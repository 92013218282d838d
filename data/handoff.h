#pragma once

#include <functional>
#include <new>

class QThreadPool;

class QObject;

// Work handed to a pool thread and back, in a way ThreadSanitizer can follow. It cannot see the
// locks inside Qt's pools and event queues (futexes in a library it has not instrumented), so it
// would take everything the work reads of what the handing thread wrote for a race. In other
// builds these are a plain QThreadPool::start() and a queued call.
namespace Handoff {

// Runs work on a thread of pool; what the calling thread did before happens before it.
void start(QThreadPool *pool, std::function<void()> work);

// What post() does; throws when memory runs out.
bool postFunction(QObject *receiver, std::function<void()> &&work);

// Runs work from the event loop of receiver's thread; what the calling thread did before happens
// before it. receiver lives on the main thread and must outlive the call (the application object,
// say): work still queued when the application goes is dropped with it. Never throws, as pool
// threads call it last: false when there was no memory to post the work, which is then dropped.
// A template, so that even wrapping work into a std::function happens inside that promise.
template <typename Work>
bool post(QObject *receiver, Work work) noexcept
{
    try {
        return postFunction(receiver, std::function<void()>(std::move(work)));
    } catch (const std::bad_alloc &) {
        return false;
    }
}

} // namespace Handoff
