#pragma once
// Finding recorders whose address and line settings nobody wrote down: every
// address is asked with the scan's request (two registers from 30001, the
// model) at every setting, fastest first, on the Qt event loop. A setting
// that brings bytes but no whole frame is given up after a few addresses; a
// recorder that answers is asked once more to confirm.
#include "link/SerialPort.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

class OneShotTimer;

struct SearchPlan {
    QString port;
    QList<int> bauds{9600, 19200, 38400, 57600};
    QStringList parities{QStringLiteral("N"), QStringLiteral("E"), QStringLiteral("O")};
    QString stopBits = QStringLiteral("1");
    int firstAddress = 1;
    int lastAddress = 99;
    int timeoutMs = 100; // per question, the wire time added
    Rs485Mode rs485 = Rs485Mode::None;

    // The settings in the order they are tried: fastest first.
    QList<PortSettings> settings() const;
    int questions() const { return static_cast<int>(settings().size()) * (lastAddress - firstAddress + 1); }
};

// "9600,19200" -> 9600 19200; "N,E" -> N E; "1-99" -> 1 99. False on a bad text.
bool ParseBauds(const QString& text, QList<int>* bauds);
bool ParseParities(const QString& text, QStringList* parities);
bool ParseAddressRange(const QString& text, int* first, int* last);

struct FoundRecorder {
    PortSettings settings;
    int address = 0;
    int model = 0;

    int channels() const;
    // Device numbers of the list are 1..99; the search may find more.
    bool pollable() const;
    // "38400,E,8,1 device 42 model 20 (12 channels)", and what to do when it cannot be polled.
    QString text() const;
};

// What "Use" writes: Comm.CFG with the setting found, SetEnv.INI with the
// recorders found enabled (descriptions kept, enabled devices not found left
// as they are).
struct SearchUse {
    PortSettings port;       // Comm.CFG to write
    QStringList deviceLines; // SetEnv.INI to write
    QStringList changes;     // both files' changes, for the confirmation
    QString problem;         // not empty: nothing can be written
};
SearchUse PlanUse(const QList<FoundRecorder>& found, const PortSettings& current, const QStringList& deviceLines);
bool WriteUse(const QString& programDir, const SearchUse& use, QString* error);

class RecorderSearch : public QObject {
    Q_OBJECT
public:
    // Bytes but no whole frame at this many addresses in a row: the setting is skipped.
    static constexpr int kGarbledAddresses = 3;

    RecorderSearch(SerialPort& port, OneShotTimer& timer, QObject* parent = nullptr);

    // Starts the search; progress(), found(), note() and finished() follow.
    void start(const SearchPlan& plan);
    // Ends the search at once: the port is closed, finished(true, ...) follows.
    void stop();
    bool running() const { return m_state != State::Idle; }
    const QList<FoundRecorder>& results() const { return m_found; }
    // Milliseconds one question waits at these settings.
    static int QuestionMs(const SearchPlan& plan, const PortSettings& settings);

signals:
    // Questions asked so far of all, and the setting being tried.
    void progress(int done, int total, const QString& setting);
    void found(const FoundRecorder& recorder);
    // A setting skipped, a recorder that did not confirm.
    void note(const QString& text);
    // error: why the port could not be used (empty when the search ran to its end or was stopped).
    void finished(bool stopped, const QString& error);

private:
    enum class State { Idle, Opening, Asking, Pause, Quiet };

    void openSetting();
    void ask();
    void onBytes();
    void onTimer();
    void answered(int model);
    void nextAddress();
    void endSetting();
    void finish(bool stopped, const QString& error);
    bool seenAtThisSpeed(int address) const;

    SerialPort& m_port;
    OneShotTimer& m_timer;
    SearchPlan m_plan;
    QList<PortSettings> m_settings;
    QList<FoundRecorder> m_found;
    State m_state = State::Idle;
    int m_setting = 0;
    int m_address = 0;
    int m_done = 0;
    bool m_confirming = false;
    bool m_advanceAfterPause = false; // after the pause: the next address, else the same again
    int m_firstModel = 0;
    QByteArray m_request;
    QByteArray m_buffer;
    bool m_garbled = false;    // bytes without a whole frame for this question
    int m_garbledRun = 0;      // addresses in a row with such bytes
};
