#pragma once

#include "ui_imgbase.h"

#include <QFrame>

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

public slots:
    void closeTab(int idx);
};
