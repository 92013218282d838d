#pragma once

#include "ui_imgbase.h"

#include <QFrame>
#include <QPointer>
#include <QTabBar>

class QStackedWidget;

// The tab window that collects the image display windows as pages. The pages stay owned by
// whoever added them (the data control rows); the tab window never deletes a page. Closing a
// tab does not close the image: the page goes on as a visible window of its own.
class ImgBase : public QFrame
{
    Q_OBJECT

public:
    explicit ImgBase(QWidget *parent = nullptr);
    // Hands the remaining pages back as hidden parentless windows instead of deleting them.
    ~ImgBase() override;

    Ui_ImgBase ui;
    // Up to this many tabs every tab has its close button; beyond, only the current tab has one.
    // The tab bar lays out every tab with a button again whenever a tab comes, goes or becomes
    // current, which made each page of a stack of 1000 cost more than the one before.
    static constexpr int closeButtonsUpTo = 100;

public slots:
    void closeTab(int idx);
    // Gives the tabs their close buttons as closeButtonsUpTo says: when a page was added, and
    // whenever a page goes or another tab becomes current.
    void placeCloseButtons();

private:
    QTabBar::ButtonPosition closeSide() const;
    // The tab widget's own stack of pages.
    QStackedWidget *pageStack() const;
    // Only the current page takes updates. A page switch disables and enables the updates of the
    // whole page stack, which otherwise walks every widget of every page, once per page added.
    void pageShown(int idx);

    QPointer<QWidget> shownPage;
};
