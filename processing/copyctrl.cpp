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
    DataCtrl *row = s1Row();
    const TDData *src = row ? row->data(true) : nullptr;
    if (!src) {
        emit notice(tr("Copy: no dataset is marked S1"));
        return;
    }
    const QRect rect = row->imgDisp.regionRect();
    if (rect.isEmpty()) {
        emit notice(tr("Copy: S1 has no region"));
        return;
    }
    const std::shared_ptr<const TDData> input(src->snapshot());
    const bool resize = ui.SimpleCopyResize->isChecked();
    runBar.start([input, rect, resize] { return QVector<TDData *>{CopyRegion::exec(input.get(), rect, resize)}; },
                 [this](TDData *copy) {
                     if (copy)
                         emit copiedData(copy);
                 });
}

void CopyCtrl::aroundPeaks()
{
    DataCtrl *row1 = s1Row();
    DataCtrl *row2 = s2Row();
    const TDData *s1 = row1 ? row1->data(true) : nullptr;
    const TDData *s2 = row2 ? row2->data(true) : nullptr;
    if (!s1 || !s2) {
        emit notice(s1 ? tr("Copy: no dataset is marked S2") : tr("Copy: no dataset is marked S1"));
        return;
    }
    const QVector<PeakTile> tiles = CopyAroundPeaks::plan(CopyAroundPeaks::collectPeaks(s1), ui.ReferencePeak->value(),
                                                          CopyAroundPeaks::templateRect(s2), saveOrder());
    if (tiles.isEmpty()) {
        emit notice(tr("Copy: S1 has no such reference peak, or S2 no region"));
        return;
    }
    const std::shared_ptr<const TDData> input(s2->snapshot());
    runBar.start(
        [input, tiles] {
            QVector<TDData *> copies;
            ParallelRows::rowsStarted(int(std::min<qint64>(INT_MAX, qint64(tiles.size()) * tiles.first().rect.height())));
            for (const PeakTile &tile : tiles) {
                copies.append(CopyAroundPeaks::makeTile(input.get(), tile));
                if (!ParallelRows::rowsDone(tile.rect.height()))
                    break;
            }
            return copies;
        },
        [this](TDData *copy) { emit copiedData(copy); });
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
