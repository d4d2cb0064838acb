#pragma once
// Draws a timeline's plot: value and local-time axes, grid, the gaps, the
// shown channels decimated to the pixel columns, and the cursor.
#include "view/ChannelLook.h"
#include "view/PlotView.h"
#include "view/Timeline.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <array>

class QFont;
class QPainter;

struct PlotScene {
    const Timeline* timeline = nullptr;
    ChannelLooks looks = DefaultLooks();
    std::array<bool, vqd::kChannels> shown{true, true, true, true, true, true, true, true, true, true, true, true};
    PlotRange range;
    bool legend = false;  // names and colours above the plot, for pictures without the channel list
    QString title;        // above the legend
    QString emptyText;    // in the middle when there is nothing to draw
    QString note;         // framed at the plot's top left: that the picture is provisional, say
};

// The part of bounds the traces take; the rest holds labels and the legend.
QRectF PlotArea(const QFont& font, const QRectF& bounds, const PlotScene& s);
// Everything but the cursor, in the painter's font.
void PaintPlot(QPainter& p, const QRectF& bounds, const PlotScene& s);
// The cursor line at record `index` and a mark on each shown value.
void PaintCursor(QPainter& p, const QRectF& area, const PlotScene& s, qsizetype index);
// The files of a picture's title: all of a few, the first and last of many.
QString FilesTitle(const QStringList& files);
// The plot with its legend as a picture, for --png and File > Export PNG.
QImage RenderPlot(const PlotScene& s, const QSize& size);
