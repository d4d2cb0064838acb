#include "logging/DataLogger.h"

#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/PollingEngine.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

DataLogger::DataLogger(const LinkState& link, const DataStore& store, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_store(store)
{
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
    const DSaveSettings& s = m_settings;
    if (!s.enabled() || !req::IsMonitoring(m_link.gReqCode) || !portOpen())
        return;
    // Recorders that can be saved: online, with live values of this run that
    // are not stale. Old values are never written as new: a gap tells.
    QList<int> eligible;
    for (int i = 0; i <= m_link.gMC_Last; ++i)
        if (m_store.sprdStatus.text(status::Online, i + 1) == QLatin1String("OK") && m_decoded.contains(m_link.gMC_No.value(i))
            && fresh(i))
            eligible << i;
    // An instant with nobody to save does not use up the interval.
    if (eligible.isEmpty())
        return;
    const QDateTime t = now();
    // A clock set back would otherwise stop saving until it caught up again.
    const qint64 elapsed = m_lastSave.isValid() ? m_lastSave.msecsTo(t) : -1;
    if (m_lastSave.isValid() && elapsed >= 0 && elapsed <= qint64(s.intervalSeconds()) * 1000) {
        // Between instants only a recorder's first record of the run is written,
        // so that a recorder answering late does not wait a whole interval.
        eligible.removeIf([this](int i) { return m_recorded.contains(m_link.gMC_No.value(i)); });
        if (eligible.isEmpty())
            return;
    } else {
        m_lastSave = t;
    }

    const QDate fileDate = s.gDaySave ? FileDate(t, s.gDaySaveHour, s.gDaySaveMinute) : QDate();
    QStringList savedPaths, failures, notes;
    for (int i : eligible) {
        const int number = m_link.gMC_No.value(i);
        m_recorded.insert(number);
        const QString path = DataFileName(s.gDSaveFolder, s.gDSaveFileName, number, fileDate);
        QString why, note;
        if (SaveDeviceRecord(path, m_store.sprdMon, i + 1, t, &why, write, &note))
            savedPaths << path;
        else
            failures << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why);
        if (!note.isEmpty())
            notes << note;
    }
    QString failure;
    if (!failures.isEmpty()) {
        failure = QStringLiteral("Save failed: ") + failures.first();
        if (failures.size() > 1)
            failure += QStringLiteral(" (and %1 more)").arg(failures.size() - 1);
    }
    emit saved(t, savedPaths, failure, notes.join(QStringLiteral("; ")));
}
