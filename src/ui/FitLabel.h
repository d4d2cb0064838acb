#pragma once
// A label whose font takes the largest size, within a range, at which its
// text fits its rectangle whole: long values shrink, and a label that grows
// with its window grows its text. Its size hints stay those of the font it
// was given, so a layout never chases the fitted font.
#include <QLabel>

class FitLabel : public QLabel {
    Q_OBJECT
public:
    explicit FitLabel(const QString& text = QString(), QWidget* parent = nullptr);

    // Fit the text between minPx and maxPx pixels of font size; maxPx 0: the
    // font's own size. Without a call the label does not fit.
    void setFitRange(int minPx, int maxPx = 0);
    // Sets the text and fits it (hides QLabel::setText, which does not fit).
    void setText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // The room the text is drawn in.
    virtual QRect textRect() const;

private:
    void refit();

    int m_minPx = 0, m_maxPx = 0;
    QSize m_hint, m_minHint;
    QString m_cutTip; // the tooltip set for a text that does not fit
};
