#include "view/PlotPainter.h"

#include "view/Decimate.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

const QColor kBackground(255, 255, 255);
const QColor kGrid(228, 228, 228);
const QColor kFrame(120, 120, 120);
const QColor kText(32, 32, 32);
const QColor kGap(246, 240, 228);
constexpr double kPad = 6;

QString channelCaption(const ChannelLook& look)
{
    return look.unit.isEmpty() ? look.name : QStringLiteral("%1 [%2]").arg(look.name, look.unit);
}

// The legend's items in rows across the width: each item's rectangle.
std::vector<QRectF> legendItems(const QFontMetricsF& fm, const QRectF& bounds, const PlotScene& s, double top)
{
    std::vector<QRectF> items;
    if (!s.legend || !s.timeline)
        return items;
    const double h = fm.height(), swatch = h * 1.2;
    double x = bounds.left() + kPad, y = top;
    for (int k = 0; k < s.timeline->channels; ++k) {
        if (!s.shown[k])
            continue;
        const double w = swatch + 4 + fm.horizontalAdvance(channelCaption(s.looks[k])) + 14;
        if (x + w > bounds.right() && x > bounds.left() + kPad) {
            x = bounds.left() + kPad;
            y += h + 2;
        }
        items.push_back(QRectF(x, y, w, h));
        x += w;
    }
    return items;
}

// The unit of the value axis: the one all shown channels share, if they do.
QString commonUnit(const PlotScene& s)
{
    QString unit;
    for (int k = 0; s.timeline && k < s.timeline->channels; ++k) {
        if (!s.shown[k])
            continue;
        if (s.looks[k].unit.isEmpty() || (!unit.isEmpty() && unit != s.looks[k].unit))
            return {};
        unit = s.looks[k].unit;
    }
    return unit;
}

struct Layout {
    double top = 0, bottom = 0;
    std::vector<QRectF> legend;
};

Layout verticalLayout(const QFontMetricsF& fm, const QRectF& bounds, const PlotScene& s)
{
    Layout l;
    double y = bounds.top() + kPad;
    if (!s.title.isEmpty())
        y += fm.height() + 2;
    l.legend = legendItems(fm, bounds, s, y);
    if (!l.legend.empty())
        y = l.legend.back().bottom() + 4;
    l.top = y + fm.height() + 2; // the value axis' unit
    l.bottom = bounds.bottom() - kPad - 2 * fm.height() - 4;
    return l;
}

// Large values in exponent form, so that a wild value does not widen the axis by forty digits.
QString valueLabel(double v, int decimals)
{
    return std::abs(v) >= 1e7 ? QString::number(v, 'g', 6) : QString::number(v, 'f', decimals);
}

} // namespace

QRectF PlotArea(const QFont& font, const QRectF& bounds, const PlotScene& s)
{
    const QFontMetricsF fm(font);
    const Layout l = verticalLayout(fm, bounds, s);
    const ValueTicks vt = MakeValueTicks(s.range.y0, s.range.y1, l.bottom - l.top, fm.height() * 2.5);
    double labelWidth = fm.horizontalAdvance(QStringLiteral("0000"));
    for (double v : vt.values)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(valueLabel(v, vt.decimals)));
    const double left = bounds.left() + kPad + labelWidth + 6;
    const double right = bounds.right() - kPad - fm.horizontalAdvance(QStringLiteral("00:00")) / 2;
    return QRectF(QPointF(left, l.top), QPointF(std::max(right, left + 10), std::max(l.bottom, l.top + 10)));
}

void PaintPlot(QPainter& p, const QRectF& bounds, const PlotScene& s)
{
    const QFontMetricsF fm(p.font());
    const Layout l = verticalLayout(fm, bounds, s);
    const QRectF area = PlotArea(p.font(), bounds, s);
    const PlotMap map{area, s.range};
    p.save();
    p.fillRect(bounds, kBackground);
    p.setPen(kText);
    if (!s.title.isEmpty())
        p.drawText(QPointF(bounds.left() + kPad, bounds.top() + kPad + fm.ascent()),
                   fm.elidedText(s.title, Qt::ElideRight, int(bounds.width() - 2 * kPad)));
    for (size_t i = 0, k = 0; i < l.legend.size(); ++k) {
        if (!s.shown[k])
            continue;
        const QRectF r = l.legend[i++];
        const double swatch = r.height() * 1.2;
        p.fillRect(QRectF(r.left(), r.top() + r.height() / 2 - 2, swatch, 4), QColor::fromRgb(s.looks[k].colour));
        p.drawText(QPointF(r.left() + swatch + 4, r.top() + fm.ascent()), channelCaption(s.looks[k]));
    }
    const QString unit = commonUnit(s);
    if (!unit.isEmpty())
        p.drawText(QPointF(bounds.left() + kPad, area.top() - fm.descent() - 3), unit);

    // Gaps: where records are missing, as a tint.
    const Timeline* tl = s.timeline;
    if (tl)
        tl->guardShrunkFiles();
    if (tl && !tl->isEmpty()) {
        const qsizetype from = FirstAtOrAfter(*tl, s.range.t0), to = FirstAfter(*tl, s.range.t1);
        auto g = std::lower_bound(tl->gapsBefore.begin(), tl->gapsBefore.end(), from);
        for (; g != tl->gapsBefore.end() && *g <= to && *g < tl->size(); ++g) {
            const double a = std::max(map.x(double(tl->msAt(*g - 1))), area.left());
            const double b = std::min(map.x(double(tl->msAt(*g))), area.right());
            if (b - a >= 2)
                p.fillRect(QRectF(a, area.top(), b - a, area.height()), kGap);
        }
    }

    // Grid and labels.
    const ValueTicks vt = MakeValueTicks(s.range.y0, s.range.y1, area.height(), fm.height() * 2.5);
    for (double v : vt.values) {
        const double y = std::round(map.y(v)) + 0.5;
        p.setPen(kGrid);
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(kText);
        const QString text = valueLabel(v, vt.decimals);
        p.drawText(QPointF(area.left() - 6 - fm.horizontalAdvance(text), y + fm.ascent() / 2 - 1), text);
    }
    const double timeLabelWidth = fm.horizontalAdvance(QStringLiteral("0000-00-00")) + 16;
    for (const TimeTick& t : TimeTicks(s.range.t0, s.range.t1, area.width(), timeLabelWidth)) {
        const double x = std::round(map.x(t.t)) + 0.5;
        p.setPen(kGrid);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.setPen(kText);
        p.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        const double baseline = area.bottom() + 4 + fm.ascent();
        p.drawText(QPointF(x - fm.horizontalAdvance(t.label) / 2, baseline), t.label);
        if (!t.date.isEmpty())
            p.drawText(QPointF(x - fm.horizontalAdvance(t.date) / 2, baseline + fm.height()), t.date);
    }
    p.setPen(kFrame);
    p.drawRect(area.adjusted(-0.5, -0.5, 0.5, 0.5));

    // Traces: min/max per pixel column; anti-aliased only where lines are sparse.
    const int columns = std::max(1, int(area.width()));
    const Columns cut = tl ? CutColumns(*tl, s.range.t0, s.range.t1, columns) : Columns();
    p.setClipRect(area.adjusted(-1, -1, 1, 1));
    for (int k = 0; tl && k < tl->channels; ++k) {
        if (!s.shown[k])
            continue;
        const std::vector<ColumnSpan> spans = Decimate(*tl, k, cut);
        const bool dense = spans.size() * 2 > size_t(columns);
        p.setRenderHint(QPainter::Antialiasing, !dense);
        const QColor colour = QColor::fromRgb(s.looks[k].colour);
        p.setPen(QPen(colour, 1.0)); // a wider pen takes the general stroker, ten times slower
        p.setBrush(colour);
        for (const std::vector<QPointF>& line : TraceLines(spans, map)) {
            if (line.size() == 1)
                p.drawEllipse(line[0], 2.0, 2.0);
            else
                p.drawPolyline(line.data(), int(line.size()));
        }
    }
    p.setClipping(false);
    if (!s.note.isEmpty()) {
        const QRectF box = fm.boundingRect(area.adjusted(10, 8, -10, -8), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, s.note).adjusted(-4, -2, 4, 2);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(0xe0, 0xc0, 0x60));
        p.setBrush(QColor(0xff, 0xf4, 0xce));
        p.drawRect(box);
        p.setPen(QColor(0x3b, 0x2f, 0x00));
        p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, s.note);
    }
    if (!tl || tl->isEmpty()) {
        p.setPen(kText);
        p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, s.emptyText);
    }
    p.restore();
}

void PaintCursor(QPainter& p, const QRectF& area, const PlotScene& s, qsizetype index)
{
    const Timeline* tl = s.timeline;
    if (!tl || index < 0 || index >= tl->size())
        return;
    const PlotMap map{area, s.range};
    const double x = std::round(map.x(double(tl->msAt(index)))) + 0.5;
    if (x < area.left() || x > area.right())
        return;
    p.save();
    p.setPen(QPen(kText, 1, Qt::DashLine));
    p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    p.setRenderHint(QPainter::Antialiasing);
    for (int k = 0; k < tl->channels; ++k) {
        const float v = tl->value(k, index);
        const double y = map.y(double(v));
        if (!s.shown[k] || !std::isfinite(v) || y < area.top() || y > area.bottom())
            continue;
        p.setPen(QPen(kText, 1));
        p.setBrush(QColor::fromRgb(s.looks[k].colour));
        p.drawEllipse(QPointF(x, y), 3.5, 3.5);
    }
    p.restore();
}

QString FilesTitle(const QStringList& files)
{
    if (files.size() <= 3)
        return files.join(QStringLiteral(", "));
    return QStringLiteral("%1 \u2026 %2 (%3 files)").arg(files.first(), files.last()).arg(files.size());
}

QImage RenderPlot(const PlotScene& s, const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);
    PlotScene withLegend = s;
    withLegend.legend = true;
    PaintPlot(p, QRectF(QPointF(0, 0), QSizeF(size)), withLegend);
    return image;
}
