#pragma once

#include <functional>

class QThreadPool;

// Work handed to a pool thread, in a way ThreadSanitizer can follow. It cannot see the locks
// inside Qt's pools (futexes in a library it has not instrumented), so it would take everything
// the work reads of what the starting thread wrote for a race. In other builds this is a plain
// QThreadPool::start().
namespace Handoff {

// Runs work on a thread of pool; what the calling thread did before happens before it.
void start(QThreadPool *pool, std::function<void()> work);

} // namespace Handoff
