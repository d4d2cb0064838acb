#include "ui/LedIndicator.h"

#include <QPainter>
#include <QRadialGradient>

LedIndicator::LedIndicator(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(sizeHint());
}

void LedIndicator::setColour(const QColor& c)
{
    if (c == m_colour)
        return;
    m_colour = c;
    update();
}

void LedIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QRadialGradient g(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() * 0.7);
    g.setColorAt(0, m_colour.lighter(m_colour == Qt::black ? 300 : 160));
    g.setColorAt(1, m_colour);
    p.setBrush(g);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.drawEllipse(r);
}
