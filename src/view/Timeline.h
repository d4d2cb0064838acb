#pragma once
// Data files read into one timeline: the records of a recorder's files (its
// day files, say) in time order. The records stay in the files, mapped into
// memory; only a summary is kept: the extremes of each channel over blocks
// of records at a few sizes, and the time of each smallest block, so that a
// year of records costs tens of megabytes and a pixel column a few blocks.
#include "logging/DataFile.h"

#include <QStringList>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The status words of one record, as stored.
struct RecordStatus {
    std::array<quint16, 3> alarm{}; // channels 1-4, 5-8, 9-12: four alarm bits per channel
    quint16 relay = 0;              // bit k-1: relay k
    quint8 di = 0;                  // bit k-1: digital input k
    std::array<quint8, 3> bo{};     // burn-out bytes, as stored
};
// Channel 1..12, alarm 1..4 / relay 1..16 / input 1..6 in that record.
bool AlarmOn(const RecordStatus& s, int channel, int alarm);
bool RelayOn(const RecordStatus& s, int relay);
bool DiOn(const RecordStatus& s, int input);

// The extremes of a block of records of one channel.
struct BlockExtremes {
    float min = 0, max = 0;
    bool finite = false; // every value of the block is a finite number
};

class Timeline {
public:
    // Block sizes of the summary, smallest first; each divides the next.
    static constexpr int kLevels = 3;
    static constexpr std::array<qsizetype, kLevels> kBlock{64, 1024, 16384};

    Timeline();
    ~Timeline();
    Timeline(Timeline&&) noexcept;
    Timeline& operator=(Timeline&&) noexcept;

    int channels = 0; // 6 or 12; 0 until a file was read
    // 1 for the whole records; n for a provisional timeline of every n-th
    // record (and each file's last), shown while the whole one is read.
    qsizetype sampledEvery = 1;
    // Finite minimum and maximum of each channel; first > second when it has none.
    std::array<std::pair<float, float>, vqd::kChannels> extremes{};
    // Median time between records, and the records that follow a gap
    // (more than three times that since the one before), ascending.
    qint64 spacingMs = 0;
    std::vector<qsizetype> gapsBefore;
    QStringList files;    // the files that gave records
    QStringList problems; // one line per thing that could not be read

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // Record i (0 <= i < size()), read from its file.
    qint64 msAt(qsizetype i) const; // ms since the epoch
    quint32 stampAt(qsizetype i) const; // the stored local time
    float value(int ch, qsizetype i) const; // channel 0..channels-1
    RecordStatus statusAt(qsizetype i) const;
    qint64 firstMs() const { return msAt(0); }
    qint64 lastMs() const { return msAt(m_size - 1); }
    // Whether a gap lies between records a and b (a < b).
    bool gapBetween(qsizetype a, qsizetype b) const;

    // Block b of channel ch at summary level `level`: records kBlock[level] * b ..
    qsizetype blockCount(int level) const { return qsizetype(m_blocks[level].size()) / vqd::kChannels; }
    const BlockExtremes& block(int level, int ch, qsizetype b) const
    {
        return m_blocks[level][size_t(b) * vqd::kChannels + size_t(ch)];
    }
    // Time of the first record of each smallest block.
    const std::vector<qint64>& blockMs() const { return m_blockMs; }

    // A file that shrank since it was opened reads as zeros beyond its new
    // end instead of faulting; true when one did (reload to see it again).
    bool guardShrunkFiles() const;

    // How the records are found: pieces of the files in time order.
    struct Source;
    struct Run { qsizetype first; int source; qsizetype record; qsizetype count; };
    struct Hour { quint32 key; qint64 start; bool uniform; };

private:
    friend Timeline LoadTimeline(const QStringList&, const std::function<bool(int)>&,
                                 const std::function<void(Timeline&&)>&);
    static Timeline sampled(const std::vector<std::unique_ptr<Source>>& sources, qsizetype every);
    static bool build(Timeline& tl, const std::function<bool(int)>& progress);
    struct Summary;
    const char* recordAt(qsizetype i) const;
    qint64 msOf(quint32 stamp) const;

    qsizetype m_size = 0;
    std::vector<std::unique_ptr<Source>> m_sources;
    std::vector<Run> m_runs;   // pieces of files in time order, by first
    std::vector<Hour> m_hours; // every hour a stamp names, by key
    std::array<std::vector<BlockExtremes>, kLevels> m_blocks;
    std::vector<qint64> m_blockMs;
    mutable std::atomic<size_t> m_lastRun{0};
};

// Reads the files into one timeline, as far as each can be read; what could
// not be read is in `problems`. The header's model code gives the channels.
// `progress` hears the percent done now and then; false from it cancels, and
// the timeline is returned empty with no problem. Files of more than
// kPreviewAbove records first give `preview` a provisional timeline of about
// kPreviewRecords of them, read in a moment, for a first picture.
constexpr qsizetype kPreviewAbove = 2'000'000, kPreviewRecords = 8192;
Timeline LoadTimeline(const QStringList& paths, const std::function<bool(int)>& progress = {},
                      const std::function<void(Timeline&&)>& preview = {});

// Index of the record nearest to time t; -1 for an empty timeline.
qsizetype NearestRecord(const Timeline& tl, double t);
// First index with a time >= t, and first with a time > t.
qsizetype FirstAtOrAfter(const Timeline& tl, double t);
qsizetype FirstAfter(const Timeline& tl, double t);

// "yyyy-MM-dd HH:mm:ss" of a stored time stamp.
QByteArray StampText(quint32 stamp);
