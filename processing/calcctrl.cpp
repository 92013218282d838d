#include "calcctrl.h"

#include "data/tddata.h"
#include "display/datactrl.h"
#include "display/datactrls.h"

#include <memory>
#include <vector>

namespace {

bool marked(const QVector<bool> &sels, int j)
{
    return j < sels.size() && sels[j];
}

// The row's dataset, masked to exactly the pixels of its region (those outlined on the image and
// shown in the Region label) while its image window has one.
RatioOperand operandOf(const DataCtrl *row, const TDData *data)
{
    const QRect region = row->imgDisp.regionRect();
    RatioOperand op;
    op.data = data;
    op.masked = row->imgDisp.regionState != ImgDisp::NoRegion;
    op.corner1 = region.topLeft();
    op.corner2 = region.bottomRight();
    return op;
}

} // namespace

CalcCtrl::CalcCtrl(QWidget *parent)
    : QFrame(parent)
{
    ui.setupUi(this);
    ui.gridLayout->addWidget(&runBar, ui.gridLayout->rowCount(), 0, 1, -1);
    connect(ui.Gen, &QPushButton::clicked, this, &CalcCtrl::calc);
}

void CalcCtrl::calc()
{
    if (!ctrls)
        return;
    QVector<RatioOperand> numerators;
    QVector<RatioOperand> denominators;
    // The run works on snapshots, one per row, so rows may change or go while it runs.
    std::shared_ptr<std::vector<std::unique_ptr<const TDData>>> inputs(new std::vector<std::unique_ptr<const TDData>>);
    const TDData *first = nullptr;
    for (int j = 0; j < ctrls->dataCtrls.size(); ++j) {
        const bool a = marked(selsA, j);
        const bool b = marked(selsB, j);
        if (!a && !b)
            continue;
        // Fetched once per row, also when it is both numerator and denominator.
        DataCtrl *row = ctrls->dataCtrls.at(j);
        const TDData *data = row->data(true);
        if (!data)
            continue;
        data = data->snapshot();
        inputs->emplace_back(data);
        if (!first)
            first = data;
        const RatioOperand op = operandOf(row, data);
        if (a)
            numerators.append(op);
        if (b)
            denominators.append(op);
    }
    if (!first) {
        emit notice(tr("Calc: no dataset is marked A or B"));
        return;
    }
    const int width = first->width;
    const int height = first->height;
    const RatioOptions opts = options();
    const QString name = CalcRatio::resultName(ui.Numerators->text(), ui.Denominators->text(), opts);
    runBar.start(
        [inputs, numerators, denominators, width, height, opts, name] {
            TDData *result = CalcRatio::exec(numerators, denominators, width, height, opts);
            result->dataId = name;
            return QVector<TDData *>{result};
        },
        [this](TDData *result) { emit newDataGenerated(result); });
}

void CalcCtrl::selsChanged(QVector<bool> selsS1, QVector<bool> selsS2, QVector<bool> selsA, QVector<bool> selsB)
{
    this->selsS1 = selsS1;
    this->selsS2 = selsS2;
    this->selsA = selsA;
    this->selsB = selsB;
    ui.Numerators->setText(operandText(selsA));
    ui.Denominators->setText(operandText(selsB));
}

void CalcCtrl::show(bool f)
{
    setVisible(f);
}

QString CalcCtrl::operandText(const QVector<bool> &sels) const
{
    QVector<int> numbers;
    if (ctrls) {
        for (const DataCtrl *row : ctrls->selectedCtrls(sels))
            numbers.append(row->ui.No->text().toInt());
    }
    return CalcRatio::operandText(numbers);
}

RatioOptions CalcCtrl::options() const
{
    return RatioOptions{ui.Log->isChecked(), ui.Neg->isChecked()};
}
