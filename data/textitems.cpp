#include "textitems.h"

#include <QDebug>

namespace {

// Position of the first character at or after from for which isSpace() equals space, or -1.
int findSpace(const QString &line, int from, bool space)
{
    for (int i = from; i < line.size(); ++i) {
        if (line.at(i).isSpace() == space)
            return i;
    }
    return -1;
}

} // namespace

QString takeFirstItem(const QString &line, QString *item)
{
    item->clear();
    const int p = findSpace(line, 0, false);
    if (p < 0)
        return QString();

    if (line.at(p) == QLatin1Char('"')) {
        const int q = line.indexOf(QLatin1Char('"'), p + 1);
        if (q < 0) {
            qDebug().noquote() << QStringLiteral("In a line [%1] item is started from quote but not ended by quote").arg(line);
            *item = line.mid(p + 1);
            return QString();
        }
        *item = line.mid(p + 1, q - p - 1);
        return line.mid(q + 1);
    }

    const int e = findSpace(line, p, true);
    *item = e < 0 ? line.mid(p) : line.mid(p, e - p);
    if (item->endsWith(QLatin1Char('"')))
        qDebug().noquote() << QStringLiteral("In a line [%1] item is started from not quote but ended by quote").arg(line);
    return e < 0 ? QString() : line.mid(e);
}

QString splitComment(const QString &line, QString *comment)
{
    // Single and double quotes share one flag: a text opened by one kind is closed by the other.
    bool inQuotes = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\''))
            inQuotes = !inQuotes;
        else if (c == QLatin1Char('#') && !inQuotes) {
            *comment = line.mid(i + 1);
            return line.left(i);
        }
    }
    return line;
}

QString removeComment(const QString &line)
{
    QString comment;
    return splitComment(line, &comment);
}

bool isBlank(const QString &line)
{
    return removeComment(line).simplified().isEmpty();
}

bool startsWithKey(const QString &line, const QString &key)
{
    return line.left(key.size()) == key;
}

QStringList itemsAfter(const QString &line, const QString &key)
{
    QStringList items;
    QString rest = line.mid(key.size());
    while (!rest.isEmpty()) {
        QString item;
        rest = takeFirstItem(rest, &item);
        items.append(item);
    }
    return items;
}

bool keyItems(const QString &line, QStringList *items, int minCount, const QString &key)
{
    if (!startsWithKey(line, key))
        return false;
    *items = itemsAfter(line, key);
    return items->size() >= minCount;
}
