#pragma once

#include <QFile>
#include <QtGlobal>

#include <sys/resource.h>
#include <unistd.h>

// Bounds this test process's address space while the object lives, to `room` bytes more than
// the process maps now, so that an allocation sized by a file's claim fails here as it would on a
// machine with less memory, whatever this machine has. Not possible under AddressSanitizer, which
// maps far more address space than it uses: possible() is then false.
class MemoryLimit
{
public:
    explicit MemoryLimit(qint64 room)
    {
        if (!possible() || getrlimit(RLIMIT_AS, &saved) != 0)
            return;
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return;
        const qint64 mapped = statm.readAll().split(' ').value(0).toLongLong() * sysconf(_SC_PAGESIZE);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(mapped + room);
        active = setrlimit(RLIMIT_AS, &limited) == 0;
    }
    ~MemoryLimit()
    {
        if (active)
            setrlimit(RLIMIT_AS, &saved);
    }
    MemoryLimit(const MemoryLimit &) = delete;
    MemoryLimit &operator=(const MemoryLimit &) = delete;

    static bool possible()
    {
#if defined(__SANITIZE_ADDRESS__)
        return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
        return false;
#endif
#endif
        return true;
    }

    bool active = false;

private:
    rlimit saved = {};
};
