#include "display/datactrls.h"

#include "data/tddata.h"
#include "display/datactrl.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QString FocusedStyle = QStringLiteral("background-color: rgb(249, 240, 107);");
const QString NotFocusedStyle = QStringLiteral("background-color: rgb(190, 190, 160);");

using Sels = QVector<bool>;

// A manager with rows added as the main window adds them: row made, dataset attached, added.
class Rows
{
public:
    explicit Rows(int n)
    {
        for (int i = 0; i < n; ++i)
            add();
    }
    ~Rows()
    {
        for (const QPointer<DataCtrl> &row : qAsConst(rows))
            delete row.data();
    }

    DataCtrl *add()
    {
        auto *row = new DataCtrl;
        auto *d = new TDData(8, 6);
        d->dataId = QStringLiteral("d%1").arg(rows.size() + 1);
        row->setData(d);
        manager.addDataCtrl(row);
        rows.append(row);
        return row;
    }

    DataCtrl *operator[](int i) const { return rows.at(i); }
    QTabWidget *tabs() { return manager.imgBase.ui.ImgBaseTab; }

    DataCtrls manager;
    QVector<QPointer<DataCtrl>> rows;
};

// The four vectors of one selsChanged publication.
struct Publication
{
    explicit Publication(const QList<QVariant> &args)
        : s1(args.at(0).value<Sels>()), s2(args.at(1).value<Sels>()), a(args.at(2).value<Sels>()),
          b(args.at(3).value<Sels>())
    {
    }
    Sels s1, s2, a, b;
};

} // namespace

class TestDataCtrls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void numbersAreNeverReused();
    void addingPublishesNothing();
    void addingTwiceIsIgnored();

    void singleSelsAreExclusive_data();
    void singleSelsAreExclusive();
    void multiSelsAnyRows();
    void deletingRepublishes();
    void consumerHelpersStayInside();

    void focusFollowsMouse();
    void crosshairReachesEveryRow();

    void newDisplaysBecomeTabs();
    void displaysWithoutTabbingAreWindows();
    void tabGoesOutAndComesBack();

    void delRemovesRowDisplayAndDataset();
    void rowDestroyedElsewhereIsForgotten();
};

void TestDataCtrls::initTestCase()
{
    qRegisterMetaType<Sels>();
}

void TestDataCtrls::numbersAreNeverReused()
{
    Rows rows(3);
    QCOMPARE(rows.manager.ctrlCounter, 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rows[i]->ui.No->text(), QString::number(i + 1));

    rows[1]->ui.Del->click();
    DataCtrl *fourth = rows.add();
    QCOMPARE(fourth->ui.No->text(), QString("4"));
    QCOMPARE(rows.manager.dataCtrls, QList<DataCtrl *>({rows[0], rows[2], fourth}));
    QCOMPARE(rows.tabs()->tabText(rows.tabs()->indexOf(&fourth->imgDisp)), QString("4"));
}

void TestDataCtrls::addingPublishesNothing()
{
    Rows rows(1);
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    rows.add();
    QCOMPARE(spy.count(), 0);
}

void TestDataCtrls::addingTwiceIsIgnored()
{
    Rows rows(2);
    rows.manager.addDataCtrl(rows[0]);
    rows.manager.addDataCtrl(nullptr);
    QCOMPARE(rows.manager.dataCtrls.size(), 2);
    QCOMPARE(rows.manager.ctrlCounter, 2);
    QCOMPARE(rows.manager.singleSels1Group.buttons().size(), 2);
}

void TestDataCtrls::singleSelsAreExclusive_data()
{
    QTest::addColumn<bool>("second");
    QTest::newRow("S1") << false;
    QTest::newRow("S2") << true;
}

void TestDataCtrls::singleSelsAreExclusive()
{
    QFETCH(bool, second);
    Rows rows(3);
    auto button = [&](int i) -> QAbstractButton * {
        return second ? static_cast<QAbstractButton *>(rows[i]->ui.SingleSel2) : rows[i]->ui.SingleSel1;
    };
    auto picked = [second](const Publication &p) { return second ? p.s2 : p.s1; };
    auto other = [second](const Publication &p) { return second ? p.s1 : p.s2; };
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);

    button(0)->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(picked(Publication(spy.at(0))), Sels({true, false, false}));

    // Moving the choice: the group reports the button that lost the check and the one that
    // gained it, each publishing the vectors as they then stand.
    spy.clear();
    button(1)->click();
    QCOMPARE(spy.count(), 2);
    QVERIFY(!button(0)->isChecked());
    for (const QList<QVariant> &args : qAsConst(spy)) {
        const Publication p(args);
        QCOMPARE(picked(p), Sels({false, true, false}));
        QCOMPARE(other(p), Sels({false, false, false}));
        QCOMPARE(p.a, Sels({false, false, false}));
        QCOMPARE(p.b, Sels({false, false, false}));
    }
    QCOMPARE(second ? rows.manager.selsS2 : rows.manager.selsS1, Sels({false, true, false}));
    QCOMPARE(rows.manager.ctrlOf((second ? rows.manager.singleSels2Group : rows.manager.singleSels1Group).checkedButton()),
             rows[1]);
}

void TestDataCtrls::multiSelsAnyRows()
{
    Rows rows(3);
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    rows[0]->ui.MultiSelA->click();
    rows[2]->ui.MultiSelA->click();
    QCOMPARE(spy.count(), 2);
    const Publication p(spy.last());
    QCOMPARE(p.a, Sels({true, false, true}));
    QCOMPARE(p.s1, Sels({false, false, false}));
    QCOMPARE(p.s2, Sels({false, false, false}));
    QCOMPARE(p.b, Sels({false, false, false}));

    rows[1]->ui.MultiSelB->click();
    QCOMPARE(Publication(spy.last()).b, Sels({false, true, false}));
    rows[0]->ui.MultiSelA->click();
    QCOMPARE(Publication(spy.last()).a, Sels({false, false, true}));
}

void TestDataCtrls::deletingRepublishes()
{
    Rows rows(3);
    rows[1]->ui.SingleSel1->click();
    rows[2]->ui.MultiSelB->click();
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);

    rows[1]->ui.Del->click();
    QCOMPARE(spy.count(), 1);
    const Publication p(spy.last());
    QCOMPARE(p.s1, Sels({false, false}));
    QCOMPARE(p.s2, Sels({false, false}));
    QCOMPARE(p.a, Sels({false, false}));
    QCOMPARE(p.b, Sels({false, true}));
    QCOMPARE(rows.manager.singleSels1Group.buttons().size(), 2);
    QCOMPARE(rows.manager.singleSels2Group.buttons().size(), 2);
    QVERIFY(!rows.manager.singleSels1Group.checkedButton());
}

void TestDataCtrls::consumerHelpersStayInside()
{
    Rows rows(3);
    QCOMPARE(rows.manager.ctrlAt(2), rows[2]);
    QVERIFY(!rows.manager.ctrlAt(3));
    QVERIFY(!rows.manager.ctrlAt(-1));
    // A vector longer than the list (published before a row went) and a shorter one.
    QCOMPARE(rows.manager.selectedCtrls({true, false, true, true, true}), QList<DataCtrl *>({rows[0], rows[2]}));
    QCOMPARE(rows.manager.selectedCtrls({false, true}), QList<DataCtrl *>({rows[1]}));
    QVERIFY(!rows.manager.ctrlOf(nullptr));
    QRadioButton stranger;
    QVERIFY(!rows.manager.ctrlOf(&stranger));
    QCOMPARE(rows.manager.ctrlOf(rows[2]->ui.MultiSelB), rows[2]);
}

void TestDataCtrls::focusFollowsMouse()
{
    Rows rows(3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rows[i]->ui.Stat->styleSheet(), NotFocusedStyle);

    auto moveOver = [](DataCtrl *row) {
        DispA *area = row->imgDisp.ui.ImgDispA;
        const QPoint at(1, 1);
        QMouseEvent e(QEvent::MouseMove, at, area->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &e);
    };
    QSignalSpy focusedA(rows[0], &DataCtrl::focused);
    moveOver(rows[0]);
    moveOver(rows[0]);
    QCOMPARE(focusedA.count(), 1);
    moveOver(rows[1]);
    QCOMPARE(rows[0]->ui.Stat->styleSheet(), NotFocusedStyle);
    QCOMPARE(rows[1]->ui.Stat->styleSheet(), FocusedStyle);
    QCOMPARE(rows[2]->ui.Stat->styleSheet(), NotFocusedStyle);
    QVERIFY(!rows[0]->focusedFlag);
    QVERIFY(rows[1]->focusedFlag);

    moveOver(rows[0]);
    QCOMPARE(rows[0]->ui.Stat->styleSheet(), FocusedStyle);
    QCOMPARE(rows[1]->ui.Stat->styleSheet(), NotFocusedStyle);
    QCOMPARE(focusedA.count(), 2);
}

void TestDataCtrls::crosshairReachesEveryRow()
{
    Rows rows(3);
    emit rows[1]->imgDisp.mMovedWithin(4, 5);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rows[i]->noticedPos, QPoint(4, 5));
    // Outside the data the position still goes to every row; it is just not drawn.
    emit rows[2]->imgDisp.mMovedWithin(-1, 2);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rows[i]->noticedPos, QPoint(-1, 2));
}

void TestDataCtrls::newDisplaysBecomeTabs()
{
    Rows rows(3);
    QCOMPARE(rows.tabs()->count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows.tabs()->widget(i), &rows[i]->imgDisp);
        QCOMPARE(rows.tabs()->tabText(i), QString::number(i + 1));
        QVERIFY(!rows[i]->imgDisp.isWindow());
    }
    QCOMPARE(rows.tabs()->currentWidget(), &rows[2]->imgDisp);
    QVERIFY(rows.manager.imgBase.isVisible());
}

void TestDataCtrls::displaysWithoutTabbingAreWindows()
{
    Rows rows(1);
    rows.manager.inTab(false);
    rows.manager.imgBase.hide();
    DataCtrl *row = rows.add();
    QVERIFY(row->imgDisp.isWindow());
    QVERIFY(row->imgDisp.isVisible());
    QCOMPARE(rows.tabs()->indexOf(&row->imgDisp), -1);
    QVERIFY(!rows.manager.imgBase.isVisible());

    rows.manager.showImgBase();
    QVERIFY(rows.manager.imgBase.isVisible());
    rows.manager.imgBase.hide();
    rows.manager.inTab(true);
    QVERIFY(rows.manager.tabbing);
    QVERIFY(rows.manager.imgBase.isVisible());

    // Closing the free window brings the display into the tabs, whatever the tabbing.
    rows.manager.inTab(false);
    row->imgDisp.close();
    QVERIFY(!row->ui.Show->isChecked());
    QCOMPARE(rows.tabs()->tabText(rows.tabs()->indexOf(&row->imgDisp)), QString("2"));
}

void TestDataCtrls::tabGoesOutAndComesBack()
{
    Rows rows(3);
    ImgDisp *disp = &rows[2]->imgDisp;
    rows.tabs()->setCurrentIndex(0);

    QTest::ignoreMessage(QtDebugMsg, "close Tab");
    emit rows.tabs()->tabCloseRequested(rows.tabs()->indexOf(disp));
    QCOMPARE(rows.tabs()->count(), 2);
    QVERIFY(disp->isWindow());
    QVERIFY(disp->isVisible());
    QVERIFY(rows[2]->ui.Show->isChecked());

    disp->close();
    QVERIFY(!rows[2]->ui.Show->isChecked());
    QCOMPARE(rows.tabs()->count(), 3);
    QVERIFY(!disp->isWindow());
    QCOMPARE(rows.tabs()->tabText(rows.tabs()->indexOf(disp)), QString("3"));
    QCOMPARE(rows.tabs()->currentWidget(), disp);

    // Coming back twice never gives the display a second page.
    emit rows[2]->comeMeBackToTab();
    QCOMPARE(rows.tabs()->count(), 3);
}

void TestDataCtrls::delRemovesRowDisplayAndDataset()
{
    Rows rows(2);
    QPointer<DataCtrl> row = rows[0];
    QPointer<ImgDisp> disp = &row->imgDisp;
    QPointer<TDData> data = row->data(false);

    row->ui.Del->click();
    QCOMPARE(rows.manager.dataCtrls, QList<DataCtrl *>({rows[1]}));
    // Released later: still usable by whoever is handling the click.
    QVERIFY(row);
    QVERIFY(data);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!row);
    QVERIFY(!disp);
    QCOMPARE(rows.tabs()->count(), 1);
    QTRY_VERIFY(!data);

    // A stray deleteMe from something that is not a managed row changes nothing.
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    DataCtrl stranger;
    connect(&stranger, SIGNAL(deleteMe()), &rows.manager, SLOT(deleteAnDC()));
    stranger.ui.Del->click();
    QCOMPARE(rows.manager.dataCtrls.size(), 1);
    QCOMPARE(spy.count(), 0);
}

void TestDataCtrls::rowDestroyedElsewhereIsForgotten()
{
    Rows rows(3);
    delete rows[1];
    QCOMPARE(rows.manager.dataCtrls, QList<DataCtrl *>({rows[0], rows[2]}));
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    rows[2]->ui.MultiSelA->click();
    QCOMPARE(Publication(spy.last()).a, Sels({false, true}));
    QCOMPARE(rows.tabs()->count(), 2);
}

QTEST_MAIN(TestDataCtrls)
#include "tst_datactrls.moc"
