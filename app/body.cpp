#include "app/body.h"

#include "app/pathhelpers.h"
#include "app/startup.h"
#include "data/imgdata.h"
#include "data/parallelrows.h"
#include "data/tddata.h"
#include "data/tddataheader.h"
#include "display/datactrl.h"
#include "display/imgdisp.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <new>
#include <vector>

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
    filePool.setMaxThreadCount(1);
    for (RunBar *bar : {&loadBar, &saveBar}) {
        bar->pool = &filePool;
        connect(bar, &RunBar::notice, &notices, &NoticeLog::add);
        ui.gridLayout->addWidget(bar, ui.gridLayout->rowCount(), 0);
    }
    loadBar.ui.RunProgress->setToolTip(tr("Rows read of the file being loaded"));
    saveBar.ui.RunProgress->setToolTip(tr("Files written of the save"));
    saveBar.ui.RunProgress->setFormat(tr("%v / %m files"));
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

Body::~Body()
{
    // Reads are dropped; the pool runs what is queued in order, so they stop before the saves go.
    loadBar.cancel();
    saveBar.waitForRuns();
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

struct Body::ReadStep
{
    QString file;
    ImgData::Stack stack;
    int maxPages;
    // What adding a row took the window lately, in ms.
    double rowMs;
    // For the window, in the order they arose.
    QStringList notices;
    // Rows added from this step and the time that took the window.
    int added = 0;
    double addedMs = 0.0;
};

void Body::loadAFile(QString fname)
{
    // A file queued behind a stack still being read waits for the stack's last page.
    if (loading())
        waitingFiles << fname;
    else
        startReading(fname);
}

void Body::loadStep()
{
    if (reading)
        return;
    if (!stack.atEnd())
        startReadStep();
    else if (!waitingFiles.isEmpty())
        startReading(waitingFiles.takeFirst());
}

bool Body::loading() const
{
    return reading || !stack.atEnd() || !waitingFiles.isEmpty();
}

void Body::queueLoadStep()
{
    if (loading())
        QMetaObject::invokeMethod(this, &Body::loadStep, Qt::QueuedConnection);
}

void Body::startReading(const QString &fname)
{
    stackFile = fname;
    stack = ImgData::Stack();
    startReadStep();
}

void Body::startReadStep()
{
    reading = true;
    // The window waits for a file's first step as for any short run; later steps, each sized to
    // about a slice, are waited for no longer than that, so that a stack of large pages shows
    // its progress and Cancel from its second page on.
    const int waitMs = stack.page == 0 ? -1 : std::min(loadBar.shortRunMs, 2 * loadSliceMs);
    auto step = std::make_shared<ReadStep>(ReadStep{stackFile, std::move(stack), maxStackPages, rowMs, {}});
    stack = ImgData::Stack{0, 0, 0, nullptr};
    auto add = [this, step](TDData *data) {
        QElapsedTimer timer;
        timer.start();
        calculatedData(data);
        ++step->added;
        step->addedMs += timer.nsecsElapsed() / 1e6;
    };
    // A short step is over before start() returns, as a plain call would be.
    loadBar.start([step] { return readPages(step.get()); }, add,
                  [this, step](RunBar::Outcome outcome) { readStepOver(step.get(), outcome); }, waitMs);
}

void Body::readStepOver(ReadStep *step, RunBar::Outcome outcome)
{
    reading = false;
    if (step->added > 0)
        rowMs = step->addedMs / step->added;
    if (outcome != RunBar::Outcome::Cancelled) {
        for (const QString &notice : qAsConst(step->notices))
            notices.add(notice);
    }
    if (outcome == RunBar::Outcome::Delivered) {
        stack = std::move(step->stack);
    } else if (outcome == RunBar::Outcome::Cancelled) {
        const QString name = QFileInfo(step->file).fileName();
        if (waitingFiles.isEmpty())
            notices.add(tr("loading cancelled at %1").arg(name));
        else
            notices.add(tr("loading cancelled at %1; files left unread: %2").arg(name).arg(waitingFiles.size()));
        waitingFiles.clear();
    }
    // A step that failed (its notice comes from the bar) ends its file; the files behind it still load.
    queueLoadStep();
}

QVector<TDData *> Body::readPages(ReadStep *step)
{
    const bool firstStep = step->stack.page == 0;
    if (firstStep) {
        std::unique_ptr<TDData> data(new TDData);
        TDDataHeader header;
        if (header.readHeader(step->file) && data->read2dData(step->file)) {
            step->stack = ImgData::Stack{0, 0, 0, nullptr};
            return RunBar::single(std::move(data));
        }
        // A 2dData file whose grid did not read is tried once more by the image readers.
    }
    // The first page comes alone, in the file's own turn; later small pages come several to a step,
    // as many as the window can add, too, within the slice. Each step also lays out and repaints
    // the growing list.
    QElapsedTimer slice;
    slice.start();
    std::vector<std::unique_ptr<TDData>> pages;
    auto roomLeft = [&] { return slice.nsecsElapsed() / 1e6 + step->rowMs * double(pages.size() + 1) < loadSliceMs; };
    do {
        if (std::unique_ptr<TDData> page = readPage(step))
            pages.push_back(std::move(page));
    } while (!firstStep && !step->stack.atEnd() && roomLeft() && !ParallelRows::cancelled());
    QVector<TDData *> read;
    read.reserve(int(pages.size()));
    for (std::unique_ptr<TDData> &page : pages)
        read.append(page.release());
    return read;
}

// Each page of a TIFF stack becomes a dataset of its own, in page order; a page that cannot be
// read ends the stack there, keeping the pages before it.
std::unique_ptr<TDData> Body::readPage(ReadStep *step)
{
    ImgData img;
    ImgData::Stack &stack = step->stack;
    const int page = stack.page;
    const QString name = QFileInfo(step->file).fileName();
    auto failed = [&](const QString &reason) {
        if (page == 0)
            step->notices << tr("could not read %1: %2").arg(name, reason);
        else
            step->notices << tr("could not read page %1 of %2: %3").arg(page + 1).arg(name, reason);
    };
    if (!img.loadPage(step->file, &stack)) {
        if (page == 0)
            qDebug() << "it's not img data of ZRT and tiff";
        failed(img.errorString());
        return nullptr;
    }
    if (stack.pages > step->maxPages) {
        qDebug() << "only the first" << step->maxPages << "of" << stack.pages << "pages are read of" << step->file;
        step->notices << tr("%1 has %2 pages; only the first %3 are read").arg(name).arg(stack.pages).arg(step->maxPages);
        stack.pages = step->maxPages;
    }
    // The conversion is null (with its own debug line) when the grid's memory cannot be had; the
    // stack ends there, as at a page that cannot be read, and the window says so.
    std::unique_ptr<TDData> data(img.toTDData());
    if (!data) {
        failed(tr("not enough memory for %1 x %2 pixels").arg(img.width).arg(img.height));
        stack.pages = stack.page;
    }
    return data;
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

struct Body::SaveJob
{
    struct File
    {
        std::unique_ptr<TDData> data;
        QString target;
    };
    std::vector<File> files;
    int count = 0;
    bool single = true;
    // Where a save writes, for its summary: the file (single mode) or the folder.
    QString singleTarget;
    QString folder;
    // Written by the worker: files saved, and a notice for each that could not be.
    int saved = 0;
    QStringList failures;
};

void Body::saveFile(QString fname)
{
    auto job = std::make_shared<SaveJob>();
    job->single = ui.SaveSingle->isChecked();
    if (!(job->single ? takeSingle(fname, job.get()) : takeSelected(fname, job.get())))
        return;
    job->count = int(job->files.size());
    saveBar.start(
        [job] {
            writeFiles(job.get());
            return QVector<TDData *>();
        },
        RunBar::Deliver(), [this, job](RunBar::Outcome outcome) { saveOver(*job, outcome); });
}

// The name is used as accepted: neither its suffix nor the chosen name filter changes the format.
bool Body::takeSingle(const QString &fname, SaveJob *job)
{
    DataCtrl *c = ctrls.ctrlOf(ctrls.singleSels1Group.checkedButton());
    TDData *d = c ? c->data(true) : nullptr;
    if (!d) {
        notices.add(tr("Save: no dataset is marked S1"));
        return false;
    }
    job->files.push_back({std::unique_ptr<TDData>(d->snapshot()), fname});
    job->singleTarget = fname;
    return true;
}

bool Body::takeSelected(const QString &fname, SaveJob *job)
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
        job->files.push_back({std::unique_ptr<TDData>(d->snapshot()), target});
    }
    if (job->files.empty()) {
        notices.add(tr("Save: no dataset is marked A"));
        return false;
    }
    job->folder = QDir::toNativeSeparators(QFileInfo(fname).absolutePath());
    return true;
}

void Body::writeFiles(SaveJob *job)
{
    ParallelRows::rowsStarted(job->count);
    for (const SaveJob::File &file : job->files) {
        if (ParallelRows::cancelled())
            break;
        QString reason;
        bool written = false;
        try {
            written = file.data->save2dData(file.target, &reason);
        } catch (const std::bad_alloc &) {
            reason = tr("not enough memory for %1 x %2 pixels").arg(file.data->width).arg(file.data->height);
        }
        if (written)
            ++job->saved;
        else
            job->failures << tr("could not save %1: %2").arg(QDir::toNativeSeparators(file.target), reason);
        ParallelRows::rowsDone(1);
    }
    // The snapshots go here, their work done: they take part in no connection, timer or event.
    job->files.clear();
}

void Body::saveOver(const SaveJob &job, RunBar::Outcome outcome)
{
    for (const QString &failure : job.failures)
        notices.add(failure);
    if (job.single && job.saved == 1)
        notices.add(tr("saved %1").arg(QDir::toNativeSeparators(job.singleTarget)));
    else if (!job.single && job.saved == 1)
        notices.add(tr("saved 1 file in %1").arg(job.folder));
    else if (!job.single && job.saved > 1)
        notices.add(tr("saved %n files in %1", nullptr, job.saved).arg(job.folder));
    const int unsaved = job.count - job.saved - int(job.failures.size());
    if (outcome == RunBar::Outcome::Cancelled && unsaved > 0)
        notices.add(tr("saving cancelled; files left unsaved: %1").arg(unsaved));
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
    ui.StatusLine->setText(text);
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
