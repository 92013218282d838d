#include "app/body.h"

#include "app/startup.h"
#include "data/tddata.h"
#include "display/datactrl.h"
#include "display/imgdisp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

namespace {

// Records, for every queued call delivered to the watched object, how many rows existed then.
class TurnWatcher : public QObject
{
public:
    TurnWatcher(Body *body)
        : body(body)
    {
        body->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::MetaCall)
            rowsAtTurn << body->ctrls.dataCtrls.size();
        return false;
    }

    Body *body;
    QVector<int> rowsAtTurn;
};

// A w x h dataset named id whose pixel (x, y) holds base + x + 10 y.
TDData *grid(const QString &id, int w, int h, double base = 0.0)
{
    auto *d = new TDData(w, h);
    d->dataId = id;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            d->setValue(x, y, base + x + 10.0 * y);
    }
    return d;
}

void addDataset(Body *body, TDData *d)
{
    QVERIFY(QMetaObject::invokeMethod(body, "calculatedData", Q_ARG(TDData *, d)));
}

// "number name" of every row.
QStringList rows(const Body &body)
{
    QStringList names;
    for (const DataCtrl *c : body.ctrls.dataCtrls)
        names << c->ui.No->text() + ' ' + c->ui.FName->text();
    return names;
}

// Lets every queued load run.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

// The main window: loading through the dialog, adding datasets, saving, and its window switches.
class TstBody : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void startsInTheDataRoot();
    void filesLoadInDialogOrderOneTurnEach();
    void unreadableFileLeavesTheListUnchanged();
    void emptyGridIsAddedAsARow();
    void panelResultsJoinTheList();
    void singleSaveUsesTheNameAsAccepted();
    void multiSaveNames_data();
    void multiSaveNames();
    void multiSaveKeepsDatasetsWithEqualNames();
    void greyDefaultOnlyForLaterWindows();
    void inTabDecidesWhereImagesOpen();
    void closingTheMainWindowClosesEveryWindow();

private:
    QString write2dData(const QString &name, TDData0 *d);

    QTemporaryDir tmp;
};

void TstBody::init()
{
    QVERIFY(tmp.isValid());
    dataRoot = tmp.path();
}

QString TstBody::write2dData(const QString &name, TDData0 *d)
{
    const QString path = tmp.filePath(name);
    if (!d->save2dData(path))
        qFatal("cannot write %s", qPrintable(path));
    delete d;
    return path;
}

void TstBody::startsInTheDataRoot()
{
    Body body;
    QCOMPARE(fileDialogDir, tmp.path());
    QCOMPARE(QDir(body.loadDialog->directory()).canonicalPath(), QDir(tmp.path()).canonicalPath());
    QVERIFY(body.ctrls.tabbing);
    QVERIFY(body.ctrls.imgBase.isVisible());
}

void TstBody::filesLoadInDialogOrderOneTurnEach()
{
    // A ZRT camera frame of 3 x 2 samples, 2 bytes each, named by its base name.
    QByteArray zrt(64, '\0');
    zrt[0] = 'I';
    zrt[1] = 'M';
    qToLittleEndian<quint16>(3, zrt.data() + 4);
    qToLittleEndian<quint16>(2, zrt.data() + 6);
    for (quint16 v : {5, 6, 7, 8, 9, 1000}) {
        char bytes[2];
        qToLittleEndian<quint16>(v, bytes);
        zrt.append(bytes, 2);
    }
    const QString frame = tmp.filePath("frame.run1.zrt");
    QFile file(frame);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(zrt) == zrt.size());
    file.close();

    const QStringList files = {write2dData("c.qlv", grid("third", 2, 2)), frame, write2dData("b.qlv", grid("second", 2, 3))};
    Body body;
    TurnWatcher watcher(&body);
    QSignalSpy queued(&body, &Body::loadNextFile);
    emit body.loadDialog->filesSelected(files);
    QCOMPARE(queued.count(), 3);
    QCOMPARE(body.ctrls.dataCtrls.size(), 0);

    settle();
    QCOMPARE(watcher.rowsAtTurn, QVector<int>({0, 1, 2}));
    QCOMPARE(rows(body), QStringList({"1 third", "2 frame", "3 second"}));
    const TDData *image = body.ctrls.dataCtrls.at(1)->data(false);
    QCOMPARE(QSize(image->width, image->height), QSize(3, 2));
    QCOMPARE(image->value(2, 1), 1000.0);
    QCOMPARE(body.ctrls.dataCtrls.at(2)->data(false)->value(1, 2), 21.0);
}

void TstBody::unreadableFileLeavesTheListUnchanged()
{
    const QString junk = tmp.filePath("notes.txt");
    QFile file(junk);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("just some words, no image at all\n");
    file.close();
    const QString first = write2dData("one.qlv", grid("one", 2, 2));
    const QString last = write2dData("two.qlv", grid("two", 2, 2));

    Body body;
    QTest::ignoreMessage(QtDebugMsg, "it's not img data of ZRT and tiff");
    emit body.loadDialog->filesSelected({first, junk, last});
    settle();
    QCOMPARE(rows(body), QStringList({"1 one", "2 two"}));
}

void TstBody::emptyGridIsAddedAsARow()
{
    const QString empty = write2dData("empty.qlv", new TDData0(0, 0));

    Body body;
    emit body.loadDialog->filesSelected({empty});
    settle();
    QCOMPARE(body.ctrls.dataCtrls.size(), 1);
    QCOMPARE(body.ctrls.dataCtrls.at(0)->data(false)->width, 0);
    body.ctrls.dataCtrls.at(0)->imgDisp.grab();
}

void TstBody::panelResultsJoinTheList()
{
    Body body;
    addDataset(&body, grid("loaded", 2, 2));
    addDataset(&body, nullptr);
    QCOMPARE(body.ctrls.dataCtrls.size(), 1);

    QSignalSpy published(&body.ctrls, &DataCtrls::selsChanged);
    TDData *derived = grid("derived", 4, 1);
    addDataset(&body, derived);
    QCOMPARE(rows(body), QStringList({"1 loaded", "2 derived"}));
    DataCtrl *row = body.ctrls.dataCtrls.last();
    QCOMPARE(row->data(false), derived);
    QVERIFY(!row->ui.SingleSel1->isChecked() && !row->ui.MultiSelA->isChecked());
    QCOMPARE(published.count(), 0);
}

void TstBody::singleSaveUsesTheNameAsAccepted()
{
    QTemporaryDir dir;
    Body body;
    addDataset(&body, grid("kept", 3, 2, 0.5));
    addDataset(&body, grid("other", 2, 2));
    body.saveDialog->selectNameFilter("Img File (*.png *.jpg)");
    const QString target = QDir(dir.path()).filePath("x.png");
    emit body.saveDialog->fileSelected(target);  // no S1: nothing to save
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    body.ctrls.dataCtrls.at(0)->ui.SingleSel1->setChecked(true);
    emit body.saveDialog->fileSelected(target);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"x.png"});
    TDData0 back;
    QVERIFY(back.read2dData(target));
    QCOMPARE(back.dataId, QStringLiteral("kept"));
    QCOMPARE(back.width, 3);
    QCOMPARE(back.value(2, 1), 12.5);
}

void TstBody::multiSaveNames_data()
{
    QTest::addColumn<QString>("accepted");
    QTest::newRow("with suffix") << "r.qlv";
    QTest::newRow("without suffix") << "r";
    QTest::newRow("other suffix") << "r.txt";
}

void TstBody::multiSaveNames()
{
    QFETCH(QString, accepted);
    QTemporaryDir dir;
    Body body;
    addDataset(&body, grid("a", 2, 2, 1.0));
    addDataset(&body, grid("skipped", 2, 2));
    addDataset(&body, grid("b", 2, 2, 2.0));
    body.ctrls.dataCtrls.at(0)->ui.MultiSelA->setChecked(true);
    body.ctrls.dataCtrls.at(2)->ui.MultiSelA->setChecked(true);
    body.ui.SaveSelected->setChecked(true);
    QVERIFY(!body.ui.SaveSingle->isChecked());

    QTest::ignoreMessage(QtDebugMsg, "multi save");
    QTest::ignoreMessage(QtDebugMsg, "selsA 0 true");
    QTest::ignoreMessage(QtDebugMsg, "selsA 1 false");
    QTest::ignoreMessage(QtDebugMsg, "selsA 2 true");
    emit body.saveDialog->fileSelected(QDir(dir.path()).filePath(accepted));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"r-a.qlv", "r-b.qlv"}));
    TDData0 b;
    QVERIFY(b.read2dData(QDir(dir.path()).filePath("r-b.qlv")));
    QCOMPARE(b.dataId, QStringLiteral("b"));
    QCOMPARE(b.value(1, 1), 13.0);
}

void TstBody::multiSaveKeepsDatasetsWithEqualNames()
{
    QTemporaryDir dir;
    Body body;
    addDataset(&body, grid("same", 2, 2, 1.0));
    addDataset(&body, grid("same", 2, 2, 2.0));
    for (DataCtrl *c : body.ctrls.dataCtrls)
        c->ui.MultiSelA->setChecked(true);
    body.ui.SaveSelected->setChecked(true);
    emit body.saveDialog->fileSelected(QDir(dir.path()).filePath("r.qlv"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"r-same(2).qlv", "r-same.qlv"}));
    TDData0 second;
    QVERIFY(second.read2dData(QDir(dir.path()).filePath("r-same(2).qlv")));
    QCOMPARE(second.value(0, 0), 2.0);
}

void TstBody::greyDefaultOnlyForLaterWindows()
{
    Body body;
    QVERIFY(!ImgDisp::grayScaleDefault());
    addDataset(&body, grid("before", 2, 2));
    body.ui.DefaultColorScaleIsGrey->setChecked(true);
    addDataset(&body, grid("after", 2, 2));
    QVERIFY(!body.ctrls.dataCtrls.at(0)->imgDisp.ui.GrayScale->isChecked());
    QVERIFY(body.ctrls.dataCtrls.at(1)->imgDisp.ui.GrayScale->isChecked());

    body.ui.DefaultColorScaleIsGrey->setChecked(false);
    addDataset(&body, grid("later", 2, 2));
    QVERIFY(body.ctrls.dataCtrls.at(1)->imgDisp.ui.GrayScale->isChecked());
    QVERIFY(!body.ctrls.dataCtrls.at(2)->imgDisp.ui.GrayScale->isChecked());
}

void TstBody::inTabDecidesWhereImagesOpen()
{
    Body body;
    QTabWidget *tabs = body.ctrls.imgBase.ui.ImgBaseTab;
    addDataset(&body, grid("tabbed", 2, 2));
    ImgDisp &tabbed = body.ctrls.dataCtrls.at(0)->imgDisp;
    QVERIFY(tabs->indexOf(&tabbed) >= 0);
    QVERIFY(!tabbed.isWindow());

    body.ui.InTab->setChecked(false);
    QVERIFY(!body.ctrls.tabbing);
    addDataset(&body, grid("free", 2, 2));
    ImgDisp &free = body.ctrls.dataCtrls.at(1)->imgDisp;
    QCOMPARE(tabs->indexOf(&free), -1);
    QVERIFY(free.isWindow());
    QVERIFY(free.isVisible());

    body.ctrls.imgBase.hide();
    body.ui.InTab->setChecked(true);
    QVERIFY(body.ctrls.imgBase.isVisible());
    addDataset(&body, grid("tabbed again", 2, 2));
    QCOMPARE(tabs->currentWidget(), &body.ctrls.dataCtrls.at(2)->imgDisp);

    body.ctrls.imgBase.hide();
    QTest::mouseClick(body.ui.ShowImgBase, Qt::LeftButton);
    QVERIFY(body.ctrls.imgBase.isVisible());
}

void TstBody::closingTheMainWindowClosesEveryWindow()
{
    Body body;
    // As start-up wires it.
    connect(&body, &Body::finishing, qApp, &QApplication::closeAllWindows);
    body.show();
    addDataset(&body, grid("in a tab", 2, 2));
    body.ui.InTab->setChecked(false);
    addDataset(&body, grid("own window", 2, 2));
    QTest::mouseClick(body.ui.Load, Qt::LeftButton);
    QTest::mouseClick(body.ui.Save, Qt::LeftButton);
    QVERIFY(body.loadDialog->isVisible());
    QVERIFY(body.saveDialog->isVisible());
    QVERIFY(body.ctrls.dataCtrls.at(1)->imgDisp.isVisible());

    QSignalSpy finishing(&body, &Body::finishing);
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    // The event loop ends by itself once the last window is gone; the timer only keeps a
    // failing run from hanging.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    guard.start(20000);
    QTimer::singleShot(0, &body, &QWidget::close);
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(finishing.count(), 1);
    QCOMPARE(lastClosed.count(), 1);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName() + " " + w->windowTitle()));
}

QTEST_MAIN(TstBody)
#include "tst_body.moc"
