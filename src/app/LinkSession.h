#pragma once
// Everything the device link needs at run time, with or without windows:
// the link state, the store, the frame log, the port, the two timers and
// the engine. The main window owns one; the headless modes build their own.
#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/PollingEngine.h"

#include <QString>
#include <functional>
#include <memory>

class SerialPort;
class OneShotTimer;

class LinkSession {
public:
    // port: the line to use; null for the real serial port named in Comm.CFG.
    // tmrTX, tmrRX: the engine's timers; null for real 50 and 1000 ms timers.
    explicit LinkSession(const QString& programDir, SerialPort* port = nullptr, OneShotTimer* tmrTX = nullptr,
                         OneShotTimer* tmrRX = nullptr);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Reads the device list and the port file as at start-up; returns what
    // the operator should be told about them (lines ignored or cut; empty
    // when all is well).
    QString loadConfiguration();

    // True while the engine handles a lost port: its portClosed and its
    // message then tell of the loss.
    bool losingPort() const { return m_losing; }
    // Called after the engine has closed a lost port (adapter unplugged).
    std::function<void(const QString& why)> onPortLost;

    const QString programDir;
    LinkState link;
    DataStore store;
    CommLog log;

private:
    std::unique_ptr<SerialPort> m_ownPort;
    std::unique_ptr<OneShotTimer> m_tx;
    std::unique_ptr<OneShotTimer> m_rx;
    bool m_losing = false;

public:
    SerialPort& port;

private:
    OneShotTimer& m_tmrTX;

public:
    PollingEngine engine;
};
