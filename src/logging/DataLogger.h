#pragma once
// The save check: at the configured interval, while the link is monitoring
// with the port open, appends a record for every online recorder whose live
// values have been read since the port opened and are not stale. Shared by
// the main window and the headless logger; driven by a 50 ms timer and the
// engine's signals.
#include "logging/DataFile.h"
#include "logging/RecordSync.h"
#include "logging/SaveSettings.h"

#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>

class PollingEngine;
class QTimer;
struct DataStore;
struct LinkState;

class DataLogger : public QObject {
    Q_OBJECT
public:
    DataLogger(const LinkState& link, const DataStore& store, QObject* parent = nullptr);

    void setSettings(const DSaveSettings& s) { m_settings = s; }
    const DSaveSettings& settings() const { return m_settings; }

    // Takes the port state and the "live values decoded" events from the engine.
    void attach(PollingEngine& engine);
    // Runs the save check on every tick of `timer`, which is stopped while it runs.
    void drive(QTimer& timer);

    // Seams for tests: the clock, a steady clock in ms, the port state, the
    // freshness of a device's live values (by index), the file writes and syncs.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    std::function<qint64()> steadyMs;
    std::function<bool()> portOpen = [] { return false; };
    std::function<bool(int index)> fresh = [](int) { return true; };
    WriteBytes write = WriteAll;
    std::unique_ptr<RecordSync> sync = std::make_unique<RecordSync>();

    // One save tick: records saved when due, a sync round when one is due.
    void saveCheck();
    // Every record written so far on the disk (when the logging stops).
    void syncNow();

    // The port opened: no recorder has live values or a record of this run yet.
    void onPortOpened()
    {
        m_decoded.clear();
        m_recorded.clear();
    }
    // Fresh live values of `device` (its number) are in the store.
    void onLiveValues(int device) { m_decoded.insert(device); }

    QDateTime lastSaveTime() const { return m_lastSave; }

signals:
    // A save instant with at least one online recorder: the files appended
    // to, what failed (which file and why; empty when all went well), and
    // what was mended on the way (a data file repaired; empty when nothing was).
    void saved(const QDateTime& at, const QStringList& paths, const QString& failure, const QString& note);
    // A failing save said when it starts, once a minute while it goes on and
    // when saving works again (over, with the records lost meanwhile).
    void trouble(const QString& text, bool over);

private:
    static constexpr qint64 kRepeatMs = 60'000;
    // One save instant: what was written, what failed, the records lost.
    struct Round {
        bool ran = false;
        QDateTime at;
        QStringList paths, failures, notes;
        int lost = 0;
    };
    Round saveRound();
    // Adds the syncs that failed, says what the round did.
    void finish(Round& round);
    // Tells of failing saves: lost counts the records not written.
    void judge(const QDateTime& at, const QString& failure, int lost, bool anySaved);

    const LinkState& m_link;
    const DataStore& m_store;
    DSaveSettings m_settings;
    QDateTime m_lastSave;     // LastSaveTime; invalid until the first save
    QSet<int> m_decoded;      // device numbers with live values since the port opened
    QSet<int> m_recorded;     // device numbers saved (or tried) since the port opened
    // A failing save: since when, the records lost, when it was last said.
    QDateTime m_failingSince;
    qint64 m_lost = 0;
    qint64 m_saidAtMs = 0;
};
