#pragma once
// The frame log: every frame sent and received, at most 1000 rows. When the
// 1001st frame comes the log restarts with that frame alone. Rows are kept
// as bytes, not as cells, so a frame costs the same at row 1 and row 1000.
#include <QByteArray>
#include <QList>
#include <QObject>

#include <functional>

class TextTable;

class CommLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 1000;
    static constexpr int kMaxBytes = 512;

    // What a received row was, when it was not the answer asked for.
    enum class Mark : quint8 {
        None,    // a request, or the answer asked for
        Bad,     // the device's answer, unusable (CRC, function, length)
        Refused, // the device's exception answer
        Noise,   // bytes that belong to no frame
        Foreign, // a whole frame of another device than the one asked
    };

    struct Row {
        bool recv = false;    // "RECV" or "SEND"
        bool badCrc = false;  // shown red: any mark
        QByteArray bytes;
        qint64 atMs = 0;      // when it was sent or received, ms since the epoch
        Mark mark = Mark::None;
    };

    // The wall clock rows are stamped with; tests set their own.
    std::function<qint64()> now;

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const Row& row(int i) const { return m_rows[i]; }
    void clear();
    // Appends a row and returns its index.
    int append(bool recv, const QByteArray& bytes);
    // Marks a row as a frame with a bad CRC (or an answer that failed, or noise).
    void markBad(int index, Mark mark = Mark::Bad);

signals:
    void rowAppended(int index);
    void rowChanged(int index);
    void cleared();

private:
    QList<Row> m_rows;
};

// Writes one frame as a row of the log; direction is "SEND" or "RECV".
// Returns the row's index.
int WriteLogRow(const QString& direction, const QByteArray& frame, CommLog& grid);

// "14:03:22.517", the local time of a row.
QString RowTime(const CommLog::Row& row);
// One frame as a line of CSV: time, direction, bytes, device, result; the header line.
QString FrameCsvRow(const CommLog::Row& row);
QString FrameCsvHeader();
// The counters of each device and the stray bytes of the line, as CSV.
QString CountersCsv(const TextTable& counters, qint64 strayBytes);
// The log as CSV (time, direction, bytes, device, result), then the
// counters of each device and the stray bytes of the line; the text a save writes.
QString FrameLogCsv(const CommLog& log, const TextTable& counters, qint64 strayBytes = 0);
// Writes FrameLogCsv to `path` whole or not at all.
bool SaveFrameLog(const QString& path, const CommLog& log, const TextTable& counters, qint64 strayBytes, QString* error);
