#pragma once
// Appended records reach the disk: the files written are synced in rounds, at
// most one a second, on a thread of their own so that a slow disk never holds
// the line; a new file's folder is synced too, so that the file itself stays.
#include <QSet>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class RecordSync {
public:
    static constexpr qint64 kRoundMs = 1000;
    using Sync = std::function<bool(const QString& path, QString* why)>;

    // inlineRounds: rounds run in tick() itself (tests).
    explicit RecordSync(bool inlineRounds = false);
    ~RecordSync(); // what was written is synced before it returns
    RecordSync(const RecordSync&) = delete;
    RecordSync& operator=(const RecordSync&) = delete;

    // Seams for tests; set before the first record.
    Sync syncFile;
    Sync syncFolder;

    // A record was appended to path; created: the file is new.
    void written(const QString& path, bool created);
    // Starts a round when records wait, no round runs and the last began
    // kRoundMs or more before nowMs (a steady clock).
    void tick(qint64 nowMs);
    // Syncs what waits and returns when every round is done.
    void flush();
    // "path: why" of each sync that failed since the last call.
    QStringList takeFailures();
    int roundsStarted() const;

private:
    struct Round {
        QSet<QString> files, folders;
    };
    void run(const Round& round);
    void loop();

    const bool m_inline;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake, m_done;
    Round m_waiting;  // written since the last round began
    Round m_posted;   // handed to the thread
    bool m_hasPosted = false, m_busy = false, m_stop = false;
    QStringList m_failures;
    qint64 m_lastRoundMs = 0;
    bool m_anyRound = false;
    int m_rounds = 0;
    std::thread m_thread; // last: it starts once the rest is built
};
