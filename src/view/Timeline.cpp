#include "view/Timeline.h"

#include "link/RegisterMap.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numeric>
#include <optional>

namespace {

// Local time of packed stamps in ms since the epoch. A time zone look-up
// costs microseconds, so it is made once per hour of stamps.
class LocalClock {
public:
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
    }

    quint32 m_hourKey = ~0u;
    qint64 m_hourStart = 0;
    bool m_valid = false, m_uniform = false;
};

// A file's bytes, mapped where possible.
struct Source {
    QString name;
    std::unique_ptr<QFile> file;
    QByteArray bytes;
    int model = 0;
    int channels = 0;
};

QString countText(qsizetype n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// Opens and checks a file; false with a problem noted when it holds no records.
bool openSource(const QString& path, Source& src, QStringList& problems)
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
    src.file = std::make_unique<QFile>(path);
    if (!src.file->open(QIODevice::ReadOnly))
        return problem(QStringLiteral("cannot open it: %1").arg(src.file->errorString()));
    const qint64 size = src.file->size();
    if (uchar* p = size > 0 ? src.file->map(0, size) : nullptr)
        src.bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(p), size);
    else
        src.bytes = src.file->readAll();
    QString why;
    if (!ParseHeader(src.bytes, src.model, &why))
        return problem(why);
    src.channels = regmap::ChannelsOfModel(src.model);
    if (src.channels == 0) {
        problem(QStringLiteral("model code %1 is not known; all twelve channels are shown").arg(src.model));
        src.channels = vqd::kChannels;
    }
    const qsizetype body = src.bytes.size() - vqd::kHeaderSize;
    if (const qsizetype torn = body % vqd::kRecordSize)
        problem(QStringLiteral("the last record is cut short (%1 bytes after the last whole record); it is not shown")
                    .arg(torn));
    if (body < vqd::kRecordSize)
        return problem(QStringLiteral("no records"));
    return true;
}

template <typename T> void permute(std::vector<T>& v, const std::vector<qsizetype>& order)
{
    std::vector<T> out;
    out.reserve(order.size());
    for (qsizetype i : order)
        out.push_back(v[i]);
    v.swap(out);
}

void sortByTime(Timeline& tl)
{
    if (std::is_sorted(tl.ms.begin(), tl.ms.end()))
        return;
    std::vector<qsizetype> order(tl.ms.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return tl.ms[a] < tl.ms[b]; });
    permute(tl.ms, order);
    permute(tl.stamps, order);
    permute(tl.status, order);
    for (int k = 0; k < tl.channels; ++k)
        permute(tl.pv[k], order);
}

void findGaps(Timeline& tl)
{
    std::vector<qint64> steps;
    steps.reserve(tl.ms.size());
    for (size_t i = 1; i < tl.ms.size(); ++i)
        if (tl.ms[i] > tl.ms[i - 1])
            steps.push_back(tl.ms[i] - tl.ms[i - 1]);
    if (steps.empty())
        return;
    auto mid = steps.begin() + qsizetype(steps.size() / 2);
    std::nth_element(steps.begin(), mid, steps.end());
    tl.spacingMs = *mid;
    for (size_t i = 1; i < tl.ms.size(); ++i)
        if (tl.ms[i] - tl.ms[i - 1] > 3 * tl.spacingMs)
            tl.gapsBefore.push_back(qsizetype(i));
}

void findExtremes(Timeline& tl)
{
    for (int k = 0; k < tl.channels; ++k) {
        const std::vector<float>& v = tl.pv[k];
        std::vector<BlockExtremes>& blocks = tl.blocks[k];
        blocks.reserve(v.size() / Timeline::kBlock + 1);
        float lo = INFINITY, hi = -INFINITY;
        for (size_t at = 0; at < v.size(); at += Timeline::kBlock) {
            BlockExtremes b{INFINITY, -INFINITY, true};
            for (size_t i = at; i < std::min(at + size_t(Timeline::kBlock), v.size()); ++i) {
                if (!std::isfinite(v[i])) {
                    b.finite = false;
                    continue;
                }
                b.min = std::min(b.min, v[i]);
                b.max = std::max(b.max, v[i]);
            }
            blocks.push_back(b);
            lo = std::min(lo, b.min);
            hi = std::max(hi, b.max);
        }
        tl.extremes[k] = {lo, hi};
    }
}

} // namespace

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

bool Timeline::gapBetween(qsizetype a, qsizetype b) const
{
    const auto it = std::upper_bound(gapsBefore.begin(), gapsBefore.end(), a);
    return it != gapsBefore.end() && *it <= b;
}

Timeline LoadTimeline(const QStringList& paths)
{
    Timeline tl;
    std::vector<Source> sources;
    qsizetype total = 0;
    for (const QString& path : paths) {
        Source src;
        if (!openSource(path, src, tl.problems))
            continue;
        tl.channels = std::max(tl.channels, src.channels);
        total += (src.bytes.size() - vqd::kHeaderSize) / vqd::kRecordSize;
        sources.push_back(std::move(src));
    }
    for (const Source& s : sources)
        if (s.channels != tl.channels) {
            tl.problems << QStringLiteral("the files come from recorders with 6 and with 12 channels; 12 are shown");
            break;
        }
    const bool capped = total > Timeline::kMaxRecords;
    total = std::min(total, Timeline::kMaxRecords);
    tl.ms.reserve(total);
    tl.stamps.reserve(total);
    tl.status.reserve(total);
    for (int k = 0; k < tl.channels; ++k)
        tl.pv[k].reserve(total);

    LocalClock clock;
    for (const Source& s : sources) {
        const char* p = s.bytes.constData() + vqd::kHeaderSize;
        const qsizetype n = (s.bytes.size() - vqd::kHeaderSize) / vqd::kRecordSize;
        qsizetype bad = 0, kept = 0;
        for (qsizetype i = 0; i < n && tl.size() < Timeline::kMaxRecords; ++i, p += vqd::kRecordSize) {
            const DataRecord r = ParseRecord(p);
            const std::optional<qint64> t = clock.msOf(r.stamp);
            if (!t) {
                ++bad;
                continue;
            }
            tl.ms.push_back(*t);
            tl.stamps.push_back(r.stamp);
            for (int k = 0; k < tl.channels; ++k)
                tl.pv[k].push_back(r.pv[k]);
            tl.status.push_back({{r.alarm14, r.alarm58, r.alarm912}, r.relay, r.sdDi, r.bo});
            ++kept;
        }
        if (bad)
            tl.problems << QStringLiteral("%1: %2 with an impossible time stamp not shown")
                               .arg(s.name, countText(bad, "record", "records"));
        if (kept)
            tl.files << s.name;
    }
    if (capped)
        tl.problems << QStringLiteral("only the first %1 records are shown").arg(Timeline::kMaxRecords);
    sortByTime(tl);
    findGaps(tl);
    findExtremes(tl);
    return tl;
}

qsizetype FirstAtOrAfter(const Timeline& tl, double t)
{
    return std::lower_bound(tl.ms.begin(), tl.ms.end(), t, [](qint64 a, double b) { return double(a) < b; })
        - tl.ms.begin();
}

qsizetype FirstAfter(const Timeline& tl, double t)
{
    return std::upper_bound(tl.ms.begin(), tl.ms.end(), t, [](double a, qint64 b) { return a < double(b); })
        - tl.ms.begin();
}

qsizetype NearestRecord(const Timeline& tl, double t)
{
    if (tl.isEmpty())
        return -1;
    const qsizetype i = FirstAtOrAfter(tl, t);
    if (i == tl.size())
        return i - 1;
    if (i > 0 && t - double(tl.ms[i - 1]) <= double(tl.ms[i]) - t)
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
