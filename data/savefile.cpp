#include "savefile.h"

SaveFile::SaveFile(const QString &fileName)
    : file(fileName)
{
    file.setDirectWriteFallback(true);
}

bool SaveFile::open()
{
    return file.open(QIODevice::WriteOnly) || fail();
}

bool SaveFile::write(const char *data, qint64 size)
{
    // A short write carries no reason of its own; writing the rest again fails with it.
    while (!failed && size > 0) {
        const qint64 n = file.write(data, size);
        if (n <= 0)
            return fail();
        data += n;
        size -= n;
    }
    return !failed;
}

bool SaveFile::commit()
{
    // QSaveFile::commit() renames even when writing out its buffer fails, so that is done and
    // checked first. A short write gives its reason on the next try.
    if (failed || !(file.flush() || file.flush()))
        return fail();
    return file.commit() || fail();
}

bool SaveFile::fail()
{
    if (!failed) {
        error = file.errorString();
        failed = true;
    }
    // Committing a cancelled file drops the temporary file. Written in place, the target is only
    // closed: QSaveFile would delete it if it were left uncommitted.
    if (file.isOpen()) {
        file.cancelWriting();
        file.commit();
    }
    return false;
}

bool SaveFile::save(const QString &fileName, const QByteArray &bytes, QString *error)
{
    SaveFile file(fileName);
    if (file.open() && file.write(bytes) && file.commit())
        return true;
    *error = file.errorString();
    return false;
}
