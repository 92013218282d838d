#include "handoff.h"

#include <QThreadPool>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void *address);
extern "C" void __tsan_release(void *address);
#endif

namespace {

void sent(void *what)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_release(what);
#else
    Q_UNUSED(what);
#endif
}

void received(void *what)
{
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(what);
#else
    Q_UNUSED(what);
#endif
}

// Marks the hand-over as received before it touches anything of its own: the pool calls run()
// from code the sanitizer does not see.
class Work : public QRunnable
{
public:
    explicit Work(std::function<void()> work)
        : work(std::move(work))
    {
        sent(this);
    }
    void run() override
    {
        received(this);
        work();
    }

private:
    std::function<void()> work;
};

} // namespace

void Handoff::start(QThreadPool *pool, std::function<void()> work)
{
    pool->start(new Work(std::move(work)));
}
