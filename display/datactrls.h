#pragma once

#include "display/imgbase.h"

#include <QButtonGroup>
#include <QList>
#include <QObject>
#include <QVector>

class DataCtrl;
class QAbstractButton;

// Keeps the dataset control rows in order and ties them together: numbers them (numbers are
// never reused), makes S1 and S2 exclusive across all rows, publishes the four selections as
// vectors with one entry per row in list order (selsChanged), keeps at most one row focused,
// spreads the crosshair to every image, deletes rows and owns the tab window into which the
// rows' image displays are put.
//
// The row widgets belong to whoever lays them out (the main window); the manager only releases
// a row (deleteLater) when its Del is pressed, and forgets rows that are destroyed elsewhere.
// Adding a row publishes nothing; deleting one publishes the vectors again, so no consumer is
// left with an entry for a row that is gone.
//
// A row's Show box and its tab page stay in step: a page that becomes the current tab is shown
// and its box checked, and checking the box of a tab page makes it the current tab.
class DataCtrls : public QObject
{
    Q_OBJECT

public:
    explicit DataCtrls(QObject *parent = nullptr);
    ~DataCtrls() override;

    // Numbers c, wires it to the manager, puts its S1/S2 buttons into the groups and, while
    // tabbing, its image display into the tab window as the current tab. Adding a null row or
    // one already managed does nothing.
    void addDataCtrl(DataCtrl *c);

    // Row i of the list, or null when i is outside it.
    DataCtrl *ctrlAt(int i) const;
    // The rows whose entry in sels is true; entries past the list (a vector published before
    // rows went) are ignored.
    QList<DataCtrl *> selectedCtrls(const QVector<bool> &sels) const;
    // The managed row a selection button belongs to (for the groups' checkedButton()), or null.
    DataCtrl *ctrlOf(const QAbstractButton *button) const;

    ImgBase imgBase;
    bool tabbing = true;
    int ctrlCounter = 0;
    QList<DataCtrl *> dataCtrls;
    QButtonGroup singleSels1Group;
    QButtonGroup singleSels2Group;
    // As last published.
    QVector<bool> selsS1;
    QVector<bool> selsS2;
    QVector<bool> selsA;
    QVector<bool> selsB;

signals:
    // A row has been added and wired (after its image display went into the tabs).
    void ctrlAdded(DataCtrl *c);
    void selsChanged(QVector<bool> selsS1, QVector<bool> selsS2, QVector<bool> selsA, QVector<bool> selsB);
    // What a panel's next run takes may have changed: a row came or went, a selection changed, or
    // a row's region or kept-region list changed. Never for crosshair moves or colour-bar drags.
    void inputsChanged();

private slots:
    void aCtrlFocused();
    void multiSelsChanged(bool);
    void singleSels1Changed(QAbstractButton *, bool);
    void singleSels2Changed(QAbstractButton *, bool);
    void selsChanged_();
    void noticedAt(int ix, int iy);
    void deleteAnDC();
    void comeBackADCToTab();
    void tabShown(int idx);
    void showToggled(bool f);

public slots:
    void inTab(bool f);
    void showImgBase();

private:
    // The sender of the current signal when it is a managed row, else null.
    DataCtrl *senderCtrl() const;
    // Puts c's image display into the tab window, labelled with c's number, as the current tab,
    // laid out to the tab window and visible exactly when c's Show box is checked.
    void putIntoTab(DataCtrl *c);

    // Gives every row's number the width of the widest, so that the rows' controls line up
    // past 99 and 999 rows too.
    void alignNumbers(DataCtrl *newest);

    // While putIntoTab makes a page current, which must not count as the user choosing it.
    bool placingPage = false;
    int numberWidth = 0;
};
