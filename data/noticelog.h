#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// The notices of a session in plain, translated words: files that could not be read, panel runs
// that did nothing, saves that failed or worked. Only the last capacity notices are kept, oldest
// first; every new one goes out through added. Widgets show it; the log itself has none.
class NoticeLog : public QObject
{
    Q_OBJECT

public:
    static constexpr int capacity = 100;

    explicit NoticeLog(QObject *parent = nullptr);

    QStringList notices() const { return kept; }
    // The newest notice, empty before the first.
    QString latest() const;

public slots:
    void add(const QString &text);

signals:
    void added(const QString &text);

private:
    QStringList kept;
};
