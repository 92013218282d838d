#pragma once

#include "data/imgdata.h"
#include "processing/runbar.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <memory>
#include <vector>

class TDData;

// Reads files into datasets and writes datasets into files for the main window, beside its event
// loop and one run at a time in the order asked for, so that a file saved and then loaded is read
// as written. A read or save that ends within a short wait is over before the call returns, as a
// plain call would be; a longer one, and any read once the window has waited its share (see
// loadBar), shows its bar (rows read, files written) and Cancel while the window keeps answering. Datasets read go out through read(), failures and summaries in plain
// words through notice(), in the order they arose.
class FileWork : public QObject
{
    Q_OBJECT

public:
    // What a save writes: snapshots of datasets, each with its file name, in order, and where the
    // summary says they went (the file in single mode, else the folder).
    struct Save
    {
        struct File
        {
            std::unique_ptr<TDData> data;
            QString target;
        };
        std::vector<File> files;
        bool single = true;
        QString place;
    };

    explicit FileWork(QObject *parent = nullptr);
    // Reads are dropped; saves under way or waiting are finished first: the files asked for are
    // written.
    ~FileWork() override;

    // Reads fname, a 2dData file or else an image, once the files asked for before are read. The
    // pages of a stack after its first come a few per step, as many as the window can add in a
    // moment, so that the list and the tabs keep up.
    void load(const QString &fname);
    // Writes save's files in order, as 2dData; Cancel stops it before its next file.
    void save(Save save);

    // Pages read of one file at most, the others left out with a notice. Each page becomes a row
    // with windows of its own (some 130 KB) and costs the list and the tab bar a little more than
    // the one before, so a small file of tiny pages would otherwise take gigabytes and hours.
    int maxStackPages = 1000;
    // File work goes here, one run at a time. Before the bars, which it outlives.
    QThreadPool pool;
    // A read that takes long: rows read (pages, after a stack's first) and Cancel, which stops
    // the loading (the rest of the file and the files waiting behind it). The window waits for
    // reads no longer than the bar's short run in one turn of its event loop, so that several
    // files chosen at once do not add up their waits, and not at all for a stack that has taken
    // longer than that: its bar then stays while the pages come.
    RunBar loadBar;
    // A save that takes long: files written and Cancel, which stops it before its next file.
    RunBar saveBar;

signals:
    // A dataset read; the receiver takes ownership.
    void read(TDData *data);
    void notice(const QString &text);

private:
    // What a read step works on, owned by its worker while it runs.
    struct ReadStep;
    // A save under way, with what its worker did.
    struct SaveRun;

    // True while a read is under way, a stack has pages left or files wait; a load step is then queued.
    bool loading() const;
    void queueLoadStep();
    // The next pages of the stack being read, else the next file that waited for it.
    void loadStep();
    void startReading(const QString &fname);
    // How long the window waits for the next step before it goes on beside the event loop.
    int stepWaitMs();
    // Rows of a file, or pages of a stack after its first, on the bar.
    void showWhatIsCounted();
    // Starts a step on the file being read, from where its pages stand.
    void startReadStep();
    void readStepOver(ReadStep *step, RunBar::Outcome outcome);
    // Cancel between two steps of a stack, when no run is under way for the bar to cancel: the
    // rest of the file and the files waiting are dropped.
    void stopLoading();
    void loadingStopped();
    // On the worker: the next pages of step's file, for about loadSliceMs.
    static QVector<TDData *> readPages(ReadStep *step);
    static std::unique_ptr<TDData> readPage(ReadStep *step);
    static std::unique_ptr<TDData> readLaterPage(ReadStep *step);
    // On the worker: writes run's files in order, up to a cancel.
    static void writeFiles(SaveRun *run);
    void saveOver(const SaveRun &run, RunBar::Outcome outcome);

    // The file being read by the image readers, and where its pages stand (none to read before
    // the first file, and none while a step has them).
    QString stackFile;
    ImgData::Stack stack{0, 0, 0, nullptr};
    QStringList waitingFiles;
    bool reading = false;
    QElapsedTimer fileClock;
    // Since the first wait of this turn of the event loop, while it lasts.
    QElapsedTimer turnClock;
    bool turnOpen = false;
    // The bar's own format, for the rows of a file.
    const QString rowsFormat = loadBar.ui.RunProgress->format();
    static constexpr int loadSliceMs = 20;
    // What adding a row took the window in the last step, in ms: a step reads no more small pages
    // than the window can add within the slice. Until known, as if a row took the whole slice.
    double rowMs = loadSliceMs;
};
