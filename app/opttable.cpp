#include "opttable.h"

#include "data/textitems.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

OptTable opts;

void OptTable::init(int argc, const char *const *argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromUtf8(argv[i]));
    for (int i = 0; i < args.size(); ++i) {
        if (!args[i].startsWith('-'))
            continue;
        const bool hasValue = i + 1 < args.size() && !args[i + 1].startsWith('-');
        setEntry(args[i], hasValue ? args[i + 1] : QString());
    }
}

namespace {

// Files that include the next one several times would double the work per level; no sane set of
// configuration files comes near this many reads.
const int maxIncludes = 100;

} // namespace

void OptTable::readCfgFile(const QString &path)
{
    Reading reading;
    readCfgFile(path, &reading);
}

void OptTable::readCfgFile(const QString &path, Reading *reading)
{
    QFile file(path);
    // An empty path is the usual case without a config.cfg; don't let QFile warn about it too.
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Can't open config file : " << path;
        return;
    }
    // A file that includes itself, directly or through others, would otherwise never end.
    const QString canonical = QFileInfo(file).canonicalFilePath();
    if (reading->chain.contains(canonical)) {
        qDebug() << "Config file already being read, skipped : " << path;
        return;
    }
    reading->chain.append(canonical);
    QTextStream in(&file);
    while (!in.atEnd())
        readCfgLine(in.readLine(), reading);
    reading->chain.removeLast();
}

void OptTable::readCfgLine(const QString &line, Reading *reading)
{
    if (isBlank(line))
        return;
    QString key;
    QString value;
    takeFirstItem(takeFirstItem(removeComment(line), &key), &value);
    if (key.toUpper() != QLatin1String("INCLUDE"))
        setEntry(key, value);
    else if (++reading->includes > maxIncludes)
        qDebug() << "Too many INCLUDE lines, skipped : " << value;
    else
        readCfgFile(value, reading);
}

void OptTable::setEntry(const QString &key, const QString &value)
{
    const int i = indexOf(key);
    if (i < 0)
        entries.append({key, value});
    else
        entries[i].value = value;
}

bool OptTable::hasKey(const QString &key) const
{
    return indexOf(key) >= 0;
}

QString OptTable::valueOf(const QString &key, const QString &def) const
{
    const int i = indexOf(key);
    return i < 0 ? def : entries[i].value;
}

QStringList OptTable::keys() const
{
    QStringList result;
    for (const Entry &entry : entries)
        result.append(entry.key);
    return result;
}

int OptTable::indexOf(const QString &key) const
{
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].key == key)
            return i;
    }
    return -1;
}
