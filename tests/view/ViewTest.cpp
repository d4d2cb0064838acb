#include "common/Files.h"
#include "common/Find.h"
#include "common/VqdFiles.h"
#include "core/ChannelColours.h"
#include "link/RegisterMap.h"
#include "param/ParamImage.h"
#include "param/ParamTables.h"
#include "view/CsvExport.h"
#include "view/Decimate.h"
#include "view/frmVQ_View.h"
#include "view/PlotWidget.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QToolButton>
#include <cmath>

namespace {

QDateTime clock(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toUTC();
}

// n records from `start`, `step` s apart: value k + i/10 on channel k, i's low bits as status words.
QByteArray records(const char* start, int n, int step = 60, int from = 0)
{
    QByteArray b;
    for (int i = from; i < from + n; ++i) {
        RecordSpec r;
        r.clock = clock(start).addSecs(qint64(i - from) * step);
        for (int k = 0; k < vqd::kChannels; ++k)
            r.pv[k] = float(k + i / 10.0);
        r.di = quint8(i & 0x3F);
        r.relay = quint16(i);
        r.alarm = {quint16(i * 3), quint16(i * 5), quint16(i * 7)};
        b += VqdRecord(r);
    }
    return b;
}

// TZ for the scope.
struct Zone {
    explicit Zone(const char* tz) : old(qgetenv("TZ")) { qputenv("TZ", tz); }
    ~Zone() { old.isEmpty() ? qunsetenv("TZ") : qputenv("TZ", old); }
    const QByteArray old;
};

QByteArray wrongMagic()
{
    QByteArray b = BuildHeader(10) + records("2026-01-01T00:00:00Z", 2);
    b[0] = 'X';
    return b;
}

} // namespace

TEST(Timeline, FilesOfEveryKindOpenAsFarAsTheyAreReadable)
{
    QTemporaryDir dir;
    QByteArray stampless = BuildHeader(10) + records("2026-01-01T00:00:00Z", 3);
    stampless.replace(512 + 64, 4, QByteArray(4, '\0')); // month 0
    struct Case { const char* name; QByteArray bytes; int records, channels; const char* problem; };
    const Case cases[] = {
        {"six.VQD", BuildHeader(10) + records("2026-01-01T00:00:00Z", 3), 3, 6, nullptr},
        {"model.VQD", BuildHeader(35) + records("2026-01-01T00:00:00Z", 3), 3, 12, "model code 35 is not known"},
        {"empty.VQD", QByteArray(), 0, 0, "0 bytes, shorter than the 512-byte header"},
        {"short.VQD", BuildHeader(10).left(511), 0, 0, "511 bytes, shorter than the 512-byte header"},
        {"magic.VQD", wrongMagic(), 0, 0, "does not begin with \"VQ800 LOG DATA\""},
        {"torn.VQD", BuildHeader(10) + records("2026-01-01T00:00:00Z", 3) + QByteArray(23, '\x7F'), 3, 6,
         "cut short (23 bytes"},
        {"tornonly.VQD", BuildHeader(10) + QByteArray(40, '\0'), 0, 0, "no records"},
        {"stamp.VQD", stampless, 2, 6, "1 record with an impossible time stamp"},
        {"missing.VQD", QByteArray(), 0, 0, "no such file"},
        {"folder", QByteArray(), 0, 0, "not a file"},
    };
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    for (const Case& c : cases) {
        const QString path = dir.filePath(c.name);
        if (QByteArray(c.name) != "missing.VQD" && QByteArray(c.name) != "folder") {
            ASSERT_TRUE(WriteFile(path, c.bytes));
        }
        const Timeline tl = LoadTimeline({path});
        EXPECT_EQ(tl.size(), c.records) << c.name;
        EXPECT_EQ(tl.channels, c.channels) << c.name;
        const QString problems = tl.problems.join('\n');
        EXPECT_TRUE(c.problem ? problems.contains(c.name) && problems.contains(c.problem) : problems.isEmpty())
            << c.name << ": " << problems.toStdString();
        // The records shown are the reader's, those with a possible time, in order.
        DataFileContents read;
        ParseDataFile(c.bytes, read);
        qsizetype i = 0;
        for (const DataRecord& r : read.records) {
            if (!r.time().isValid())
                continue;
            ASSERT_LT(i, tl.size()) << c.name;
            EXPECT_EQ(tl.stampAt(i), r.stamp) << c.name;
            EXPECT_EQ(tl.value(tl.channels - 1, i), r.pv[tl.channels - 1]) << c.name;
            EXPECT_EQ(tl.statusAt(i).alarm[2], r.alarm912) << c.name;
            ++i;
        }
        EXPECT_EQ(i, tl.size()) << c.name;
    }
}

TEST(Timeline, DayFilesFormOneTimelineSortedByTimeWithItsGaps)
{
    QTemporaryDir dir;
    // Given the later day first; a six-channel file among twelve-channel ones; 10 minutes missing.
    const QString day1 = dir.filePath("A_01_20260301.VQD"), day2 = dir.filePath("A_01_20260302.VQD");
    const QString six = dir.filePath("B_01.VQD");
    ASSERT_TRUE(WriteFile(day2, BuildHeader(20) + records("2026-03-02T00:00:00Z", 5, 60, 100)));
    ASSERT_TRUE(WriteFile(day1, BuildHeader(20) + records("2026-03-01T23:50:00Z", 3, 60, 0)
                                    + records("2026-03-01T23:58:00Z", 2, 60, 3)));
    ASSERT_TRUE(WriteFile(six, BuildHeader(10) + records("2026-03-01T23:53:00Z", 1, 60, 50)));
    const Timeline tl = LoadTimeline({day2, six, day1});
    ASSERT_EQ(tl.size(), 11);
    EXPECT_EQ(tl.channels, 12);
    EXPECT_TRUE(tl.problems.join('\n').contains("6 and with 12 channels")) << tl.problems.join('\n').toStdString();
    EXPECT_EQ(tl.files, (QStringList{"A_01_20260302.VQD", "B_01.VQD", "A_01_20260301.VQD"}));
    // Values and status words moved with their times: record n carries n/10 and relay n.
    const int order[] = {0, 1, 2, 50, 3, 4, 100, 101, 102, 103, 104};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(tl.value(0, i), float(order[i] / 10.0)) << i;
        EXPECT_EQ(tl.statusAt(i).relay, order[i]) << i;
        EXPECT_EQ(DiOn(tl.statusAt(i), 3), bool(order[i] & 4)) << i;
        EXPECT_EQ(AlarmOn(tl.statusAt(i), 10, 2), bool(order[i] * 7 & 0x20)) << i; // CH10: bit 4 + 1 of ALARM(9-12)
    }
    // Minutes 50, 51, 52, 53, then 58: a 5-minute gap at one-minute spacing.
    EXPECT_EQ(tl.spacingMs, 60'000);
    EXPECT_EQ(tl.gapsBefore, std::vector<qsizetype>{4});
    EXPECT_TRUE(tl.gapBetween(3, 4));
    EXPECT_FALSE(tl.gapBetween(4, 10));
    EXPECT_EQ(NearestRecord(tl, double(tl.msAt(3)) + 29'000), 3);
    EXPECT_EQ(NearestRecord(tl, double(tl.msAt(10)) + 1e9), 10);
}

TEST(Timeline, RecordsInTimeOrderAndTheirSummaryWhateverOrderTheFilesCome)
{
    // Each case's files, in the order given: the timeline holds every record
    // with a possible time ordered by (time, file given, place in file), and
    // its summary is that of those records.
    QByteArray impossible = records("2026-05-01T00:00:00Z", 1);
    impossible.replace(0, 4, QByteArray(4, '\0'));
    struct Case { const char* name; std::vector<QByteArray> files; };
    const Case cases[] = {
        {"day files, last first",
         {records("2026-03-02T00:00:00Z", 700, 1, 1000), records("2026-03-01T00:00:00Z", 500, 1, 0),
          records("2026-03-03T00:00:00Z", 400, 1, 2000)}},
        {"equal times where the files meet",
         {records("2026-03-01T00:01:39Z", 100, 1, 500), records("2026-03-01T00:00:00Z", 100, 1, 0)}},
        {"clock set back", {records("2026-03-01T00:00:00Z", 100, 1) + records("2026-03-01T00:00:30Z", 100, 1, 100)}},
        {"two recorders interleaved",
         {records("2026-03-01T00:00:00Z", 150, 2, 0), records("2026-03-01T00:00:01Z", 150, 2, 300)}},
        {"first record impossible",
         {impossible + records("2026-05-01T00:00:00Z", 90, 1, 700), records("2026-04-30T23:59:00Z", 80, 1, 0)}},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        QStringList paths;
        struct Rec { qint64 ms; int file; int at; DataRecord r; };
        std::vector<Rec> want;
        for (const QByteArray& f : c.files) {
            const QByteArray bytes = BuildHeader(20) + f;
            paths << dir.filePath(QStringLiteral("F%1.VQD").arg(paths.size()));
            ASSERT_TRUE(WriteFile(paths.back(), bytes));
            DataFileContents read;
            ParseDataFile(bytes, read);
            for (int i = 0; i < read.records.size(); ++i)
                if (read.records[i].time().isValid())
                    want.push_back({read.records[i].time().toMSecsSinceEpoch(), int(paths.size()) - 1, i, read.records[i]});
        }
        std::sort(want.begin(), want.end(),
                  [](const Rec& a, const Rec& b) { return std::tie(a.ms, a.file, a.at) < std::tie(b.ms, b.file, b.at); });
        const Timeline tl = LoadTimeline(paths);
        ASSERT_EQ(tl.size(), qsizetype(want.size())) << c.name;
        std::vector<qsizetype> gaps;
        for (qsizetype i = 0; i < tl.size(); ++i) {
            ASSERT_EQ(tl.msAt(i), want[size_t(i)].ms) << c.name << " " << i;
            ASSERT_EQ(tl.value(5, i), want[size_t(i)].r.pv[5]) << c.name << " " << i;
            if (i > 0 && want[size_t(i)].ms - want[size_t(i - 1)].ms > 3 * tl.spacingMs)
                gaps.push_back(i);
        }
        EXPECT_EQ(tl.gapsBefore, gaps) << c.name;
        for (int level = 0; level < 2; ++level) {
            const qsizetype per = Timeline::kBlock[size_t(level)];
            ASSERT_EQ(tl.blockCount(level), (tl.size() + per - 1) / per) << c.name;
            for (qsizetype b = 0; b < tl.blockCount(level); ++b)
                for (const int k : {0, 11}) {
                    float lo = INFINITY, hi = -INFINITY;
                    for (qsizetype i = b * per; i < std::min(tl.size(), (b + 1) * per); ++i) {
                        lo = std::min(lo, want[size_t(i)].r.pv[size_t(k)]);
                        hi = std::max(hi, want[size_t(i)].r.pv[size_t(k)]);
                    }
                    EXPECT_EQ(tl.block(level, k, b).min, lo) << c.name << " level " << level << " block " << b;
                    EXPECT_EQ(tl.block(level, k, b).max, hi) << c.name << " level " << level << " block " << b;
                }
        }
        const auto top = std::max_element(want.begin(), want.end(), [](const Rec& a, const Rec& b) { return a.r.pv[11] < b.r.pv[11]; });
        EXPECT_EQ(tl.extremes[11].second, top->r.pv[11]) << c.name;
    }
}

TEST(Timeline, LocalTimeAcrossClockChanges)
{
    // Days of clock changes: by a whole hour, and by half an hour (Lord Howe Island).
    struct Case { const char* zone; const char* spring; const char* autumn; };
    for (const Case& c : {Case{"Europe/Berlin", "2026-03-29T00:00:00Z", "2026-10-25T00:00:00Z"},
                          Case{"Australia/Lord_Howe", "2026-10-04T00:00:00Z", "2026-04-05T00:00:00Z"}}) {
        const Zone zone(c.zone);
        QTemporaryDir dir;
        const QString path = dir.filePath("dst.VQD");
        ASSERT_TRUE(WriteFile(path, BuildHeader(10) + records(c.spring, 30, 600) + records(c.autumn, 30, 600)));
        const Timeline tl = LoadTimeline({path});
        ASSERT_EQ(tl.size(), 60);
        for (qsizetype i = 0; i < tl.size(); ++i)
            EXPECT_EQ(tl.msAt(i), UnpackTimeStamp(tl.stampAt(i)).toMSecsSinceEpoch())
                << c.zone << " " << StampText(tl.stampAt(i)).data();
        EXPECT_NE(tl.msAt(0), clock(c.spring).toMSecsSinceEpoch()) << c.zone << " is not in use";
    }
}

TEST(Decimate, KeepsEveryMinimumAndMaximum)
{
    // A random walk with a gap, a value that is not a number, and spikes;
    // long enough for every block size of the summary.
    QByteArray file = BuildHeader(10);
    QRandomGenerator rng(17);
    float v = 0;
    for (int i = 0; i < 40000; ++i) {
        RecordSpec r;
        r.clock = clock("2026-05-01T00:00:00Z").addSecs(i * 10 + (i >= 3000 ? 3600 : 0));
        v += float(rng.bounded(2.0) - 1.0);
        r.pv[0] = i == 1234 ? NAN : i % 997 == 0 ? v + 500 : v;
        file += VqdRecord(r);
    }
    QTemporaryDir dir;
    ASSERT_TRUE(WriteFile(dir.filePath("walk.VQD"), file));
    const Timeline tl = LoadTimeline({dir.filePath("walk.VQD")});
    ASSERT_EQ(tl.size(), 40000);
    ASSERT_EQ(tl.gapsBefore, std::vector<qsizetype>{3000});

    const double start = double(tl.firstMs()), end = double(tl.lastMs());
    struct Case { double t0, t1; int columns; };
    const Case cases[] = {{start, end, 1}, {start, end, 7}, {start, end, 640}, {start + 7e6, start + 3.3e7, 1000},
                          {start + 7e6, start + 3.3e7, 50000}};
    for (const Case& c : cases) {
        const std::vector<ColumnSpan> spans = Decimate(tl, 0, c.t0, c.t1, c.columns);
        // The records of each column by brute force.
        const double width = (c.t1 - c.t0) / c.columns;
        std::map<qint64, std::pair<float, float>> expected;
        std::map<qint64, bool> breaks;
        qsizetype before = -1;
        for (qsizetype i = 0; i < tl.size(); ++i) {
            const double t = double(tl.msAt(i));
            const float x = tl.value(0, i);
            if (t < c.t0 || t > c.t1 || !std::isfinite(x))
                continue;
            const qint64 col = std::min<qint64>(qint64((t - c.t0) / width), c.columns - 1);
            auto [it, first] = expected.try_emplace(col, x, x);
            it->second = {std::min(it->second.first, x), std::max(it->second.second, x)};
            if (first)
                breaks[col] = before >= 0 && (tl.gapBetween(before, i) || (before < 1234 && i > 1234));
            before = i;
        }
        std::map<qint64, std::pair<float, float>> found;
        for (const ColumnSpan& s : spans) {
            if (s.t < c.t0 || s.t > c.t1)
                continue; // the neighbours outside
            const qint64 col = std::min<qint64>(qint64((s.t - c.t0) / width), c.columns - 1);
            EXPECT_TRUE(found.emplace(col, std::pair(s.min, s.max)).second) << "column " << col << " twice";
            if (found.size() > 1) {
                EXPECT_EQ(s.breakBefore, breaks[col]) << c.columns << " columns, column " << col;
            }
        }
        EXPECT_EQ(found, expected) << c.columns << " columns";
        ASSERT_FALSE(spans.empty());
        if (c.t0 > start) {
            EXPECT_LT(spans.front().t, c.t0) << "the record before the range reaches the edge";
        }

        // Drawn, every line stays inside the plot, spikes included.
        const PlotMap map{QRectF(50, 20, c.columns, 300), {c.t0, c.t1, -20, 20}};
        for (const auto& line : TraceLines(spans, map))
            for (QPointF p : line)
                EXPECT_TRUE(map.area.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(p)) << p.x() << "," << p.y();
    }
}

TEST(PlotView, TicksAtRoundLocalTimesAndValues)
{
    const Zone zone("Europe/Berlin");
    auto local = [](const char* text) {
        return double(QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toMSecsSinceEpoch());
    };
    struct Case { const char* from; const char* to; const char* labels; };
    const Case cases[] = {
        // Hourly across the spring change: there is no 02:00; the date under the first tick.
        {"2026-03-29T00:00:00", "2026-03-29T05:30:00", "00:00 2026-03-29|01:00|03:00|04:00|05:00"},
        {"2026-03-28T23:58:00", "2026-03-29T00:03:00", "23:58 2026-03-28|23:59|00:00 2026-03-29|00:01|00:02|00:03"},
        {"2026-01-01T10:00:19", "2026-01-01T10:00:27", "10:00:20 2026-01-01|10:00:22|10:00:24|10:00:26"},
        {"2026-01-01T12:00:00", "2026-01-05T12:00:00", "2026-01-02|2026-01-03|2026-01-04|2026-01-05"},
    };
    for (const Case& c : cases) {
        QStringList shown;
        for (const TimeTick& t : TimeTicks(local(c.from), local(c.to), 600, 100)) {
            shown << (t.date.isEmpty() ? t.label : t.label + ' ' + t.date);
            const char* format = t.label.size() == 8 ? "HH:mm:ss" : t.label.size() == 5 ? "HH:mm" : "yyyy-MM-dd";
            EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(qint64(t.t)).toString(format).toStdString(), t.label.toStdString());
        }
        EXPECT_EQ(shown.join('|').toStdString(), c.labels);
    }

    const ValueTicks v = MakeValueTicks(-0.05, 1.05, 300, 50);
    EXPECT_EQ(v.values, (std::vector<double>{0, 0.2, 0.4, 0.6000000000000001, 0.8, 1}));
    EXPECT_EQ(v.decimals, 1);
    EXPECT_EQ(MakeValueTicks(-7, 1234, 300, 60).values, (std::vector<double>{0, 500, 1000}));
}

namespace {

// Fields of a CSV line; quoted fields may hold the separator.
QStringList csvFields(const QString& line, QChar sep)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar ch = line[i];
        if (ch == u'"' && quoted && i + 1 < line.size() && line[i + 1] == u'"')
            fields.last() += line[++i];
        else if (ch == u'"')
            quoted = !quoted;
        else if (ch == sep && !quoted)
            fields << QString();
        else
            fields.last() += ch;
    }
    return fields;
}

} // namespace

TEST(Csv, RoundTripAgainstTheReader)
{
    QTemporaryDir dir;
    QByteArray file = BuildHeader(20) + records("2026-07-01T12:00:00Z", 3);
    RecordSpec odd;
    odd.clock = clock("2026-07-01T12:05:00Z");
    odd.pv = {-12.5f, 1.5e7f, 0.1f, NAN, 3.4e38f, -0.0f, 1e-7f, 123456.7f};
    odd.alarm = {0xFFFF, 0x8001, 0x0100};
    odd.relay = 0xABCD;
    file += VqdRecord(odd);
    const QString path = dir.filePath("P_01.VQD");
    ASSERT_TRUE(WriteFile(path, file));
    DataFileContents read;
    ASSERT_TRUE(ReadDataFile(path, read));
    const Timeline tl = LoadTimeline({path});

    // CH01 named, with unit and one decimal, from a parameter file.
    ParamTables tables;
    ParamImage image;
    image.setChannelCount(12);
    for (auto [row, text] : {std::pair{regmap::ch::Name, "Boiler;in"}, {regmap::ch::UnitMode, "3"},
                             {regmap::ch::FpLocate, "1"}, {regmap::ch::Color, "9"}})
        tables.sprdP_CH.setText(ParamTables::ChannelCol(1), row, text);
    ASSERT_TRUE(tables.WriteParamFile(dir.filePath("P.CFG"), image));
    ChannelLooks named = DefaultLooks();
    ASSERT_TRUE(ReadChannelLooks(dir.filePath("P.CFG"), named));
    EXPECT_EQ(named[0].colour, colours::ChannelColour(9));
    EXPECT_EQ(named[1].name, "CH02");
    EXPECT_FALSE(ReadChannelLooks(path, named)) << "a data file is no parameter set";

    struct Case { char sep, point; bool params; };
    for (const Case c : {Case{';', ',', false}, Case{',', '.', false}, Case{',', ',', false}, Case{',', ',', true}}) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        ASSERT_TRUE(WriteCsv(out, tl, 0, tl.size(), c.params ? named : DefaultLooks(), {QChar(c.sep), QChar(c.point)}));
        ASSERT_TRUE(out.data().startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(out.data().mid(3)).split("\r\n");
        ASSERT_EQ(lines.size(), read.records.size() + 2) << "a header, the records, nothing after the last CR LF";
        const QStringList head = csvFields(lines[0], QChar(c.sep));
        ASSERT_EQ(head.size(), 1 + 12 + 6);
        EXPECT_EQ(head[1], c.params ? QString::fromUtf8("Boiler;in [°C]") : "CH01");
        for (int i = 0; i < read.records.size(); ++i) {
            const DataRecord& r = read.records[i];
            const QStringList f = csvFields(lines[i + 1], QChar(c.sep));
            ASSERT_EQ(f.size(), head.size()) << lines[i + 1].toStdString();
            EXPECT_EQ(f[0], r.time().toString("yyyy-MM-dd HH:mm:ss"));
            for (int k = 0; k < 12 && !c.params; ++k) {
                if (std::isnan(r.pv[k])) {
                    EXPECT_TRUE(f[k + 1].isEmpty());
                    continue;
                }
                bool ok = false;
                EXPECT_EQ(QString(f[k + 1]).replace(QChar(c.point), u'.').toFloat(&ok), r.pv[k]) << f[k + 1].toStdString();
                EXPECT_TRUE(ok) << f[k + 1].toStdString();
            }
            if (c.params) { // CH01 with one decimal, CH02 with none as the file says
                EXPECT_EQ(f[1], QString::number(std::round(r.pv[0] * 10) / 10, 'f', 1).replace('.', QChar(c.point)));
                EXPECT_EQ(f[2], QString::number(std::round(r.pv[1]), 'f', 0)) << f[2].toStdString();
            }
            const quint32 words[] = {r.sdDi, r.relay, r.alarm14, r.alarm58, r.alarm912};
            for (int w = 0; w < 5; ++w)
                EXPECT_EQ(f[13 + w].toUInt(), words[w]);
        }
    }

    // A cancelled export fails without a reason and leaves the file it would replace.
    const QString csv = dir.filePath("kept.csv");
    ASSERT_TRUE(WriteFile(csv, "before"));
    QString why = "x";
    EXPECT_FALSE(SaveCsv(csv, tl, 0, tl.size(), DefaultLooks(), {}, &why, [](int) { return false; }));
    EXPECT_TRUE(why.isEmpty());
    EXPECT_EQ(ReadFile(csv), "before");
}

TEST(View, WindowOpensZoomsShowsTheCursorRecordAndExports)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("W_01.VQD"), torn = dir.filePath("W_01_b.VQD");
    ASSERT_TRUE(WriteFile(good, BuildHeader(20) + records("2026-02-01T00:00:00Z", 100)));
    ASSERT_TRUE(WriteFile(torn, BuildHeader(20) + records("2026-02-01T01:40:00Z", 20, 60, 100) + "xyz"));
    frmVQ_View w;
    w.show();
    ASSERT_TRUE(w.openFiles({good, torn}));
    EXPECT_EQ(w.timeline().size(), 120);
    EXPECT_TRUE(Find<QLabel>(&w, "lblProblems")->isVisible());
    EXPECT_TRUE(Text(&w, "lblProblems").contains("W_01_b.VQD: the last record is cut short"));
    EXPECT_TRUE(Find(&w, "chkCH12")->isVisible());

    auto* plot = Find<PlotWidget>(&w, "plot");
    const PlotRange whole = plot->range();
    EXPECT_EQ(whole.t0, double(w.timeline().firstMs()));
    QTest::keyClick(plot, Qt::Key_Plus);
    EXPECT_NEAR(plot->range().t1 - plot->range().t0, (whole.t1 - whole.t0) / 2, 1);
    const QRectF area = plot->plotArea();
    QTest::mousePress(plot, Qt::LeftButton, {}, area.center().toPoint());
    QTest::mouseMove(plot, (area.center() + QPointF(40, 30)).toPoint());
    QTest::mouseRelease(plot, Qt::LeftButton, {}, (area.center() + QPointF(40, 30)).toPoint());
    EXPECT_NEAR(plot->range().t1 - plot->range().t0, (whole.t1 - whole.t0) / 2 * 40 / area.width(), 1000);
    QTest::keyClick(plot, Qt::Key_Backspace);
    QTest::keyClick(plot, Qt::Key_Home);
    EXPECT_EQ(plot->range(), whole);

    // The cursor on record 7: its time, values and status words beside the plot.
    QTest::mouseMove(plot, QPointF(area.left() + area.width() * 7 / 119, area.center().y()).toPoint());
    ASSERT_EQ(plot->cursorRecord(), 7);
    ExpectTexts(&w, {{"lblCursorTime", "2026-02-01 00:07:00"}, {"lblCH03_Val", "2.7"}});
    // Bits 3 of DI and relay (7 = 0b111), CH02's alarm 1 (3 x 7 = 0x15: bit 4); the bit order is Timeline's.
    for (const char* lit : {"lblDI3", "lblCH02_AL1", "lblRelay3"})
        EXPECT_TRUE(Find(&w, lit)->property("on").toBool()) << lit;
    EXPECT_FALSE(Find(&w, "lblDI4")->property("on").toBool());

    Find<QCheckBox>(&w, "chkCH01")->click();
    EXPECT_FALSE(plot->scene().shown[0]);
    QTest::keyClick(plot, Qt::Key_Plus);
    const auto [from, to] = w.visibleRecords();
    ASSERT_TRUE(w.exportCsv(dir.filePath("part.csv"), true, {}));
    EXPECT_EQ(ReadFile(dir.filePath("part.csv")).count("\r\n"), to - from + 1);
    ASSERT_TRUE(w.exportPng(dir.filePath("plot.png")));
    EXPECT_EQ(QImage(dir.filePath("plot.png")).size(), plot->size());

    // A file dropped on the window is opened in place of the others.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(good)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &drop);
    EXPECT_EQ(w.timeline().size(), 100);
    EXPECT_FALSE(Find<QLabel>(&w, "lblProblems")->isVisible());
}

TEST(View, TenMillionAndOneRecordsShowTheLastOnAxisAndReadout)
{
    // Records at the start and the last of 10 000 001 at its place; the hole
    // between reads as zero records, which have no possible time: a gap.
    constexpr qint64 kLast = 10'000'000;
    QTemporaryDir dir;
    const QString path = dir.filePath("Y_01.VQD");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.write(BuildHeader(20) + records("2026-01-01T00:00:00Z", 3, 1)) > 0);
        ASSERT_TRUE(f.seek(vqd::kHeaderSize + kLast * vqd::kRecordSize));
        ASSERT_TRUE(f.write(records("2026-04-26T17:46:40Z", 1, 1, 77)) == vqd::kRecordSize);
    }
    // The provisional picture comes first and already spans the whole file.
    std::vector<Timeline> previews;
    const Timeline cancelled = LoadTimeline({path}, [](int) { return false; },
                                            [&](Timeline&& p) { previews.push_back(std::move(p)); });
    EXPECT_TRUE(cancelled.isEmpty() && cancelled.problems.isEmpty());
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_GT(previews[0].sampledEvery, 1);
    EXPECT_EQ(StampText(previews[0].stampAt(previews[0].size() - 1)), "2026-04-26 17:46:40");
    EXPECT_EQ(previews[0].firstMs(), clock("2026-01-01T00:00:00Z").toMSecsSinceEpoch());
    frmVQ_View w;
    w.show();
    // Cancelled at its provisional picture, which the window marks: the file shown before comes back.
    const QString small = dir.filePath("S_01.VQD");
    ASSERT_TRUE(WriteFile(small, BuildHeader(20) + records("2026-02-01T00:00:00Z", 100)));
    ASSERT_TRUE(w.openFiles({small}));
    auto* plot = Find<PlotWidget>(&w, "plot");
    QString note;
    QObject::connect(&w, &frmVQ_View::timelineChanged, &w, [&] {
        if (w.timeline().sampledEvery > 1 && note.isEmpty()) {
            note = plot->scene().note;
            for (QAction* a : w.findChildren<QAction*>())
                EXPECT_FALSE(a->text().startsWith("Export") && a->isEnabled()) << a->text().toStdString();
            Find<QToolButton>(&w, "cmdCancelOpening")->click();
        }
    });
    EXPECT_FALSE(w.openFiles({path}));
    EXPECT_TRUE(note.startsWith("Provisional picture")) << note.toStdString();
    EXPECT_EQ(w.timeline().size(), 100);
    EXPECT_TRUE(plot->scene().note.isEmpty());
    EXPECT_TRUE(Text(&w, "lblInfo").startsWith("S_01.VQD")) << Text(&w, "lblInfo").toStdString();

    ASSERT_TRUE(w.openFiles({path}));
    const Timeline& tl = w.timeline();
    ASSERT_EQ(tl.size(), 4);
    EXPECT_EQ(tl.problems, QStringList{"Y_01.VQD: 9999997 records with an impossible time stamp not shown"});
    EXPECT_EQ(tl.gapsBefore, std::vector<qsizetype>{3});
    EXPECT_EQ(plot->range().t1, double(tl.lastMs()));
    EXPECT_TRUE(Text(&w, "lblRange").contains("2026-04-26 17:46:40")) << Text(&w, "lblRange").toStdString();
    const QRectF area = plot->plotArea();
    QTest::mouseMove(plot, QPointF(area.right() - 1, area.center().y()).toPoint());
    ASSERT_EQ(plot->cursorRecord(), 3);
    ExpectTexts(&w, {{"lblCursorTime", "2026-04-26 17:46:40"}, {"lblCH03_Val", "9.7"}});
}

TEST(Timeline, FileCutShortWhileOpenReadsAsZerosInsteadOfFaulting)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("S_01.VQD");
    ASSERT_TRUE(WriteFile(path, BuildHeader(20) + records("2026-01-01T00:00:00Z", 5000, 1)));
    const Timeline tl = LoadTimeline({path});
    ASSERT_EQ(tl.size(), 5000);
    EXPECT_FALSE(tl.guardShrunkFiles());
    ASSERT_TRUE(QFile::resize(path, vqd::kHeaderSize + vqd::kRecordSize));
    EXPECT_TRUE(tl.guardShrunkFiles());
    EXPECT_EQ(tl.value(0, 4999), 0.0f);
    EXPECT_EQ(tl.value(2, 0), 2.0f) << "the first record is still the file's";
    PlotScene scene;
    scene.timeline = &tl;
    scene.range = {0, 1e13, -1, 1};
    EXPECT_FALSE(RenderPlot(scene, QSize(400, 300)).isNull());
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteCsv(out, tl, 0, tl.size(), DefaultLooks(), {}));
}

TEST(View, PngRunWithoutADisplay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(WriteFile(dir.filePath("D_01.VQD"), BuildHeader(10) + records("2026-02-01T00:00:00Z", 500)));
    ASSERT_TRUE(WriteFile(dir.filePath("bad.VQD"), QByteArray(100, 'x')));
    struct Case { QStringList args; int exit; QSize size; const char* said; };
    const Case cases[] = {
        {{"--size", "640x400", "D_01.VQD", "bad.VQD"}, 0, {640, 400}, "bad.VQD: not a data file"},
        {{"bad.VQD"}, 1, {0, 0}, "no records to draw"},
        {{"--size", "64", "D_01.VQD"}, 2, {0, 0}, "--size"},
    };
    for (const Case& c : cases) {
        QFile::remove(dir.filePath("out.png"));
        QProcess view;
        view.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        view.setProcessEnvironment(env);
        view.start(QCoreApplication::applicationDirPath() + "/vq800-view", QStringList{"--png", "out.png"} + c.args);
        ASSERT_TRUE(view.waitForFinished(30000));
        EXPECT_EQ(view.exitCode(), c.exit) << c.said;
        EXPECT_TRUE(view.readAllStandardError().contains(c.said)) << c.said;
        EXPECT_EQ(QImage(dir.filePath("out.png")).size(), c.size) << c.said;
    }
}
