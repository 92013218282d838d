#pragma once

#include <QAbstractButton>

// A tab's close button drawn as the style draws the tab bar's own, for the tabs whose buttons the
// tab window places itself (ImgBase).
class TabCloseButton : public QAbstractButton
{
    Q_OBJECT

public:
    explicit TabCloseButton(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
};
