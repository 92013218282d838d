#include "app/analysiswin.h"

#include "app/filedialog.h"
#include "data/floattiff.h"
#include "data/parallelrows.h"
#include "data/savefile.h"
#include "data/tddata.h"
#include "display/colorbar.h"
#include "display/datactrl.h"
#include "display/datactrls.h"
#include "display/viewexport.h"
#include "processing/lineprofile.h"

#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QHeaderView>
#include <QShowEvent>

#include <cmath>
#include <memory>
#include <new>

namespace {

enum StatRow { Valid, Invalid, NaN, Infinite, Min, Max, Mean, StdDev, Sum, Median, Low, High, StatRows };

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

// Takes nothing more once the run it is written from is cancelled: the PNG writer then gives up at
// its next write instead of encoding the rest of a large picture for nothing.
class StoppingBuffer : public QBuffer
{
public:
    using QBuffer::QBuffer;

protected:
    qint64 writeData(const char *data, qint64 size) override
    {
        return ParallelRows::cancelled() ? -1 : QBuffer::writeData(data, size);
    }
};

// Why a cancelled export wrote nothing; never shown, as the run's end tells of the cancel.
QString cancelledExport()
{
    return QStringLiteral("cancelled");
}

} // namespace

AnalysisWin::AnalysisWin(DataCtrls *ctrls, QWidget *parent)
    : QFrame(parent)
    , ctrls(ctrls)
{
    ui.setupUi(this);
    ui.Stats->setColumnCount(2);
    ui.Stats->setRowCount(StatRows);
    ui.Stats->setHorizontalHeaderLabels({tr("Whole"), tr("Region")});
    ui.Stats->setVerticalHeaderLabels({tr("Valid"), tr("Invalid"), tr("NaN"), tr("Infinite"), tr("Min"), tr("Max"),
                                       tr("Mean"), tr("Std. dev."), tr("Sum"), tr("Median"), tr("0.5 %"),
                                       tr("99.5 %")});
    for (int r = 0; r < StatRows; ++r) {
        for (int c = 0; c < 2; ++c) {
            auto *item = new QTableWidgetItem(QStringLiteral("--"));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            ui.Stats->setItem(r, c, item);
        }
    }
    ui.Stats->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui.Stats->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui.Stats->setMinimumHeight(ui.Stats->verticalHeader()->length() + ui.Stats->horizontalHeader()->height() + 8);
    ui.Histogram->setTitle(tr("Histogram of the valid values"));

    connect(ctrls, &DataCtrls::ctrlAdded, this, &AnalysisWin::watch);
    connect(ctrls->imgBase.ui.ImgBaseTab, &QTabWidget::currentChanged, this, &AnalysisWin::followCurrent);
    connect(ui.LogCounts, &QCheckBox::toggled, ui.Histogram, &HistogramPlot::setLogCounts);
    connect(ui.Histogram, &HistogramPlot::markDragged, this, &AnalysisWin::dragMark);
    connect(ui.FullRange, &QPushButton::clicked, this, [this] { setMarkValues(whole.min, whole.max); });
    connect(ui.AutoRange, &QPushButton::clicked, this,
            [this] { setMarkValues(whole.lowQuantile, whole.highQuantile); });
    connect(ui.ResetRange, &QPushButton::clicked, this, [this] { setMarkFractions(0.0, 1.0); });
    connect(ui.LowerValue, &QLineEdit::editingFinished, this, &AnalysisWin::typedMarks);
    connect(ui.UpperValue, &QLineEdit::editingFinished, this, &AnalysisWin::typedMarks);
    connect(&wholeRun, &FrameStatsRun::computed, this, &AnalysisWin::showWhole);
    connect(&regionRun, &FrameStatsRun::computed, this,
            [this](const FrameStats::Result *stats) { fillStats(1, stats); });
    exportPool.setMaxThreadCount(1);
    exportRun.pool = &exportPool;
    exportRun.ordered = false;
    ui.gridLayout->addWidget(&exportRun, ui.gridLayout->rowCount(), 0);
    connect(&exportRun, &RunBar::notice, this, &AnalysisWin::notice);
    connect(ui.SavePng, &QPushButton::clicked, this, [this] { saveDialog(true)->show(); });
    connect(ui.ExportTiff, &QPushButton::clicked, this, [this] { saveDialog(false)->show(); });
    for (DataCtrl *c : qAsConst(ctrls->dataCtrls))
        watch(c);
}

TDData *AnalysisWin::currentData() const
{
    DataCtrl *c = currentCtrl();
    return c ? c->data(false) : nullptr;
}

DataCtrl *AnalysisWin::currentCtrl() const
{
    if (hovered && ctrls->dataCtrls.contains(hovered))
        return hovered;
    const QWidget *page = ctrls->imgBase.ui.ImgBaseTab->currentWidget();
    for (DataCtrl *c : ctrls->dataCtrls) {
        if (&c->imgDisp == page)
            return c;
    }
    return nullptr;
}

void AnalysisWin::watch(DataCtrl *c)
{
    connect(c, &DataCtrl::pointAt, this, [this, c](int ix, int iy) { pointedAt(c, ix, iy); });
    ColorBar *bar = c->imgDisp.ui.CBar;
    auto marks = [this, c] {
        if (isVisible() && c == currentCtrl())
            refreshMarks();
    };
    connect(bar, &ColorBar::cBarUpdated, this, marks);
    connect(bar, &ColorBar::cBarUpdating, this, marks);
    auto region = [this, c] {
        if (isVisible() && c == currentCtrl())
            refreshRegion();
    };
    connect(&c->imgDisp, &ImgDisp::newRegion, this, region);
    connect(&c->imgDisp, &ImgDisp::regionCleared, this, region);
    // The row is half gone when this arrives; look again once it is.
    connect(c, &QObject::destroyed, this,
            [this] { QMetaObject::invokeMethod(this, &AnalysisWin::followCurrent, Qt::QueuedConnection); });
}

void AnalysisWin::showWindow()
{
    show();
    raise();
    activateWindow();
}

void AnalysisWin::showEvent(QShowEvent *e)
{
    QFrame::showEvent(e);
    refreshAll();
}

void AnalysisWin::pointedAt(DataCtrl *c, int ix, int iy)
{
    const bool switched = c != hovered;
    hovered = c;
    crosshair = QPoint(ix, iy);
    if (!isVisible())
        return;
    if (switched)
        followCurrent();
    refreshProfiles();
}

void AnalysisWin::followCurrent()
{
    if (currentCtrl() != computedFor || !computedFor)
        refreshAll();
}

void AnalysisWin::refreshAll()
{
    if (!isVisible())
        return;
    DataCtrl *c = currentCtrl();
    const TDData *d = c ? c->data(false) : nullptr;
    ui.DataName->setText(d ? d->shownId() : QStringLiteral("--"));
    computedFor = c;
    // Both figures share one wait.
    const QDeadlineTimer deadline(statsWaitMs);
    showWhole(nullptr, FrameStats::Histogram());
    if (d) {
        fillPending(0);
        wholeRun.start(*d, FrameStats::wholeGrid(*d), true);
    } else {
        wholeRun.drop();
    }
    startRegion();
    wholeRun.settle(deadline);
    regionRun.settle(deadline);
    refreshMarks();
    refreshProfiles();
}

void AnalysisWin::refreshRegion()
{
    if (!isVisible())
        return;
    startRegion();
    regionRun.settle(QDeadlineTimer(statsWaitMs));
}

void AnalysisWin::startRegion()
{
    DataCtrl *c = currentCtrl();
    const TDData *d = c ? c->data(false) : nullptr;
    if (!d || c->imgDisp.regionState != ImgDisp::RegionSet) {
        regionRun.drop();
        fillStats(1, nullptr);
        return;
    }
    fillPending(1);
    regionRun.start(*d, c->imgDisp.regionRect(), false);
}

void AnalysisWin::showWhole(const FrameStats::Result *stats, const FrameStats::Histogram &histogram)
{
    whole = stats ? *stats : FrameStats::Result();
    ui.Histogram->setHistogram(histogram);
    fillStats(0, stats);
    for (QWidget *w : {static_cast<QWidget *>(ui.FullRange), static_cast<QWidget *>(ui.AutoRange)})
        w->setEnabled(!whole.empty());
}

void AnalysisWin::fillPending(int column)
{
    for (int row = 0; row < StatRows; ++row)
        ui.Stats->item(row, column)->setText(QStringLiteral("..."));
}

void AnalysisWin::fillStats(int column, const FrameStats::Result *s)
{
    auto set = [this, column](int row, const QString &text) { ui.Stats->item(row, column)->setText(text); };
    const QString none = QStringLiteral("--");
    set(Valid, s ? QString::number(s->valid) : none);
    set(Invalid, s ? QString::number(s->invalid) : none);
    set(NaN, s ? QString::number(s->nan) : none);
    set(Infinite, s ? QString::number(s->infinite) : none);
    const bool values = s && !s->empty();
    const double figures[] = {s ? s->min : 0, s ? s->max : 0, s ? s->mean : 0, s ? s->stdDev : 0, s ? s->sum : 0,
                              s ? s->median : 0, s ? s->lowQuantile : 0, s ? s->highQuantile : 0};
    for (int row = Min; row < StatRows; ++row)
        set(row, values ? number(figures[row - Min]) : none);
}

double AnalysisWin::valueOf(double f) const
{
    const TDData *d = currentData();
    return d ? d->minVal + f * (d->maxVal - d->minVal) : 0.0;
}

double AnalysisWin::fractionOf(double value) const
{
    const TDData *d = currentData();
    return d ? (value - d->minVal) / (d->maxVal - d->minVal) : 0.0;
}

void AnalysisWin::refreshMarks()
{
    if (!isVisible())
        return;
    DataCtrl *c = currentCtrl();
    if (!c)
        return;
    const ColorBar *bar = c->imgDisp.ui.CBar;
    const double lower = valueOf(bar->lowerMark);
    const double upper = valueOf(bar->upperMark);
    ui.Histogram->setMarks(lower, upper);
    // Text being typed is not overwritten.
    if (!ui.LowerValue->hasFocus())
        ui.LowerValue->setText(number(lower));
    if (!ui.UpperValue->hasFocus())
        ui.UpperValue->setText(number(upper));
}

void AnalysisWin::setMarkValues(double lower, double upper)
{
    setMarkFractions(fractionOf(lower), fractionOf(upper));
}

void AnalysisWin::setMarkFractions(double lower, double upper)
{
    DataCtrl *c = currentCtrl();
    const TDData *d = c ? c->data(false) : nullptr;
    // Marks are fractions of the dataset's range; a range of one value has no fractions.
    if (!d || !(d->maxVal > d->minVal) || std::isnan(lower) || std::isnan(upper))
        return;
    ColorBar *bar = c->imgDisp.ui.CBar;
    bar->lowerMark = lower;
    bar->upperMark = upper;
    bar->paintCBar();
}

void AnalysisWin::dragMark(bool lower, double value)
{
    DataCtrl *c = currentCtrl();
    if (!c)
        return;
    // The other mark stays exactly where it is.
    const ColorBar *bar = c->imgDisp.ui.CBar;
    if (lower)
        setMarkFractions(fractionOf(value), bar->upperMark);
    else
        setMarkFractions(bar->lowerMark, fractionOf(value));
}

void AnalysisWin::typedMarks()
{
    // Text that is not a number reads as 0, as in every number field of the program.
    setMarkValues(ui.LowerValue->text().toDouble(), ui.UpperValue->text().toDouble());
}

void AnalysisWin::refreshProfiles()
{
    DataCtrl *c = currentCtrl();
    const TDData *d = c ? c->data(false) : nullptr;
    const int ix = crosshair.x();
    const int iy = crosshair.y();
    const LineProfile::Result row = d ? LineProfile::row(*d, iy) : LineProfile::Result();
    const LineProfile::Result column = d ? LineProfile::column(*d, ix) : LineProfile::Result();
    ui.RowProfile->setTitle(!d                     ? tr("Row")
                            : row.values.isEmpty() ? tr("Row (the crosshair is not on this frame)")
                                                   : tr("Row %1").arg(iy));
    ui.ColumnProfile->setTitle(!d                        ? tr("Column")
                               : column.values.isEmpty() ? tr("Column (the crosshair is not on this frame)")
                                                         : tr("Column %1").arg(ix));
    ui.RowProfile->setProfile(row, ix);
    ui.ColumnProfile->setProfile(column, iy);
}

_FileDialog *AnalysisWin::saveDialog(bool png)
{
    _FileDialog *&dialog = png ? pngDialog : tiffDialog;
    if (!dialog) {
        dialog = new _FileDialog(this);
        dialog->setWindowFlag(Qt::Window);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setNameFilter(png ? tr("PNG image (*.png)") : tr("Float TIFF (*.tif *.tiff)"));
        dialog->setDefaultSuffix(png ? QStringLiteral("png") : QStringLiteral("tif"));
        if (png)
            connect(dialog, &QFileDialog::fileSelected, this, &AnalysisWin::savePng);
        else
            connect(dialog, &QFileDialog::fileSelected, this, &AnalysisWin::exportTiff);
    }
    return dialog;
}

void AnalysisWin::savePng(const QString &path)
{
    DataCtrl *c = currentCtrl();
    const TDData *d = c ? c->data(false) : nullptr;
    if (!d) {
        exported(path, tr("no dataset is shown"));
        return;
    }
    // The picture is made from copies, so the row and its bar may change or go meanwhile.
    const std::shared_ptr<TDData> view(d->snapshot());
    const ColorBar0 bar = *c->imgDisp.ui.CBar;
    const bool withBar = ui.WithColorBar->isChecked();
    startExport(path, [view, bar, withBar, path] {
        const QImage image = ViewExport::image(*view, bar, withBar);
        if (image.isNull())
            return tr("the picture is too large");
        QByteArray png;
        StoppingBuffer buffer(&png);
        // Encoded first, so that the file is replaced only by a whole picture.
        const bool encoded = buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG");
        if (ParallelRows::cancelled())
            return cancelledExport();
        if (!encoded)
            return tr("the picture could not be encoded");
        QString error;
        if (!SaveFile::save(path, png, &error) && error.isEmpty())
            error = tr("writing failed");
        return error;
    });
}

void AnalysisWin::exportTiff(const QString &path)
{
    const TDData *d = currentData();
    if (!d) {
        exported(path, tr("no dataset is shown"));
        return;
    }
    const std::shared_ptr<const TDData> data(d->snapshot());
    startExport(path, [data, path] {
        QString error;
        if (!FloatTiff::write(*data, path, &error) && error.isEmpty())
            error = tr("writing failed");
        return error;
    });
}

void AnalysisWin::startExport(const QString &path, const std::function<QString()> &write)
{
    // Written by the worker, read once the run is over.
    struct Ending
    {
        bool ran = false;
        // Worded on the GUI thread: words take memory.
        bool outOfMemory = false;
        QString error;
    };
    const auto ending = std::make_shared<Ending>();
    const RunBar::Job job = [write, ending] {
        // Told as an export that failed, not as a run whose result was not added.
        try {
            ending->error = write();
        } catch (const std::bad_alloc &) {
            ending->outOfMemory = true;
        } catch (const std::exception &e) {
            ending->error = QString::fromLocal8Bit(e.what());
        }
        ending->ran = true;
        return QVector<TDData *>();
    };
    exportRun.start(job, RunBar::Deliver(), [this, path, ending](RunBar::Outcome outcome) {
        if (ending->outOfMemory)
            ending->error = tr("not enough memory");
        // A Cancel that came too late to stop the writing does not hide what was written.
        if (ending->ran && ending->error.isEmpty()) {
            exported(path, QString());
        } else if (outcome == RunBar::Outcome::Cancelled) {
            qDebug() << "export cancelled:" << path;
            emit notice(tr("export of %1 cancelled; nothing was written").arg(QDir::toNativeSeparators(path)));
        } else if (ending->ran) {
            exported(path, ending->error);
        }
        // A run that failed has told why through the bar.
    });
}

void AnalysisWin::exported(const QString &path, const QString &error)
{
    const QString name = QDir::toNativeSeparators(path);
    if (!error.isEmpty()) {
        qDebug() << "can't export" << path << error;
        emit notice(tr("could not export %1: %2").arg(name, error));
        return;
    }
    emit notice(tr("exported %1").arg(name));
}
