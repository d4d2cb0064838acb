#pragma once
// Capture to File: every frame of the log as a line of CSV (the columns of
// Save Log), as the frames come, until stopped; then the counters. A frame
// is written once its result is known (when the next one comes). The file is
// flushed at every frame, so a crash loses at most the last; a size limit or
// a failing write (a full disk) stops the capture with a message.
#include "link/CommLog.h"

#include <QFile>
#include <QObject>

class TextTable;

class FrameCapture : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kDefaultLimit = 100LL * 1024 * 1024;

    explicit FrameCapture(CommLog& log, QObject* parent = nullptr);
    ~FrameCapture() override;

    // Starts writing to `path` (replaced); false and why when it cannot be opened.
    bool start(const QString& path, QString* error, qint64 limitBytes = kDefaultLimit);
    // Writes the last frame and the counters, and closes the file.
    void stop(const TextTable& counters, qint64 strayBytes);
    bool running() const { return m_file.isOpen(); }
    qint64 frames() const { return m_frames; }
    QString path() const { return m_file.fileName(); }

signals:
    // A frame was written.
    void written(qint64 frames);
    // The capture stopped by itself: the size limit, or a write that failed.
    void failed(const QString& why);

private:
    void hold(int index);
    void writePending();
    void write(const QByteArray& text);

    CommLog& m_log;
    QFile m_file;
    qint64 m_limit = kDefaultLimit;
    qint64 m_frames = 0;
    bool m_pending = false;
    CommLog::Row m_row; // the last frame, its result not known for sure yet
    int m_rowIndex = -1;
};
