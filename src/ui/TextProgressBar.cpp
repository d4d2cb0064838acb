#include "ui/TextProgressBar.h"

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

int TextProgressBar::filledWidth(int value, int width)
{
    return int(qint64(std::clamp(value, 0, 100)) * width / 100);
}

void TextProgressBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), QColor(245, 245, 245));
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    const int w = filledWidth(m_value, inner.width());
    if (w > 0) {
        QLinearGradient g(inner.topLeft(), inner.bottomLeft());
        g.setColorAt(0, m_colour1.lighter(130));
        g.setColorAt(0.5, m_colour1);
        g.setColorAt(1, m_colour2);
        p.fillRect(QRect(inner.left(), inner.top(), w, inner.height()), g);
    }
    p.setPen(QColor(120, 120, 120));
    p.drawRect(frame);

    // The text sits on both the bar and the background: draw it with a light halo.
    const QString t = text();
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(inner.translated(1, 1), Qt::AlignCenter, t);
    p.setPen(Qt::black);
    p.drawText(inner, Qt::AlignCenter, t);
}
