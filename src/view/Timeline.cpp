#include "view/Timeline.h"

#include "link/RegisterMap.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <queue>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// A file's whole records at open, mapped where possible.
struct Timeline::Source {
    QString name;
    QFile file;
    QByteArray bytes;          // when it cannot be mapped
    const char* base = nullptr; // the header, then the records
    qsizetype records = 0;
    qint64 mapped = 0;         // bytes mapped; 0 when read into `bytes`
    mutable std::atomic<qint64> readable{0}; // bytes still backed by the file: painting and an export both look
    int model = 0;
    int channels = 0;
    const char* record(qsizetype i) const { return base + vqd::kHeaderSize + i * vqd::kRecordSize; }
};

namespace {

// Local time of packed stamps in ms since the epoch. A time zone look-up
// costs microseconds, so it is made once per hour of stamps; each hour met
// is noted for later look-ups.
class LocalClock {
public:
    struct Hour { quint32 key; qint64 start; bool uniform; };
    std::vector<Hour> hours;

    std::optional<qint64> msOf(quint32 s)
    {
        const int second = s & 0x3F, minute = (s >> 6) & 0x3F;
        if (second > 59 || minute > 59)
            return std::nullopt;
        if ((s >> 12) != m_hourKey)
            lookUp(s);
        if (!m_valid)
            return std::nullopt;
        if (m_uniform)
            return m_hourStart + (minute * 60 + second) * 1000LL;
        // An hour with a clock change inside it: each stamp on its own.
        return UnpackTimeStamp(s).toMSecsSinceEpoch();
    }

private:
    void lookUp(quint32 s)
    {
        m_hourKey = s >> 12;
        const QDate d(2000 + int((s >> 26) & 0x3F), int((s >> 22) & 0xF), int((s >> 17) & 0x1F));
        const int hour = (s >> 12) & 0x1F;
        m_valid = d.isValid() && hour < 24;
        if (!m_valid)
            return;
        m_hourStart = QDateTime(d, QTime(hour, 0)).toMSecsSinceEpoch();
        m_uniform = QDateTime(d, QTime(hour, 59, 59)).toMSecsSinceEpoch() - m_hourStart == 3'599'000;
        hours.push_back({m_hourKey, m_hourStart, m_uniform});
    }

    quint32 m_hourKey = ~0u;
    qint64 m_hourStart = 0;
    bool m_valid = false, m_uniform = false;
};

QString countText(qsizetype n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

quint32 stampOf(const char* record)
{
    return qFromBigEndian<quint32>(record);
}

} // namespace

Timeline::Timeline() = default;
Timeline::Timeline(Timeline&& o) noexcept { *this = std::move(o); }
Timeline& Timeline::operator=(Timeline&& o) noexcept
{
    channels = o.channels;
    extremes = o.extremes;
    spacingMs = o.spacingMs;
    sampledEvery = o.sampledEvery;
    gapsBefore = std::move(o.gapsBefore);
    files = std::move(o.files);
    problems = std::move(o.problems);
    m_size = std::exchange(o.m_size, 0);
    m_sources = std::move(o.m_sources);
    m_runs = std::move(o.m_runs);
    m_hours = std::move(o.m_hours);
    m_blocks = std::move(o.m_blocks);
    m_blockMs = std::move(o.m_blockMs);
    m_lastRun.store(0);
    return *this;
}
Timeline::~Timeline() = default;

bool AlarmOn(const RecordStatus& s, int channel, int alarm)
{
    if (channel < 1 || channel > vqd::kChannels || alarm < 1 || alarm > 4)
        return false;
    const int bit = (channel - 1) % 4 * 4 + alarm - 1;
    return (s.alarm[(channel - 1) / 4] >> bit) & 1;
}

bool RelayOn(const RecordStatus& s, int relay)
{
    return relay >= 1 && relay <= 16 && ((s.relay >> (relay - 1)) & 1);
}

bool DiOn(const RecordStatus& s, int input)
{
    return input >= 1 && input <= 6 && ((s.di >> (input - 1)) & 1);
}

const char* Timeline::recordAt(qsizetype i) const
{
    size_t r = m_lastRun.load(std::memory_order_relaxed);
    if (r >= m_runs.size() || i < m_runs[r].first || i >= m_runs[r].first + m_runs[r].count) {
        r = size_t(std::upper_bound(m_runs.begin(), m_runs.end(), i,
                                    [](qsizetype x, const Run& run) { return x < run.first; })
                   - m_runs.begin() - 1);
        m_lastRun.store(r, std::memory_order_relaxed);
    }
    const Run& run = m_runs[r];
    return m_sources[size_t(run.source)]->record(run.record + i - run.first);
}

qint64 Timeline::msOf(quint32 s) const
{
    const auto h = std::lower_bound(m_hours.begin(), m_hours.end(), s >> 12,
                                    [](const Hour& a, quint32 key) { return a.key < key; });
    if (h == m_hours.end() || h->key != s >> 12)
        return 0; // not a stamp of the files as they were read
    if (h->uniform)
        return h->start + (((s >> 6) & 0x3F) * 60 + (s & 0x3F)) * 1000LL;
    return UnpackTimeStamp(s).toMSecsSinceEpoch();
}

qint64 Timeline::msAt(qsizetype i) const
{
    return msOf(stampAt(i));
}

quint32 Timeline::stampAt(qsizetype i) const
{
    return stampOf(recordAt(i));
}

float Timeline::value(int ch, qsizetype i) const
{
    return qFromBigEndian<float>(recordAt(i) + 4 + 4 * ch);
}

RecordStatus Timeline::statusAt(qsizetype i) const
{
    const DataRecord r = ParseRecord(recordAt(i));
    return {{r.alarm14, r.alarm58, r.alarm912}, r.relay, r.sdDi, r.bo};
}

bool Timeline::gapBetween(qsizetype a, qsizetype b) const
{
    const auto it = std::upper_bound(gapsBefore.begin(), gapsBefore.end(), a);
    return it != gapsBefore.end() && *it <= b;
}

bool Timeline::guardShrunkFiles() const
{
    bool shrunk = false;
#ifdef Q_OS_UNIX
    const qint64 page = sysconf(_SC_PAGESIZE);
    for (const auto& s : m_sources) {
        struct stat st;
        if (!s->mapped || s->readable == 0 || fstat(s->file.handle(), &st) != 0 || st.st_size >= s->readable)
            continue;
        // Pages wholly past the new end would fault: zeros in their place.
        const qint64 keep = (qint64(st.st_size) + page - 1) / page * page;
        if (keep < s->mapped)
            mmap(const_cast<char*>(s->base) + keep, size_t(s->mapped - keep), PROT_READ,
                 MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        s->readable = qint64(st.st_size);
        shrunk = true;
    }
#endif
    return shrunk;
}

namespace {

// Opens and checks a file, mapping its whole records; false with a problem
// noted when it holds none.
bool openSource(const QString& path, Timeline::Source& src, QStringList& problems)
{
    src.name = QFileInfo(path).fileName();
    auto problem = [&](const QString& why) {
        problems << QStringLiteral("%1: %2").arg(src.name, why);
        return false;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return problem(QStringLiteral("no such file"));
    if (!info.isFile())
        return problem(QStringLiteral("not a file"));
    src.file.setFileName(path);
    if (!src.file.open(QIODevice::ReadOnly))
        return problem(QStringLiteral("cannot open it: %1").arg(src.file.errorString()));
    const qint64 size = src.file.size();
    const qint64 whole = size < vqd::kHeaderSize
        ? size
        : vqd::kHeaderSize + (size - vqd::kHeaderSize) / vqd::kRecordSize * vqd::kRecordSize;
    // Only the whole records present now are mapped: the logger may append
    // meanwhile, and it cuts back only what it appended.
    if (uchar* p = whole > 0 ? src.file.map(0, whole) : nullptr) {
        src.base = reinterpret_cast<const char*>(p);
        src.mapped = src.readable = whole;
    } else {
        src.bytes = src.file.read(whole);
        src.base = src.bytes.constData();
    }
    QString why;
    if (!ParseHeader(QByteArray::fromRawData(src.base, whole), src.model, &why))
        return problem(why);
    src.channels = regmap::ChannelsOfModel(src.model);
    if (src.channels == 0) {
        problem(QStringLiteral("model code %1 is not known; all twelve channels are shown").arg(src.model));
        src.channels = vqd::kChannels;
    }
    if (const qint64 torn = (size - vqd::kHeaderSize) % vqd::kRecordSize)
        problem(QStringLiteral("the last record is cut short (%1 bytes after the last whole record); it is not shown")
                    .arg(torn));
    src.records = (whole - vqd::kHeaderSize) / vqd::kRecordSize;
    if (src.records == 0)
        return problem(QStringLiteral("no records"));
#ifdef Q_OS_UNIX
    if (src.mapped)
        madvise(const_cast<char*>(src.base), size_t(src.mapped), MADV_SEQUENTIAL);
#endif
    return true;
}

// Where a file holds data and not a hole: a hole reads as zeros, records
// with an impossible stamp, so it need not be read.
qint64 nextData(const Timeline::Source& s, qint64 from)
{
#if defined(Q_OS_LINUX) && defined(SEEK_DATA)
    if (s.mapped) {
        const off_t at = lseek(s.file.handle(), off_t(from), SEEK_DATA);
        return at < 0 ? s.mapped : qint64(at);
    }
#endif
    Q_UNUSED(s);
    return from;
}

qint64 nextHole(const Timeline::Source& s, qint64 from)
{
#if defined(Q_OS_LINUX) && defined(SEEK_HOLE)
    if (s.mapped) {
        const off_t at = lseek(s.file.handle(), off_t(from), SEEK_HOLE);
        return at < 0 ? s.mapped : std::min(s.mapped, qint64(at));
    }
#endif
    return s.mapped ? s.mapped : qint64(s.bytes.size());
}

} // namespace

// The provisional timeline of a preview: each source's first and last
// record and every n-th between, copied out of the files.
Timeline Timeline::sampled(const std::vector<std::unique_ptr<Source>>& sources, qsizetype every)
{
    Timeline tl;
    tl.sampledEvery = every;
    for (const auto& s : sources) {
        auto copy = std::make_unique<Timeline::Source>();
        copy->name = s->name;
        copy->model = s->model;
        copy->channels = s->channels;
        copy->bytes.reserve(vqd::kHeaderSize + (s->records / every + 2) * vqd::kRecordSize);
        copy->bytes.append(s->base, vqd::kHeaderSize);
#ifdef Q_OS_UNIX
        // Only the pages sampled: a cold file is not read ahead of them.
        if (s->mapped)
            madvise(const_cast<char*>(s->base), size_t(s->mapped), MADV_RANDOM);
#endif
        for (qsizetype i = 0;; i += every) {
            const bool last = i >= s->records - 1;
            copy->bytes.append(s->record(last ? s->records - 1 : i), vqd::kRecordSize);
            if (last)
                break;
        }
#ifdef Q_OS_UNIX
        if (s->mapped)
            madvise(const_cast<char*>(s->base), size_t(s->mapped), MADV_SEQUENTIAL);
#endif
        copy->base = copy->bytes.constData();
        copy->records = (copy->bytes.size() - vqd::kHeaderSize) / vqd::kRecordSize;
        tl.channels = std::max(tl.channels, s->channels);
        tl.m_sources.push_back(std::move(copy));
    }
    return tl;
}

Timeline LoadTimeline(const QStringList& paths, const std::function<bool(int)>& progress,
                      const std::function<void(Timeline&&)>& preview)
{
    Timeline tl;
    qsizetype total = 0;
    for (const QString& path : paths) {
        auto src = std::make_unique<Timeline::Source>();
        if (!openSource(path, *src, tl.problems))
            continue;
        tl.channels = std::max(tl.channels, src->channels);
        total += src->records;
        tl.m_sources.push_back(std::move(src));
    }
    for (const auto& s : tl.m_sources)
        if (s->channels != tl.channels) {
            tl.problems << QStringLiteral("the files come from recorders with 6 and with 12 channels; 12 are shown");
            break;
        }
    if (preview && total > kPreviewAbove) {
        Timeline sample = Timeline::sampled(tl.m_sources, total / kPreviewRecords);
        if (Timeline::build(sample, {}) && !sample.isEmpty())
            preview(std::move(sample));
    }
    if (!Timeline::build(tl, progress))
        return Timeline();
    return tl;
}

// The summary, built record by record in time order.
struct Timeline::Summary {
    Summary(int channels, qsizetype expected) : m_channels(channels)
    {
        // Reserved, not touched: only the blocks filled become resident.
        const size_t blocks = size_t(expected / kBlock[0] + 1);
        m_level0.reserve(blocks * vqd::kChannels);
        m_blockMs.reserve(blocks);
        m_longestStep.reserve(blocks);
    }

    void add(qint64 t, const char* p)
    {
        if (m_count % kBlock[0] == 0) {
            close();
            m_level0.resize(m_level0.size() + vqd::kChannels);
            m_blockMs.push_back(t);
            m_longestStep.push_back(0);
            m_lo.fill(INFINITY);
            m_hi.fill(-INFINITY);
            m_finite.fill(true);
        }
        if (m_count > 0) {
            const qint64 d = t - m_before;
            m_longestStep.back() = std::max(m_longestStep.back(), d);
            if (d > 0) {
                if (d != m_step) {
                    if (m_stepCount)
                        m_steps[m_step] += m_stepCount;
                    m_step = d;
                    m_stepCount = 0;
                }
                ++m_stepCount;
            }
        }
        m_before = t;
        for (int k = 0; k < m_channels; ++k) {
            const float v = qFromBigEndian<float>(p + 4 + 4 * k);
            if (!std::isfinite(v)) {
                m_finite[size_t(k)] = false;
                continue;
            }
            m_lo[size_t(k)] = std::min(m_lo[size_t(k)], v);
            m_hi[size_t(k)] = std::max(m_hi[size_t(k)], v);
        }
        ++m_count;
    }

    // The larger blocks from the smaller, the extremes, the spacing and the
    // gaps, into `tl`, whose records must be in place.
    void finish(Timeline& tl)
    {
        close();
        if (m_stepCount)
            m_steps[m_step] += m_stepCount;
        tl.m_blocks[0] = std::move(m_level0);
        tl.m_blockMs = std::move(m_blockMs);
        for (int level = 1; level < kLevels; ++level) {
            const std::vector<BlockExtremes>& from = tl.m_blocks[size_t(level - 1)];
            const qsizetype per = kBlock[size_t(level)] / kBlock[size_t(level - 1)];
            const qsizetype fromCount = qsizetype(from.size()) / vqd::kChannels;
            const qsizetype count = (fromCount + per - 1) / per;
            std::vector<BlockExtremes>& to = tl.m_blocks[size_t(level)];
            to.assign(size_t(count) * vqd::kChannels, BlockExtremes{INFINITY, -INFINITY, true});
            for (qsizetype b = 0; b < fromCount; ++b)
                for (int k = 0; k < m_channels; ++k) {
                    const BlockExtremes& x = from[size_t(b) * vqd::kChannels + size_t(k)];
                    BlockExtremes& y = to[size_t(b / per) * vqd::kChannels + size_t(k)];
                    y = {std::min(y.min, x.min), std::max(y.max, x.max), y.finite && x.finite};
                }
        }
        for (int k = 0; k < m_channels; ++k) {
            float a = INFINITY, b = -INFINITY;
            const std::vector<BlockExtremes>& top = tl.m_blocks[kLevels - 1];
            for (size_t i = size_t(k); i < top.size(); i += vqd::kChannels) {
                a = std::min(a, top[i].min);
                b = std::max(b, top[i].max);
            }
            tl.extremes[size_t(k)] = {a, b};
        }

        // Gaps: the median step, then the blocks with a step more than three times that.
        qsizetype seen = 0, stepsTotal = 0;
        for (const auto& [d, n] : m_steps)
            stepsTotal += n;
        for (const auto& [d, n] : m_steps) // the element nth_element would pick: index total / 2
            if ((seen += n) > stepsTotal / 2) {
                tl.spacingMs = d;
                break;
            }
        if (tl.spacingMs > 0)
            for (size_t b = 0; b < m_longestStep.size(); ++b) {
                if (m_longestStep[b] <= 3 * tl.spacingMs)
                    continue;
                const qsizetype first = std::max<qsizetype>(1, qsizetype(b) * kBlock[0]);
                for (qsizetype i = first; i < std::min(tl.m_size, qsizetype(b + 1) * kBlock[0]); ++i)
                    if (tl.msAt(i) - tl.msAt(i - 1) > 3 * tl.spacingMs)
                        tl.gapsBefore.push_back(i);
            }
    }

private:
    // The extremes of the block being filled into its place.
    void close()
    {
        if (m_count == 0)
            return;
        BlockExtremes* b = m_level0.data() + m_level0.size() - vqd::kChannels;
        for (int k = 0; k < m_channels; ++k)
            b[k] = {m_lo[size_t(k)], m_hi[size_t(k)], m_finite[size_t(k)]};
    }

    const int m_channels;
    qsizetype m_count = 0;
    std::vector<BlockExtremes> m_level0;
    std::vector<qint64> m_blockMs, m_longestStep;
    std::array<float, vqd::kChannels> m_lo{}, m_hi{};
    std::array<bool, vqd::kChannels> m_finite{};
    std::map<qint64, qsizetype> m_steps; // step between records: how often
    qint64 m_step = 0, m_stepCount = 0, m_before = 0;
};

// Orders the records of the sources and builds the summary; false when
// cancelled. The files are read in the order of their first records, and as
// long as each record comes after the one before (a file, or day files, as
// the logger wrote them) the summary is built as they are read, each record
// read once. Records out of order (a clock set back, files that overlap)
// are merged into order first and the summary read from them after.
bool Timeline::build(Timeline& tl, const std::function<bool(int)>& progress)
{
    qsizetype total = 0;
    for (const auto& s : tl.m_sources)
        total += s->records;

    // Progress: one pass over the records, two once they are out of order.
    qsizetype done = 0, from = 0, work = std::max<qsizetype>(total, 1);
    int base = 0;
    auto percent = [&] { return base + int((100 - base) * double(done - from) / double(std::max<qsizetype>(work - from, 1))); };
    auto tick = [&] { return !progress || progress(percent()); };
    auto cancelled = [] { return false; };

    LocalClock clock;
    std::vector<size_t> order(tl.m_sources.size());
    std::vector<qint64> firstMs(order.size());
    for (size_t si = 0; si < order.size(); ++si) {
        order[si] = si;
        firstMs[si] = clock.msOf(stampOf(tl.m_sources[si]->record(0))).value_or(0);
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return firstMs[a] < firstMs[b]; });

    // Runs: records of a file with possible stamps in time order.
    std::vector<Run> runs;
    std::optional<Summary> summary(std::in_place, tl.channels, total);
    qint64 last = 0;
    size_t lastSource = 0;
    for (const size_t si : order) {
        const Timeline::Source& s = *tl.m_sources[si];
        qsizetype bad = 0;
        bool open = false;
        qint64 before = 0;
        for (qsizetype i = 0; i < s.records; ++i) {
            if ((i & 0xFFFFF) == 0 && !tick())
                return cancelled();
            if ((i & 0x3FFF) == 0) {
                // A hole: records of zeros, none of them possible.
                const qint64 at = vqd::kHeaderSize + i * vqd::kRecordSize;
                if (nextHole(s, at) == at) {
                    const qint64 data = nextData(s, at);
                    const qsizetype skip = std::min(s.records, (data - vqd::kHeaderSize) / vqd::kRecordSize) - i;
                    if (skip > 0) {
                        bad += skip;
                        done += skip;
                        i += skip - 1;
                        open = false;
                        continue;
                    }
                }
            }
            ++done;
            const char* p = s.record(i);
            const std::optional<qint64> t = clock.msOf(stampOf(p));
            if (!t) {
                ++bad;
                open = false;
                continue;
            }
            if (!open || *t < before)
                runs.push_back({0, int(si), i, 0});
            open = true;
            ++runs.back().count;
            before = *t;
            if (!summary)
                continue;
            // Equal times keep the order of the files.
            if (tl.m_size > 0 && (*t < last || (*t == last && si < lastSource))) {
                summary.reset();
                base = percent();
                from = done;
                work = done + (total - done) + total;
                continue;
            }
            summary->add(*t, p);
            if (!tl.m_runs.empty() && tl.m_runs.back().source == int(si)
                && tl.m_runs.back().record + tl.m_runs.back().count == i)
                ++tl.m_runs.back().count;
            else
                tl.m_runs.push_back({tl.m_size, int(si), i, 1});
            ++tl.m_size;
            last = *t;
            lastSource = si;
        }
        if (bad)
            tl.problems << QStringLiteral("%1: %2 with an impossible time stamp not shown")
                               .arg(s.name, countText(bad, "record", "records"));
    }
    std::sort(clock.hours.begin(), clock.hours.end(), [](auto& a, auto& b) { return a.key < b.key; });
    for (const LocalClock::Hour& h : clock.hours)
        if (tl.m_hours.empty() || tl.m_hours.back().key != h.key)
            tl.m_hours.push_back({h.key, h.start, h.uniform});

    if (!summary) {
        // Runs merged into one order; equal times keep the order of the files.
        std::sort(runs.begin(), runs.end(),
                  [](const Run& a, const Run& b) { return a.source != b.source ? a.source < b.source : a.record < b.record; });
        tl.m_runs.clear();
        tl.m_size = 0;
        auto msIn = [&](const Run& r, qsizetype pos) { return tl.msOf(stampOf(tl.m_sources[size_t(r.source)]->record(r.record + pos))); };
        struct Head { qint64 ms; size_t run; qsizetype pos; };
        auto later = [](const Head& a, const Head& b) { return a.ms != b.ms ? a.ms > b.ms : a.run > b.run; };
        std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
        for (size_t r = 0; r < runs.size(); ++r)
            heads.push({msIn(runs[r], 0), r, 0});
        while (!heads.empty()) {
            const Head a = heads.top();
            heads.pop();
            const Run& run = runs[a.run];
            qsizetype end = run.count;
            if (!heads.empty()) {
                const Head& b = heads.top();
                qsizetype lo = a.pos + 1, hi = run.count; // the first record that comes after b's
                while (lo < hi) {
                    const qsizetype mid = lo + (hi - lo) / 2;
                    const qint64 t = msIn(run, mid);
                    if (t < b.ms || (t == b.ms && a.run < b.run))
                        lo = mid + 1;
                    else
                        hi = mid;
                }
                end = lo;
            }
            const qsizetype n = end - a.pos;
            if (!tl.m_runs.empty() && tl.m_runs.back().source == run.source
                && tl.m_runs.back().record + tl.m_runs.back().count == run.record + a.pos)
                tl.m_runs.back().count += n;
            else
                tl.m_runs.push_back({tl.m_size, run.source, run.record + a.pos, n});
            tl.m_size += n;
            if (end < run.count)
                heads.push({msIn(run, end), a.run, end});
        }

        summary.emplace(tl.channels, tl.m_size);
        LocalClock times;
        for (const Run& run : tl.m_runs) {
            const char* p = tl.m_sources[size_t(run.source)]->record(run.record);
            for (qsizetype i = 0; i < run.count; ++i, p += vqd::kRecordSize) {
                summary->add(times.msOf(stampOf(p)).value_or(0), p);
                if ((++done & 0xFFFFF) == 0 && !tick())
                    return cancelled();
            }
        }
    }
    std::vector<bool> kept(tl.m_sources.size());
    for (const Run& run : tl.m_runs)
        kept[size_t(run.source)] = true;
    for (size_t si = 0; si < tl.m_sources.size(); ++si)
        if (kept[si])
            tl.files << tl.m_sources[si]->name;
    summary->finish(tl);
    if (progress)
        progress(100);
    return true;
}

qsizetype FirstAtOrAfter(const Timeline& tl, double t)
{
    // The smallest block whose first record is >= t, then the records of the one before it.
    const std::vector<qint64>& first = tl.blockMs();
    const qsizetype b = std::lower_bound(first.begin(), first.end(), t, [](qint64 a, double x) { return double(a) < x; })
        - first.begin();
    qsizetype lo = std::max<qsizetype>(0, (b - 1) * Timeline::kBlock[0]);
    qsizetype hi = std::min(tl.size(), b * Timeline::kBlock[0]);
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if (double(tl.msAt(mid)) < t)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

qsizetype FirstAfter(const Timeline& tl, double t)
{
    const std::vector<qint64>& first = tl.blockMs();
    const qsizetype b = std::upper_bound(first.begin(), first.end(), t, [](double x, qint64 a) { return x < double(a); })
        - first.begin();
    qsizetype lo = std::max<qsizetype>(0, (b - 1) * Timeline::kBlock[0]);
    qsizetype hi = std::min(tl.size(), b * Timeline::kBlock[0]);
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if (double(tl.msAt(mid)) <= t)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

qsizetype NearestRecord(const Timeline& tl, double t)
{
    if (tl.isEmpty())
        return -1;
    const qsizetype i = FirstAtOrAfter(tl, t);
    if (i == tl.size())
        return i - 1;
    if (i > 0 && t - double(tl.msAt(i - 1)) <= double(tl.msAt(i)) - t)
        return i - 1;
    return i;
}

QByteArray StampText(quint32 s)
{
    char text[24];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 2000 + ((s >> 26) & 0x3F), (s >> 22) & 0xF,
                  (s >> 17) & 0x1F, (s >> 12) & 0x1F, (s >> 6) & 0x3F, s & 0x3F);
    return QByteArray(text);
}
