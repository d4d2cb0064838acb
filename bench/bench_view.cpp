// The data viewer with a file of a million records (twelve channels, one a
// second): opening it and drawing it the first time (target: under 1 s), and
// redrawing the plot after a zoom or pan (target: under 50 ms).
#include "GuiBenchmarks.h"
#include "common/VqdFiles.h"
#include "view/PlotPainter.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr qsizetype kRecords = 1'000'000;
const QSize kPlotSize(1600, 900);

const QString& bigFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath("BIG_01.VQD");
        QByteArray bytes = BuildHeader(20);
        bytes.reserve(vqd::kHeaderSize + kRecords * vqd::kRecordSize);
        RecordSpec r;
        r.clock = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        for (qsizetype i = 0; i < kRecords; ++i) {
            for (int k = 0; k < vqd::kChannels; ++k)
                r.pv[k] = float(10 * k + 8 * std::sin(i * 1e-4 * (k + 1)) + (i * 7919 % 1000) / 500.0);
            r.alarm[0] = quint16(i / 1000 % 2);
            bytes += VqdRecord(r);
            r.clock = r.clock.addSecs(1);
        }
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(p));
        return p;
    }();
    return path;
}

void BM_OpenAndFirstDraw(benchmark::State& st)
{
    bigFile();
    for (auto _ : st) {
        const Timeline tl = LoadTimeline({bigFile()});
        if (tl.size() != kRecords)
            st.SkipWithError("the file did not read whole");
        PlotScene scene;
        scene.timeline = &tl;
        scene.range = FitRange(tl, scene.shown);
        const QImage image = RenderPlot(scene, kPlotSize);
        benchmark::DoNotOptimize(image.constBits());
    }
    st.counters["records"] = double(kRecords);
}
BENCHMARK(BM_OpenAndFirstDraw)->Unit(benchmark::kMillisecond)->MinTime(3);

// Zooms in step by step about changing points, pans, and back out to the
// whole timeline (the most records per pixel column).
void BM_ZoomPanRedraw(benchmark::State& st)
{
    const Timeline tl = LoadTimeline({bigFile()});
    PlotScene scene;
    scene.timeline = &tl;
    const PlotRange whole = FitRange(tl, scene.shown);
    std::vector<PlotRange> ranges{whole};
    for (int i = 1; i < 16; ++i) {
        const PlotRange& r = ranges.back();
        ranges.push_back(i % 4 == 0 ? Panned(r, (r.t1 - r.t0) * 0.3, 0)
                                    : ZoomTime(r, r.t0 + (r.t1 - r.t0) * (0.2 + 0.15 * (i % 5)), 0.5));
    }
    QImage image(kPlotSize, QImage::Format_RGB32);
    QPainter p(&image);
    size_t n = 0;
    for (auto _ : st) {
        scene.range = ranges[n++ % ranges.size()];
        PaintPlot(p, QRectF(QPointF(0, 0), QSizeF(kPlotSize)), scene);
    }
}
BENCHMARK(BM_ZoomPanRedraw)->Unit(benchmark::kMillisecond);

// The worst redraw: the whole timeline, every record in some pixel column.
void BM_WholeTimelineRedraw(benchmark::State& st)
{
    const Timeline tl = LoadTimeline({bigFile()});
    PlotScene scene;
    scene.timeline = &tl;
    scene.range = FitRange(tl, scene.shown);
    QImage image(kPlotSize, QImage::Format_RGB32);
    QPainter p(&image);
    for (auto _ : st)
        PaintPlot(p, QRectF(QPointF(0, 0), QSizeF(kPlotSize)), scene);
}
BENCHMARK(BM_WholeTimelineRedraw)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunGuiBenchmarks(argc, argv);
}
