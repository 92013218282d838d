#pragma once

#include "ui_winsizeset.h"

#include <QFrame>

// A one-line editor of a filter window's half width (AreaHW, along x) and half height (AreaHH,
// along y). It neither validates nor signals; its owner reads the numbers when it makes a filter.
class WinSizeSet : public QFrame
{
    Q_OBJECT

public:
    explicit WinSizeSet(QWidget *parent = nullptr);

    // The fields as decimal integers; text that is no number gives 0.
    int halfWidth() const;
    int halfHeight() const;

    Ui_WinSizeSet ui;
};
