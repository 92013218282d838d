#include "data/textitems.h"

#include <QtTest>

class TestTextItems : public QObject
{
    Q_OBJECT

private slots:
    void takeFirstItem_data();
    void takeFirstItem();
    void quotingDiagnostics_data();
    void quotingDiagnostics();
    void wholeLineCut();
    void splitComment_data();
    void splitComment();
    void commentUntouchedWithoutHash();
    void isBlank_data();
    void isBlank();
    void itemsAfter_data();
    void itemsAfter();
    void keyItems_data();
    void keyItems();
    void startsWithKeySkipsNothing();
};

void TestTextItems::takeFirstItem_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("rest");

    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("only spaces") << " \t  " << "" << "";
    QTest::newRow("leading spaces") << "  abc def" << "abc" << " def";
    QTest::newRow("single item") << "abc" << "abc" << "";
    QTest::newRow("item then tab") << "abc\tdef" << "abc" << "\tdef";
    QTest::newRow("two spaces kept in rest") << "abc  def" << "abc" << "  def";
    QTest::newRow("quoted") << "\"a b\"c" << "a b" << "c";
    QTest::newRow("quoted then space") << " \"a b\" c" << "a b" << " c";
    QTest::newRow("empty quotes") << "\"\" x" << "" << " x";
    QTest::newRow("quote inside item") << "a\"b c" << "a\"b" << " c";
    QTest::newRow("no-break space") << QString::fromUtf8("ab\u00a0cd") << "ab" << QString::fromUtf8("\u00a0cd");
    QTest::newRow("ideographic space") << QString::fromUtf8("\u3000ab\u3000cd") << "ab" << QString::fromUtf8("\u3000cd");
    QTest::newRow("em space") << QString::fromUtf8("ab\u2003cd") << "ab" << QString::fromUtf8("\u2003cd");
    QTest::newRow("vertical tab and form feed") << "\v\fab\vcd" << "ab" << "\vcd";
    QTest::newRow("line break") << "ab\ncd" << "ab" << "\ncd";
}

void TestTextItems::takeFirstItem()
{
    QFETCH(QString, line);
    QFETCH(QString, item);
    QFETCH(QString, rest);

    QString got = "stale";
    QCOMPARE(::takeFirstItem(line, &got), rest);
    QCOMPARE(got, item);
}

void TestTextItems::quotingDiagnostics_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<QString>("message");

    const QString unclosed = "In a line [%1] item is started from quote but not ended by quote";
    const QString unopened = "In a line [%1] item is started from not quote but ended by quote";
    QTest::newRow("quote never closed") << "  \"abc def" << "abc def" << "" << unclosed.arg("  \"abc def");
    QTest::newRow("lone quote") << "\"" << "" << "" << unclosed.arg("\"");
    QTest::newRow("unquoted ends in quote, more text") << "abc\" def" << "abc\"" << " def" << unopened.arg("abc\" def");
    QTest::newRow("unquoted ends in quote, last") << "x abc\"" << "x" << " abc\"" << QString();
    QTest::newRow("unquoted ends in quote, alone") << "abc\"" << "abc\"" << "" << unopened.arg("abc\"");
    QTest::newRow("percent sign in line") << "%1\"" << "%1\"" << "" << unopened.arg("%1\"");
}

void TestTextItems::quotingDiagnostics()
{
    QFETCH(QString, line);
    QFETCH(QString, item);
    QFETCH(QString, rest);
    QFETCH(QString, message);

    if (!message.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
    QString got;
    QCOMPARE(::takeFirstItem(line, &got), rest);
    QCOMPARE(got, item);
}

void TestTextItems::wholeLineCut()
{
    // The usual loop over a line: keep taking items until the rest is empty.
    QString rest = "  key \"two words\" 3.5\t\"\"";
    QStringList items;
    while (!rest.isEmpty()) {
        QString item;
        rest = ::takeFirstItem(rest, &item);
        items << item;
    }
    QCOMPARE(items, QStringList({"key", "two words", "3.5", ""}));
}

void TestTextItems::splitComment_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("comment");

    QTest::newRow("plain comment") << "a b # note" << "a b " << " note";
    QTest::newRow("hash first") << "#all" << "" << "all";
    QTest::newRow("hash at end") << "abc#" << "abc" << "";
    QTest::newRow("second hash in comment") << "a#b#c" << "a" << "b#c";
    QTest::newRow("hash in double quotes") << "k \"a#b\" # c" << "k \"a#b\" " << " c";
    QTest::newRow("hash in single quotes") << "k 'a#b'#c" << "k 'a#b'" << "c";
    QTest::newRow("single closed by double") << "k 'a\"#b" << "k 'a\"" << "b";
    QTest::newRow("unclosed quote hides hash") << "k \"a#b" << "k \"a#b" << "untouched";
}

void TestTextItems::splitComment()
{
    QFETCH(QString, line);
    QFETCH(QString, before);
    QFETCH(QString, comment);

    QString got = "untouched";
    QCOMPARE(::splitComment(line, &got), before);
    QCOMPARE(got, comment);
    QCOMPARE(removeComment(line), before);
}

void TestTextItems::commentUntouchedWithoutHash()
{
    QString comment = "keep";
    QCOMPARE(::splitComment("no comment here", &comment), QString("no comment here"));
    QCOMPARE(comment, QString("keep"));
}

void TestTextItems::isBlank_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("blank");

    QTest::newRow("empty") << "" << true;
    QTest::newRow("spaces and tabs") << " \t " << true;
    QTest::newRow("only comment") << "   # x y" << true;
    QTest::newRow("unicode spaces") << QString::fromUtf8("\u3000\u00a0") << true;
    QTest::newRow("item") << " a # x" << false;
    QTest::newRow("quoted hash is no comment") << "\"#\"" << false;
}

void TestTextItems::isBlank()
{
    QFETCH(QString, line);
    QFETCH(bool, blank);
    QCOMPARE(::isBlank(line), blank);
}

void TestTextItems::itemsAfter_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("trailing space gives empty item") << "KEY a b " << "KEY" << QStringList({"a", "b", ""});
    QTest::newRow("no trailing space") << "KEY a b" << "KEY" << QStringList({"a", "b"});
    QTest::newRow("nothing after key") << "KEY" << "KEY" << QStringList();
    QTest::newRow("key length only, not content") << "abcd e" << "XYZ" << QStringList({"d", "e"});
    QTest::newRow("quoted item") << "-d \"my dir\" x" << "-d" << QStringList({"my dir", "x"});
    QTest::newRow("key longer than line") << "ab" << "abcd" << QStringList();
}

void TestTextItems::itemsAfter()
{
    QFETCH(QString, line);
    QFETCH(QString, key);
    QFETCH(QStringList, items);
    QCOMPARE(::itemsAfter(line, key), items);
}

void TestTextItems::keyItems_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("minCount");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("enough items") << "INCLUDE a b" << "INCLUDE" << 2 << true << QStringList({"a", "b"});
    QTest::newRow("too few items") << "INCLUDE a" << "INCLUDE" << 2 << false << QStringList({"a"});
    QTest::newRow("zero needed") << "INCLUDE" << "INCLUDE" << 0 << true << QStringList();
    QTest::newRow("trailing space counts") << "INCLUDE a " << "INCLUDE" << 2 << true << QStringList({"a", ""});
    QTest::newRow("case-sensitive") << "include a" << "INCLUDE" << 1 << false << QStringList({"old"});
    QTest::newRow("key after leading spaces") << "  INCLUDE a" << "INCLUDE" << 1 << false << QStringList({"old"});
}

void TestTextItems::keyItems()
{
    QFETCH(QString, line);
    QFETCH(QString, key);
    QFETCH(int, minCount);
    QFETCH(bool, result);
    QFETCH(QStringList, items);

    QStringList got = {"old"};
    QCOMPARE(::keyItems(line, &got, minCount, key), result);
    QCOMPARE(got, items);
}

void TestTextItems::startsWithKeySkipsNothing()
{
    QVERIFY(startsWithKey("KEY", "KEY"));
    QVERIFY(!startsWithKey("KE", "KEY"));
    QVERIFY(!startsWithKey(" KEY", "KEY"));
    QVERIFY(startsWithKey("anything", ""));
}

QTEST_GUILESS_MAIN(TestTextItems)
#include "tst_textitems.moc"
