#include "display/imgbase.h"

#include <QPointer>
#include <QtTest>

class TestImgBase : public QObject
{
    Q_OBJECT

private slots:
    void startsWithoutTabs();
    void addedPagesKeepTheirLabels();
    void closingATabFreesThePage();
    void closingAnInvalidTabDoesNothing();
    void destructionLeavesPagesAlive();
};

void TestImgBase::startsWithoutTabs()
{
    ImgBase base;
    QCOMPARE(base.windowTitle(), QString("Quelvo Image Base"));
    QCOMPARE(base.ui.ImgBaseTab->count(), 0);
    QVERIFY(base.ui.ImgBaseTab->tabsClosable());
    QVERIFY(base.ui.ImgBaseTab->isMovable());
    QVERIFY(!base.findChild<QWidget *>("tab"));
    QVERIFY(!base.findChild<QWidget *>("tab_2"));
}

void TestImgBase::addedPagesKeepTheirLabels()
{
    ImgBase base;
    QWidget one, three;
    base.ui.ImgBaseTab->addTab(&one, "1");
    base.ui.ImgBaseTab->addTab(&three, "3");
    base.ui.ImgBaseTab->setCurrentWidget(&three);
    QCOMPARE(base.ui.ImgBaseTab->count(), 2);
    QCOMPARE(base.ui.ImgBaseTab->tabText(0), QString("1"));
    QCOMPARE(base.ui.ImgBaseTab->tabText(1), QString("3"));
    QCOMPARE(base.ui.ImgBaseTab->currentWidget(), &three);
}

void TestImgBase::closingATabFreesThePage()
{
    ImgBase base;
    base.show();
    QVERIFY(QTest::qWaitForWindowExposed(&base));
    QWidget one, two;
    base.ui.ImgBaseTab->addTab(&one, "1");
    base.ui.ImgBaseTab->addTab(&two, "2");

    QTest::ignoreMessage(QtDebugMsg, "close Tab");
    emit base.ui.ImgBaseTab->tabCloseRequested(0);

    QCOMPARE(base.ui.ImgBaseTab->count(), 1);
    QCOMPARE(base.ui.ImgBaseTab->tabText(0), QString("2"));
    QVERIFY(one.isWindow());
    QVERIFY(one.isVisible());
    QVERIFY(!one.parentWidget());
    QVERIFY(!two.isWindow());
}

void TestImgBase::closingAnInvalidTabDoesNothing()
{
    ImgBase base;
    QWidget one;
    base.ui.ImgBaseTab->addTab(&one, "1");
    QTest::ignoreMessage(QtDebugMsg, "close Tab");
    base.closeTab(5);
    QCOMPARE(base.ui.ImgBaseTab->count(), 1);
    QVERIFY(!one.isWindow());
}

void TestImgBase::destructionLeavesPagesAlive()
{
    auto *page = new QWidget;
    QPointer<QWidget> guard(page);
    {
        ImgBase base;
        base.ui.ImgBaseTab->addTab(page, "1");
    }
    QVERIFY(guard);
    QVERIFY(!page->parentWidget());
    delete page;
}

QTEST_MAIN(TestImgBase)
#include "tst_imgbase.moc"
