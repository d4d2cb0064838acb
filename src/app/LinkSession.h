#pragma once
// Everything the device link needs at run time, with or without windows:
// the link state, the store, the frame log, the port, the two timers, the
// engine and the backups it keeps before a download. The main window owns one; the headless modes build their own.
#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/PollingEngine.h"
#include "param/ParamBackups.h"

#include <QString>
#include <memory>

class LineFile;
class SerialPort;
class OneShotTimer;

// A timer or port given by the caller, or one of our own.
template <typename T> class Given {
public:
    template <typename Make> Given(T* given, Make make) : m_own(given ? nullptr : make()), m_ref(given ? *given : *m_own) {}
    T& operator*() const { return m_ref; }
    T* operator->() const { return &m_ref; }

private:
    std::unique_ptr<T> m_own;
    T& m_ref;
};

// The timer given by the caller, or a precise one-shot QTimer of intervalMs.
Given<OneShotTimer> GivenTimer(OneShotTimer* given, int intervalMs);

// The session's port and the engine's two timers. A base of LinkSession, so
// that they are built before the engine that uses them.
struct LinkSessionLine {
    LinkSessionLine(SerialPort* port, OneShotTimer* tmrTX, OneShotTimer* tmrRX);
    Given<SerialPort> m_port;
    Given<OneShotTimer> m_tx;
    Given<OneShotTimer> m_rx;
};

class LinkSession : private LinkSessionLine {
public:
    // port: the line to use; null for the real serial port named in Comm.CFG.
    // tmrTX, tmrRX: the engine's timers; null for real 50 and 1000 ms timers.
    explicit LinkSession(const QString& programDir, SerialPort* port = nullptr, OneShotTimer* tmrTX = nullptr,
                         OneShotTimer* tmrRX = nullptr);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Reads the device list, the port file and Line.INI as at start-up, after
    // clearing what a save cut off by a crash left; returns what the operator
    // should be told (files removed, lines ignored or cut; empty when all is well).
    QString loadConfiguration();
    // Takes the options of CFG/Line.INI the link runs with (the pause between
    // transactions); they apply from the next opening of the port.
    void applyLineOptions(const LineFile& options);

    const QString programDir;
    LinkState link;
    DataStore store;
    CommLog log;
    SerialPort& port;
    PollingEngine engine;
    // What each recorder held before a download (Backup/ of the program folder).
    ParamBackups backups;

private:
    QString removeLeftSaves() const;
};
