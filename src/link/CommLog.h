#pragma once
// The frame log: every frame sent and received, at most 1000 rows. When the
// 1001st frame comes the log restarts with that frame alone. Rows are kept
// as bytes, not as cells, so a frame costs the same at row 1 and row 1000.
#include <QByteArray>
#include <QList>
#include <QObject>

class CommLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 1000;
    static constexpr int kMaxBytes = 512;

    struct Row {
        bool recv = false;    // "RECV" or "SEND"
        bool badCrc = false;  // shown red
        QByteArray bytes;
    };

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    const Row& row(int i) const { return m_rows[i]; }
    void clear();
    // Appends a row and returns its index.
    int append(bool recv, const QByteArray& bytes);
    // Marks a row as a frame with a bad CRC (or an answer that failed).
    void markBad(int index);

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
