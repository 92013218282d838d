#include "data/noticelog.h"

NoticeLog::NoticeLog(QObject *parent)
    : QObject(parent)
{
}

QString NoticeLog::latest() const
{
    return kept.isEmpty() ? QString() : kept.last();
}

void NoticeLog::add(const QString &text)
{
    kept.append(text);
    while (kept.size() > capacity)
        kept.removeFirst();
    emit added(text);
}
