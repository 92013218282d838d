#include "app/body.h"

#include "app/pathhelpers.h"
#include "app/startup.h"
#include "data/imgdata.h"
#include "data/tddata.h"
#include "data/tddataheader.h"
#include "display/datactrl.h"
#include "display/imgdisp.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDebug>
#include <QSet>

Body::Body(QWidget *parent)
    : QFrame(parent)
    , analysisWin(&ctrls)
{
    ui.setupUi(this);
    // Rows keep their natural height; the empty grid row below the list takes the rest, so the
    // list starts at the top instead of floating in the middle.
    ui.gridLayout_6->setRowStretch(1, 1);
    copyCtrl.setCtrls(&ctrls);
    calcCtrl.setCtrls(&ctrls);
    filterCtrl.setCtrls(&ctrls);
    // Only the calculation panel keeps the selections; the others look up S1 and S2 when they run.
    connect(&ctrls, &DataCtrls::selsChanged, &calcCtrl, &CalcCtrl::selsChanged);

    saveModeGroup = new QButtonGroup;
    saveModeGroup->addButton(ui.SaveSingle);
    saveModeGroup->addButton(ui.SaveSelected);
    ui.SaveSingle->setChecked(true);

    ImgDisp::setGrayScaleDefault(ui.DefaultColorScaleIsGrey->isChecked());
    connect(ui.DefaultColorScaleIsGrey, &QCheckBox::toggled, this, &Body::setDefaultColorScale);

    fileDialogDir = dataRoot;

    loadDialog = new _FileDialog;
    loadDialog->setFileMode(QFileDialog::ExistingFiles);
    loadDialog->setAcceptMode(QFileDialog::AcceptOpen);
    connect(ui.Load, &QPushButton::clicked, loadDialog, &QWidget::show);
    // Queued, so that every file is loaded in a turn of its own and the window stays responsive.
    connect(this, &Body::loadNextFile, this, &Body::loadAFile, Qt::QueuedConnection);
    connect(loadDialog, &QFileDialog::filesSelected, this, &Body::loadFilesSelected);

    saveDialog = new _FileDialog;
    saveDialog->setFileMode(QFileDialog::AnyFile);
    saveDialog->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog->setNameFilters({QStringLiteral("2D Data File (*.qlv)"), QStringLiteral("Img File (*.png *.jpg)"),
                                QStringLiteral("Any (* *.*)")});
    connect(ui.Save, &QPushButton::clicked, saveDialog, &QWidget::show);
    connect(saveDialog, &QFileDialog::fileSelected, this, &Body::saveFile);

    copyCtrl.setVisible(ui.Copy->isChecked());
    connect(ui.Copy, &QCheckBox::toggled, &copyCtrl, &CopyCtrl::show);
    connect(&copyCtrl, &CopyCtrl::copiedData, this, &Body::calculatedData);
    ui.CopyLayout->addWidget(&copyCtrl);

    calcCtrl.setVisible(ui.Calc->isChecked());
    connect(ui.Calc, &QCheckBox::toggled, &calcCtrl, &CalcCtrl::show);
    connect(&calcCtrl, &CalcCtrl::newDataGenerated, this, &Body::calculatedData);
    ui.CalcLayout->addWidget(&calcCtrl);

    filterCtrl.setVisible(ui.Filter->isChecked());
    connect(ui.Filter, &QCheckBox::toggled, &filterCtrl, &QWidget::setVisible);
    connect(&filterCtrl, &FilterCtrl::newFilteredData, this, &Body::calculatedData);
    ui.FilterLayout->addWidget(&filterCtrl);

    ctrls.tabbing = ui.InTab->isChecked();
    if (ctrls.tabbing)
        ctrls.imgBase.show();
    connect(ui.InTab, &QCheckBox::toggled, &ctrls, &DataCtrls::inTab);
    connect(ui.ShowImgBase, &QPushButton::clicked, &ctrls, &DataCtrls::showImgBase);
    connect(ui.ShowAnalysis, &QPushButton::clicked, &analysisWin, &AnalysisWin::showWindow);
}

void Body::setDefaultColorScale(bool)
{
    ImgDisp::setGrayScaleDefault(ui.DefaultColorScaleIsGrey->isChecked());
}

void Body::loadFilesSelected(QStringList fnames)
{
    for (const QString &fname : qAsConst(fnames))
        emit loadNextFile(fname);
}

void Body::loadAFile(QString fname)
{
    auto *data = new TDData;
    TDDataHeader header;
    if (header.readHeader(fname) && data->read2dData(fname)) {
        calculatedData(data);
        return;
    }
    data->deleteLater();

    // A 2dData file whose grid did not read is tried once more by the image readers. Each page of
    // a TIFF stack becomes a dataset of its own, in page order; a page that cannot be read ends the
    // stack there, keeping the pages before it.
    qint64 claimed = 0;
    for (int page = 0, pages = 1; page < pages; ++page) {
        ImgData img;
        if (!img.load(fname, page, claimed)) {
            if (page == 0)
                qDebug() << "it's not img data of ZRT and tiff";
            return;
        }
        pages = img.pageCount;
        claimed += img.claimedBytes;
        // The conversion is null (with its own debug line) when the grid's memory cannot be had.
        calculatedData(img.toTDData());
    }
}

void Body::calculatedData(TDData *data)
{
    if (!data)
        return;
    auto *c = new DataCtrl;
    c->setData(data);
    addRow(c);
}

// Rows always go below the last grid row used, also after rows above were deleted.
void Body::addRow(DataCtrl *c)
{
    ui.ImgListBase->addWidget(c);
    ctrls.addDataCtrl(c);
}

void Body::saveFile(QString fname)
{
    if (ui.SaveSingle->isChecked())
        saveSingle(fname);
    else
        saveSelected(fname);
}

// The name is used as accepted: neither its suffix nor the chosen name filter changes the format.
void Body::saveSingle(const QString &fname)
{
    DataCtrl *c = ctrls.ctrlOf(ctrls.singleSels1Group.checkedButton());
    if (!c)
        return;
    if (TDData *d = c->data(true))
        d->save2dData(fname);
}

void Body::saveSelected(const QString &fname)
{
    qDebug() << "multi save";
    // Datasets may share an identifier; a later one must not overwrite a file this save wrote.
    QSet<QString> written;
    for (int i = 0; i < ctrls.dataCtrls.size(); ++i) {
        DataCtrl *c = ctrls.dataCtrls.at(i);
        const bool selected = c->ui.MultiSelA->isChecked();
        qDebug() << "selsA" << i << selected;
        if (!selected)
            continue;
        TDData *d = c->data(true);
        qDebug() << "data pointer" << d;
        if (!d)
            continue;
        const QString name = fileSafeName(d);
        QString p = insertIntoFileName(fname, name);
        QString target = withSuffix(p, QStringLiteral("qlv"), false);
        for (int n = 2; written.contains(target); ++n) {
            p = insertIntoFileName(fname, name + QStringLiteral("(%1)").arg(n));
            target = withSuffix(p, QStringLiteral("qlv"), false);
        }
        qDebug() << "fname" << p;
        written.insert(target);
        d->save2dData(target);
    }
}

void Body::closeEvent(QCloseEvent *e)
{
    emit finishing();
    e->accept();
}
