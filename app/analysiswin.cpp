#include "app/analysiswin.h"

#include "app/filedialog.h"
#include "data/floattiff.h"
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

namespace {

enum StatRow { Valid, Invalid, NaN, Infinite, Min, Max, Mean, StdDev, Sum, Median, Low, High, StatRows };

QString number(double v)
{
    return QString::number(v, 'g', 6);
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
    FrameStats::Histogram hist;
    whole = d ? FrameStats::compute(*d, FrameStats::wholeGrid(*d), &hist) : FrameStats::Result();
    computedFor = c;
    ui.Histogram->setHistogram(hist);
    fillStats(0, d ? &whole : nullptr);
    for (QWidget *w : {static_cast<QWidget *>(ui.FullRange), static_cast<QWidget *>(ui.AutoRange)})
        w->setEnabled(!whole.empty());
    refreshRegion();
    refreshMarks();
    refreshProfiles();
}

void AnalysisWin::refreshRegion()
{
    if (!isVisible())
        return;
    DataCtrl *c = currentCtrl();
    const TDData *d = c ? c->data(false) : nullptr;
    if (!d || c->imgDisp.regionState != ImgDisp::RegionSet) {
        fillStats(1, nullptr);
        return;
    }
    const FrameStats::Result region = FrameStats::compute(*d, c->imgDisp.regionRect());
    fillStats(1, &region);
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
    ui.RowProfile->setTitle(tr("Row %1").arg(iy));
    ui.ColumnProfile->setTitle(tr("Column %1").arg(ix));
    ui.RowProfile->setProfile(d ? LineProfile::row(*d, iy) : LineProfile::Result(), ix);
    ui.ColumnProfile->setProfile(d ? LineProfile::column(*d, ix) : LineProfile::Result(), iy);
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

bool AnalysisWin::savePng(const QString &path)
{
    DataCtrl *c = currentCtrl();
    TDData *d = c ? c->data(false) : nullptr;
    if (!d)
        return exported(path, tr("no dataset is shown"));
    const QImage image = ViewExport::image(*d, *c->imgDisp.ui.CBar, ui.WithColorBar->isChecked());
    if (image.isNull())
        return exported(path, tr("the picture is too large"));
    QByteArray png;
    QBuffer buffer(&png);
    QString error;
    // Encoded first, so that the file is replaced only by a whole picture.
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return exported(path, tr("the picture could not be encoded"));
    if (!SaveFile::save(path, png, &error) && error.isEmpty())
        error = tr("writing failed");
    return exported(path, error);
}

bool AnalysisWin::exportTiff(const QString &path)
{
    DataCtrl *c = currentCtrl();
    const TDData *d = c ? c->data(false) : nullptr;
    QString error;
    if (!d)
        error = tr("no dataset is shown");
    else if (!FloatTiff::write(*d, path, &error) && error.isEmpty())
        error = tr("writing failed");
    return exported(path, error);
}

bool AnalysisWin::exported(const QString &path, const QString &error)
{
    const QString name = QDir::toNativeSeparators(path);
    if (!error.isEmpty()) {
        qDebug() << "can't export" << path << error;
        emit notice(tr("could not export %1: %2").arg(name, error));
        return false;
    }
    emit notice(tr("exported %1").arg(name));
    return true;
}
