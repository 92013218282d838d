#include "app/body.h"

#include "app/startup.h"
#include "data/tddata.h"
#include "display/datactrl.h"
#include "display/imgdisp.h"

#include "tests/filetesttools.h"
#include "tests/memorylimit.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// For waits on files of megabytes, which a sanitizer build on a busy machine reads slowly.
constexpr int slowMs = 60000;

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

// Counts the image displays shown as windows of their own.
class FreeWindowShows : public QObject
{
public:
    FreeWindowShows() { qApp->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        const auto *disp = qobject_cast<ImgDisp *>(watched);
        count += e->type() == QEvent::Show && disp && disp->isWindow();
        return false;
    }
};

} // namespace

// The main window: loading through the dialog, adding datasets, saving, and its window switches.
class TstBody : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;

    QString write2dData(const QString &name, TDData0 *d)
    {
        const QString path = tmp.filePath(name);
        if (!d->save2dData(path))
            qFatal("cannot write %s", qPrintable(path));
        delete d;
        return path;
    }

    QString writeStack(const QString &name, int width, int height, const QVector<QVector<quint16>> &pages)
    {
        const QString path = tmp.filePath(name);
        if (!writeU16Stack(path, width, height, pages))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void init()
    {
        QVERIFY(tmp.isValid());
        dataRoot = tmp.path();
    }

    // Files load in dialog order through queued calls; unreadable ones are skipped.
    void loadThroughTheDialog()
    {
        // A ZRT camera frame of 3 x 2 samples, 2 bytes each, named by its base name.
        const QByteArray zrt = QByteArray("IM\0\0\3\0\2\0", 8) + QByteArray(56, '\0')
            + QByteArray("\5\0\6\0\7\0\x08\0\x09\0\xe8\x03", 12);
        const QString frame = tmp.filePath("frame.run1.zrt");
        const QString junk = tmp.filePath("notes.txt");
        QVERIFY(writeFile(frame, zrt) && writeFile(junk, "just some words, no image at all\n"));
        // Every page of a stack becomes a dataset named by its page; a single page keeps the plain name.
        const QString stack = writeStack("stack.tif", 2, 1, {{1, 2}, {3, 4}, {5, 60000}});
        const QString single = writeStack("single.tif", 1, 1, {{9}});
        const QStringList files = {write2dData("c.qlv", grid("third", 2, 2)), frame, junk, stack,
                                   write2dData("e.qlv", new TDData0(0, 0)), write2dData("b.qlv", grid("second", 2, 3)), single};

        Body body;
        // Files read one after another share one short wait per turn of the event loop; here that
        // is all of them, however slow the build.
        body.files.loadBar.shortRunMs = slowMs;
        QCOMPARE(QDir(body.loadDialog->directory()).canonicalPath(), QDir(tmp.path()).canonicalPath());
        QSignalSpy queued(&body, &Body::loadNextFile);
        emit body.loadDialog->filesSelected(files);
        QCOMPARE(queued.count(), 7);
        QCOMPARE(body.ctrls.dataCtrls.size(), 0);

        QTest::ignoreMessage(QtDebugMsg, "it's not img data of ZRT and tiff");
        QCoreApplication::sendPostedEvents();
        // A stack's later pages come in later turns of the event loop; the files behind it, also
        // those queued meanwhile, wait for its last page.
        QCOMPARE(rows(body), QStringList({"1 third", "2 frame", "3 stack[1]"}));
        emit body.loadNextFile(single);
        QTRY_COMPARE(rows(body), QStringList({"1 third", "2 frame", "3 stack[1]", "4 stack[2]", "5 stack[3]", "6 ",
                                              "7 second", "8 single", "9 single"}));
        const TDData *image = body.ctrls.dataCtrls.at(1)->data(false);
        QCOMPARE(QSize(image->width, image->height), QSize(3, 2));
        QCOMPARE(image->value(2, 1), 1000.0);
        QVector<double> pages;
        for (int i = 2; i < 5; ++i)
            pages << body.ctrls.dataCtrls.at(i)->data(false)->values;
        QCOMPARE(pages, QVector<double>({1, 2, 3, 4, 5, 60000}));
        QCOMPARE(body.ctrls.dataCtrls.at(6)->data(false)->value(1, 2), 21.0);
        body.ctrls.dataCtrls.at(5)->imgDisp.grab();  // the empty grid draws
    }

    // Files are read beside the event loop: a long read shows its rows and keeps the window
    // answering, rows still come in the order of the files, and Cancel stops the file being read
    // and drops the files waiting behind it.
    void readingBesideTheWindow()
    {
        const QString big = writeStack("big.tif", 2000, 1500, {QVector<quint16>(2000 * 1500, 7)});
        const QString stack = writeStack("stack.tif", 1, 1, {{1}, {2}});
        const QString grid2d = write2dData("g.qlv", grid("grid", 2, 2));

        Body body;
        body.files.loadBar.shortRunMs = 0;
        QSignalSpy progress(&body.files.loadBar, &RunBar::progressed);
        emit body.loadDialog->filesSelected({big, stack, grid2d});
        QCoreApplication::sendPostedEvents();
        QVERIFY(body.files.loadBar.busy() && !body.files.loadBar.isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(rows(body), QStringList({"1 big", "2 stack[1]", "3 stack[2]", "4 grid"}), slowMs);
        QTRY_VERIFY(body.files.loadBar.isHidden());
        QVERIFY(progress.contains(QVariantList({1500, 1500})));  // the big file's rows, all read
        QCOMPARE(body.ctrls.dataCtrls.first()->data(false)->value(1999, 1499), 7.0);
        QVERIFY(body.notices.notices().isEmpty());

        emit body.loadDialog->filesSelected({big, stack, grid2d});
        QCoreApplication::sendPostedEvents();
        QTest::mouseClick(body.files.loadBar.ui.RunCancel, Qt::LeftButton);
        // The read stops at its next row.
        QTRY_COMPARE_WITH_TIMEOUT(body.notices.notices(), QStringList({"loading cancelled at big.tif; files left unread: 2"}), slowMs);
        QTRY_VERIFY(body.files.loadBar.isHidden());
        QCOMPARE(body.ctrls.dataCtrls.size(), 4);
        // Loading goes on with the next files chosen.
        emit body.loadDialog->filesSelected({grid2d});
        QTRY_COMPARE_WITH_TIMEOUT(body.ctrls.dataCtrls.size(), 5, slowMs);
        QCOMPARE(rows(body).last(), QStringLiteral("5 grid"));

        // Closed with a read under way, the window stops it and leaves nothing behind.
        auto *closing = new Body;
        closing->files.loadBar.shortRunMs = 0;
        emit closing->loadDialog->filesSelected({big, grid2d});
        QCoreApplication::sendPostedEvents();
        QVERIFY(closing->files.loadBar.busy());
        delete closing;
        QCoreApplication::sendPostedEvents();
    }

    void longStack_data()
    {
        QTest::addColumn<bool>("betweenSteps");
        QTest::newRow("cancel during a step") << false;
        QTest::newRow("cancel between two steps") << true;
    }

    // A stack that takes long counts its pages on the bar, and Cancel stops it wherever it stands.
    void longStack()
    {
        QFETCH(bool, betweenSteps);
        QVector<QVector<quint16>> pages;
        for (quint16 i = 1; i <= 200; ++i)
            pages << QVector<quint16>{i};
        const QString many = writeStack("many.tif", 1, 1, pages);
        const QString grid2d = write2dData("g.qlv", grid("grid", 2, 2));

        Body body;
        body.files.loadBar.shortRunMs = 0;
        QSignalSpy progress(&body.files.loadBar, &RunBar::progressed);
        QString format;
        int stepEnd = 0;
        bool stepUnderWay = false;
        auto click = [&] {
            stepUnderWay = body.files.loadBar.busy();
            body.files.loadBar.ui.RunCancel->click();
        };
        connect(&body.files, &FileWork::read, &body, [&] {
            if (body.ctrls.dataCtrls.size() != 2)
                return;
            format = body.files.loadBar.ui.RunProgress->format();
            // What is queued now comes once this page's step has ended, before the next starts.
            QMetaObject::invokeMethod(&body, [&] {
                stepEnd = body.ctrls.dataCtrls.size();
                QMetaObject::invokeMethod(&body, click, betweenSteps ? Qt::DirectConnection : Qt::QueuedConnection);
            }, Qt::QueuedConnection);
        });
        emit body.loadDialog->filesSelected({many, grid2d});
        QTRY_COMPARE_WITH_TIMEOUT(body.notices.notices(), QStringList({"loading cancelled at many.tif; files left unread: 1"}), slowMs);
        QCOMPARE(stepUnderWay, !betweenSteps);
        QTRY_VERIFY(body.files.loadBar.isHidden());
        QVERIFY(stepEnd >= 2 && stepEnd < 200);
        QCOMPARE(body.ctrls.dataCtrls.size(), stepEnd);
        QCOMPARE(rows(body).last(), QStringLiteral("%1 many[%1]").arg(stepEnd));
        QCOMPARE(format, QStringLiteral("%v / %m pages"));
        QCOMPARE(progress.last().at(1).toInt(), 200);
        // Nothing of the stack or the file behind it is left to come.
        QCoreApplication::sendPostedEvents();
        QVERIFY(!body.files.loadBar.busy());
        QCOMPARE(body.ctrls.dataCtrls.size(), stepEnd);
    }

    // A page that cannot be read ends its stack there with a notice; the pages before it stay
    // and the files queued behind it still load.
    void stackCutShort()
    {
        const QString cut = tmp.filePath("cut.tif");
        const QString single = writeStack("single.tif", 1, 1, {{9}});
        TIFF *tif = TIFFOpen(QFile::encodeName(cut).constData(), "w");
        QVERIFY(tif);
        for (const quint16 samples : {1, 2}) {
            const quint16 pixel[2] = {7, 8};
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 1u);
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
            TIFFWriteScanline(tif, const_cast<quint16 *>(pixel), 0, 0);
            TIFFWriteDirectory(tif);
        }
        TIFFClose(tif);

        Body body;
        emit body.loadDialog->filesSelected({cut, single, cut});
        QTRY_COMPARE(rows(body), QStringList({"1 cut[1]", "2 single", "3 cut[1]"}));
        const QString notice = "could not read page 2 of cut.tif: a TIFF with 2 samples per pixel";
        QTRY_COMPARE(body.notices.notices(), QStringList({notice, notice}));
    }

    // A frame whose grid cannot be had is told in the window, and the file behind it still loads.
    void frameBeyondTheMemory()
    {
        if (!MemoryLimit::possible())
            QSKIP("the address space cannot be limited in this build");
        const QString big = writeStack("big.tif", 4096, 4096, {QVector<quint16>(4096 * 4096, 5)});
        const QString single = writeStack("single.tif", 1, 1, {{9}});
        Body body;
        {
            // Room for the file's samples, not for a grid of doubles and flags four times larger,
            // with a margin for memory that other threads give back meanwhile.
            const MemoryLimit limit(60 << 20);
            emit body.loadDialog->filesSelected({big, single});
            QTRY_COMPARE(rows(body), QStringList({"1 single"}));
        }
        QCOMPARE(body.notices.notices(), QStringList({"could not read big.tif: not enough memory for 4096 x 4096 pixels"}));
    }

    // A stack beyond the limit gives its first pages and says so; the file behind it still loads.
    void stackBeyondTheLimit()
    {
        const QString many = writeStack("many.tif", 1, 1, {{1}, {2}, {3}, {4}, {5}});
        const QString single = writeStack("single.tif", 1, 1, {{9}});
        Body body;
        body.files.maxStackPages = 3;
        emit body.loadDialog->filesSelected({many, single});
        QTRY_COMPARE(rows(body), QStringList({"1 many[1]", "2 many[2]", "3 many[3]", "4 single"}));
        QCOMPARE(body.notices.notices(), QStringList({"many.tif has 5 pages; only the first 3 are read"}));

        // Closed halfway, the window leaves no step behind to run on it.
        auto *closing = new Body;
        emit closing->loadDialog->filesSelected({many});
        QTRY_VERIFY(closing->ctrls.dataCtrls.size() == 1);
        delete closing;
        QCoreApplication::sendPostedEvents();
    }

    // Panel results join silently and unselected; only later windows take the grey default, and
    // open in a tab or in their own window as In Tab says, without passing through the other.
    void addedDatasets()
    {
        Body body;
        QSignalSpy published(&body.ctrls, &DataCtrls::selsChanged);
        QTabWidget *tabs = body.ctrls.imgBase.ui.ImgBaseTab;
        FreeWindowShows shows;
        addDataset(&body, grid("before", 2, 2));
        addDataset(&body, nullptr);
        body.ui.DefaultColorScaleIsGrey->setChecked(true);
        body.ui.InTab->setChecked(false);
        addDataset(&body, grid("after", 2, 2));
        body.ui.DefaultColorScaleIsGrey->setChecked(false);
        body.ui.InTab->setChecked(true);
        addDataset(&body, grid("later", 2, 2));
        QCOMPARE(rows(body), QStringList({"1 before", "2 after", "3 later"}));
        QCOMPARE(published.count(), 0);
        for (int i = 0; i < 3; ++i) {
            DataCtrl *row = body.ctrls.dataCtrls.at(i);
            QCOMPARE(row->imgDisp.ui.GrayScale->isChecked(), i == 1);
            QVERIFY(!row->ui.SingleSel1->isChecked() && !row->ui.MultiSelA->isChecked());
            QCOMPARE(tabs->indexOf(&row->imgDisp) >= 0, i != 1);
        }
        QVERIFY(body.ctrls.dataCtrls.at(1)->imgDisp.isWindow() && body.ctrls.dataCtrls.at(1)->imgDisp.isVisible());
        // A display on its way into a tab never shows as a window of its own (it flashed up).
        QCOMPARE(shows.count, 1);

        body.ctrls.imgBase.hide();
        QTest::mouseClick(body.ui.ShowImgBase, Qt::LeftButton);
        QVERIFY(body.ctrls.imgBase.isVisible());
    }

    void save_data()
    {
        QTest::addColumn<bool>("multi");
        QTest::addColumn<QStringList>("ids");  // the rows; row k holds base value k + 1
        QTest::addColumn<QVector<int>>("selected");
        QTest::addColumn<QString>("accepted");
        QTest::addColumn<QStringList>("files");  // name:row written, in name order
        QTest::addColumn<bool>("beside");  // written beside the event loop, the rows deleted meanwhile

        QTest::newRow("single as accepted") << false << QStringList{"kept", "other"} << QVector<int>{1} << "x.png"
                                            << QStringList{"x.png:1"} << false;
        QTest::newRow("multi without suffix") << true << QStringList{"a", "skipped", "b"} << QVector<int>{0, 2} << "r"
                                              << QStringList{"r-a.qlv:0", "r-b.qlv:2"} << false;
        QTest::newRow("single, rows deleted while it runs") << false << QStringList{"kept", "other"} << QVector<int>{1}
                                                            << "x.png" << QStringList{"x.png:1"} << true;
        QTest::newRow("multi, rows deleted while it runs") << true << QStringList{"a", "skipped", "b"} << QVector<int>{0, 2}
                                                           << "r" << QStringList{"r-a.qlv:0", "r-b.qlv:2"} << true;
        QTest::newRow("multi, equal names apart, last suffix")
            << true << QStringList{"same", "same"} << QVector<int>{0, 1} << "r.x.png"
            << QStringList{"r.x-same(2).qlv:1", "r.x-same.qlv:0"} << false;
        QTest::newRow("multi, name made file-safe") << true << QStringList{"Cl[I[1]/I[2]]__a___b"} << QVector<int>{0}
                                                    << "r.qlv" << QStringList{"r-Cl[I[1]divI[2]]_a_b.qlv:0"} << false;
    }

    void save()
    {
        QFETCH(bool, multi);
        QFETCH(QStringList, ids);
        QFETCH(QVector<int>, selected);
        QFETCH(QString, accepted);
        QFETCH(QStringList, files);
        QFETCH(bool, beside);
        QTemporaryDir dir;
        Body body;
        body.files.saveBar.shortRunMs = beside ? 0 : body.files.saveBar.shortRunMs;
        for (int k = 0; k < ids.size(); ++k)
            addDataset(&body, grid(ids[k], 3, 2, k + 1.0));
        for (int k : selected) {
            const DataCtrl *row = body.ctrls.dataCtrls.at(k);
            (multi ? static_cast<QAbstractButton *>(row->ui.MultiSelA) : row->ui.SingleSel1)->setChecked(true);
        }
        body.ui.SaveSelected->setChecked(multi);
        body.saveDialog->selectNameFilter("Img File (*.png *.jpg)");
        emit body.saveDialog->fileSelected(QDir(dir.path()).filePath(accepted));
        if (beside) {
            const QList<DataCtrl *> rows = body.ctrls.dataCtrls;  // the list forgets each row as it goes
            qDeleteAll(rows);
        }

        QStringList written;
        for (const QString &f : files)
            written << f.section(':', 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!body.files.saveBar.busy(), slowMs);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), written);
        for (const QString &f : files) {
            const int k = f.section(':', 1).toInt();
            TDData0 back;
            QVERIFY(back.read2dData(QDir(dir.path()).filePath(f.section(':', 0, 0))));
            QCOMPARE(back.dataId, ids[k]);
            QCOMPARE(back.value(2, 1), k + 13.0);
        }
    }

    // Reads and saves run one at a time in the order asked for; Cancel drops a save that waits,
    // and a window closed with a save waiting still writes its files.
    void savesInTurn()
    {
        const QString big = writeStack("big.tif", 2000, 1500, {QVector<quint16>(2000 * 1500, 7)});
        QTemporaryDir dir;
        const QString saved = QDir(dir.path()).filePath("x.qlv");
        auto fill = [](Body *body) {
            body->files.loadBar.shortRunMs = body->files.saveBar.shortRunMs = 0;
            body->ui.SaveSelected->setChecked(true);
            // The first is large enough that reading it while it is written would fail.
            for (const char *id : {"a", "b", "c"}) {
                addDataset(body, grid(id, *id == 'a' ? 1500 : 300, 300, 1.0));
                body->ctrls.dataCtrls.last()->ui.MultiSelA->setChecked(true);
            }
        };
        auto filesIn = [&dir] { return QDir(dir.path()).entryList(QDir::Files); };
        {
            Body body;
            fill(&body);
            body.ui.SaveSingle->setChecked(true);
            body.ctrls.dataCtrls.first()->ui.SingleSel1->setChecked(true);
            emit body.saveDialog->fileSelected(saved);
            emit body.loadDialog->filesSelected({saved});
            QTRY_COMPARE_WITH_TIMEOUT(body.ctrls.dataCtrls.size(), 4, slowMs);
            QCOMPARE(body.ctrls.dataCtrls.last()->data(false)->values, body.ctrls.dataCtrls.first()->data(false)->values);

            emit body.loadDialog->filesSelected({big});
            QCoreApplication::sendPostedEvents();
            body.ui.SaveSelected->setChecked(true);
            emit body.saveDialog->fileSelected(QDir(dir.path()).filePath("r.qlv"));
            QTest::mouseClick(body.files.saveBar.ui.RunCancel, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!body.files.saveBar.busy() && !body.files.loadBar.busy(), slowMs);
            QCOMPARE(body.notices.notices().last(), QStringLiteral("saving cancelled; files left unsaved: 3"));
            QCOMPARE(filesIn(), QStringList({"x.qlv"}));
        }
        auto *closing = new Body;
        fill(closing);
        emit closing->loadDialog->filesSelected({big});
        QCoreApplication::sendPostedEvents();
        emit closing->saveDialog->fileSelected(QDir(dir.path()).filePath("r.qlv"));
        QVERIFY(closing->files.saveBar.busy());
        delete closing;
        QCOMPARE(filesIn(), QStringList({"r-a.qlv", "r-b.qlv", "r-c.qlv", "x.qlv"}));
    }

    // What the status line says after each kind of failure or success; %1 stands for the folder.
    void notices_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("expected");
        QTest::newRow("load png") << "load png" << "could not read a.png: not a TIFF, ZRT, CT text or 2dData file";
        QTest::newRow("load truncated 2dData") << "load short" << "could not read s.qlv: claims 3 × 2 but holds 270 bytes";
        QTest::newRow("matching without exec") << "matching" << "Matching: choose Exec1 or Exec2";
        QTest::newRow("filter without S1") << "moving average" << "Filter: no dataset is marked S1";
        QTest::newRow("save without S1") << "save" << "Save: no dataset is marked S1";
        QTest::newRow("copy without region") << "copy" << "Copy: S1 has no region";
        QTest::newRow("calc without A or B") << "calc" << "Calc: no dataset is marked A or B";
        QTest::newRow("failed save") << "save S1 into a file" << "could not save %1: ";
        QTest::newRow("saved") << "save A" << "saved 2 files in %1";
    }

    void notices()
    {
        QFETCH(QString, action);
        QFETCH(QString, expected);
        Body body;
        addDataset(&body, grid("one", 3, 2));
        addDataset(&body, grid("two", 3, 2));
        DataCtrl *row = body.ctrls.dataCtrls.at(0);
        QString folder = tmp.path();
        if (action.startsWith("load")) {
            QByteArray bytes = readFile(write2dData("s.qlv", grid("s", 3, 2))).left(270);
            if (action == "load png")
                bytes = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\2");
            const QString path = tmp.filePath(action == "load png" ? "a.png" : "s.qlv");
            QVERIFY(writeFile(path, bytes));
            emit body.loadNextFile(path);
            QCoreApplication::sendPostedEvents();
        } else if (action == "matching" || action == "moving average") {
            row->ui.SingleSel1->setChecked(action == "matching");
            (action == "matching" ? body.filterCtrl.ui.MatchingExecB : body.filterCtrl.ui.MovingAvrExecB)->click();
        } else if (action == "copy") {
            row->ui.SingleSel1->setChecked(true);
            body.copyCtrl.ui.SimpleCopy->setChecked(true);
            body.copyCtrl.ui.ExecCopy->click();
        } else if (action == "calc") {
            body.calcCtrl.ui.Gen->click();
        } else {
            // A file in place of the folder makes the save fail.
            const bool intoFile = action == "save S1 into a file";
            folder = intoFile ? tmp.filePath("plain") : tmp.filePath("out");
            QVERIFY(intoFile ? writeFile(folder, "x") : QDir(tmp.path()).mkpath("out"));
            row->ui.SingleSel1->setChecked(action != "save");
            body.ui.SaveSelected->setChecked(action == "save A");
            for (DataCtrl *c : body.ctrls.dataCtrls)
                c->ui.MultiSelA->setChecked(true);
            emit body.saveDialog->fileSelected(QDir(folder).filePath("r.qlv"));
            expected = expected.arg(QDir::toNativeSeparators(intoFile ? QDir(folder).filePath("r.qlv") : folder));
        }
        QVERIFY2(body.ui.StatusLine->text().startsWith(expected), qPrintable(body.ui.StatusLine->text()));
        QCOMPARE(body.notices.notices(), QStringList(body.ui.StatusLine->text()));
    }

    // The log keeps the last 100 notices; a click on the status line lists them. The status line
    // counts the notices since the list was last opened.
    void noticeList()
    {
        Body body;
        for (int i = 0; i < 105; ++i)
            body.notices.add(QString::number(i));
        QCOMPARE(body.ui.StatusLine->text(), QString("100 notices, the latest: 104"));
        QTest::mouseClick(body.ui.StatusLine, Qt::LeftButton);
        QCOMPARE(body.ui.StatusLine->text(), QString("104"));
        QVERIFY(body.noticeList.isVisible() && !body.noticeList.isModal());
        QCOMPARE(body.noticeList.count(), 100);
        QCOMPARE(body.noticeList.item(0)->text(), QString("5"));
        QCOMPARE(body.noticeList.item(99)->text(), QString("104"));
        body.notices.add(QStringLiteral("after"));
        QCOMPARE(body.ui.StatusLine->text(), QString("after"));
    }

    // Files dropped on the main window or on an image window load in the order of the drop.
    void dropFiles_data()
    {
        QTest::addColumn<bool>("onImage");
        QTest::newRow("main window") << false;
        QTest::newRow("image window") << true;
    }

    void dropFiles()
    {
        QFETCH(bool, onImage);
        Body body;
        addDataset(&body, grid("first", 2, 2));
        QWidget *target = onImage ? static_cast<QWidget *>(&body.ctrls.dataCtrls.at(0)->imgDisp) : &body;
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(write2dData("z.qlv", grid("z", 2, 2))),
                      QUrl::fromLocalFile(write2dData("a.qlv", grid("a", 2, 2)))});
        QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(rows(body), QStringList({"1 first", "2 z", "3 a"}));
    }

    // Every control whose own text does not explain it (an input field, or a button with a text
    // shorter than 12 characters) has a tooltip, and each image tab names its dataset.
    void tooltips()
    {
        Body body;
        addDataset(&body, grid("named", 2, 2));
        QWidgetList widgets = body.findChildren<QWidget *>();
        widgets += body.ctrls.dataCtrls.at(0)->imgDisp.findChildren<QWidget *>();
        int checked = 0;
        for (QWidget *w : qAsConst(widgets)) {
            auto *button = qobject_cast<QAbstractButton *>(w);
            const bool input = qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w)
                || (qobject_cast<QLineEdit *>(w) && !qobject_cast<QAbstractSpinBox *>(w->parentWidget()));
            if (!input && !(button && button->text().size() < 12))
                continue;
            ++checked;
            QVERIFY2(!w->toolTip().isEmpty(), qPrintable(w->objectName() + " in " + w->parentWidget()->objectName()));
        }
        QVERIFY(checked > 50);
        QTabWidget *tabs = body.ctrls.imgBase.ui.ImgBaseTab;
        QCOMPARE(tabs->tabToolTip(tabs->indexOf(&body.ctrls.dataCtrls.at(0)->imgDisp)), QString("named"));
    }

    // Ctrl+O and Ctrl+S open the dialogs; a new row is scrolled into view.
    void shortcutsAndScrolling()
    {
        Body body;
        body.resize(600, 300);
        body.show();
        QVERIFY(QTest::qWaitForWindowActive(&body));
        QTest::keyClick(&body, Qt::Key_O, Qt::ControlModifier);
        QTRY_VERIFY(body.loadDialog->isVisible());  // a shortcut clicks its button after a moment
        body.loadDialog->hide();
        body.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&body));
        QTest::keyClick(&body, Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(body.saveDialog->isVisible());
        body.ui.InTab->setChecked(true);
        QScrollBar *bar = body.ui.scrollArea->verticalScrollBar();
        for (int i = 0; i < 40; ++i)
            addDataset(&body, grid(QString::number(i), 2, 2));
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
        // Also after a stack, whose pages come over several turns of the event loop.
        const QString stack = writeStack("stack.tif", 1, 1, QVector<QVector<quint16>>(30, {7}));
        const int before = bar->maximum();
        emit body.loadNextFile(stack);
        QTRY_COMPARE(body.ctrls.dataCtrls.size(), 70);
        QTRY_VERIFY(bar->maximum() > before && bar->value() == bar->maximum());
        body.saveDialog->hide();
    }

    void closingTheMainWindowClosesEveryWindow()
    {
        Body body;
        // As start-up wires it.
        connect(&body, &Body::finishing, qApp, &QApplication::closeAllWindows);
        body.show();
        body.ui.InTab->setChecked(false);
        addDataset(&body, grid("own window", 2, 2));
        QTest::mouseClick(body.ui.Load, Qt::LeftButton);
        QTest::mouseClick(body.ui.Save, Qt::LeftButton);
        QVERIFY(body.loadDialog->isVisible() && body.saveDialog->isVisible());
        QVERIFY(body.ctrls.dataCtrls.at(0)->imgDisp.isVisible());

        QSignalSpy finishing(&body, &Body::finishing);
        // The event loop ends by itself once the last window is gone; the timer only keeps a
        // failing run from hanging.
        QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });
        QTimer::singleShot(0, &body, &QWidget::close);
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(finishing.count(), 1);
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName() + " " + w->windowTitle()));
    }
};

QTEST_MAIN(TstBody)
#include "tst_body.moc"
