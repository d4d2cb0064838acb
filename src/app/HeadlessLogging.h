#pragma once
// Logging without windows on a link session: scan, poll, save at the
// configured interval, and say what happens, line by line. A lost port is
// reopened every 10 s and logging goes on. The process runs it until a
// signal stops it; tests run it on a simulated line.
#include "app/PortReopener.h"
#include "logging/DataLogger.h"
#include "logging/SaveSettings.h"

#include <QObject>
#include <QTimer>
#include <functional>

class LinkSession;

class LoggingJob : public QObject {
    Q_OBJECT
public:
    // tmrReopen: the one-shot timer of the tries to reopen a lost port, every
    // reopenMs; null for a real one.
    LoggingJob(LinkSession& session, const DSaveSettings& settings, OneShotTimer* tmrReopen = nullptr,
               int reopenMs = PortReopener::kIntervalMs, QObject* parent = nullptr);

    // Where the job's lines go: news (standard output) and trouble (standard error).
    std::function<void(const QString&)> out = [](const QString&) {};
    std::function<void(const QString&)> err = [](const QString&) {};

    // Opens the port and starts logging; false (and why, on err) when it cannot.
    bool start();
    // Stops in an orderly way: saving off, port closed.
    void stop();
    DataLogger& logger() { return m_logger; }
    const PortReopener& reopener() const { return m_reopen; }

signals:
    // The job ended by itself because the port closed under it (not lost: a
    // lost port is reopened).
    void ended();

private:
    LinkSession& m_session;
    DSaveSettings m_settings;
    DataLogger m_logger;
    QTimer m_tmrDSave;
    PortReopener m_reopen;
    bool m_stopping = false;
};
