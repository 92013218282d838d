#include "app/body.h"

#include "app/pathhelpers.h"
#include "app/startup.h"
#include "data/tddata.h"
#include "display/datactrl.h"
#include "display/imgdisp.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDebug>
#include <QFileInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QSet>
#include <QUrl>

#include <utility>

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

    connect(&notices, &NoticeLog::added, this, &Body::showNotice);
    connect(&copyCtrl, &CopyCtrl::notice, &notices, &NoticeLog::add);
    connect(&calcCtrl, &CalcCtrl::notice, &notices, &NoticeLog::add);
    connect(&filterCtrl, &FilterCtrl::notice, &notices, &NoticeLog::add);
    connect(&analysisWin, &AnalysisWin::notice, &notices, &NoticeLog::add);
    connect(&files, &FileWork::read, this, &Body::calculatedData);
    connect(&files, &FileWork::notice, &notices, &NoticeLog::add);
    for (RunBar *bar : {&files.loadBar, &files.saveBar})
        ui.gridLayout->addWidget(bar, ui.gridLayout->rowCount(), 0);
    ui.StatusLine->installEventFilter(this);
    // Long notices are drawn shortened instead of widening the window; the list shows them whole.
    ui.StatusLine->setSampleText(QStringLiteral("could not read a-file-name.tif: not a TIFF"));
    // Set here, not in the form: the button's text, set after the form's properties, would clear it.
    ui.Load->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_O));
    ui.Save->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_S));
    noticeList.setWindowTitle(tr("Notices"));
    noticeList.resize(480, 240);

    connect(ui.scrollArea->verticalScrollBar(), &QScrollBar::rangeChanged, this, &Body::showNewRow);

    setAcceptDrops(true);
    ctrls.imgBase.setAcceptDrops(true);
    ctrls.imgBase.installEventFilter(this);
}

void Body::setDefaultColorScale(bool)
{
    ImgDisp::setGrayScaleDefault(ui.DefaultColorScaleIsGrey->isChecked());
}

void Body::loadAFile(QString fname)
{
    files.load(fname);
}

void Body::loadFilesSelected(QStringList fnames)
{
    for (const QString &fname : qAsConst(fnames))
        emit loadNextFile(fname);
}

void Body::calculatedData(TDData *data)
{
    if (!data)
        return;
    auto *c = new DataCtrl(nullptr, DataCtrl::DisplayStart::PlacedLater);
    c->setData(data);
    addRow(c);
}

// Rows always go below the last grid row used, also after rows above were deleted.
void Body::addRow(DataCtrl *c)
{
    ui.ImgListBase->addWidget(c);
    ctrls.addDataCtrl(c);
    c->imgDisp.setAcceptDrops(true);
    c->imgDisp.installEventFilter(this);
    // The list follows the new row once the layout has placed it and the list has grown.
    rowToShow = c;
}

void Body::saveFile(QString fname)
{
    FileWork::Save save;
    save.single = ui.SaveSingle->isChecked();
    if (save.single ? takeSingle(fname, &save) : takeSelected(fname, &save))
        files.save(std::move(save));
}

// The name is used as accepted: neither its suffix nor the chosen name filter changes the format.
bool Body::takeSingle(const QString &fname, FileWork::Save *save)
{
    DataCtrl *c = ctrls.ctrlOf(ctrls.singleSels1Group.checkedButton());
    TDData *d = c ? c->data(true) : nullptr;
    if (!d) {
        notices.add(tr("Save: no dataset is marked S1"));
        return false;
    }
    save->files.push_back({std::unique_ptr<TDData>(d->snapshot()), fname});
    save->place = fname;
    return true;
}

bool Body::takeSelected(const QString &fname, FileWork::Save *save)
{
    qDebug() << "multi save";
    // Datasets may share an identifier; a later one must not overwrite a file this save writes.
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
        save->files.push_back({std::unique_ptr<TDData>(d->snapshot()), target});
    }
    if (save->files.empty()) {
        notices.add(tr("Save: no dataset is marked A"));
        return false;
    }
    save->place = QFileInfo(fname).absolutePath();
    return true;
}

void Body::showNewRow()
{
    // A row added to the shown list is shown, and laid out, only in a later turn of the event
    // loop; the list may grow before that for the rows added earlier.
    if (!rowToShow || !rowToShow->isVisible())
        return;
    ui.scrollArea->ensureWidgetVisible(rowToShow);
    rowToShow = nullptr;
}

void Body::showNotice(const QString &text)
{
    // No more than the list keeps.
    unseen = qMin(unseen + 1, NoticeLog::capacity);
    // The count first: the line is cut at its right end when it is too long.
    ui.StatusLine->setText(unseen > 1 ? tr("%1 notices, the latest: %2").arg(unseen).arg(text) : text);
    noticeList.clear();
    noticeList.addItems(notices.notices());
    noticeList.scrollToBottom();
}

bool Body::loadDropped(const QMimeData *mime)
{
    QStringList files;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    loadFilesSelected(files);
    return !files.isEmpty();
}

void Body::dragEnterEvent(QDragEnterEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void Body::dropEvent(QDropEvent *e)
{
    if (loadDropped(e->mimeData()))
        e->acceptProposedAction();
}

bool Body::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == ui.StatusLine) {
        if (e->type() == QEvent::MouseButtonRelease) {
            // They have been seen.
            unseen = 0;
            ui.StatusLine->setText(notices.latest());
            noticeList.show();
            noticeList.raise();
        }
        return false;
    }
    // Image windows: their own handling of the event goes on unless it is a drop of files.
    if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
        auto *drag = static_cast<QDragMoveEvent *>(e);
        if (drag->mimeData()->hasUrls()) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (e->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(e);
        if (loadDropped(drop->mimeData())) {
            drop->acceptProposedAction();
            return true;
        }
    }
    return QFrame::eventFilter(watched, e);
}

void Body::closeEvent(QCloseEvent *e)
{
    emit finishing();
    e->accept();
}
