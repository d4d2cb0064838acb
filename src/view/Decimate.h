#pragma once
// Min/max decimation: what one channel draws in each pixel column, so that a
// million records cost no more to draw than the plot has columns, and no
// peak is lost.
#include "view/PlotView.h"
#include "view/Timeline.h"

#include <QPointF>
#include <vector>

// The records of one channel in one pixel column: first and last value and
// the extremes between (values that are not finite numbers are left out).
struct ColumnSpan {
    double t = 0; // where it is drawn: the record's time, or the column's middle for several
    float first = 0, last = 0, min = 0, max = 0;
    bool breakBefore = false; // not joined to the span before: a gap or unreadable values lie between
};

// The time range t0..t1 cut into equal pixel columns: column c holds the
// records [starts[c], starts[c + 1]); the same for every channel.
struct Columns {
    double t0 = 0, t1 = 1;
    std::vector<qsizetype> starts; // one more than there are columns
    int count() const { return int(starts.size()) - 1; }
    double middle(int c) const { return t0 + (t1 - t0) * (c + 0.5) / count(); }
};
Columns CutColumns(const Timeline& tl, double t0, double t1, int columns);

// Spans of channel ch (0-based) in those columns, with the nearest record
// outside on either side, so that lines reach the edges.
std::vector<ColumnSpan> Decimate(const Timeline& tl, int ch, const Columns& columns);
std::vector<ColumnSpan> Decimate(const Timeline& tl, int ch, double t0, double t1, int columns);

// The spans as pixel polylines clipped to the map's area; a polyline of one
// point is a record with a gap on either side.
std::vector<std::vector<QPointF>> TraceLines(const std::vector<ColumnSpan>& spans, const PlotMap& map);
