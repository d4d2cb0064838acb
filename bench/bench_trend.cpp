// Cost of the trend monitor's work per 500 ms tick and per page boundary.
#include "GuiBenchmarks.h"
#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/RegisterMap.h"
#include "monitor/MonitorState.h"
#include "monitor/TrendPainter.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

struct Scene {
    DataStore store;
    LinkState link;
    MonitorState state;
    TrendModel model{state, store, link};
    QImage image{TrendModel::kSurfaceWidth, TrendModel::kPlotHeight, QImage::Format_RGB32};

    Scene()
    {
        link.gMC_No = {1};
        link.gMC_Online = {true};
        link.gMC_Last = 0;
        store.appendDeviceRow(1);
        for (int c = 1; c <= 6; ++c) {
            store.sprdP_CH.setText(c, regmap::ch::FpLocate, "1");
            store.sprdP_CH.setText(c, regmap::ch::DispRangeMax, "100");
            store.sprdP_CH.setText(c, regmap::ch::DispRangeMin, "0");
            store.sprdP_CH.setText(c, regmap::ch::Color, QString::number(c));
        }
        model.open();
        image.fill(Qt::white);
        // A full buffer of wavy samples up to 699, so the next tick is a page boundary.
        for (int n = 1; n < 700; ++n) {
            setValues(n);
            DrawTrend(image, model.tick(QTime(0, 0)));
        }
    }
    void setValues(int n)
    {
        for (int c = 1; c <= 6; ++c)
            store.sprdMon.setText(regmap::mon::Pv01 + c - 1, 1, QString::number(50 + 40 * std::sin(n * 0.05 + c), 'f', 1));
    }
};

void BM_TrendTick(benchmark::State& st)
{
    Scene s;
    int n = 600;
    for (auto _ : st) {
        s.state.gTrendCount = n - 1; // stay in the scrolling phase, off the page boundaries
        s.setValues(n);
        DrawTrend(s.image, s.model.tick(QTime(0, 0)));
        n = n == 699 ? 561 : n + 1;
    }
}
BENCHMARK(BM_TrendTick)->Unit(benchmark::kMicrosecond);

void BM_TrendPageRedraw(benchmark::State& st)
{
    Scene s;
    for (auto _ : st) {
        s.state.gTrendCount = 699;
        const TrendTick t = s.model.tick(QTime(0, 0));
        if (t.segments.size() != 6 * 560)
            st.SkipWithError("the boundary did not redraw 6 x 560 segments");
        DrawTrend(s.image, t);
    }
}
BENCHMARK(BM_TrendPageRedraw)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunGuiBenchmarks(argc, argv);
}
