#pragma once

#include "app/analysiswin.h"
#include "app/filedialog.h"
#include "data/imgdata.h"
#include "data/noticelog.h"
#include "display/datactrls.h"
#include "processing/calcctrl.h"
#include "processing/copyctrl.h"
#include "processing/filterctrl.h"
#include "processing/runbar.h"
#include "ui_body.h"

#include <QFrame>
#include <QListWidget>
#include <QPointer>
#include <QThreadPool>
#include <QString>
#include <QStringList>

#include <memory>

class DataCtrl;
class QButtonGroup;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QMimeData;
class TDData;

// The main window: the list of datasets (one control row each, managed by ctrls), places for the
// processing panels, the Load and Save buttons and the switches that decide where image windows
// appear. It is the one place where datasets join the list: loaded files and panel results both
// go through calculatedData. Closing it emits finishing(), on which start-up closes every other
// window.
//
// The dialogs, the save mode group and the notice list have no parent and stay alive until the
// process ends. Failures to load or save, and panel runs that did nothing, go to the debug stream
// and, in plain words, to notices, whose latest the status line shows; a click on it lists the
// kept ones. Files dropped on this window or on an image window load as if chosen in the load
// dialog.
class Body : public QFrame
{
    Q_OBJECT

public:
    explicit Body(QWidget *parent = nullptr);
    // Saves under way are finished first: the files asked for are written.
    ~Body() override;

    Ui_Body ui;
    _FileDialog *loadDialog = nullptr;
    _FileDialog *saveDialog = nullptr;
    DataCtrls ctrls;
    CopyCtrl copyCtrl;
    CalcCtrl calcCtrl;
    FilterCtrl filterCtrl;
    // Top-level, follows the rows of ctrls; closed with the other windows.
    AnalysisWin analysisWin;
    QButtonGroup *saveModeGroup = nullptr;
    NoticeLog notices;
    QListWidget noticeList;
    // Pages read of one file at most, the others left out with a notice. Each page becomes a row
    // with windows of its own (some 130 KB) and costs the list and the tab bar a little more than
    // the one before, so a small file of tiny pages would otherwise take gigabytes and hours.
    int maxStackPages = 1000;

signals:
    void finishing();
    // One file is queued for loading; delivered to loadAFile in a later turn of the event loop.
    void loadNextFile(QString fname);

private slots:
    // Sets the Grey default of image windows built from now on; existing windows keep theirs.
    void setDefaultColorScale(bool f);
    // Tries fname as a 2dData file first, then with the image readers. Files are read on a worker
    // thread, a step at a time: one that takes long shows loadBar while the window keeps
    // answering. The pages of a stack after its first come a few per step, so that the list and
    // the tabs keep up; files queued meanwhile follow its last page.
    void loadAFile(QString fname);
    // The next pages of the stack being read, else the next file that waited for it.
    void loadStep();
    void loadFilesSelected(QStringList fnames);
    // Single mode writes the S1 dataset under fname exactly; multi mode every A dataset under a
    // name derived from fname and the dataset's identifier, always as 2dData. The files are written
    // on a worker from snapshots taken here, so the rows may change or go meanwhile; a save that
    // takes long shows saveBar.
    void saveFile(QString fname);
    // Takes ownership of data (null is ignored) and adds it as the next row.
    void calculatedData(TDData *data);

protected:
    void closeEvent(QCloseEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    // Clicks on the status line, drops on image windows.
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void addRow(DataCtrl *c);
    // What a save writes, taken from the rows, and what it did, owned by its worker while it runs.
    struct SaveJob;
    // Take the datasets to save into job; false, with a notice, when there is none.
    bool takeSingle(const QString &fname, SaveJob *job);
    bool takeSelected(const QString &fname, SaveJob *job);
    // On the worker: writes job's files in order, up to a cancel.
    static void writeFiles(SaveJob *job);
    void saveOver(const SaveJob &job, RunBar::Outcome outcome);
    void showNotice(const QString &text);
    // Scrolls rowToShow into view once, when the list's range has grown for it.
    void showNewRow();
    // Queues every local file of a drop, in order; false when it holds none.
    bool loadDropped(const QMimeData *mime);

    // What a read step works on, owned by its worker while it runs.
    struct ReadStep;

    // True while a read is under way, a stack has pages left or files wait; a load step is then queued.
    bool loading() const;
    void queueLoadStep();
    void startReading(const QString &fname);
    // Starts a step on the file being read, from where its pages stand.
    void startReadStep();
    void readStepOver(ReadStep *step, RunBar::Outcome outcome);
    // On the worker: the next pages of step's file, for about loadSliceMs.
    static QVector<TDData *> readPages(ReadStep *step);
    static std::unique_ptr<TDData> readPage(ReadStep *step);

    // The file being read by the image readers, and where its pages stand (none to read before
    // the first file, and none while a step has them).
    QString stackFile;
    ImgData::Stack stack{0, 0, 0, nullptr};
    QStringList waitingFiles;
    bool reading = false;
    static constexpr int loadSliceMs = 20;
    // What adding a row took the window in the last step, in ms: a step reads no more small pages
    // than the window can add within the slice. Until known, as if a row took the whole slice.
    double rowMs = loadSliceMs;
    // The row last added, until the list has scrolled to it.
    QPointer<DataCtrl> rowToShow;

public:
    // File work goes here one run at a time, so that reads and saves happen in the order asked
    // for (a file saved and then loaded is read as written). Before the bars, which it outlives.
    QThreadPool filePool;
    // A read that takes long: rows read and Cancel, which stops the loading (the rest of the file
    // and the files waiting behind it). After the window's other parts, so that its runs are
    // dropped before they go.
    RunBar loadBar;
    // A save that takes long: files written and Cancel, which stops it before its next file.
    RunBar saveBar;
};
