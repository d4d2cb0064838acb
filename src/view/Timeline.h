#pragma once
// Data files read into one timeline: the records of a recorder's files
// (its day files, say) sorted by time, each channel in a column of its own
// so that drawing reads one channel at a time.
#include "logging/DataFile.h"

#include <QStringList>
#include <array>
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

struct Timeline {
    static constexpr qsizetype kMaxRecords = 10'000'000; // about 720 MB in memory
    static constexpr qsizetype kBlock = 64;

    int channels = 0;              // 6 or 12; 0 until a file was read
    std::vector<qint64> ms;        // ascending, ms since the epoch
    std::vector<quint32> stamps;   // the stored local time of each record
    std::array<std::vector<float>, vqd::kChannels> pv; // channels 1..channels hold one value per record
    std::vector<RecordStatus> status;
    // Finite minimum and maximum of each channel; first > second when it has none.
    std::array<std::pair<float, float>, vqd::kChannels> extremes{};
    // Records kBlock * b .. kBlock * (b + 1) - 1 of each channel, so that a
    // pixel column of many records costs a few blocks to draw.
    std::array<std::vector<BlockExtremes>, vqd::kChannels> blocks;
    // Median time between records, and the records that follow a gap
    // (more than three times that since the one before), ascending.
    qint64 spacingMs = 0;
    std::vector<qsizetype> gapsBefore;
    QStringList files;    // the files that gave records
    QStringList problems; // one line per thing that could not be read

    qsizetype size() const { return qsizetype(ms.size()); }
    bool isEmpty() const { return ms.empty(); }
    // Whether a gap lies between records a and b (a < b).
    bool gapBetween(qsizetype a, qsizetype b) const;
};

// Reads the files into one timeline, as far as each can be read; what could
// not be read is in `problems`. The header's model code gives the channels.
Timeline LoadTimeline(const QStringList& paths);

// Index of the record nearest to time t; -1 for an empty timeline.
qsizetype NearestRecord(const Timeline& tl, double t);
// First index with a time >= t, and first with a time > t.
qsizetype FirstAtOrAfter(const Timeline& tl, double t);
qsizetype FirstAfter(const Timeline& tl, double t);

// "yyyy-MM-dd HH:mm:ss" of a stored time stamp.
QByteArray StampText(quint32 stamp);
