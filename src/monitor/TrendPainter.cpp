#include "monitor/TrendPainter.h"

#include <QPainter>
#include <algorithm>

void DrawTrend(QImage& surface, const TrendTick& tick)
{
    if (tick.clear)
        surface.fill(Qt::white);
    if (tick.segments.empty())
        return;
    QPainter p(&surface);
    // Values far off the scale are drawn off the surface; keep the numbers small for the painter.
    const double lim = 100.0 * surface.height();
    auto clamp = [lim](QPointF pt) { return QPointF(pt.x(), std::clamp(pt.y(), -lim, lim)); };
    QPen pen;
    pen.setWidth(1);
    for (const TrendSegment& s : tick.segments) {
        if (pen.color().rgb() != s.colour) {
            pen.setColor(QColor(s.colour));
            p.setPen(pen);
        }
        p.drawLine(clamp(s.from), clamp(s.to));
    }
}
