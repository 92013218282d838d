#include "app/filework.h"

#include "data/parallelrows.h"
#include "data/tddata.h"
#include "data/tddataheader.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <new>

FileWork::FileWork(QObject *parent)
    : QObject(parent)
{
    pool.setMaxThreadCount(1);
    for (RunBar *bar : {&loadBar, &saveBar}) {
        bar->pool = &pool;
        connect(bar, &RunBar::notice, this, &FileWork::notice);
    }
    saveBar.ui.RunProgress->setToolTip(tr("Files written of the save"));
    saveBar.ui.RunProgress->setFormat(tr("%v / %m files"));
    // Between two steps of a stack no run is under way for the bar to cancel.
    connect(loadBar.ui.RunCancel, &QPushButton::clicked, this, &FileWork::stopLoading);
}

FileWork::~FileWork()
{
    // The pool runs what is queued in order: the reads stop before the saves go.
    loadBar.cancel();
    saveBar.waitForRuns();
}

struct FileWork::ReadStep
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

void FileWork::load(const QString &fname)
{
    // A file queued behind a stack still being read waits for the stack's last page.
    if (loading())
        waitingFiles << fname;
    else
        startReading(fname);
}

void FileWork::loadStep()
{
    if (reading)
        return;
    if (!stack.atEnd())
        startReadStep();
    else if (!waitingFiles.isEmpty())
        startReading(waitingFiles.takeFirst());
}

bool FileWork::loading() const
{
    return reading || !stack.atEnd() || !waitingFiles.isEmpty();
}

void FileWork::queueLoadStep()
{
    if (loading())
        QMetaObject::invokeMethod(this, &FileWork::loadStep, Qt::QueuedConnection);
}

void FileWork::startReading(const QString &fname)
{
    stackFile = fname;
    stack = ImgData::Stack();
    fileClock.start();
    startReadStep();
}

int FileWork::stepWaitMs()
{
    if (!turnOpen) {
        turnOpen = true;
        turnClock.start();
        QMetaObject::invokeMethod(this, [this] { turnOpen = false; }, Qt::QueuedConnection);
    }
    const int turnLeft = int(std::max<qint64>(0, loadBar.shortRunMs - turnClock.elapsed()));
    if (stack.page == 0)
        return turnLeft;
    const int fileLeft = int(std::max<qint64>(0, loadBar.shortRunMs - fileClock.elapsed()));
    return std::min({turnLeft, fileLeft, 2 * loadSliceMs});
}

void FileWork::showWhatIsCounted()
{
    const bool pages = stack.page > 0;
    const QString format = pages ? tr("%v / %m pages") : rowsFormat;
    // What the bar still shows of the last step was counted in the other unit.
    if (format != loadBar.ui.RunProgress->format())
        loadBar.ui.RunProgress->reset();
    loadBar.ui.RunProgress->setFormat(format);
    loadBar.ui.RunProgress->setToolTip(pages ? tr("Pages read of the stack being loaded")
                                             : tr("Rows read of the file being loaded"));
}

void FileWork::startReadStep()
{
    reading = true;
    const int waitMs = stepWaitMs();
    showWhatIsCounted();
    auto step = std::make_shared<ReadStep>(ReadStep{stackFile, std::move(stack), maxStackPages, rowMs, {}});
    stack = ImgData::Stack{0, 0, 0, nullptr};
    auto add = [this, step](TDData *data) {
        QElapsedTimer timer;
        timer.start();
        emit read(data);
        ++step->added;
        step->addedMs += timer.nsecsElapsed() / 1e6;
    };
    // A step that ends within its wait is over before start() returns, as a plain call would be.
    loadBar.start([step] { return readPages(step.get()); }, add,
                  [this, step](RunBar::Outcome outcome) { readStepOver(step.get(), outcome); }, waitMs);
}

void FileWork::readStepOver(ReadStep *step, RunBar::Outcome outcome)
{
    reading = false;
    if (step->added > 0)
        rowMs = step->addedMs / step->added;
    if (outcome != RunBar::Outcome::Cancelled) {
        for (const QString &text : qAsConst(step->notices))
            emit notice(text);
    }
    if (outcome == RunBar::Outcome::Delivered) {
        stack = std::move(step->stack);
    } else if (outcome == RunBar::Outcome::Cancelled) {
        loadingStopped();
    }
    // A step that failed (its notice comes from the bar) ends its file; the files behind it still load.
    queueLoadStep();
}

void FileWork::stopLoading()
{
    // A step under way was cancelled by the bar, and its end stops the loading.
    if (loading() && !reading)
        loadingStopped();
}

void FileWork::loadingStopped()
{
    stack = ImgData::Stack{0, 0, 0, nullptr};
    const QString name = QFileInfo(stackFile).fileName();
    if (waitingFiles.isEmpty())
        emit notice(tr("loading cancelled at %1").arg(name));
    else
        emit notice(tr("loading cancelled at %1; files left unread: %2").arg(name).arg(waitingFiles.size()));
    waitingFiles.clear();
}

QVector<TDData *> FileWork::readPages(ReadStep *step)
{
    const bool firstStep = step->stack.page == 0;
    if (firstStep) {
        std::unique_ptr<TDData> data(new TDData);
        TDDataHeader header;
        if (header.readHeader(step->file) && data->read2dData(step->file)) {
            step->stack = ImgData::Stack{0, 0, 0, nullptr};
            return RunBar::single(std::move(data));
        }
        // A 2dData file whose grid did not read is tried once more by the image readers, unless
        // the read was cancelled.
        if (ParallelRows::cancelled())
            return {};
    } else {
        // Later steps count the stack's pages.
        ParallelRows::rowsStarted(step->stack.pages);
        ParallelRows::rowsDone(step->stack.page);
    }
    // The first page comes alone, in the file's own turn; later small pages come several to a step,
    // as many as the window can add, too, within the slice. Each step also lays out and repaints
    // the growing list.
    QElapsedTimer slice;
    slice.start();
    std::vector<std::unique_ptr<TDData>> pages;
    auto roomLeft = [&] { return slice.nsecsElapsed() / 1e6 + step->rowMs * double(pages.size() + 1) < loadSliceMs; };
    do {
        if (std::unique_ptr<TDData> page = firstStep ? readPage(step) : readLaterPage(step))
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
std::unique_ptr<TDData> FileWork::readPage(ReadStep *step)
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

std::unique_ptr<TDData> FileWork::readLaterPage(ReadStep *step)
{
    std::unique_ptr<TDData> page;
    {
        // The page's rows are a part of the step's pages: they are not counted with them, and
        // Cancel still stops the page at its next row.
        ParallelRows::Progress rows;
        const ParallelRows::Scope scope(&rows);
        page = readPage(step);
    }
    ParallelRows::rowsDone(1);
    return page;
}

struct FileWork::SaveRun
{
    Save save;
    int count = 0;
    // Written by the worker: files saved, and a notice for each that could not be.
    int saved = 0;
    QStringList failures;
};

void FileWork::save(Save save)
{
    auto run = std::make_shared<SaveRun>();
    run->count = int(save.files.size());
    run->save = std::move(save);
    saveBar.start(
        [run] {
            writeFiles(run.get());
            return QVector<TDData *>();
        },
        RunBar::Deliver(), [this, run](RunBar::Outcome outcome) { saveOver(*run, outcome); });
}

void FileWork::writeFiles(SaveRun *run)
{
    ParallelRows::rowsStarted(run->count);
    for (const Save::File &file : run->save.files) {
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
            ++run->saved;
        else
            run->failures << tr("could not save %1: %2").arg(QDir::toNativeSeparators(file.target), reason);
        ParallelRows::rowsDone(1);
    }
    // The snapshots go here, their work done: they take part in no connection, timer or event.
    run->save.files.clear();
}

void FileWork::saveOver(const SaveRun &run, RunBar::Outcome outcome)
{
    for (const QString &failure : run.failures)
        emit notice(failure);
    const QString place = QDir::toNativeSeparators(run.save.place);
    if (run.save.single && run.saved == 1)
        emit notice(tr("saved %1").arg(place));
    else if (!run.save.single && run.saved == 1)
        emit notice(tr("saved 1 file in %1").arg(place));
    else if (!run.save.single && run.saved > 1)
        emit notice(tr("saved %n files in %1", nullptr, run.saved).arg(place));
    const int unsaved = run.count - run.saved - int(run.failures.size());
    if (outcome == RunBar::Outcome::Cancelled && unsaved > 0)
        emit notice(tr("saving cancelled; files left unsaved: %1").arg(unsaved));
}
