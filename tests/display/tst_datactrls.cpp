#include "display/datactrls.h"

#include "data/tddata.h"
#include "display/datactrl.h"
#include "displaytesttools.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString FocusedStyle = QStringLiteral("background-color: rgb(249, 240, 107);");
const QString NotFocusedStyle = QStringLiteral("background-color: rgb(190, 190, 160);");

using Sels = QVector<bool>;
enum Vector { S1, S2, A, B };

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
    QString tabLabel(DataCtrl *row) { return tabs()->tabText(tabs()->indexOf(&row->imgDisp)); }

    DataCtrls manager;
    QVector<QPointer<DataCtrl>> rows;
};

// One of the four vectors of a selsChanged publication.
Sels published(const QList<QVariant> &args, Vector v)
{
    return args.at(v).value<Sels>();
}

void moveOver(DataCtrl *row)
{
    sendMouse(row->imgDisp.ui.ImgDispA, QEvent::MouseMove, QPointF(1, 1));
}

} // namespace

class TestDataCtrls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<Sels>(); }

    void numbersAndTabs();
    void singleSelsAreExclusive_data();
    void singleSelsAreExclusive();
    void multiSelsAndDeleteRepublishes();
    void consumerHelpersStayInside();

    void focusFollowsMouse();
    void crosshairReachesEveryRow();

    void displaysWithoutTabbingAreWindows();
    void tabGoesOutAndComesBack();
    void delRemovesRowDisplayAndDataset();
};

void TestDataCtrls::numbersAndTabs()
{
    Rows rows(3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i]->ui.No->text(), QString::number(i + 1));
        QCOMPARE(rows.tabs()->widget(i), &rows[i]->imgDisp);
        QCOMPARE(rows.tabLabel(rows[i]), QString::number(i + 1));
    }
    QCOMPARE(rows.tabs()->currentWidget(), &rows[2]->imgDisp);

    // Adding again is ignored; adding publishes nothing; numbers are never reused.
    rows.manager.addDataCtrl(rows[0]);
    rows.manager.addDataCtrl(nullptr);
    QCOMPARE(rows.manager.singleSels1Group.buttons().size(), 3);
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    rows[1]->ui.Del->click();
    DataCtrl *fourth = rows.add();
    QCOMPARE(spy.count(), 1); // the delete only
    QCOMPARE(fourth->ui.No->text(), QString("4"));
    QCOMPARE(rows.manager.dataCtrls, QList<DataCtrl *>({rows[0], rows[2], fourth}));
    QCOMPARE(rows.tabLabel(fourth), QString("4"));
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
    const Vector picked = second ? S2 : S1;
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);

    button(0)->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(published(spy.at(0), picked), Sels({true, false, false}));

    // Moving the choice: the button that lost the check and the one that gained it each publish
    // the vectors as they then stand.
    spy.clear();
    button(1)->click();
    QCOMPARE(spy.count(), 2);
    QVERIFY(!button(0)->isChecked());
    for (const QList<QVariant> &args : qAsConst(spy)) {
        for (Vector v : {S1, S2, A, B})
            QCOMPARE(published(args, v), v == picked ? Sels({false, true, false}) : Sels(3, false));
    }
    QCOMPARE(second ? rows.manager.selsS2 : rows.manager.selsS1, Sels({false, true, false}));
}

void TestDataCtrls::multiSelsAndDeleteRepublishes()
{
    Rows rows(3);
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    rows[0]->ui.MultiSelA->click();
    rows[2]->ui.MultiSelA->click();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(published(spy.last(), A), Sels({true, false, true}));
    QCOMPARE(published(spy.last(), S1), Sels(3, false));
    rows[1]->ui.MultiSelB->click();
    QCOMPARE(published(spy.last(), B), Sels({false, true, false}));

    // Consumers never see a deleted row.
    rows[1]->ui.SingleSel1->click();
    spy.clear();
    rows[1]->ui.Del->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(published(spy.last(), S1), Sels(2, false));
    QCOMPARE(published(spy.last(), A), Sels({true, true}));
    QCOMPARE(published(spy.last(), B), Sels(2, false));
    QCOMPARE(rows.manager.singleSels1Group.buttons().size(), 2);
    QVERIFY(!rows.manager.singleSels1Group.checkedButton());

    // A row destroyed elsewhere is forgotten too.
    delete rows[0];
    rows[2]->ui.MultiSelA->click();
    QCOMPARE(published(spy.last(), A), Sels({false}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(rows.tabs()->count(), 1);
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
    QSignalSpy focusedA(rows[0], &DataCtrl::focused);
    moveOver(rows[0]);
    moveOver(rows[0]);
    QCOMPARE(focusedA.count(), 1);
    moveOver(rows[1]);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i]->ui.Stat->styleSheet(), i == 1 ? FocusedStyle : NotFocusedStyle);
        QCOMPARE(rows[i]->focusedFlag, i == 1);
    }
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

void TestDataCtrls::displaysWithoutTabbingAreWindows()
{
    Rows rows(1);
    rows.manager.inTab(false);
    rows.manager.imgBase.hide();
    DataCtrl *row = rows.add();
    QVERIFY(row->imgDisp.isWindow() && row->imgDisp.isVisible());
    QCOMPARE(rows.tabs()->indexOf(&row->imgDisp), -1);
    QVERIFY(!rows.manager.imgBase.isVisible());

    // Closing the free window brings the display into the tabs, whatever the tabbing.
    row->imgDisp.close();
    QVERIFY(!row->ui.Show->isChecked());
    QCOMPARE(rows.tabLabel(row), QString("2"));
}

void TestDataCtrls::tabGoesOutAndComesBack()
{
    Rows rows(3);
    ImgDisp *disp = &rows[2]->imgDisp;
    rows.tabs()->setCurrentIndex(0);

    QTest::ignoreMessage(QtDebugMsg, "close Tab");
    emit rows.tabs()->tabCloseRequested(rows.tabs()->indexOf(disp));
    QCOMPARE(rows.tabs()->count(), 2);
    QVERIFY(disp->isWindow() && disp->isVisible());
    QVERIFY(rows[2]->ui.Show->isChecked());

    disp->close();
    QVERIFY(!rows[2]->ui.Show->isChecked());
    QVERIFY(!disp->isWindow());
    QCOMPARE(rows.tabLabel(rows[2]), QString("3"));
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
    QVERIFY(row && data);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!row && !disp);
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

QTEST_MAIN(TestDataCtrls)
#include "tst_datactrls.moc"
