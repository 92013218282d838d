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
        QTest::newRow("empty") << "" << "" << "" << QString();
        QTest::newRow("leading spaces, two kept in rest") << "  abc  def" << "abc" << "  def" << QString();
        QTest::newRow("quoted") << "\"a b\"c" << "a b" << "c" << QString();
        QTest::newRow("quote inside item") << "a\"b c" << "a\"b" << " c" << QString();
        QTest::newRow("no-break space") << QString::fromUtf8("ab\u00a0cd") << "ab" << QString::fromUtf8("\u00a0cd")
                                        << QString();
        QTest::newRow("ideographic space") << QString::fromUtf8("\u3000ab\u3000cd") << "ab"
                                           << QString::fromUtf8("\u3000cd") << QString();
        QTest::newRow("quote never closed") << "  \"abc def" << "abc def" << "" << unclosed.arg("  \"abc def");
        QTest::newRow("unquoted ends in quote, more text") << "abc\" def" << "abc\"" << " def" << unopened.arg("abc\" def");
        QTest::newRow("percent sign in line") << "%1\"" << "%1\"" << "" << unopened.arg("%1\"");
    }

    void takeFirstItem()
    {
        QFETCH(QString, line);
        QFETCH(QString, item);
        QFETCH(QString, rest);
        QFETCH(QString, message);
        if (!message.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
        QString got = "stale";
        QCOMPARE(::takeFirstItem(line, &got), rest);
        QCOMPARE(got, item);
    }

    void splitComment_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("comment");
        QTest::newRow("no hash") << "no comment" << "no comment" << "untouched";
        QTest::newRow("hash first") << "#all" << "" << "all";
        QTest::newRow("hash in double quotes") << "k \"a#b\" # c" << "k \"a#b\" " << " c";
        QTest::newRow("hash in single quotes") << "k 'a#b'#c" << "k 'a#b'" << "c";
        QTest::newRow("unclosed quote hides hash") << "k \"a#b" << "k \"a#b" << "untouched";
    }

    void splitComment()
    {
        QFETCH(QString, line);
        QFETCH(QString, before);
        QFETCH(QString, comment);
        QString got = "untouched";
        QCOMPARE(::splitComment(line, &got), before);
        QCOMPARE(got, comment);
        QCOMPARE(removeComment(line), before);
    }

    void isBlank()
    {
        for (const QString &blank : {QString(), QString(" \t "), QString("   # x y"), QString::fromUtf8("\u3000\u00a0")})
            QVERIFY2(::isBlank(blank), qPrintable(blank));
        QVERIFY(!::isBlank(" a # x"));
        QVERIFY(!::isBlank("\"#\""));  // a quoted hash starts no comment
    }

    void itemsAfter_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("trailing space gives empty item") << "KEY a b " << "KEY" << QStringList({"a", "b", ""});
        QTest::newRow("nothing after key") << "KEY" << "KEY" << QStringList();
        QTest::newRow("key length only, not content") << "abcd e" << "XYZ" << QStringList({"d", "e"});
        QTest::newRow("key longer than line") << "ab" << "abcd" << QStringList();
    }

    void itemsAfter()
    {
        QFETCH(QString, line);
        QFETCH(QString, key);
        QFETCH(QStringList, items);
        QCOMPARE(::itemsAfter(line, key), items);
    }

    void keyItems_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("minCount");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("enough items") << "INCLUDE a b" << 2 << true << QStringList({"a", "b"});
        QTest::newRow("too few items") << "INCLUDE a" << 2 << false << QStringList({"a"});
        QTest::newRow("trailing space counts") << "INCLUDE a " << 2 << true << QStringList({"a", ""});
        QTest::newRow("case-sensitive") << "include a" << 1 << false << QStringList({"old"});
        QTest::newRow("key after leading spaces") << "  INCLUDE a" << 1 << false << QStringList({"old"});
    }

    void keyItems()
    {
        QFETCH(QString, line);
        QFETCH(int, minCount);
        QFETCH(bool, result);
        QFETCH(QStringList, items);
        QStringList got = {"old"};
        QCOMPARE(::keyItems(line, &got, minCount, "INCLUDE"), result);
        QCOMPARE(got, items);
        // The key matched exactly when keyItems filled the list.
        QCOMPARE(startsWithKey(line, "INCLUDE"), result || items != QStringList({"old"}));
    }
};

QTEST_GUILESS_MAIN(TestTextItems)
#include "tst_textitems.moc"
