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
    void numbersTabsAndDelete();
    void singleSelsAreExclusive();
    void selectionHelpersAndDelete();
    void focusAndCrosshair();
    void tabsAndFreeWindows();
};

void TestDataCtrls::numbersTabsAndDelete()
{
    Rows rows(3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i]->ui.No->text(), QString::number(i + 1));
        QCOMPARE(rows.tabs()->widget(i), &rows[i]->imgDisp);
        QCOMPARE(rows.tabLabel(rows[i]), QString::number(i + 1));
    }
    QCOMPARE(rows.tabs()->currentWidget(), &rows[2]->imgDisp);
    // Adding again or adding null is ignored.
    rows.manager.addDataCtrl(rows[0]);
    rows.manager.addDataCtrl(nullptr);
    QCOMPARE(rows.manager.singleSels1Group.buttons().size(), 3);

    // Del releases row, display and dataset later: still usable by whoever handles the click.
    QPointer<DataCtrl> row = rows[1];
    QPointer<ImgDisp> disp = &row->imgDisp;
    QPointer<TDData> data = row->data(false);
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    row->ui.Del->click();
    QVERIFY(row && data);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!row && !disp);
    QCOMPARE(rows.tabs()->count(), 2);
    QTRY_VERIFY(!data);

    // Adding publishes nothing; numbers are never reused.
    DataCtrl *fourth = rows.add();
    QCOMPARE(spy.count(), 1); // the delete only
    QCOMPARE(rows.manager.dataCtrls, QList<DataCtrl *>({rows[0], rows[2], fourth}));
    QCOMPARE(rows.tabLabel(fourth), QString("4"));

    // A stray deleteMe from something that is not a managed row changes nothing.
    DataCtrl stranger;
    connect(&stranger, SIGNAL(deleteMe()), &rows.manager, SLOT(deleteAnDC()));
    stranger.ui.Del->click();
    QCOMPARE(rows.manager.dataCtrls.size(), 3);
    QCOMPARE(spy.count(), 1);
}

void TestDataCtrls::singleSelsAreExclusive()
{
    Rows rows(3);
    QSignalSpy spy(&rows.manager, &DataCtrls::selsChanged);
    rows[0]->ui.SingleSel1->click();
    rows[1]->ui.SingleSel2->click();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(published(spy.at(0), S1), Sels({true, false, false}));
    QCOMPARE(published(spy.at(1), S2), Sels({false, true, false}));

    // Moving a choice: the button that lost the check and the one that gained it each publish
    // the vectors as they then stand; the other group stays as it was.
    spy.clear();
    rows[2]->ui.SingleSel1->click();
    QCOMPARE(spy.count(), 2);
    QVERIFY(!rows[0]->ui.SingleSel1->isChecked());
    for (const QList<QVariant> &args : qAsConst(spy)) {
        QCOMPARE(published(args, S1), Sels({false, false, true}));
        QCOMPARE(published(args, S2), Sels({false, true, false}));
        QCOMPARE(published(args, A), Sels(3, false));
    }
    rows[0]->ui.SingleSel2->click();
    QVERIFY(!rows[1]->ui.SingleSel2->isChecked());
    QCOMPARE(rows.manager.selsS2, Sels({true, false, false}));
}

void TestDataCtrls::selectionHelpersAndDelete()
{
    Rows rows(3);
    // The helpers consumers use never index past the row list or a vector.
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

void TestDataCtrls::focusAndCrosshair()
{
    Rows rows(3);
    QSignalSpy focusedA(rows[0], &DataCtrl::focused);
    moveOver(rows[0]);
    moveOver(rows[0]);
    QCOMPARE(focusedA.count(), 1);
    moveOver(rows[1]);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rows[i]->ui.Stat->styleSheet(), i == 1 ? FocusedStyle : NotFocusedStyle);

    // The crosshair goes to every row, also outside the data (where it is just not drawn).
    emit rows[2]->imgDisp.mMovedWithin(-1, 2);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rows[i]->noticedPos, QPoint(-1, 2));
    QCOMPARE(rows[2]->ui.Stat->styleSheet(), FocusedStyle);
    QCOMPARE(rows[1]->ui.Stat->styleSheet(), NotFocusedStyle);
}

void TestDataCtrls::tabsAndFreeWindows()
{
    Rows rows(2);
    ImgDisp *disp = &rows[1]->imgDisp;
    rows.tabs()->setCurrentIndex(0);

    QTest::ignoreMessage(QtDebugMsg, "close Tab");
    emit rows.tabs()->tabCloseRequested(1);
    QVERIFY(disp->isWindow() && disp->isVisible());
    QVERIFY(rows[1]->ui.Show->isChecked());

    // Closing the free window brings the display back as the current tab, once only.
    disp->close();
    QVERIFY(!rows[1]->ui.Show->isChecked());
    QVERIFY(!disp->isWindow());
    QCOMPARE(rows.tabLabel(rows[1]), QString("2"));
    QCOMPARE(rows.tabs()->currentWidget(), disp);
    emit rows[1]->comeMeBackToTab();
    QCOMPARE(rows.tabs()->count(), 2);

    // Without tabbing new displays are windows; closing one still brings it into the tabs.
    rows.manager.inTab(false);
    rows.manager.imgBase.hide();
    DataCtrl *row = rows.add();
    QVERIFY(row->imgDisp.isWindow() && row->imgDisp.isVisible());
    QCOMPARE(rows.tabs()->indexOf(&row->imgDisp), -1);
    QVERIFY(!rows.manager.imgBase.isVisible());
    row->imgDisp.close();
    QCOMPARE(rows.tabLabel(row), QString("3"));
}

QTEST_MAIN(TestDataCtrls)
#include "tst_datactrls.moc"
