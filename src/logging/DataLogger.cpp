#include "logging/DataLogger.h"

#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/PollingEngine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

DataLogger::DataLogger(const LinkState& link, const DataStore& store, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_store(store)
{
    QElapsedTimer started;
    started.start();
    steadyMs = [started] { return started.elapsed(); };
}

void DataLogger::attach(PollingEngine& engine)
{
    portOpen = [&engine] { return engine.isOpen(); };
    fresh = [&engine](int index) { return engine.valuesFresh(index); };
    connect(&engine, &PollingEngine::portOpened, this, &DataLogger::onPortOpened);
    connect(&engine, &PollingEngine::liveValues, this, &DataLogger::onLiveValues);
}

void DataLogger::drive(QTimer& timer)
{
    connect(&timer, &QTimer::timeout, this, [this, &timer] {
        timer.stop();
        saveCheck();
        timer.start();
    });
}

void DataLogger::saveCheck()
{
    Round r = saveRound();
    sync->tick(steadyMs());
    finish(r);
}

void DataLogger::syncNow()
{
    sync->flush();
    Round r;
    r.at = now();
    finish(r);
}

void DataLogger::finish(Round& r)
{
    // A failing sync fails the round it is noticed in.
    const QStringList unsynced = sync->takeFailures();
    if (!unsynced.isEmpty())
        r.failures << QStringLiteral("sync of ") + unsynced.first();
    QString failure;
    if (!r.failures.isEmpty()) {
        failure = QStringLiteral("Save failed: ") + r.failures.first();
        if (r.failures.size() > 1)
            failure += QStringLiteral(" (and %1 more)").arg(r.failures.size() - 1);
    }
    if (r.ran)
        emit saved(r.at, r.paths, failure, r.notes.join(QStringLiteral("; ")));
    if (r.ran || !failure.isEmpty())
        judge(r.at, failure, r.lost, !r.paths.isEmpty());
}

DataLogger::Round DataLogger::saveRound()
{
    Round r;
    const DSaveSettings& s = m_settings;
    if (!s.enabled() || !req::IsMonitoring(m_link.gReqCode) || !portOpen())
        return r;
    // Recorders that can be saved: online, with live values of this run that
    // are not stale. Old values are never written as new: a gap tells.
    QList<int> eligible;
    for (int i = 0; i <= m_link.gMC_Last; ++i)
        if (m_store.sprdStatus.text(status::Online, i + 1) == QLatin1String("OK") && m_decoded.contains(m_link.gMC_No.value(i))
            && fresh(i))
            eligible << i;
    // An instant with nobody to save does not use up the interval.
    if (eligible.isEmpty())
        return r;
    const QDateTime t = now();
    // A clock set back would otherwise stop saving until it caught up again.
    const qint64 elapsed = m_lastSave.isValid() ? m_lastSave.msecsTo(t) : -1;
    if (m_lastSave.isValid() && elapsed >= 0 && elapsed <= qint64(s.intervalSeconds()) * 1000) {
        // Between instants only a recorder's first record of the run is written,
        // so that a recorder answering late does not wait a whole interval.
        eligible.removeIf([this](int i) { return m_recorded.contains(m_link.gMC_No.value(i)); });
        if (eligible.isEmpty())
            return r;
    } else {
        m_lastSave = t;
    }
    r.ran = true;
    r.at = t;
    for (int i : eligible)
        m_recorded.insert(m_link.gMC_No.value(i));
    r.lost = static_cast<int>(eligible.size());

    bool made = false;
    QString why;
    if (!PrepareDataFolder(s.gDSaveFolder, &made, &why)) {
        r.failures << why;
        return r;
    }
    if (made)
        r.notes << QStringLiteral("the data folder %1 was missing; it has been made again")
                       .arg(QDir::toNativeSeparators(s.gDSaveFolder));
    const QDate fileDate = s.gDaySave ? FileDate(t, s.gDaySaveHour, s.gDaySaveMinute) : QDate();
    for (int i : eligible) {
        const QString path = DataFileName(s.gDSaveFolder, s.gDSaveFileName, m_link.gMC_No.value(i), fileDate);
        QString note;
        bool created = false;
        if (SaveDeviceRecord(path, m_store.sprdMon, i + 1, t, &why, write, &note, &created)) {
            r.paths << path;
            sync->written(path, created);
            --r.lost;
        } else {
            r.failures << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why);
        }
        if (!note.isEmpty())
            r.notes << note;
    }
    return r;
}

void DataLogger::judge(const QDateTime& at, const QString& failure, int lost, bool anySaved)
{
    const qint64 ms = steadyMs();
    const QString since = m_failingSince.toString(QStringLiteral("HH:mm:ss"));
    if (failure.isEmpty()) {
        if (m_failingSince.isValid() && anySaved) {
            emit trouble(QStringLiteral("Saving works again; %1 record(s) were not saved between %2 and %3")
                             .arg(m_lost)
                             .arg(since, at.toString(QStringLiteral("HH:mm:ss"))),
                         true);
            m_failingSince = {};
        }
        return;
    }
    if (!m_failingSince.isValid()) {
        m_failingSince = at;
        m_lost = lost;
        m_saidAtMs = ms;
        emit trouble(failure, false);
        return;
    }
    m_lost += lost;
    if (ms - m_saidAtMs >= kRepeatMs) {
        m_saidAtMs = ms;
        emit trouble(QStringLiteral("Still failing since %1 (%2 record(s) not saved): %3")
                         .arg(since)
                         .arg(m_lost)
                         .arg(failure),
                     false);
    }
}
