#pragma once
// What part of a timeline the plot shows, how it maps to pixels, and the
// ticks of its two axes. Times are ms since the epoch, shown in local time.
#include <QRectF>
#include <QString>
#include <array>
#include <vector>

class Timeline;

struct PlotRange {
    double t0 = 0, t1 = 1; // time, left to right
    double y0 = 0, y1 = 1; // value, bottom to top
    bool operator==(const PlotRange&) const = default;
};

// A range drawn in a pixel area (y grows downwards).
struct PlotMap {
    QRectF area;
    PlotRange r;
    double x(double t) const { return area.left() + (t - r.t0) * area.width() / (r.t1 - r.t0); }
    double t(double x) const { return r.t0 + (x - area.left()) * (r.t1 - r.t0) / area.width(); }
    double y(double v) const { return area.bottom() - (v - r.y0) * area.height() / (r.y1 - r.y0); }
    double value(double y) const { return r.y0 + (area.bottom() - y) * (r.y1 - r.y0) / area.height(); }
};

constexpr double kMinTimeSpanMs = 2000;

// The whole timeline, values of the shown channels (0-based flags) with a margin.
PlotRange FitRange(const Timeline& tl, const std::array<bool, 12>& shown);
// factor < 1 zooms in; the time or value `at` stays where it is.
PlotRange ZoomTime(const PlotRange& r, double at, double factor);
PlotRange ZoomValue(const PlotRange& r, double at, double factor);
PlotRange Panned(const PlotRange& r, double dt, double dv);
// The range of a pixel rectangle; its values only when withValues.
PlotRange RangeOfRect(const PlotMap& m, const QRectF& pixels, bool withValues);

struct TimeTick {
    double t = 0;
    QString label; // time of day, or the date for steps of days
    QString date;  // the date under the first tick and where it changes; else empty
};
// Ticks at round local times at least minGapPx apart.
std::vector<TimeTick> TimeTicks(double t0, double t1, double widthPx, double minGapPx);

struct ValueTicks {
    std::vector<double> values;
    int decimals = 0; // what the step needs
};
// Ticks at 1, 2 or 5 times a power of ten, at least minGapPx apart.
ValueTicks MakeValueTicks(double y0, double y1, double heightPx, double minGapPx);

// "45 s", "12 min", "6 h 30 min", "3 d 4 h".
QString SpanText(double ms);
