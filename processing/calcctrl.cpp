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
    connect(&runBar, &RunBar::notice, this, &CalcCtrl::notice);
    connect(ui.Gen, &QPushButton::clicked, this, &CalcCtrl::calc);
}

void CalcCtrl::setCtrls(DataCtrls *c)
{
    ctrls = c;
    connect(c, &DataCtrls::inputsChanged, this, &CalcCtrl::showInputs);
    showInputs();
}

void CalcCtrl::calc()
{
    const QVector<Operand> ops = operands(true);
    if (ops.isEmpty()) {
        emit notice(tr("Calc: no dataset is marked A or B"));
        return;
    }
    QVector<RatioOperand> numerators;
    QVector<RatioOperand> denominators;
    // The run works on snapshots, one per row, so rows may change or go while it runs.
    std::shared_ptr<std::vector<std::unique_ptr<const TDData>>> inputs(new std::vector<std::unique_ptr<const TDData>>);
    for (const Operand &in : ops) {
        const TDData *data = in.data->snapshot();
        inputs->emplace_back(data);
        const RatioOperand op = operandOf(in.row, data);
        if (in.numerator)
            numerators.append(op);
        if (in.denominator)
            denominators.append(op);
    }
    const int width = ops.first().data->width;
    const int height = ops.first().data->height;
    const RatioOptions opts = options();
    const QString name = CalcRatio::resultName(ui.Numerators->text(), ui.Denominators->text(), opts);
    const QString provenance = tr("%1\nLog %2, Neg. %3")
                                   .arg(inputsText(ops), opts.log ? tr("on") : tr("off"), opts.neg ? tr("on") : tr("off"));
    runBar.start(
        [inputs, numerators, denominators, width, height, opts, name] {
            std::unique_ptr<TDData> result(CalcRatio::exec(numerators, denominators, width, height, opts));
            result->dataId = name;
            return RunBar::single(std::move(result));
        },
        [this, provenance](TDData *result) {
            result->provenance = provenance;
            emit newDataGenerated(result);
        });
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

void CalcCtrl::showInputs()
{
    ui.Inputs->setText(inputsText(operands(false)));
}

QVector<CalcCtrl::Operand> CalcCtrl::operands(bool withRegions) const
{
    QVector<Operand> ops;
    if (!ctrls)
        return ops;
    for (int j = 0; j < ctrls->dataCtrls.size(); ++j) {
        const bool a = marked(selsA, j);
        const bool b = marked(selsB, j);
        if (!a && !b)
            continue;
        // Fetched once per row, also when it is both numerator and denominator.
        DataCtrl *row = ctrls->dataCtrls.at(j);
        if (TDData *data = row->data(withRegions))
            ops.append(Operand{row, data, a, b});
    }
    return ops;
}

QString CalcCtrl::inputsText(const QVector<Operand> &ops) const
{
    if (ops.isEmpty())
        return tr("Gen takes nothing yet: mark numerators with A and denominators with B.");
    QStringList numerators;
    QStringList denominators;
    for (const Operand &op : ops) {
        const ImgDisp &disp = op.row->imgDisp;
        QString text = op.row->inputName();
        if (disp.regionState != ImgDisp::NoRegion)
            text = tr("%1, region %2").arg(text, ImgDisp::regionText(disp.regionRect()));
        if (op.numerator)
            numerators << text;
        if (op.denominator)
            denominators << text;
    }
    const QString none = tr("none");
    return tr("Gen takes %1 over %2; result %3 × %4")
        .arg(numerators.isEmpty() ? none : numerators.join(QStringLiteral(" + ")),
             denominators.isEmpty() ? none : denominators.join(QStringLiteral(" + ")))
        .arg(ops.first().data->width)
        .arg(ops.first().data->height);
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
