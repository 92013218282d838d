// RunBar with jobs that fail: the program goes on, the failure is told, nothing of the failed run
// is delivered, and the runs around it still arrive in the order they were started.

#include "data/tddata.h"
#include "processing/runbar.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

#include <new>
#include <stdexcept>

class TestRunBar : public QObject
{
    Q_OBJECT

private slots:
    void failedRunAmongOthers_data()
    {
        QTest::addColumn<int>("shortRunMs");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("notice");
        const QString memory = QStringLiteral("Not enough memory for this run; nothing was added");
        const QString other = QStringLiteral("The run failed (no such thing); nothing was added");
        QTest::newRow("out of memory, beside the event loop") << 0 << "memory" << memory;
        QTest::newRow("out of memory, short runs") << 60000 << "memory" << memory;
        QTest::newRow("other exception, beside the event loop") << 0 << "other" << other;
    }

    void failedRunAmongOthers()
    {
        QFETCH(int, shortRunMs);
        QFETCH(QString, failure);
        QFETCH(QString, notice);
        RunBar bar;
        bar.shortRunMs = shortRunMs;
        QSignalSpy notices(&bar, &RunBar::notice);
        QStringList delivered;
        auto deliver = [&delivered](TDData *d) {
            delivered << d->dataId;
            delete d;
        };
        auto named = [](const QString &id) {
            return [id] {
                auto *d = new TDData(2, 2);
                d->dataId = id;
                return QVector<TDData *>{d};
            };
        };
        bar.start(named(QStringLiteral("first")), deliver);
        bar.start(
            [failure]() -> QVector<TDData *> {
                if (failure == QLatin1String("memory"))
                    throw std::bad_alloc();
                throw std::runtime_error("no such thing");
            },
            deliver);
        bar.start(named(QStringLiteral("last")), deliver);
        QTRY_VERIFY_WITH_TIMEOUT(!bar.busy(), 60000);
        QCOMPARE(delivered, (QStringList{"first", "last"}));
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.first().first().toString(), notice);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(TestRunBar)
#include "tst_runbar.moc"
