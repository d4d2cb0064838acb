#pragma once
// The bar monitor: a gauge per channel (six or twelve) whose bars rise from the bottom edge of their
// panel to the value. Positions are in the panel's units (pixels).
#include "core/Rgb.h"
#include "monitor/DisplayRules.h"

#include <array>

struct DataStore;
struct LinkState;
struct MonitorState;

struct BarGeometry {
    int top = 0;
    int height = 0;
    bool operator==(const BarGeometry&) const = default;
};

// Bar of value v in a panel of height h: top = h - (v - min) / (max - min) x h,
// height = h - top; -1000 (burn-out) gives an empty gauge. Empty when max = min.
std::optional<BarGeometry> BarGeometryFor(double v, double max, double min, int h);
// Bar fill of channel ch (0..11): fixed per position.
Rgb BarColour(int ch);

class BarModel {
public:
    BarModel(MonitorState& state, const DataStore& store, const LinkState& link, int panelHeight);

    void tick();
    const rules::SingleDisplay& display() const { return m_display; }
    // Bar of channel ch, as last computed (kept when its scale is flat).
    BarGeometry bar(int ch) const { return m_bars[ch]; }
    int panelHeight() const { return m_height; }
    // Gauges of another height (twelve channels take two rows of lower gauges).
    void setPanelHeight(int h);

private:
    MonitorState& m_state;
    const DataStore& m_store;
    const LinkState& m_link;
    int m_height;
    rules::SingleDisplay m_display;
    std::array<BarGeometry, rules::kMaxChannels> m_bars;
};
