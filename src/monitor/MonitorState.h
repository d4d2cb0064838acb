#pragma once
// State shared by the monitor windows: channel formats, which trend lines are
// drawn, and the trend samples. The main window owns one instance.
#include <QString>
#include <array>
#include <vector>

struct MonitorState {
    static constexpr int kChannels = 12;
    static constexpr int kMaxSamples = 86400; // 12 hours at one sample per 500 ms

    std::array<QString, kChannels> gChFormat;
    std::array<bool, kChannels> gTrendChVisible{};
    // Samples 1..kMaxSamples, kChannels values each; allocated on first use.
    std::vector<float> gTrendBuf;
    // Latest sample number; 0 = none yet.
    qint32 gTrendCount = 0;

    void ensureTrendBuf()
    {
        if (gTrendBuf.empty())
            gTrendBuf.assign(std::size_t(kMaxSamples) * kChannels, 0.0f);
    }
    // Value of channel ch (0-based) at sample n (1..kMaxSamples); the buffer must exist.
    float& sample(int ch, int n) { return gTrendBuf[std::size_t(n - 1) * kChannels + ch]; }
    float sample(int ch, int n) const { return gTrendBuf[std::size_t(n - 1) * kChannels + ch]; }
};
