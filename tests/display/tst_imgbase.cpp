#include "display/imgbase.h"

#include <QPointer>
#include <QtTest>

class TestImgBase : public QObject
{
    Q_OBJECT

private slots:
    void closingATabFreesThePage();
    void badIndexAndDestruction();
};

void TestImgBase::closingATabFreesThePage()
{
    ImgBase base;
    QTabWidget *tabs = base.ui.ImgBaseTab;
    QCOMPARE(tabs->count(), 0); // the form's placeholder pages are gone
    QVERIFY(tabs->tabsClosable() && tabs->isMovable());
    base.show();
    QVERIFY(QTest::qWaitForWindowExposed(&base));
    QWidget one, two;
    tabs->addTab(&one, "1");
    tabs->addTab(&two, "2");

    QTest::ignoreMessage(QtDebugMsg, "close Tab");
    emit tabs->tabCloseRequested(0);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QString("2"));
    QVERIFY(one.isWindow() && one.isVisible());
    QVERIFY(!one.parentWidget());
    QVERIFY(!two.isWindow());
}

void TestImgBase::badIndexAndDestruction()
{
    auto *page = new QWidget;
    QPointer<QWidget> guard(page);
    {
        ImgBase base;
        base.ui.ImgBaseTab->addTab(page, "1");
        QTest::ignoreMessage(QtDebugMsg, "close Tab");
        base.closeTab(5);
        QCOMPARE(base.ui.ImgBaseTab->count(), 1);
        QVERIFY(!page->isWindow());
    }
    // The pages belong to their rows, not to the tab window.
    QVERIFY(guard);
    QVERIFY(!page->parentWidget());
    delete page;
}

QTEST_MAIN(TestImgBase)
#include "tst_imgbase.moc"
