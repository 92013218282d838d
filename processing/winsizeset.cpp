#include "winsizeset.h"

WinSizeSet::WinSizeSet(QWidget *parent)
    : QFrame(parent)
{
    ui.setupUi(this);
}

int WinSizeSet::halfWidth() const
{
    return ui.AreaHW->text().toInt();
}

int WinSizeSet::halfHeight() const
{
    return ui.AreaHH->text().toInt();
}
