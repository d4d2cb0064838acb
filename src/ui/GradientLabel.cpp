#include "ui/GradientLabel.h"

#include "core/Rgb.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

QColor mix(const QColor& a, const QColor& b, double t)
{
    auto ch = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return QColor(ch(a.red(), b.red()), ch(a.green(), b.green()), ch(a.blue(), b.blue()));
}

} // namespace

GradientLabel::GradientLabel(const QString& text, QWidget* parent) : FitLabel(text, parent)
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

QRect GradientLabel::textRect() const
{
    const int m = margin() + 2;
    return rect().adjusted(m, 0, -m, 0);
}

void GradientLabel::setMuted(bool muted)
{
    if (m_muted == muted)
        return;
    m_muted = muted;
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

    // The ink follows the background: black or white, step by step across the width.
    constexpr int kSteps = 48;
    QLinearGradient ink(r.topLeft(), r.topRight());
    Rgb last = ReadableTextOn(m_colour1.rgb());
    ink.setColorAt(0, QColor::fromRgb(last));
    for (int k = 1; k <= kSteps; ++k) {
        const Rgb now = ReadableTextOn(mix(m_colour1, m_colour2, double(k) / kSteps).rgb());
        if (now != last) {
            const double at = (k - 0.5) / kSteps;
            ink.setColorAt(at - 1e-6, QColor::fromRgb(last));
            ink.setColorAt(at, QColor::fromRgb(now));
            last = now;
        }
    }
    ink.setColorAt(1, QColor::fromRgb(last));
    p.setPen(m_muted ? QPen(QColor(150, 156, 166)) : QPen(QBrush(ink), 1));
    p.setFont(font());
    p.drawText(textRect(), int(alignment()), text());
}
