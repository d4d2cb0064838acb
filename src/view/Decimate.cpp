#include "view/Decimate.h"

#include <algorithm>
#include <cmath>

namespace {

// Liang-Barsky: cuts segment a-b to the box; false when none of it is inside.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& box)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(), box.bottom() - a.y()};
    double u0 = 0, u1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double u = q[i] / p[i];
        if (p[i] < 0)
            u0 = std::max(u0, u);
        else
            u1 = std::min(u1, u);
        if (u0 > u1)
            return false;
    }
    const QPointF from = a;
    if (u1 < 1)
        b = QPointF(from.x() + u1 * dx, from.y() + u1 * dy);
    if (u0 > 0)
        a = QPointF(from.x() + u0 * dx, from.y() + u0 * dy);
    return true;
}

// One unbroken line, cut where it leaves the box.
void clipLine(const std::vector<QPointF>& line, const QRectF& box, std::vector<std::vector<QPointF>>& out)
{
    if (line.size() == 1) {
        if (box.contains(line[0]))
            out.push_back(line);
        return;
    }
    std::vector<QPointF> piece;
    for (size_t i = 1; i < line.size(); ++i) {
        QPointF a = line[i - 1], b = line[i];
        if (!clipSegment(a, b, box))
            continue;
        if (piece.empty() || piece.back() != a) {
            if (piece.size() > 1)
                out.push_back(std::move(piece));
            piece = {a};
        }
        piece.push_back(b);
        if (b != line[i]) {
            out.push_back(std::move(piece));
            piece.clear();
        }
    }
    if (piece.size() > 1)
        out.push_back(std::move(piece));
}

} // namespace

Columns CutColumns(const Timeline& tl, double t0, double t1, int columns)
{
    Columns cut;
    if (!(t1 > t0) || columns < 1)
        return cut;
    cut.t0 = t0;
    cut.t1 = t1;
    cut.starts.resize(size_t(columns) + 1);
    const qsizetype end = FirstAfter(tl, t1); // a record at t1 belongs to the last column
    qsizetype from = FirstAtOrAfter(tl, t0);
    for (int c = 0; c < columns; ++c) {
        cut.starts[size_t(c)] = from;
        const double limit = t0 + (t1 - t0) * (c + 1) / columns;
        from = c + 1 == columns ? end : FirstAtOrAfter(tl, limit);
        from = std::clamp(from, cut.starts[size_t(c)], end);
    }
    cut.starts[size_t(columns)] = end;
    return cut;
}

std::vector<ColumnSpan> Decimate(const Timeline& tl, int ch, double t0, double t1, int columns)
{
    return Decimate(tl, ch, CutColumns(tl, t0, t1, columns));
}

std::vector<ColumnSpan> Decimate(const Timeline& tl, int ch, const Columns& cut)
{
    std::vector<ColumnSpan> out;
    if (tl.isEmpty() || ch < 0 || ch >= tl.channels || cut.count() < 1)
        return out;
    qsizetype lastFinite = -1;
    bool unreadable = false; // a value that is not a number since lastFinite

    // Records [i, next) drawn as one span at time `at`.
    auto span = [&](qsizetype i, qsizetype next, double at) {
        ColumnSpan s;
        s.t = at;
        qsizetype first = -1;
        float lo = INFINITY, hi = -INFINITY;
        auto take = [&](qsizetype j) {
            const float x = tl.value(ch, j);
            if (!std::isfinite(x)) {
                unreadable = true;
                return;
            }
            if (first < 0) {
                first = j;
                s.first = x;
                s.breakBefore = unreadable || (lastFinite >= 0 && tl.gapBetween(lastFinite, j));
            }
            unreadable = false;
            lo = std::min(lo, x);
            hi = std::max(hi, x);
            lastFinite = j;
        };
        // The largest whole blocks of finite values that fit, the rest record by record.
        for (qsizetype j = i; j < next;) {
            int level = Timeline::kLevels - 1;
            for (; level >= 0; --level) {
                const qsizetype size = Timeline::kBlock[size_t(level)];
                if (j % size == 0 && j + size <= next && tl.block(level, ch, j / size).finite)
                    break;
            }
            if (level < 0) {
                take(j++);
                continue;
            }
            const qsizetype size = Timeline::kBlock[size_t(level)];
            const BlockExtremes& b = tl.block(level, ch, j / size);
            if (first < 0)
                take(j);
            lo = std::min(lo, b.min);
            hi = std::max(hi, b.max);
            lastFinite = j + size - 1; // its value is read only if it ends the span
            unreadable = false;
            j += size;
        }
        if (first >= 0) {
            s.last = tl.value(ch, lastFinite);
            s.min = lo;
            s.max = hi;
            out.push_back(s);
        }
    };

    const qsizetype inside = cut.starts.front(), after = cut.starts.back();
    if (inside > 0)
        span(inside - 1, inside, double(tl.msAt(inside - 1)));
    for (int c = 0; c < cut.count(); ++c) {
        const qsizetype i = cut.starts[size_t(c)], next = cut.starts[size_t(c) + 1];
        if (next > i)
            span(i, next, next - i == 1 ? double(tl.msAt(i)) : cut.middle(c));
    }
    if (after < tl.size())
        span(after, after + 1, double(tl.msAt(after)));
    return out;
}

std::vector<std::vector<QPointF>> TraceLines(const std::vector<ColumnSpan>& spans, const PlotMap& map)
{
    std::vector<std::vector<QPointF>> out;
    std::vector<QPointF> line;
    auto add = [&](double x, float v) {
        const QPointF p(x, map.y(double(v)));
        if (line.empty() || line.back() != p)
            line.push_back(p);
    };
    for (const ColumnSpan& s : spans) {
        if (s.breakBefore && !line.empty()) {
            clipLine(line, map.area, out);
            line.clear();
        }
        const double x = map.x(s.t);
        add(x, s.first);
        add(x, s.min);
        add(x, s.max);
        add(x, s.last);
    }
    if (!line.empty())
        clipLine(line, map.area, out);
    return out;
}
