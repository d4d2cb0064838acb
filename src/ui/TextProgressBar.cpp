#include "ui/TextProgressBar.h"

#include "core/Rgb.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

TextProgressBar::TextProgressBar(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TextProgressBar::setValue(int percent)
{
    if (percent == m_value)
        return;
    m_value = percent;
    update();
}

void TextProgressBar::setBarColours(const QColor& c1, const QColor& c2)
{
    if (c1 == m_colour1 && c2 == m_colour2)
        return;
    m_colour1 = c1;
    m_colour2 = c2;
    update();
}

void TextProgressBar::setTextVisible(bool visible)
{
    if (visible == m_textVisible)
        return;
    m_textVisible = visible;
    update();
}

int TextProgressBar::filledWidth(int value, int width)
{
    return int(qint64(std::clamp(value, 0, 100)) * width / 100);
}

void TextProgressBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    const QColor empty(245, 245, 245);
    p.fillRect(rect(), empty);
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    const QRect filled(inner.left(), inner.top(), filledWidth(m_value, inner.width()), inner.height());
    if (filled.width() > 0) {
        QLinearGradient g(inner.topLeft(), inner.bottomLeft());
        g.setColorAt(0, m_colour1);
        g.setColorAt(1, m_colour2);
        p.fillRect(filled, g);
    }
    p.setPen(QColor(120, 120, 120));
    p.drawRect(frame);
    if (!m_textVisible)
        return;

    // The part of the text over the bar takes the bar's ink, the rest the background's.
    const QColor bar((m_colour1.red() + m_colour2.red()) / 2, (m_colour1.green() + m_colour2.green()) / 2,
                     (m_colour1.blue() + m_colour2.blue()) / 2);
    const QString t = text();
    p.save();
    p.setClipRect(filled);
    p.setPen(QColor::fromRgb(ReadableTextOn(bar.rgb())));
    p.drawText(inner, Qt::AlignCenter, t);
    p.restore();
    p.setClipRegion(QRegion(inner).subtracted(filled));
    p.setPen(QColor::fromRgb(ReadableTextOn(empty.rgb())));
    p.drawText(inner, Qt::AlignCenter, t);
}
