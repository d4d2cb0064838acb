#pragma once
// The trend of the monitored device: one sample per tick, drawn as short
// segments on a surface six pages wide that scrolls one pixel left per tick
// once four pages are full; every page boundary redraws the plot from the
// sample buffer. Positions are pixels, one per sample.
#include "core/Rgb.h"
#include "monitor/DisplayRules.h"

#include <QPointF>
#include <QTime>
#include <array>
#include <vector>

struct DataStore;
struct LinkState;
struct MonitorState;

struct TrendSegment {
    int ch = 0;
    QPointF from, to;
    Rgb colour = 0;
};

// What one tick asks the plot to do.
struct TrendTick {
    bool clear = false;  // blank the surface before drawing
    std::vector<TrendSegment> segments;
};

class TrendModel {
public:
    static constexpr int kPage = 140;           // samples per grid page
    static constexpr int kWindowSamples = 560;  // samples in the plot: four pages
    static constexpr int kSurfaceWidth = 840;   // six pages
    static constexpr int kFrameWidth = 665;     // visible part of the surface
    static constexpr int kPlotHeight = 481;
    static constexpr int kChannels = rules::kMaxChannels;

    TrendModel(MonitorState& state, const DataStore& store, const LinkState& link);

    // Opening the window: all channels shown, texts read, sample count 0, time labels empty.
    void open();
    // One 500 ms tick at the PC time `now`.
    TrendTick tick(const QTime& now);

    // Shows or hides channel ch's trend line; returns whether it is now shown.
    bool toggleChannel(int ch);
    bool channelVisible(int ch) const;
    // Channel ch is the recorder's and its line is shown.
    bool drawn(int ch) const;
    // Unit label text: "CH.OFF" while hidden.
    QString unitLabel(int ch) const;

    // The full plot ending at sample n (a page boundary past the filling phase).
    std::vector<TrendSegment> redrawSegments(int n) const;
    // y of v on channel ch's scale; empty when its max equals its min.
    std::optional<double> y(int ch, double v) const;

    const rules::SingleDisplay& display() const { return m_display; }
    int surfaceX() const { return m_surfaceX; }
    const std::array<QString, 6>& timeLabels() const { return m_timeLabels; }
    // Centre of channel ch's level marker, as last placed.
    std::optional<double> markerY(int ch) const { return m_markerY[ch]; }

private:
    void addSegment(std::vector<TrendSegment>& out, int ch, double x, double from, double to) const;

    MonitorState& m_state;
    const DataStore& m_store;
    const LinkState& m_link;
    rules::SingleDisplay m_display;
    std::array<double, kChannels> m_previous{};
    std::array<std::optional<double>, kChannels> m_markerY{};
    std::array<QString, 6> m_timeLabels;
    int m_surfaceX = 0;
};
