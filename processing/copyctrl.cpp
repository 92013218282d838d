#include "copyctrl.h"

#include "data/parallelrows.h"
#include "data/tddata.h"
#include "display/datactrl.h"
#include "display/datactrls.h"
#include "processing/copyregion.h"

#include <algorithm>
#include <climits>
#include <memory>

CopyCtrl::CopyCtrl(QWidget *parent)
    : QFrame(parent)
{
    ui.setupUi(this);
    ui.gridLayout->addWidget(&runBar, ui.gridLayout->rowCount(), 0, 1, -1);
    connect(&runBar, &RunBar::notice, this, &CopyCtrl::notice);
    modeGroup.addButton(ui.SimpleCopy);
    modeGroup.addButton(ui.AroundPeaks);
    orderGroup.addButton(ui.OrderH);
    orderGroup.addButton(ui.OrderV);
    orderGroup.addButton(ui.OrderVH);
    orderGroup.addButton(ui.OrderHV);
    horizontalGroup.addButton(ui.OrderLR);
    horizontalGroup.addButton(ui.OrderRL);
    verticalGroup.addButton(ui.OrderTB);
    verticalGroup.addButton(ui.OrderBT);
    ui.AroundPeaks->setChecked(true);
    ui.OrderH->setChecked(true);
    ui.OrderLR->setChecked(true);
    ui.OrderTB->setChecked(true);
    connect(ui.ExecCopy, &QPushButton::clicked, this, &CopyCtrl::execCopy);
    // The line follows the mode and the settings that change what is taken.
    connect(&modeGroup, qOverload<QAbstractButton *, bool>(&QButtonGroup::buttonToggled), this, &CopyCtrl::showInputs);
    connect(ui.SimpleCopyResize, &QCheckBox::toggled, this, &CopyCtrl::showInputs);
    connect(ui.ReferencePeak, qOverload<int>(&QSpinBox::valueChanged), this, &CopyCtrl::showInputs);
}

void CopyCtrl::setCtrls(DataCtrls *c)
{
    ctrls = c;
    connect(c, &DataCtrls::inputsChanged, this, &CopyCtrl::showInputs);
    showInputs();
}

void CopyCtrl::execCopy()
{
    if (ui.SimpleCopy->isChecked())
        simpleCopy();
    else if (ui.AroundPeaks->isChecked())
        aroundPeaks();
}

void CopyCtrl::simpleCopy()
{
    const SimpleInputs in = simpleInputs(true);
    if (!in.src || in.rect.isEmpty()) {
        emit notice(in.src ? tr("Copy: S1 has no region") : tr("Copy: no dataset is marked S1"));
        return;
    }
    const std::shared_ptr<const TDData> input(in.src->snapshot());
    const QRect rect = in.rect;
    const bool resize = ui.SimpleCopyResize->isChecked();
    const QString provenance = tr("%1\nResize %2").arg(simpleText(in), resize ? tr("on") : tr("off"));
    runBar.start([input, rect, resize] { return QVector<TDData *>{CopyRegion::exec(input.get(), rect, resize)}; },
                 [this, provenance](TDData *copy) {
                     if (!copy) {
                         emit notice(tr("Copy: the copy does not fit in memory; nothing was added"));
                         return;
                     }
                     copy->provenance = provenance;
                     emit copiedData(copy);
                 });
}

void CopyCtrl::aroundPeaks()
{
    const PeakInputs in = peakInputs(true);
    if (!in.s1 || !in.s2) {
        emit notice(in.s1 ? tr("Copy: no dataset is marked S2") : tr("Copy: no dataset is marked S1"));
        return;
    }
    if (!CopyAroundPeaks::tileFits(in.templ)) {
        emit notice(tr("Copy: the region of S2 is larger than a dataset can hold"));
        return;
    }
    const QVector<PeakTile> tiles = CopyAroundPeaks::plan(in.peaks, ui.ReferencePeak->value(), in.templ, saveOrder());
    if (tiles.isEmpty()) {
        emit notice(tr("Copy: S1 has no such reference peak, or S2 no region"));
        return;
    }
    const QString provenance = tr("%1\nSave order %2, %3, %4")
                                   .arg(peaksText(in), orderGroup.checkedButton() ? orderGroup.checkedButton()->text() : QString(),
                                        ui.OrderRL->isChecked() ? ui.OrderRL->text() : ui.OrderLR->text(),
                                        ui.OrderBT->isChecked() ? ui.OrderBT->text() : ui.OrderTB->text());
    const std::shared_ptr<const TDData> input(in.s2->snapshot());
    runBar.start(
        [input, tiles] {
            QVector<TDData *> copies;
            ParallelRows::rowsStarted(int(std::min<qint64>(INT_MAX, qint64(tiles.size()) * tiles.first().rect.height())));
            try {
                for (const PeakTile &tile : tiles) {
                    std::unique_ptr<TDData> copy(CopyAroundPeaks::makeTile(input.get(), tile));
                    copies.append(copy.get());
                    copy.release();
                    if (!ParallelRows::rowsDone(tile.rect.height()))
                        break;
                }
            } catch (...) {
                // A run that fails (out of memory, say) takes the tiles made so far with it.
                qDeleteAll(copies);
                throw;
            }
            return copies;
        },
        [this, provenance](TDData *copy) {
            if (!copy) {
                emit notice(tr("Copy: a tile does not fit in memory and was left out"));
                return;
            }
            copy->provenance = provenance;
            emit copiedData(copy);
        });
}

void CopyCtrl::showInputs()
{
    ui.Inputs->setText(ui.SimpleCopy->isChecked() ? simpleText(simpleInputs(false)) : peaksText(peakInputs(false)));
}

CopyCtrl::SimpleInputs CopyCtrl::simpleInputs(bool withRegions) const
{
    SimpleInputs in;
    in.row = s1Row();
    in.src = in.row ? in.row->data(withRegions) : nullptr;
    if (in.src)
        in.rect = in.row->imgDisp.regionRect();
    return in;
}

CopyCtrl::PeakInputs CopyCtrl::peakInputs(bool withRegions) const
{
    PeakInputs in;
    in.row1 = s1Row();
    in.row2 = s2Row();
    in.s1 = in.row1 ? in.row1->data(withRegions) : nullptr;
    in.s2 = in.row2 ? in.row2->data(withRegions) : nullptr;
    if (in.s1)
        in.peaks = CopyAroundPeaks::collectPeaks(in.s1);
    if (in.s2)
        in.templ = CopyAroundPeaks::templateRect(in.s2);
    return in;
}

QString CopyCtrl::simpleText(const SimpleInputs &in) const
{
    if (!in.src)
        return tr("Copy takes nothing yet: select a dataset as S1.");
    const QString name = in.row->inputName();
    if (in.rect.isEmpty())
        return tr("Copy takes nothing: draw a region on S1 %1.").arg(name);
    const bool resize = ui.SimpleCopyResize->isChecked();
    return tr("Copy takes region %1 of S1 %2; result %3 × %4")
        .arg(ImgDisp::regionText(in.rect), name)
        .arg(resize ? in.rect.width() : in.src->width)
        .arg(resize ? in.rect.height() : in.src->height);
}

QString CopyCtrl::peaksText(const PeakInputs &in) const
{
    if (!in.s1 || !in.s2)
        return tr("Copy takes nothing yet: select S1 (with peaks) and S2.");
    const QString name1 = in.row1->inputName();
    const QString name2 = in.row2->inputName();
    const int ref = ui.ReferencePeak->value();
    const QString reference = ref < in.peaks.size()
                                  ? tr("reference peak %1 at (%2, %3)")
                                        .arg(ref)
                                        .arg(in.peaks.at(ref).x(), 0, 'g', 6)
                                        .arg(in.peaks.at(ref).y(), 0, 'g', 6)
                                  : tr("reference peak %1 does not exist").arg(ref);
    return tr("Copy takes region %1 of S2 %2 around the %3 peaks of S1 %4; %5")
        .arg(ImgDisp::regionText(in.templ), name2, QString::number(in.peaks.size()), name1, reference);
}

void CopyCtrl::show(bool f)
{
    setVisible(f);
}

SaveOrder CopyCtrl::saveOrder() const
{
    SaveOrder order;
    order.axis = ui.OrderH->isChecked()    ? SaveOrder::H
                 : ui.OrderV->isChecked()  ? SaveOrder::V
                 : ui.OrderHV->isChecked() ? SaveOrder::HFirst
                 : ui.OrderVH->isChecked() ? SaveOrder::VFirst
                                           : SaveOrder::Collection;
    order.rightToLeft = ui.OrderRL->isChecked();
    order.bottomToTop = ui.OrderBT->isChecked();
    return order;
}

DataCtrl *CopyCtrl::s1Row() const
{
    return ctrls ? ctrls->ctrlOf(ctrls->singleSels1Group.checkedButton()) : nullptr;
}

DataCtrl *CopyCtrl::s2Row() const
{
    return ctrls ? ctrls->ctrlOf(ctrls->singleSels2Group.checkedButton()) : nullptr;
}
