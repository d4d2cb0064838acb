#include "monitor/BarModel.h"

#include <algorithm>
#include <cmath>

std::optional<BarGeometry> BarGeometryFor(double v, double max, double min, int h)
{
    if (v == rules::kBurnOutValue)
        return BarGeometry{h, 0};
    const auto y = rules::ScaleY(v, max, min, h);
    if (!y)
        return std::nullopt;
    // Far above max the bar is simply full, far below min simply empty.
    const int top = int(std::lround(std::clamp(*y, -1000.0 * h, 1000.0 * h)));
    return BarGeometry{top, h - top};
}

Rgb BarColour(int ch)
{
    static constexpr Rgb colours[12] = {0xFF0000FF, 0xFF00FF00, 0xFF00FFFF, 0xFFFF0000, 0xFFFF00FF, 0xFFFF8000,
                                        0xFF8000FF, 0xFF00A060, 0xFF0080C0, 0xFFC00040, 0xFFA0A000, 0xFF808080};
    return colours[ch % 12];
}

BarModel::BarModel(MonitorState& state, const DataStore& store, const LinkState& link, int panelHeight)
    : m_state(state), m_store(store), m_link(link), m_height(panelHeight)
{
    m_bars.fill(BarGeometry{panelHeight, 0});
}

void BarModel::setPanelHeight(int h)
{
    if (h == m_height)
        return;
    m_height = h;
    m_bars.fill(BarGeometry{h, 0});
}

void BarModel::tick()
{
    m_display.tick(m_state, m_store, m_link);
    for (int i = 0; i < rules::kMaxChannels; ++i) {
        const rules::ChannelDisplay& c = m_display.ch[i];
        // The gauge shows the value as the bar holds it: single precision.
        if (const auto g = BarGeometryFor(static_cast<float>(c.value), c.max(), c.min(), m_height))
            m_bars[i] = *g;
    }
}
