// Plays the README walk-through in a real main window and saves its pictures:
//   walkthrough_shots <samples folder> <picture folder>
// The samples folder is the one make_samples writes (all four are loaded once for the main window, then spots.tif
// and spots2.zrt are used). Run it on the offscreen
// platform (QT_QPA_PLATFORM=offscreen) to make the pictures without a display.

#include "app/analysiswin.h"
#include "app/body.h"
#include "data/datainfo.h"
#include "data/tddata.h"
#include "display/datactrl.h"
#include "display/imgbase.h"
#include "processing/calcctrl.h"
#include "processing/copyctrl.h"
#include "processing/filterctrl.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstdio>

namespace {

bool save(const QPixmap &picture, const QDir &dir, const char *name)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    const bool ok = picture.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(QDir::toNativeSeparators(path)));
    return ok;
}

// The image window of a row as it would appear on screen, wide enough for whole read-outs.
QPixmap imageWindow(DataCtrl *row)
{
    row->imgDisp.resize(920, 560);
    row->imgDisp.show();
    QCoreApplication::processEvents();
    return row->imgDisp.grab();
}

// The rendered tiles side by side, `columns` to a line, scaled up so that pixels stay visible.
QPixmap tileSheet(const QList<DataCtrl *> &rows, int columns, int scale)
{
    const QImage *first = rows.first()->data(false)->img;
    const int w = first->width() * scale + 4;
    const int h = first->height() * scale + 4;
    QPixmap sheet(columns * w, (rows.size() + columns - 1) / columns * h);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    for (int i = 0; i < rows.size(); ++i) {
        const QImage *img = rows[i]->data(false)->img;
        if (img)
            p.drawImage(QRect(i % columns * w + 2, i / columns * h + 2, w - 4, h - 4), *img);
    }
    return sheet;
}

// The main window with the four samples loaded and, beside it, the image tab window showing the
// TIFF, in a main window of its own that is gone before the walk-through starts.
bool mainWindowShot(const QDir &samples, const QDir &out)
{
    Body body;
    body.resize(640, 560);
    body.show();
    for (const char *name : {"spots.tif", "spots2.zrt", "phantom.ct", "flat.qlv"})
        QMetaObject::invokeMethod(&body, "loadAFile", Q_ARG(QString, samples.filePath(QString::fromLatin1(name))));
    // On a slow machine the last files may be read beside the event loop; the shot waits for them
    // and for their bar to go.
    while (body.files.loadBar.busy() || body.files.loadBar.isVisible())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (body.ctrls.dataCtrls.size() != 4) {
        std::fprintf(stderr, "cannot load the four samples from %s\n", qPrintable(samples.path()));
        return false;
    }
    // Selections as for a ratio of the two spot frames, and S1 and S2 for the filter and copy panels.
    const QList<DataCtrl *> &rows = body.ctrls.dataCtrls;
    rows[0]->ui.SingleSel1->setChecked(true);
    rows[0]->ui.MultiSelA->setChecked(true);
    rows[1]->ui.SingleSel2->setChecked(true);
    rows[1]->ui.MultiSelB->setChecked(true);
    ImgBase &tabs = body.ctrls.imgBase;
    tabs.resize(720, 560);
    tabs.show();
    tabs.ui.ImgBaseTab->setCurrentIndex(0);
    QCoreApplication::processEvents();
    const QPixmap left = body.grab();
    const QPixmap right = tabs.grab();
    QPixmap both(left.width() + 8 + right.width(), std::max(left.height(), right.height()));
    both.fill(Qt::white);
    QPainter p(&both);
    p.drawPixmap(0, 0, left);
    p.drawPixmap(left.width() + 8, 0, right);
    p.end();
    return save(both, out, "main-window.png");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <samples folder> <picture folder>\n", argv[0]);
        return 2;
    }
    const QDir samples(QFile::decodeName(argv[1]));
    const QDir out(QFile::decodeName(argv[2]));
    QDir().mkpath(out.path());
    if (!mainWindowShot(samples, out))
        return 1;

    Body body;
    body.ui.InTab->setChecked(false); // every image in a window of its own
    body.resize(640, 760);
    body.show();
    QMetaObject::invokeMethod(&body, "loadAFile", Q_ARG(QString, samples.filePath("spots.tif")));
    if (body.ctrls.dataCtrls.size() != 1) {
        std::fprintf(stderr, "cannot load spots.tif from %s\n", argv[1]);
        return 1;
    }
    DataCtrl *spots = body.ctrls.dataCtrls.first();

    // 1. Find the 30 brightest spots, at least 20 pixels apart, on the S1 dataset.
    spots->ui.SingleSel1->setChecked(true);
    body.ui.Filter->setChecked(true);
    FilterCtrl &filter = body.filterCtrl;
    filter.ui.FindPeaksExclusionR->setText("20");
    filter.ui.FindPeaksNum->setText("30");
    filter.ui.FindPeaksExecB->click();
    DataCtrl *peaks = body.ctrls.dataCtrls.last();
    const DataInfo *list = peaks->data(false)->infos.last();

    // 2. Mark the spot of peak 0 on the source as S2's region, then copy it around every peak.
    const QPointF p0 = list->points.first();
    spots->imgDisp.setRegion(QRect(int(p0.x()) - 10, int(p0.y()) - 10, 21, 21));
    spots->ui.SingleSel2->setChecked(true);
    peaks->ui.SingleSel1->setChecked(true);
    body.ui.Copy->setChecked(true);
    CopyCtrl &copy = body.copyCtrl;
    copy.ui.AroundPeaks->setChecked(true);
    copy.ui.OrderVH->setChecked(true);
    QCoreApplication::processEvents();
    bool ok = save(body.grab(), out, "walkthrough-1-panels.png");
    ok = save(imageWindow(peaks), out, "walkthrough-2-peaks.png") && ok;
    ok = save(imageWindow(spots), out, "walkthrough-3-region.png") && ok;

    const int before = body.ctrls.dataCtrls.size();
    copy.ui.ExecCopy->click();
    const QList<DataCtrl *> tiles = body.ctrls.dataCtrls.mid(before);
    if (tiles.isEmpty()) {
        std::fprintf(stderr, "no tiles were made\n");
        return 1;
    }
    // Room for the new rows: the filter panel is put away and the window made taller.
    body.ui.Filter->setChecked(false);
    body.resize(640, 1180);
    QCoreApplication::processEvents();
    ok = save(body.grab(), out, "walkthrough-4-tiles-listed.png") && ok;
    ok = save(tileSheet(tiles, 6, 4), out, "walkthrough-5-tiles.png") && ok;

    // The analysis window on the ratio of the two frames, with a region, the crosshair on a spot
    // and the contrast from Auto.
    QMetaObject::invokeMethod(&body, "loadAFile", Q_ARG(QString, samples.filePath("spots2.zrt")));
    DataCtrl *spots2 = body.ctrls.dataCtrls.last();
    spots->ui.MultiSelA->setChecked(true);
    spots2->ui.MultiSelB->setChecked(true);
    body.ui.Copy->setChecked(false);
    body.ui.Calc->setChecked(true);
    QCoreApplication::processEvents();
    // The calculation panel's line tells that the box of step 2 would mask the ratio.
    ok = save(body.calcCtrl.grab(), out, "calc-panel-line.png") && ok;
    spots->imgDisp.regionState = ImgDisp::NoRegion;  // the whole frames, not the box of step 2
    body.calcCtrl.ui.Gen->click();
    DataCtrl *ratio = body.ctrls.dataCtrls.last();
    ratio->imgDisp.setRegion(QRect(int(p0.x()) - 10, int(p0.y()) - 10, 21, 21));
    AnalysisWin &analysis = body.analysisWin;
    analysis.resize(560, 960);
    analysis.showWindow();
    emit ratio->pointAt(int(p0.x()), int(p0.y()));
    analysis.ui.AutoRange->click();
    QCoreApplication::processEvents();
    ok = save(analysis.grab(), out, "analysis.png") && ok;

    // The status line after a file the readers refuse: the picture just written is a PNG.
    QMetaObject::invokeMethod(&body, "loadAFile", Q_ARG(QString, out.filePath("analysis.png")));
    body.ui.Calc->setChecked(false);
    body.resize(640, 420);
    QCoreApplication::processEvents();
    ok = save(body.grab(), out, "status-line.png") && ok;
    return ok ? 0 : 1;
}
