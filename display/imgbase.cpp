#include "display/imgbase.h"

#include "display/tabclosebutton.h"

#include <QDebug>
#include <QSet>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>

ImgBase::ImgBase(QWidget *parent)
    : QFrame(parent)
{
    ui.setupUi(this);
    // The form carries two placeholder pages for the designer only; the window starts empty.
    while (ui.ImgBaseTab->count() > 0) {
        QWidget *page = ui.ImgBaseTab->widget(0);
        ui.ImgBaseTab->removeTab(0);
        delete page;
    }
    connect(ui.ImgBaseTab, &QTabWidget::tabCloseRequested, this, &ImgBase::closeTab);
    connect(ui.ImgBaseTab, &QTabWidget::currentChanged, this, &ImgBase::pageShown);
    connect(ui.ImgBaseTab, &QTabWidget::currentChanged, this, &ImgBase::placeCloseButtons);
    // A tab behind the current one that goes may bring the count back to where every tab has a
    // close button.
    connect(pageStack(), &QStackedWidget::widgetRemoved, this, &ImgBase::placeCloseButtons);
}

QStackedWidget *ImgBase::pageStack() const
{
    return ui.ImgBaseTab->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly);
}

ImgBase::~ImgBase()
{
    // The pages belong to their rows (often by value); the tab widget must not delete them.
    // Hidden, and taken from the end behind the first, the tab widget neither lays out its tabs
    // nor switches pages for each one that goes, and their buttons and updates are left alone.
    ui.ImgBaseTab->disconnect(this);
    pageStack()->disconnect(this);
    ui.ImgBaseTab->hide();
    ui.ImgBaseTab->setCurrentIndex(0);
    for (int i = ui.ImgBaseTab->count() - 1; i >= 0; --i) {
        QWidget *page = ui.ImgBaseTab->widget(i);
        ui.ImgBaseTab->removeTab(i);
        page->setParent(nullptr);
        page->setUpdatesEnabled(true);
    }
}

void ImgBase::pageShown(int idx)
{
    QWidget *page = ui.ImgBaseTab->widget(idx);
    if (shownPage && shownPage != page && ui.ImgBaseTab->indexOf(shownPage) >= 0)
        shownPage->setUpdatesEnabled(false);
    shownPage = page;
    if (page)
        page->setUpdatesEnabled(true);
}

void ImgBase::closeTab(int idx)
{
    qDebug() << "close Tab";
    QWidget *page = ui.ImgBaseTab->widget(idx);
    if (!page)
        return;
    ui.ImgBaseTab->removeTab(idx);
    // removeTab leaves the page parented to the tab widget's stack; detaching it makes it a
    // window of its own, which is what the user asked for by closing the tab.
    page->setParent(nullptr, page->windowFlags() | Qt::Window);
    page->setUpdatesEnabled(true);
    page->show();
}

QTabBar::ButtonPosition ImgBase::closeSide() const
{
    QTabBar *bar = ui.ImgBaseTab->tabBar();
    return QTabBar::ButtonPosition(bar->style()->styleHint(QStyle::SH_TabBar_CloseButtonPosition, nullptr, bar));
}

void ImgBase::placeCloseButtons()
{
    QTabBar *bar = ui.ImgBaseTab->tabBar();
    const QTabBar::ButtonPosition side = closeSide();
    const bool all = bar->count() <= closeButtonsUpTo;
    QSet<QWidget *> placed;
    for (int i = 0; i < bar->count(); ++i) {
        QWidget *button = bar->tabButton(i, side);
        const bool wanted = all || i == bar->currentIndex();
        if (wanted && !button) {
            auto *own = new TabCloseButton(bar);
            connect(own, &QAbstractButton::clicked, this, [this, bar, own] {
                for (int t = 0; t < bar->count(); ++t) {
                    if (bar->tabButton(t, closeSide()) == own)
                        emit bar->tabCloseRequested(t);
                }
            });
            bar->setTabButton(i, side, own);
            button = own;
        } else if (!wanted && button) {
            bar->setTabButton(i, side, nullptr);
            button->deleteLater();
            button = nullptr;
        }
        placed.insert(button);
    }
    // A tab that became current while it was being added got a button here before the tab bar
    // put its own on it.
    for (TabCloseButton *own : bar->findChildren<TabCloseButton *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!placed.contains(own))
            own->deleteLater();
    }
}
