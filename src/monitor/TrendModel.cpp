#include "monitor/TrendModel.h"

#include "link/DataStore.h"
#include "link/LinkState.h"
#include "monitor/MonitorState.h"

#include <algorithm>

namespace {

QString clockText(const QTime& t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

TrendModel::TrendModel(MonitorState& state, const DataStore& store, const LinkState& link)
    : m_state(state), m_store(store), m_link(link)
{
}

void TrendModel::open()
{
    for (int i = 0; i < kChannels; ++i)
        m_state.gTrendChVisible[i] = true;
    m_display.channels = rules::ShownChannels(m_link);
    m_display.readChannelTexts(m_state, m_store);
    m_state.gTrendCount = 0;
    m_timeLabels.fill(QString());
    m_surfaceX = 0;
}

bool TrendModel::toggleChannel(int ch)
{
    m_state.gTrendChVisible[ch] = !m_state.gTrendChVisible[ch];
    return m_state.gTrendChVisible[ch];
}

bool TrendModel::channelVisible(int ch) const
{
    return m_state.gTrendChVisible[ch];
}

bool TrendModel::drawn(int ch) const
{
    return ch < m_display.channels && channelVisible(ch);
}

QString TrendModel::unitLabel(int ch) const
{
    return channelVisible(ch) ? m_display.ch[ch].unit : QStringLiteral("CH.OFF");
}

std::optional<double> TrendModel::y(int ch, double v) const
{
    const rules::ChannelDisplay& c = m_display.ch[ch];
    return rules::ScaleY(v, c.max(), c.min(), kPlotHeight);
}

void TrendModel::addSegment(std::vector<TrendSegment>& out, int ch, double x, double from, double to) const
{
    const auto y1 = y(ch, from), y2 = y(ch, to);
    if (y1 && y2)
        out.push_back({ch, QPointF(x, *y1), QPointF(x + 1, *y2), m_display.ch[ch].colour});
}

std::vector<TrendSegment> TrendModel::redrawSegments(int n) const
{
    std::vector<TrendSegment> out;
    if (n <= kWindowSamples || m_state.gTrendBuf.empty())
        return out;
    out.reserve(kChannels * kWindowSamples);
    const MonitorState& buf = m_state;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!drawn(ch))
            continue;
        for (int j = 1; j <= kWindowSamples; ++j)
            addSegment(out, ch, j - 1, buf.sample(ch, n - kWindowSamples - 1 + j), buf.sample(ch, n - kWindowSamples + j));
    }
    return out;
}

TrendTick TrendModel::tick(const QTime& now)
{
    TrendTick out;
    const auto row = rules::MonitoredRow(m_link, m_store);
    m_display.channels = rules::ShownChannels(m_link);
    m_display.readChannelTexts(m_state, m_store);
    m_display.readHeader(m_store, row);

    int n = m_state.gTrendCount + 1;
    if (n > MonitorState::kMaxSamples || n < 1)
        n = 1; // a new day of samples
    m_state.gTrendCount = n;

    m_display.readValues(m_state, m_store, row);

    if (n == 1) {
        // A restart (window opened, port opened, day wrapped) begins at the left edge of a clean plot.
        out.clear = true;
        m_surfaceX = 0;
        for (int i = 0; i < kChannels; ++i)
            m_previous[i] = m_display.ch[i].value;
        m_timeLabels.fill(QString());
        m_timeLabels[0] = clockText(now);
    }

    m_state.ensureTrendBuf();
    for (int i = 0; i < kChannels; ++i)
        m_state.sample(i, n) = static_cast<float>(m_display.ch[i].value);

    for (int i = 0; i < kChannels; ++i)
        if (const auto my = y(i, m_display.ch[i].value))
            m_markerY[i] = my;

    if (n > kWindowSamples && n % kPage == 0) {
        for (int i = 0; i < kChannels; ++i)
            m_previous[i] = m_display.ch[i].value;
        out.clear = true;
        out.segments = redrawSegments(n);
        m_surfaceX = 0;
        for (int k = 1; k <= 5; ++k)
            m_timeLabels[k - 1] = m_timeLabels[k];
        m_timeLabels[4] = clockText(now);
    } else {
        const int x = n <= kWindowSamples ? n - 1 : kWindowSamples + (n - 1) % kPage;
        for (int i = 0; i < kChannels; ++i) {
            if (drawn(i))
                addSegment(out.segments, i, x, m_previous[i], m_display.ch[i].value);
            m_previous[i] = m_display.ch[i].value;
        }
        if (n <= kWindowSamples && n % kPage == 0)
            m_timeLabels[n / kPage] = clockText(now);
    }
    if (n > kWindowSamples)
        m_surfaceX -= 1;
    return out;
}
