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

void OptTable::readCfgFile(const QString &path)
{
    QStringList readingChain;
    readCfgFile(path, &readingChain);
}

void OptTable::readCfgFile(const QString &path, QStringList *readingChain)
{
    QFile file(path);
    // An empty path is the usual case without a config.cfg; don't let QFile warn about it too.
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qDebug() << "Can't open config file : " << path;
        return;
    }
    // A file that includes itself, directly or through others, would otherwise never end.
    const QString canonical = QFileInfo(file).canonicalFilePath();
    if (readingChain->contains(canonical)) {
        qDebug() << "Config file already being read, skipped : " << path;
        return;
    }
    readingChain->append(canonical);
    QTextStream in(&file);
    while (!in.atEnd())
        readCfgLine(in.readLine(), readingChain);
    readingChain->removeLast();
}

void OptTable::readCfgLine(const QString &line, QStringList *readingChain)
{
    if (isBlank(line))
        return;
    QString key;
    QString value;
    takeFirstItem(takeFirstItem(removeComment(line), &key), &value);
    if (key.toUpper() == QLatin1String("INCLUDE"))
        readCfgFile(value, readingChain);
    else
        setEntry(key, value);
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
