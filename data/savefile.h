#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Writes a file so that a failed write never passes for a saved one. The bytes go to a temporary
// file beside the target, which replaces the target only when every byte, the last buffered ones
// included, has been written; on failure the target keeps its old contents. Where the folder takes
// no temporary file but the target itself is writable, the target is written in place (so a
// hard link stays one); a failed write then leaves it damaged, as there is nowhere else to write.
class SaveFile
{
public:
    explicit SaveFile(const QString &fileName);

    bool open();
    // Writes all size bytes; false once any write has failed.
    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Writes out the buffered bytes and, when everything has been written, replaces the target.
    // False when anything failed since open; nothing is replaced then.
    bool commit();
    // The system's reason for the first failure, e.g. "No space left on device".
    QString errorString() const { return error; }

    // The whole file in one call; false with the reason in *error on failure.
    static bool save(const QString &fileName, const QByteArray &bytes, QString *error);

private:
    bool fail();

    QSaveFile file;
    QString error;
    bool failed = false;
};
