#include "publish/RecordForwarder.h"

#include "core/ConfigText.h"
#include "logging/DataFile.h"
#include "publish/Payloads.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <utility>

namespace {

constexpr int kWindow = 16; // messages in flight per device

// STEM_NN.VQD or STEM_NN_YYYYMMDD.VQD: the stem and device part, for finding the series' next file.
QString SeriesOf(const QString& file)
{
    static const QRegularExpression re(QStringLiteral("^(.*_\\d\\d)(_\\d{8})?\\.VQD$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(file);
    return m.hasMatch() ? m.captured(1) : QString();
}

// The file of the series after `file` in name order (day files sort by date).
QString NextFile(const QString& folder, const QString& file)
{
    const QString series = SeriesOf(file);
    if (series.isEmpty())
        return QString();
    const QStringList names =
        QDir(folder).entryList({series + QStringLiteral(".VQD"), series + QStringLiteral("_????????.VQD")}, QDir::Files,
                               QDir::Name);
    for (const QString& n : names)
        if (n > file)
            return n;
    return QString();
}

} // namespace

RecordForwarder::RecordForwarder(const QString& programDir)
    : m_programDir(programDir)
{
}

QString RecordForwarder::CursorPath(const QString& programDir, int device)
{
    return QDir(programDir).filePath(QStringLiteral("Publish/%1.CUR").arg(device, 2, 10, QLatin1Char('0')));
}

RecordForwarder::Track* RecordForwarder::track(int device)
{
    auto it = m_tracks.find(device);
    if (it != m_tracks.end())
        return &*it;
    // A cursor from an earlier run: folder, file, index.
    const QStringList c = ReadConfigLines(CursorPath(m_programDir, device));
    bool ok = false;
    const qint64 index = c.size() >= 3 ? c[2].toLongLong(&ok) : 0;
    if (!ok || index < 0 || c[1].isEmpty())
        return nullptr;
    Track t;
    t.acked = t.next = RecordPlace{c[0], c[1], index};
    return &*m_tracks.insert(device, t);
}

void RecordForwarder::saved(int device, const QString& path)
{
    const QFileInfo info(path);
    Track* t = track(device);
    if (t) {
        t->idle = false;
        const bool elsewhere = info.absolutePath() != t->next.folder || SeriesOf(info.fileName()) != SeriesOf(t->next.file);
        if (!elsewhere || t->then)
            return; // the same series goes on: no need to look at the file
    }
    // Where this record lies: the start of a track, or of the series saving went on with.
    DataFileReader reader;
    if (!reader.open(path) || reader.recordCount() == 0)
        return;
    const RecordPlace here{info.absolutePath(), info.fileName(), reader.recordCount() - 1};
    if (t) {
        // Saving went on elsewhere: the old series is finished first, then this one.
        t->then = here;
        return;
    }
    // Publishing begins with the first record saved after it was turned on.
    Track fresh;
    fresh.acked = fresh.next = here;
    fresh.dirty = true;
    m_tracks.insert(device, fresh);
}

std::optional<QByteArray> RecordForwarder::recordAt(int device, RecordPlace& at)
{
    for (int hops = 0; hops < 100'000; ++hops) {
        const QString path = QDir(at.folder).filePath(at.file);
        DataFileReader reader;
        const bool open = reader.open(path);
        const qint64 count = open ? reader.recordCount() : 0;
        if (at.index < count) {
            const QList<DataRecord> one = reader.read(at.index, 1);
            if (one.isEmpty())
                return std::nullopt;
            return RecordPayload(device, at.file, at.index, reader.modelCode(), one.first());
        }
        const QString next = NextFile(at.folder, at.file);
        if (next.isEmpty()) {
            // A file cut short goes on from its end; a missing one may come back.
            if (open && at.index > count) {
                m_notes << QStringLiteral("records %1..%2 of %3 are gone; publishing goes on after them")
                               .arg(count + 1)
                               .arg(at.index)
                               .arg(QDir::toNativeSeparators(path));
                at.index = count;
            }
            return std::nullopt;
        }
        if (!open)
            m_notes << QStringLiteral("%1 is gone; publishing goes on with %2").arg(QDir::toNativeSeparators(path), next);
        else if (at.index > count)
            m_notes << QStringLiteral("records %1..%2 of %3 are gone; publishing goes on with %4")
                           .arg(count + 1)
                           .arg(at.index)
                           .arg(QDir::toNativeSeparators(path), next);
        at = RecordPlace{at.folder, next, 0};
    }
    return std::nullopt;
}

void RecordForwarder::pump(const Publish& publish)
{
    for (auto it = m_tracks.begin(); it != m_tracks.end(); ++it) {
        Track& t = *it;
        while (!t.idle && t.flights.size() < kWindow) {
            RecordPlace at = t.next;
            const std::optional<QByteArray> payload = recordAt(it.key(), at);
            if (!payload) {
                t.next = at;
                t.idle = !t.then;
                if (!t.then || !t.flights.isEmpty())
                    break;
                // The old series is done and taken: on with where saving went.
                t.acked = t.next = *t.then;
                t.then.reset();
                t.dirty = true;
                continue;
            }
            const int mid = publish(it.key(), *payload);
            if (mid < 0)
                return;
            t.flights.append({mid, at, false});
            ++at.index;
            t.next = at;
        }
    }
}

void RecordForwarder::delivered(int mid)
{
    for (Track& t : m_tracks) {
        auto f = std::find_if(t.flights.begin(), t.flights.end(), [mid](const Flight& x) { return x.mid == mid; });
        if (f == t.flights.end())
            continue;
        f->taken = true;
        while (!t.flights.isEmpty() && t.flights.first().taken) {
            t.acked = t.flights.first().place;
            ++t.acked.index;
            t.flights.removeFirst();
            t.dirty = true;
        }
        return;
    }
}

void RecordForwarder::lost()
{
    for (Track& t : m_tracks) {
        t.flights.clear();
        t.next = t.acked;
        t.idle = false;
    }
}

void RecordForwarder::wake()
{
    for (Track& t : m_tracks)
        t.idle = false;
}

void RecordForwarder::saveCursors()
{
    for (auto it = m_tracks.begin(); it != m_tracks.end(); ++it) {
        if (!it->dirty)
            continue;
        const QString path = CursorPath(m_programDir, it.key());
        QDir().mkpath(QFileInfo(path).absolutePath());
        const RecordPlace& a = it->acked;
        if (WriteConfigLines(path, {a.folder, a.file, QString::number(a.index)}))
            it->dirty = false;
    }
}

QStringList RecordForwarder::takeNotes()
{
    return std::exchange(m_notes, {});
}

std::optional<RecordPlace> RecordForwarder::cursor(int device) const
{
    const auto it = m_tracks.constFind(device);
    if (it == m_tracks.cend())
        return std::nullopt;
    return it->acked;
}
