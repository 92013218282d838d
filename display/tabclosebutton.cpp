#include "display/tabclosebutton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>

TabCloseButton::TabCloseButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    setToolTip(tr("Close Tab"));
    resize(sizeHint());
}

QSize TabCloseButton::sizeHint() const
{
    ensurePolished();
    return QSize(style()->pixelMetric(QStyle::PM_TabCloseIndicatorWidth, nullptr, this),
                 style()->pixelMetric(QStyle::PM_TabCloseIndicatorHeight, nullptr, this));
}

void TabCloseButton::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_AutoRaise;
    if (const auto *bar = qobject_cast<const QTabBar *>(parentWidget())) {
        const auto side = QTabBar::ButtonPosition(style()->styleHint(QStyle::SH_TabBar_CloseButtonPosition, nullptr, bar));
        if (bar->tabButton(bar->currentIndex(), side) == this)
            option.state |= QStyle::State_Selected;
    }
    if (isEnabled() && underMouse() && !isDown())
        option.state |= QStyle::State_Raised;
    if (isDown())
        option.state |= QStyle::State_Sunken;
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_IndicatorTabClose, &option, &painter, this);
}

void TabCloseButton::enterEvent(QEvent *event)
{
    update();
    QAbstractButton::enterEvent(event);
}

void TabCloseButton::leaveEvent(QEvent *event)
{
    update();
    QAbstractButton::leaveEvent(event);
}
