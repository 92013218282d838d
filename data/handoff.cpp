#include "handoff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThreadPool>

#include <memory>

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

// Carries work to another thread's event loop: made on the calling thread, moved to the
// receiver's, and run when its event arrives there.
class Courier : public QObject
{
public:
    explicit Courier(std::function<void()> work)
        : work(std::move(work))
    {
    }

    bool event(QEvent *e) override
    {
        // Before the event is read: it was made on the posting thread, before the courier was
        // handed over.
        received(this);
        if (e->type() != QEvent::User)
            return QObject::event(e);
        work();
        return true;
    }

private:
    std::function<void()> work;
};

// The courier's one event, which takes the courier with it when the queue deletes it: after its
// delivery, or undelivered when the application goes.
class CourierEvent : public QEvent
{
public:
    explicit CourierEvent(Courier *courier)
        : QEvent(QEvent::User)
        , courier(courier)
    {
    }
    ~CourierEvent() override
    {
        received(this);
        delete courier;
    }

private:
    Courier *courier;
};

} // namespace

bool Handoff::postFunction(QObject *receiver, std::function<void()> &&work)
{
    auto courier = std::make_unique<Courier>(std::move(work));
    courier->moveToThread(receiver->thread());
    auto *delivery = new CourierEvent(courier.get());
    Courier *carried = courier.release();
    sent(carried);
    sent(delivery);
    // Deletes the event, and the courier with it, should it throw.
    QCoreApplication::postEvent(carried, delivery);
    return true;
}

void Handoff::start(QThreadPool *pool, std::function<void()> work)
{
    pool->start(new Work(std::move(work)));
}
