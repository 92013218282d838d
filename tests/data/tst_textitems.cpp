#include "data/textitems.h"

#include <QtTest>

class TestTextItems : public QObject
{
    Q_OBJECT

private slots:
    void takeFirstItem_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("rest");
        QTest::addColumn<QString>("message");

        const QString unclosed = "In a line [%1] item is started from quote but not ended by quote";
        const QString unopened = "In a line [%1] item is started from not quote but ended by quote";
        QTest::newRow("leading spaces, two kept in rest") << "  abc  def" << "abc" << "  def" << QString();
        QTest::newRow("quoted") << "\"a b\"c" << "a b" << "c" << QString();
        QTest::newRow("ideographic space") << QString::fromUtf8("\u3000ab\u3000cd") << "ab"
                                           << QString::fromUtf8("\u3000cd") << QString();
        QTest::newRow("quote never closed") << "  \"abc def" << "abc def" << "" << unclosed.arg("  \"abc def");
        QTest::newRow("percent sign in line") << "%1\"" << "%1\"" << "" << unopened.arg("%1\"");
    }

    void takeFirstItem()
    {
        QFETCH(QString, line);
        QFETCH(QString, message);
        if (!message.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
        QString got = "stale";
        QTEST(::takeFirstItem(line, &got), "rest");
        QTEST(got, "item");
    }

    void splitComment_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("comment");
        QTest::newRow("no hash") << "no comment" << "no comment" << "untouched";
        QTest::newRow("hash in double quotes") << "k \"a#b\" # c" << "k \"a#b\" " << " c";
        QTest::newRow("hash in single quotes") << "k 'a#b'#c" << "k 'a#b'" << "c";
        QTest::newRow("unclosed quote hides hash") << "k \"a#b" << "k \"a#b" << "untouched";
    }

    void splitComment()
    {
        QFETCH(QString, line);
        QFETCH(QString, before);
        QString got = "untouched";
        QCOMPARE(::splitComment(line, &got), before);
        QTEST(got, "comment");
        QCOMPARE(removeComment(line), before);
    }

    void itemsAfter_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("trailing space gives empty item") << "KEY a b " << "KEY" << QStringList({"a", "b", ""});
        QTest::newRow("key length only, not content") << "abcd e" << "XYZ" << QStringList({"d", "e"});
        QTest::newRow("key longer than line") << "ab" << "abcd" << QStringList();
    }

    void itemsAfter()
    {
        QFETCH(QString, line);
        QFETCH(QString, key);
        QTEST(::itemsAfter(line, key), "items");
    }

    void keyItems()
    {
        QStringList items{"untouched"};
        // The key must stand at the very start; a refused line leaves the list as it was.
        QVERIFY(!::keyItems("  KEY a b", &items, 0, "KEY"));
        QVERIFY(!::keyItems("key a b", &items, 0, "KEY"));
        QCOMPARE(items, QStringList{"untouched"});
        QVERIFY(::keyItems("KEY a b", &items, 2, "KEY"));
        QCOMPARE(items, QStringList({"a", "b"}));
        QVERIFY(!::keyItems("KEY a", &items, 2, "KEY"));
    }
};

QTEST_GUILESS_MAIN(TestTextItems)
#include "tst_textitems.moc"
