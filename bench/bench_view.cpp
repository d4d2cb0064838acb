// The data viewer. A file of a million records (twelve channels, one a
// second): opening it and drawing it the first time (target: under 1 s), and
// redrawing the plot after a zoom or pan (target: under 50 ms). Then a year
// of one-second records, as one file of 31.5 million records and as 365 day
// files: open to the first whole-span picture (warm target under 2 s; the
// cold figure with the files dropped from the page cache), zoom to a day, to
// a minute, pan, each redraw under 50 ms, RssAnon under 300 MB, and the day
// files within 1.5 times the single file. Exits 1 when a target is missed.
// --no-year leaves the year out; --keep-year keeps its files for a look.
#include "GuiBenchmarks.h"
#include "common/VqdFiles.h"
#include "view/PlotPainter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

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

// ---- A year ----

constexpr int kDays = 365;
const QDate kYearStart(2025, 1, 1);

double rssAnonMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("RssAnon:"))
            return line.mid(8).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

// The year written at once as one file and as day files: each day's records
// built once in a buffer, stamps counted up from each hour's.
QStringList writeYear(const QString& folder, QString* single)
{
    QStringList days;
    *single = QDir(folder).filePath(QStringLiteral("YEAR_01.VQD"));
    QFile whole(*single);
    if (!whole.open(QIODevice::WriteOnly) || whole.write(BuildHeader(20)) != vqd::kHeaderSize)
        qFatal("cannot write %s", qPrintable(*single));
    std::vector<float> shape(size_t(86400) * vqd::kChannels);
    for (int s = 0; s < 86400; ++s)
        for (int k = 0; k < vqd::kChannels; ++k)
            shape[size_t(s) * vqd::kChannels + size_t(k)] =
                float(10 * k + 8 * std::sin(2 * M_PI * s / 86400.0 * (k % 3 + 1)));
    QByteArray day(86400 * vqd::kRecordSize, '\0');
    quint32 noise = 1;
    for (int d = 0; d < kDays; ++d) {
        const QDate date = kYearStart.addDays(d);
        char* p = day.data();
        for (int h = 0; h < 24; ++h) {
            const quint32 hour = PackTimeStamp(QDateTime(date, QTime(h, 0), Qt::UTC));
            for (int ms = 0; ms < 3600; ++ms, p += vqd::kRecordSize) {
                qToBigEndian<quint32>(hour | quint32(ms / 60) << 6 | quint32(ms % 60), p);
                const float* v = &shape[size_t(h * 3600 + ms) * vqd::kChannels];
                for (int k = 0; k < vqd::kChannels; ++k) {
                    noise = noise * 1664525u + 1013904223u;
                    qToBigEndian<float>(v[k] + float(d % 30) * 0.2f + float(noise >> 24) / 256.0f, p + 4 + 4 * k);
                }
                p[56] = char(h == 12 && ms < 60); // an alarm at noon
            }
        }
        const QString name = QDir(folder).filePath(
            QStringLiteral("YEAR_01_%1.VQD").arg(date.toString(QStringLiteral("yyyyMMdd"))));
        QFile f(name);
        if (whole.write(day) != day.size() || !f.open(QIODevice::WriteOnly) || f.write(BuildHeader(20)) != vqd::kHeaderSize
            || f.write(day) != day.size())
            qFatal("cannot write the year into %s", qPrintable(folder));
        days << name;
    }
    return days;
}

// Written out and dropped from the page cache, as after a restart.
void dropFromCache(const QStringList& files)
{
    for (const QString& path : files) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        if (fd < 0)
            continue;
        fdatasync(fd);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

struct YearFigures {
    double coldFirstMs = 0, coldMs = 0, warmFirstMs = 0, warmMs = 0, dayMs = 0, minuteMs = 0, panMs = 0;
    double rssOpen = 0, rssDay = 0, rssMinute = 0, rssPan = 0;
    qsizetype records = 0;
};

double elapsedMs(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// Opens the files as the viewer does: the time to the first whole-span
// picture (the provisional one, when there is one) and to the whole.
struct Opened {
    Timeline tl;
    double firstMs = 0, wholeMs = 0;
};

Opened openYear(const QStringList& files)
{
    Opened o;
    QElapsedTimer t;
    t.start();
    auto draw = [](const Timeline& tl) {
        PlotScene scene;
        scene.timeline = &tl;
        scene.range = FitRange(tl, scene.shown);
        const QImage image = RenderPlot(scene, kPlotSize);
        benchmark::DoNotOptimize(image.constBits());
    };
    o.tl = LoadTimeline(files, {}, [&](Timeline&& preview) {
        draw(preview);
        o.firstMs = elapsedMs(t);
    });
    draw(o.tl);
    o.wholeMs = elapsedMs(t);
    if (o.firstMs == 0)
        o.firstMs = o.wholeMs;
    return o;
}

YearFigures measureYear(const QStringList& files)
{
    YearFigures f;
    dropFromCache(files);
    {
        const Opened cold = openYear(files);
        f.coldFirstMs = cold.firstMs;
        f.coldMs = cold.wholeMs;
    }
    Opened warm = openYear(files);
    f.warmFirstMs = warm.firstMs;
    f.warmMs = warm.wholeMs;
    const Timeline& tl = warm.tl;
    f.records = tl.size();
    f.rssOpen = rssAnonMb();

    PlotScene scene;
    scene.timeline = &tl;
    const PlotRange whole = FitRange(tl, scene.shown);
    QImage image(kPlotSize, QImage::Format_RGB32);
    QPainter p(&image);
    auto draw = [&](const PlotRange& r) {
        scene.range = r;
        QElapsedTimer t;
        t.start();
        PaintPlot(p, QRectF(QPointF(0, 0), QSizeF(kPlotSize)), scene);
        return elapsedMs(t);
    };
    const double noon = double(QDateTime(kYearStart.addDays(180), QTime(12, 0)).toMSecsSinceEpoch());
    PlotRange day = whole;
    day.t0 = noon - 43'200'000;
    day.t1 = noon + 43'200'000;
    f.dayMs = draw(day);
    f.rssDay = rssAnonMb();
    PlotRange minute = whole;
    minute.t0 = noon + 1'000'000;
    minute.t1 = minute.t0 + 60'000;
    f.minuteMs = draw(minute);
    f.rssMinute = rssAnonMb();
    f.panMs = draw(Panned(day, 0.3 * (day.t1 - day.t0), 0));
    f.rssPan = rssAnonMb();
    return f;
}

bool reportYear(bool keep)
{
    const QString folder = QDir::current().filePath(QStringLiteral("bench_view_year"));
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QString single;
    QElapsedTimer t;
    t.start();
    const QStringList days = writeYear(folder, &single);
    std::printf("\nA year of 1 s records, 12 channels (written in %.1f s):\n", elapsedMs(t) / 1000);
    const YearFigures one = measureYear({single}), many = measureYear(days);
    if (keep)
        std::printf("the year is kept in %s\n", qPrintable(folder));
    else
        QDir(folder).removeRecursively();

    bool ok = true;
    auto row = [&](const char* what, const YearFigures& f) {
        std::printf("%-14s %9lld records  first picture cold %6.0f ms, warm %5.0f ms  whole cold %6.0f ms, warm %5.0f ms\n"
                    "%-14s %9s          zoom to a day %5.1f ms  to a minute %5.1f ms  pan %5.1f ms"
                    "  RssAnon %4.0f / %4.0f / %4.0f / %4.0f MB\n",
                    what, qlonglong(f.records), f.coldFirstMs, f.warmFirstMs, f.coldMs, f.warmMs, "", "", f.dayMs,
                    f.minuteMs, f.panMs, f.rssOpen, f.rssDay, f.rssMinute, f.rssPan);
        const double worstRss = std::max({f.rssOpen, f.rssDay, f.rssMinute, f.rssPan});
        ok = ok && f.records == qsizetype(kDays) * 86400 && f.warmFirstMs < 2000 && f.dayMs < 50 && f.minuteMs < 50
            && f.panMs < 50 && worstRss < 300;
    };
    row("one file", one);
    row("365 day files", many);
    const double ratio = many.warmFirstMs / one.warmFirstMs, wholeRatio = many.warmMs / one.warmMs;
    std::printf("day files / one file, warm: first picture %.2f, whole %.2f (target under 1.5)\n", ratio, wholeRatio);
    ok = ok && std::max(ratio, wholeRatio) < 1.5;
    std::printf("%s\n", ok ? "all targets met" : "A TARGET WAS MISSED");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    bool year = true, keep = false;
    for (int i = 1; i < argc; ++i) {
        year = year && QByteArray(argv[i]) != "--no-year";
        keep = keep || QByteArray(argv[i]) == "--keep-year";
    }
    benchmark::Initialize(&argc, argv);
    const bool ok = !year || reportYear(keep);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return ok ? 0 : 1;
}
