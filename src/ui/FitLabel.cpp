#include "ui/FitLabel.h"

#include <QFontMetrics>

FitLabel::FitLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
}

void FitLabel::setFitRange(int minPx, int maxPx)
{
    const QFontInfo base(font());
    m_minPx = qMax(1, minPx);
    m_maxPx = qMax(m_minPx, maxPx > 0 ? maxPx : base.pixelSize());
    m_hint = QLabel::sizeHint();
    m_minHint = QLabel::minimumSizeHint();
    refit();
}

void FitLabel::setText(const QString& text)
{
    if (text == this->text())
        return;
    QLabel::setText(text);
    refit();
}

QSize FitLabel::sizeHint() const
{
    return m_maxPx > 0 ? m_hint : QLabel::sizeHint();
}

QSize FitLabel::minimumSizeHint() const
{
    return m_maxPx > 0 ? m_minHint : QLabel::minimumSizeHint();
}

void FitLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    refit();
}

QRect FitLabel::textRect() const
{
    const int m = margin();
    return contentsRect().adjusted(m, m, -m, -m);
}

void FitLabel::refit()
{
    if (m_maxPx <= 0)
        return;
    const QRect room = textRect();
    QFont f = font();
    auto fits = [&](int px) {
        f.setPixelSize(px);
        const QFontMetrics fm(f);
        return fm.horizontalAdvance(text()) <= room.width() && fm.height() <= room.height();
    };
    // The largest size that fits; the smallest when none does.
    int lo = m_minPx, hi = m_maxPx;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid - 1;
    }
    const bool whole = fits(lo);
    f.setPixelSize(lo);
    if (f != font())
        setFont(f);
    // A text too long even at the smallest size keeps its whole text at hand.
    if (!whole) {
        m_cutTip = text();
        setToolTip(m_cutTip);
    } else if (!m_cutTip.isEmpty() && toolTip() == m_cutTip) {
        m_cutTip.clear();
        setToolTip(QString());
    }
}
