#pragma once
// Records saved to the data files, published in file order at QoS 1. The data
// files are the buffer: a cursor per device (the next record the broker has
// not acknowledged) is kept in the program folder, so that an outage of the
// broker or a restart of the program loses nothing. A repeated record is the
// same message again (its file and index with it).
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

struct RecordPlace {
    QString folder;
    QString file;     // name in folder
    qint64 index = 0; // record number in the file
    bool operator==(const RecordPlace&) const = default;
};

class RecordForwarder {
public:
    // Publishes one record; the message id, or -1 when it cannot go now.
    using Publish = std::function<int(int device, const QByteArray& payload)>;

    explicit RecordForwarder(const QString& programDir);

    // A record was appended to `path` (a data file of `device`).
    void saved(int device, const QString& path);
    // Publishes what waits, a few messages in flight per device at most.
    void pump(const Publish& publish);
    // The broker has taken message `mid`.
    void delivered(int mid);
    // The connection is gone: what was in flight goes again.
    void lost();
    // Every device is looked at again by the next pump (files may have changed).
    void wake();
    // Writes the cursors that moved (at most once a second is the caller's affair).
    void saveCursors();
    // Notes on records that were gone when their turn came (a file removed or cut short).
    QStringList takeNotes();
    // For tests: where a device's cursor stands.
    std::optional<RecordPlace> cursor(int device) const;

    // Where the cursors live.
    static QString CursorPath(const QString& programDir, int device);

private:
    struct Flight {
        int mid = 0;
        RecordPlace place;
        bool taken = false;
    };
    struct Track {
        RecordPlace acked;  // next record the broker has not taken
        RecordPlace next;   // next record to publish
        std::optional<RecordPlace> then; // where saving went on (another folder or stem)
        QList<Flight> flights;
        bool dirty = false;
        bool idle = false; // nothing waited at the last look: not looked at again until a save or wake()
    };
    Track* track(int device);
    // The record at `at`, moving on to the next file of the same series when
    // `at` is past the end of its file; nullopt when nothing waits there.
    std::optional<QByteArray> recordAt(int device, RecordPlace& at);

    QString m_programDir;
    QHash<int, Track> m_tracks;
    QStringList m_notes;
};
