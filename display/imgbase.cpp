#include "display/imgbase.h"

#include <QDebug>

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
}

ImgBase::~ImgBase()
{
    // The pages belong to their rows (often by value); the tab widget must not delete them.
    // Hidden, and taken from the end behind the first, the tab widget neither lays out its tabs
    // nor switches pages for each one that goes.
    ui.ImgBaseTab->hide();
    ui.ImgBaseTab->setCurrentIndex(0);
    for (int i = ui.ImgBaseTab->count() - 1; i >= 0; --i) {
        QWidget *page = ui.ImgBaseTab->widget(i);
        ui.ImgBaseTab->removeTab(i);
        page->setParent(nullptr);
    }
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
    page->show();
}
