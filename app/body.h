#pragma once

#include "app/analysiswin.h"
#include "app/filedialog.h"
#include "display/datactrls.h"
#include "processing/calcctrl.h"
#include "processing/copyctrl.h"
#include "processing/filterctrl.h"
#include "ui_body.h"

#include <QFrame>
#include <QString>
#include <QStringList>

class DataCtrl;
class QButtonGroup;
class QCloseEvent;
class TDData;

// The main window: the list of datasets (one control row each, managed by ctrls), places for the
// processing panels, the Load and Save buttons and the switches that decide where image windows
// appear. It is the one place where datasets join the list: loaded files and panel results both
// go through calculatedData. Closing it emits finishing(), on which start-up closes every other
// window.
//
// The dialogs and the save mode group have no parent and stay alive until the process ends;
// failures to load or save are reported on the debug stream only.
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

signals:
    void finishing();
    // One file is queued for loading; delivered to loadAFile in a later turn of the event loop.
    void loadNextFile(QString fname);

private slots:
    // Sets the Grey default of image windows built from now on; existing windows keep theirs.
    void setDefaultColorScale(bool f);
    // Tries fname as a 2dData file first, then with the image readers.
    void loadAFile(QString fname);
    void loadFilesSelected(QStringList fnames);
    // Single mode writes the S1 dataset under fname exactly; multi mode every A dataset under a
    // name derived from fname and the dataset's identifier, always as 2dData.
    void saveFile(QString fname);
    // Takes ownership of data (null is ignored) and adds it as the next row.
    void calculatedData(TDData *data);

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void addRow(DataCtrl *c);
    void saveSingle(const QString &fname);
    void saveSelected(const QString &fname);
};
