#pragma once

#include "app/analysiswin.h"
#include "app/filedialog.h"
#include "app/filework.h"
#include "data/noticelog.h"
#include "display/datactrls.h"
#include "processing/calcctrl.h"
#include "processing/copyctrl.h"
#include "processing/filterctrl.h"
#include "ui_body.h"

#include <QFrame>
#include <QListWidget>
#include <QPointer>
#include <QString>
#include <QStringList>

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

signals:
    void finishing();
    // One file is queued for loading; delivered to loadAFile in a later turn of the event loop.
    void loadNextFile(QString fname);

private slots:
    // Sets the Grey default of image windows built from now on; existing windows keep theirs.
    void setDefaultColorScale(bool f);
    // Tries fname as a 2dData file first, then with the image readers (files).
    void loadAFile(QString fname);
    void loadFilesSelected(QStringList fnames);
    // Single mode writes the S1 dataset under fname exactly; multi mode every A dataset under a
    // name derived from fname and the dataset's identifier, always as 2dData. The files are written
    // by files from snapshots taken here, so the rows may change or go meanwhile.
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
    // Take the datasets to save into save; false, with a notice, when there is none.
    bool takeSingle(const QString &fname, FileWork::Save *save);
    bool takeSelected(const QString &fname, FileWork::Save *save);
    void showNotice(const QString &text);
    // Scrolls rowToShow into view once, when the list's range has grown for it.
    void showNewRow();
    // Queues every local file of a drop, in order; false when it holds none.
    bool loadDropped(const QMimeData *mime);

    // The row last added, until the list has scrolled to it.
    QPointer<DataCtrl> rowToShow;
    // Notices since the list was last opened, which the status line counts, so that earlier ones
    // (the failures among files chosen together, say) are not hidden behind the last.
    int unseen = 0;

public:
    // Reading and saving files. Last, so that it is done with its runs, which add rows and
    // notices, before the rest goes.
    FileWork files;
};
