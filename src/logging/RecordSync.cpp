#include "logging/RecordSync.h"

#include "core/SafeFiles.h"

#include <QDir>
#include <QFileInfo>

RecordSync::RecordSync(bool inlineRounds)
    : syncFile([](const QString& p, QString* why) { return SyncFile(p, why); })
    , syncFolder([](const QString& p, QString* why) { return SyncFolder(p, why); })
    , m_inline(inlineRounds)
{
    if (!m_inline)
        m_thread = std::thread([this] { loop(); });
}

RecordSync::~RecordSync()
{
    flush();
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
}

void RecordSync::written(const QString& path, bool created)
{
    std::lock_guard lock(m_mutex);
    m_waiting.files.insert(path);
    if (created)
        m_waiting.folders.insert(QFileInfo(path).absolutePath());
}

void RecordSync::tick(qint64 nowMs)
{
    Round round;
    {
        std::lock_guard lock(m_mutex);
        if (m_waiting.files.isEmpty() || m_busy || m_hasPosted || (m_anyRound && nowMs - m_lastRoundMs < kRoundMs))
            return;
        m_anyRound = true;
        m_lastRoundMs = nowMs;
        ++m_rounds;
        round = std::exchange(m_waiting, {});
        if (!m_inline) {
            m_posted = std::move(round);
            m_hasPosted = true;
        }
    }
    if (m_inline)
        run(round);
    else
        m_wake.notify_one();
}

void RecordSync::flush()
{
    std::unique_lock lock(m_mutex);
    if (m_inline) {
        Round round = std::exchange(m_waiting, {});
        lock.unlock();
        if (!round.files.isEmpty())
            run(round);
        return;
    }
    m_done.wait(lock, [this] { return !m_busy && !m_hasPosted; });
    if (m_waiting.files.isEmpty())
        return;
    ++m_rounds;
    m_posted = std::exchange(m_waiting, {});
    m_hasPosted = true;
    m_wake.notify_one();
    m_done.wait(lock, [this] { return !m_busy && !m_hasPosted; });
}

QStringList RecordSync::takeFailures()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_failures, {});
}

int RecordSync::roundsStarted() const
{
    std::lock_guard lock(m_mutex);
    return m_rounds;
}

void RecordSync::run(const Round& round)
{
    QStringList failures;
    QString why;
    // The records first, then the folders that gained a file. A file removed
    // meanwhile has nothing left to lose.
    for (const QString& path : round.files)
        if (!syncFile(path, &why) && QFileInfo::exists(path))
            failures << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why);
    for (const QString& folder : round.folders)
        if (!syncFolder(folder, &why))
            failures << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(folder), why);
    if (failures.isEmpty())
        return;
    std::lock_guard lock(m_mutex);
    m_failures += failures;
}

void RecordSync::loop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_hasPosted; });
        if (!m_hasPosted)
            return;
        const Round round = std::exchange(m_posted, {});
        m_hasPosted = false;
        m_busy = true;
        lock.unlock();
        run(round);
        lock.lock();
        m_busy = false;
        m_done.notify_all();
    }
}
