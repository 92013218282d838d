#pragma once

#include <QLabel>

// A one-line label whose width does not follow its text, so that a changing read-out never
// widens the window around it: it asks for the width of a sample text (the longest it expects
// to show) and can shrink to a few characters, and it draws its text elided to the width it
// is given. text() stays the whole text.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    void setSampleText(const QString &sample);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The text as drawn at the current width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    QString sampleText;
};
