#include "ui/GradientLabel.h"

#include <QLinearGradient>
#include <QPainter>

GradientLabel::GradientLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setAlignment(Qt::AlignCenter);
}

void GradientLabel::setColour1(const QColor& c)
{
    setColours(c, m_colour2);
}

void GradientLabel::setColour2(const QColor& c)
{
    setColours(m_colour1, c);
}

void GradientLabel::setColours(const QColor& c1, const QColor& c2)
{
    if (c1 == m_colour1 && c2 == m_colour2)
        return;
    m_colour1 = c1;
    m_colour2 = c2;
    update();
}

void GradientLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRectF r = rect();
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, m_colour1);
    g.setColorAt(1, m_colour2);
    p.fillRect(r, g);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawRect(r.adjusted(0, 0, -1, -1));

    // Perceived brightness of the middle of the gradient picks the text colour.
    const auto lum = [](const QColor& c) { return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue(); };
    const bool dark = (lum(m_colour1) + lum(m_colour2)) / 2 < 128;
    p.setPen(dark ? Qt::white : Qt::black);
    p.setFont(font());
    const int m = margin() + 2;
    p.drawText(r.adjusted(m, 0, -m, 0), int(alignment()), text());
}
