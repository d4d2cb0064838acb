#include "view/PlotView.h"

#include "view/Timeline.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinValueSpan = 1e-6;
constexpr double kMaxValueSpan = 1e36;
constexpr double kMaxTimeSpanMs = 1e13; // three centuries

// A local clock reading as ms, as if it were UTC: round local times are round numbers.
double naiveOf(double t)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(qint64(std::floor(t)));
    return double(QDateTime(local.date(), local.time(), Qt::UTC).toMSecsSinceEpoch());
}

QDateTime naiveDateTime(double naive)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(naive), Qt::UTC);
}

} // namespace

PlotRange FitRange(const Timeline& tl, const std::array<bool, 12>& shown)
{
    PlotRange r;
    if (tl.isEmpty()) {
        const double now = double(QDateTime::currentMSecsSinceEpoch());
        return {now - 3'600'000, now, 0, 1};
    }
    r.t0 = double(tl.firstMs());
    r.t1 = double(tl.lastMs());
    if (r.t1 - r.t0 < kMinTimeSpanMs) {
        const double mid = (r.t0 + r.t1) / 2;
        r.t0 = mid - 30'000;
        r.t1 = mid + 30'000;
    }
    double lo = INFINITY, hi = -INFINITY;
    for (int k = 0; k < tl.channels; ++k)
        if (shown[k] && tl.extremes[k].first <= tl.extremes[k].second) {
            lo = std::min(lo, double(tl.extremes[k].first));
            hi = std::max(hi, double(tl.extremes[k].second));
        }
    if (lo > hi) {
        lo = 0;
        hi = 1;
    } else if (hi - lo < kMinValueSpan * std::max(1.0, std::abs(hi))) {
        const double half = std::max(1.0, std::abs(hi) * 0.05);
        lo -= half;
        hi += half;
    } else {
        const double margin = (hi - lo) * 0.05;
        lo -= margin;
        hi += margin;
    }
    r.y0 = lo;
    r.y1 = hi;
    return r;
}

namespace {

// [lo, hi] scaled by `factor` about `at`, which keeps its place; the new
// length is held to [minSpan, maxSpan].
void zoomAxis(double& lo, double& hi, double at, double factor, double minSpan, double maxSpan)
{
    const double span = std::clamp((hi - lo) * factor, minSpan, maxSpan);
    const double f = (at - lo) / (hi - lo);
    lo = at - f * span;
    hi = lo + span;
}

} // namespace

PlotRange ZoomTime(const PlotRange& r, double at, double factor)
{
    PlotRange z = r;
    zoomAxis(z.t0, z.t1, at, factor, kMinTimeSpanMs, kMaxTimeSpanMs);
    return z;
}

PlotRange ZoomValue(const PlotRange& r, double at, double factor)
{
    PlotRange z = r;
    zoomAxis(z.y0, z.y1, at, factor, kMinValueSpan * std::max(1.0, std::abs(at)), kMaxValueSpan);
    return z;
}

PlotRange Panned(const PlotRange& r, double dt, double dv)
{
    return {r.t0 + dt, r.t1 + dt, r.y0 + dv, r.y1 + dv};
}

PlotRange RangeOfRect(const PlotMap& m, const QRectF& px, bool withValues)
{
    const QRectF p = px.normalized();
    PlotRange z = m.r;
    z.t0 = m.t(p.left());
    z.t1 = m.t(p.right());
    if (z.t1 - z.t0 < kMinTimeSpanMs)
        z = ZoomTime(z, (z.t0 + z.t1) / 2, kMinTimeSpanMs / std::max(z.t1 - z.t0, 1.0));
    if (withValues) {
        z.y0 = m.value(p.bottom());
        z.y1 = m.value(p.top());
        if (z.y1 - z.y0 < kMinValueSpan)
            z = ZoomValue(z, (z.y0 + z.y1) / 2, kMinValueSpan / std::max(z.y1 - z.y0, 1e-12));
    }
    return z;
}

std::vector<TimeTick> TimeTicks(double t0, double t1, double widthPx, double minGapPx)
{
    std::vector<TimeTick> ticks;
    if (!(t1 > t0) || widthPx < 1)
        return ticks;
    constexpr double s = 1000, min = 60 * s, h = 60 * min, d = 24 * h;
    static constexpr double steps[] = {1 * s,  2 * s,  5 * s,  10 * s, 15 * s, 30 * s, 1 * min, 2 * min,
                                       5 * min, 10 * min, 15 * min, 30 * min, 1 * h, 2 * h, 3 * h, 6 * h,
                                       12 * h, 1 * d, 2 * d, 7 * d, 14 * d, 28 * d, 56 * d, 91 * d,
                                       182 * d, 364 * d, 728 * d, 1820 * d, 3640 * d, 18200 * d};
    const double msPerPx = (t1 - t0) / widthPx;
    double step = steps[std::size(steps) - 1];
    for (double candidate : steps)
        if (candidate / msPerPx >= minGapPx) {
            step = candidate;
            break;
        }
    // Round times of the local clock.
    const double n0 = naiveOf(t0), n1 = naiveOf(t1);
    QString lastDate;
    for (double n = std::ceil(n0 / step) * step - step; n <= n1 + step && ticks.size() < 1000; n += step) {
        const QDateTime clock = naiveDateTime(n);
        const double t = double(QDateTime(clock.date(), clock.time()).toMSecsSinceEpoch());
        if (t < t0 || t > t1 || QDateTime::fromMSecsSinceEpoch(qint64(t)).time() != clock.time())
            continue; // outside, or a time the clock skipped
        TimeTick tick;
        tick.t = t;
        const QString date = clock.toString(QStringLiteral("yyyy-MM-dd"));
        if (step >= d) {
            tick.label = date;
        } else {
            tick.label = clock.toString(step < min ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
            if (date != lastDate)
                tick.date = date;
        }
        lastDate = date;
        ticks.push_back(tick);
    }
    return ticks;
}

ValueTicks MakeValueTicks(double y0, double y1, double heightPx, double minGapPx)
{
    ValueTicks out;
    if (!(y1 > y0) || heightPx < 1 || !std::isfinite(y1 - y0))
        return out;
    const double rough = (y1 - y0) * minGapPx / heightPx;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= rough) {
            step = m * power;
            break;
        }
    out.decimals = std::clamp(int(-std::floor(std::log10(step) + 1e-9)), 0, 12);
    for (double k = std::ceil(y0 / step); k * step <= y1 && out.values.size() < 200; k += 1)
        out.values.push_back(k * step == 0 ? 0.0 : k * step); // no "-0"
    return out;
}

QString SpanText(double ms)
{
    const qint64 s = qint64(std::llround(ms / 1000));
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return QStringLiteral("%1 min").arg(s / 60) + (s % 60 ? QStringLiteral(" %1 s").arg(s % 60) : QString());
    if (s < 86400)
        return QStringLiteral("%1 h").arg(s / 3600) + (s % 3600 / 60 ? QStringLiteral(" %1 min").arg(s % 3600 / 60) : QString());
    return QStringLiteral("%1 d").arg(s / 86400) + (s % 86400 / 3600 ? QStringLiteral(" %1 h").arg(s % 86400 / 3600) : QString());
}
