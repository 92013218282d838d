#include "display/datactrls.h"

#include "display/datactrl.h"

#include <QAbstractButton>

#include <algorithm>

DataCtrls::DataCtrls(QObject *parent)
    : QObject(parent)
{
    imgBase.show();
    connect(&singleSels1Group, qOverload<QAbstractButton *, bool>(&QButtonGroup::buttonToggled), this,
            &DataCtrls::singleSels1Changed);
    connect(&singleSels2Group, qOverload<QAbstractButton *, bool>(&QButtonGroup::buttonToggled), this,
            &DataCtrls::singleSels2Changed);
    connect(imgBase.ui.ImgBaseTab, &QTabWidget::currentChanged, this, &DataCtrls::tabShown);
}

DataCtrls::~DataCtrls()
{
    // The tab window, destroyed last, lets go of its pages and changes its current tab then.
    disconnect(imgBase.ui.ImgBaseTab, nullptr, this, nullptr);
}

void DataCtrls::addDataCtrl(DataCtrl *c)
{
    if (!c || dataCtrls.contains(c))
        return;
    ++ctrlCounter;
    c->ui.No->setText(QString::number(ctrlCounter));
    alignNumbers(c);

    dataCtrls.append(c);
    connect(c, &DataCtrl::focused, this, &DataCtrls::aCtrlFocused);
    connect(c, &DataCtrl::pointAt, this, &DataCtrls::noticedAt);
    connect(c, &DataCtrl::deleteMe, this, &DataCtrls::deleteAnDC);
    connect(c, &DataCtrl::comeMeBackToTab, this, &DataCtrls::comeBackADCToTab);
    connect(c->ui.MultiSelA, &QCheckBox::toggled, this, &DataCtrls::multiSelsChanged);
    connect(c->ui.MultiSelB, &QCheckBox::toggled, this, &DataCtrls::multiSelsChanged);
    connect(c->ui.Show, &QCheckBox::toggled, this, &DataCtrls::showToggled);
    // A row deleted by its owner must not stay behind as a dangling entry.
    connect(c, &QObject::destroyed, this, [this, c] { dataCtrls.removeAll(c); });

    connect(&c->imgDisp, &ImgDisp::newRegion, this, &DataCtrls::inputsChanged);
    connect(&c->imgDisp, &ImgDisp::regionCleared, this, &DataCtrls::inputsChanged);
    const QAbstractItemModel *kept = c->imgDisp.ui.Regions->model();
    connect(kept, &QAbstractItemModel::rowsInserted, this, &DataCtrls::inputsChanged);
    connect(kept, &QAbstractItemModel::rowsRemoved, this, &DataCtrls::inputsChanged);
    connect(kept, &QAbstractItemModel::modelReset, this, &DataCtrls::inputsChanged);

    singleSels1Group.addButton(c->ui.SingleSel1);
    singleSels2Group.addButton(c->ui.SingleSel2);

    if (tabbing)
        putIntoTab(c);
    else
        c->imgDisp.setVisible(c->ui.Show->isChecked());
    emit ctrlAdded(c);
    emit inputsChanged();
}

void DataCtrls::alignNumbers(DataCtrl *newest)
{
    // The newest number is the longest; the others widen only when the count gains a digit.
    const int width = std::max(newest->ui.No->minimumWidth(), newest->ui.No->sizeHint().width());
    if (width > numberWidth) {
        numberWidth = width;
        for (DataCtrl *c : qAsConst(dataCtrls))
            c->ui.No->setMinimumWidth(numberWidth);
    }
    newest->ui.No->setMinimumWidth(numberWidth);
}

DataCtrl *DataCtrls::ctrlAt(int i) const
{
    return dataCtrls.value(i, nullptr);
}

QList<DataCtrl *> DataCtrls::selectedCtrls(const QVector<bool> &sels) const
{
    QList<DataCtrl *> selected;
    const int n = qMin(sels.size(), dataCtrls.size());
    for (int i = 0; i < n; ++i) {
        if (sels.at(i))
            selected.append(dataCtrls.at(i));
    }
    return selected;
}

DataCtrl *DataCtrls::ctrlOf(const QAbstractButton *button) const
{
    if (!button)
        return nullptr;
    for (DataCtrl *c : dataCtrls) {
        if (c->isAncestorOf(button))
            return c;
    }
    return nullptr;
}

void DataCtrls::aCtrlFocused()
{
    const QObject *focusedCtrl = sender();
    for (DataCtrl *c : qAsConst(dataCtrls)) {
        if (c != focusedCtrl)
            c->setFocused(false);
    }
}

void DataCtrls::multiSelsChanged(bool)
{
    selsChanged_();
}

void DataCtrls::singleSels1Changed(QAbstractButton *, bool)
{
    selsChanged_();
}

void DataCtrls::singleSels2Changed(QAbstractButton *, bool)
{
    selsChanged_();
}

void DataCtrls::selsChanged_()
{
    selsS1.clear();
    selsS2.clear();
    selsA.clear();
    selsB.clear();
    for (const DataCtrl *c : qAsConst(dataCtrls)) {
        selsS1.append(c->ui.SingleSel1->isChecked());
        selsS2.append(c->ui.SingleSel2->isChecked());
        selsA.append(c->ui.MultiSelA->isChecked());
        selsB.append(c->ui.MultiSelB->isChecked());
    }
    emit selsChanged(selsS1, selsS2, selsA, selsB);
    emit inputsChanged();
}

void DataCtrls::noticedAt(int ix, int iy)
{
    for (DataCtrl *c : qAsConst(dataCtrls))
        c->noticedAt(ix, iy);
}

void DataCtrls::deleteAnDC()
{
    DataCtrl *c = senderCtrl();
    if (!c)
        return;
    dataCtrls.removeAll(c);
    singleSels1Group.removeButton(c->ui.SingleSel1);
    singleSels2Group.removeButton(c->ui.SingleSel2);
    c->deleteLater();
    selsChanged_();
}

void DataCtrls::comeBackADCToTab()
{
    if (DataCtrl *c = senderCtrl())
        putIntoTab(c);
}

void DataCtrls::tabShown(int idx)
{
    // The tab widget shows the page it makes current, whatever the page's Show box says.
    QWidget *page = imgBase.ui.ImgBaseTab->widget(idx);
    if (placingPage || !page)
        return;
    for (DataCtrl *c : qAsConst(dataCtrls)) {
        if (&c->imgDisp == page)
            c->ui.Show->setChecked(true);
    }
}

void DataCtrls::showToggled(bool f)
{
    // A page shown while another is current would lie on top of it.
    DataCtrl *c = ctrlOf(qobject_cast<QAbstractButton *>(sender()));
    QTabWidget *tabs = imgBase.ui.ImgBaseTab;
    if (f && c && tabs->indexOf(&c->imgDisp) >= 0)
        tabs->setCurrentWidget(&c->imgDisp);
}

void DataCtrls::inTab(bool f)
{
    tabbing = f;
    if (f)
        imgBase.show();
}

void DataCtrls::showImgBase()
{
    imgBase.show();
}

DataCtrl *DataCtrls::senderCtrl() const
{
    for (DataCtrl *c : dataCtrls) {
        if (c == sender())
            return c;
    }
    return nullptr;
}

void DataCtrls::putIntoTab(DataCtrl *c)
{
    QTabWidget *tabs = imgBase.ui.ImgBaseTab;
    ImgDisp *disp = &c->imgDisp;
    placingPage = true;
    // A display already in the tabs would otherwise get a second page.
    if (tabs->indexOf(disp) < 0) {
        disp->setWindowFlag(Qt::Window, false);
        tabs->addTab(disp, QString::number(c->ui.No->text().toInt()));
    }
    // With many datasets the numbers alone do not say which is which.
    tabs->setTabToolTip(tabs->indexOf(disp), disp->windowTitle());
    tabs->setCurrentWidget(disp);
    imgBase.placeCloseButtons();
    placingPage = false;
    // The page stack sizes a new page only at its next layout pass; until then the page would
    // show at its old size (its form's or its free window's), partly out of sight.
    disp->setGeometry(disp->parentWidget()->contentsRect());
    disp->setVisible(c->ui.Show->isChecked());
}
