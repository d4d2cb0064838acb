#pragma once
// Logging without windows on a link session: scan, poll, save at the
// configured interval, and say what happens, line by line. A port that
// cannot be opened at start-up, or is lost later, is tried again every 10 s
// and logging goes on. The process runs it until a signal stops it; tests
// run it on a simulated line.
#include "app/PortReopener.h"
#include "logging/DataLogger.h"
#include "logging/SaveSettings.h"
#include "publish/Publisher.h"

#include <QObject>
#include <QTimer>

class LinkSession;

class LoggingJob : public QObject {
    Q_OBJECT
public:
    // tmrReopen: the one-shot timer of the tries to reopen a lost port, every
    // reopenMs; null for a real one.
    LoggingJob(LinkSession& session, const DSaveSettings& settings, OneShotTimer* tmrReopen = nullptr,
               int reopenMs = PortReopener::kIntervalMs, QObject* parent = nullptr);

    // Starts logging: opens the port, or keeps trying to. False (and why, as
    // trouble) when it never could: no device listed, a port name or
    // settings that are wrong in themselves.
    bool start();
    // Stops in an orderly way: saving off, port closed.
    void stop();
    DataLogger& logger() { return m_logger; }
    const PortReopener& reopener() const { return m_reopen; }

signals:
    // What the job says, line by line: news (standard output) and trouble (standard error).
    void news(const QString& line);
    void trouble(const QString& line);
    // The job ended by itself because the port closed under it (not lost: a
    // lost port is reopened).
    void ended();

private:
    LinkSession& m_session;
    DSaveSettings m_settings;
    DataLogger m_logger;
    Publisher m_publisher;
    QTimer m_tmrDSave;
    PortReopener m_reopen;
    bool m_stopping = false;
};
