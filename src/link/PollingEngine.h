#pragma once
// The transaction engine: one Modbus transaction at a time on the port,
// chosen by the request code. A transmit tick sends, the receive event takes
// the complete answer, a time-out catches silence; three failures in a row
// take a device out of the scan or move polling on.
//
// The engine is the only owner of the link's sequence. Windows and runners
// steer it through the operator actions below; what they ask for waits until
// the link is free for it (a scan and a transfer always run to their end), so
// no click can cut a sequence in two or send a frame to the wrong recorder.
#include "link/Requests.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class CommLog;
class OneShotTimer;
class ParamSource;
class SerialPort;
struct PortSettings;
struct DataStore;
struct LinkState;

class PollingEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kTxIntervalMs = 50;
    static constexpr int kTimeoutMs = 1000;
    // After a time-out or a bad frame the line must stay silent this long
    // (the time-out timer, restarted by every stray byte) before the next request.
    static constexpr int kQuietMs = kTimeoutMs;
    // A line that never falls silent is given up on after this many restarts.
    static constexpr int kMaxQuietRestarts = 3;
    // A transfer whose device fails the rule of three this often is stopped.
    static constexpr int kTransferGiveUp = 3;
    // Devices out of the round are asked again while monitoring: one such
    // request at most every kRescanGapMs, each device at most every
    // kRescanEachMs; with nobody online (kept open) every kRescanNobodyMs.
    static constexpr int kRescanGapMs = 5000;
    static constexpr int kRescanEachMs = 60000;
    static constexpr int kRescanNobodyMs = 10000;

    // tmrTX and tmrRX_TOVR are one-shot timers; the engine sets their
    // intervals, their onTimeout and the port's callbacks.
    PollingEngine(LinkState& link, DataStore& store, CommLog& log, SerialPort& port, OneShotTimer& tmrTX,
                  OneShotTimer& tmrRX_TOVR, QObject* parent = nullptr);
    ~PollingEngine() override;

    // The pause between a good answer and the next request (0: 3.5 character
    // times of the port's settings); taken at the next opening of the port.
    void setGapMs(int ms) { m_gapMs = ms; }
    // The pause in effect for gapMs at these settings, at least 1 ms.
    static int TxGapMs(int gapMs, const PortSettings& settings);

    // Waits this many microseconds (RS-485 direction by RTS); tests give their own.
    void setPause(std::function<void(qint64 us)> pause) { m_pause = std::move(pause); }

    // The parameter set a download sends (the editor's image).
    void setParamSource(const ParamSource* source) { m_source = source; }
    // Monotonic milliseconds for re-asking offline devices; tests give their own.
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }
    void setRescanTiming(int gapMs, int eachMs, int nobodyMs);
    // A scan that finds nobody keeps the port open and goes on asking
    // (unattended logging); otherwise it closes the port.
    void setKeepPortWhenNobodyAnswers(bool keep) { m_keepWhenNobody = keep; }

    // ---- operator actions

    // Opens the port and starts the scan; false (and why) when it cannot open.
    bool openPort(QString* error = nullptr);
    // Stops the timers and closes the port; cuts any sequence short.
    void closePort();
    bool isOpen() const;
    // A request code as the windows post them: 100 read the selected device's
    // parameters again, 200 upload, 501 download, 11 back to monitoring (every
    // sequence ends there by itself, so 11 cancels nothing already asked for).
    // False when the request cannot be taken now (port closed, a transfer
    // already running or waiting, an unknown code).
    bool post(int code);
    // Selects the device at `index` (a row of the device table): its channel
    // count comes from its own model, then its parameters are read. Taken at
    // once with the port closed; otherwise at the next free transmit tick, and
    // not before a running scan or transfer has ended.
    bool selectDevice(int index);
    // Queues a complete write frame (with CRC) built for `device`; it is sent
    // only to that device, and dropped if the selection changes or the port
    // closes first. False when refused (not the selected device, port closed).
    bool queueClockFrame(const QByteArray& frame, int device);
    // Replaces the device list from the lines of SetEnv.INI; refused while the
    // port is open. *note tells of lines that were ignored.
    bool setDeviceList(const QStringList& lines, QString* note = nullptr);
    // Takes new port and line settings (the six texts of Comm.CFG); refused
    // while the port is open.
    bool setLineSettings(const PortSettings& from);

    // ---- state for windows and tests

    req::Phase phase() const { return m_step.phase; }
    // An upload or download is running or waiting to run.
    bool transferActive() const;
    // Index of a selection waiting for the link to be free, or -1.
    int pendingSelection() const { return m_pendingSelect; }
    // Model code of a device as its last answer gave it; 0 when unknown.
    int modelOf(int index) const { return m_models.value(index); }
    // Channels a download covers: the recorder's count, at most what the source holds.
    int downloadChannels() const;

    // The three events, public so that tests can drive the engine step by step.
    void onTransmitTick();
    void onBytesArrived();
    void onTimeout();

    bool awaitingAnswer() const { return m_wait == Wait::Answer; }
    // The line is being given time to fall silent after a fault.
    bool quieting() const { return m_wait == Wait::Quiet; }
    int failureStreak() const { return m_streak; }

signals:
    // The port opened: the log is cleared and the scan starts.
    void portOpened();
    // The port closed, by the operator, a scan that found nobody, or a lost adapter.
    void portClosed();
    // Menus and buttons for the port state.
    void portStateRequested(bool closedState);
    // Lamps: a request went out, an answer came in.
    void sending();
    void receiving();
    // The request is on its way: until its answer the line needs nothing of us.
    void requestSent();
    // Text of status panel 4 (communication errors; empty clears it).
    void statusMessage(const QString& text);
    void selectedDeviceChanged(int deviceNumber);
    // Upload and download progress for the parameter editor.
    void transferProgress(double percent, const QString& message);
    void uploadFinished();
    void downloadFinished();
    // A transfer was given up because its device stopped answering.
    void transferFailed(const QString& message);
    // Third consecutive failure of a transaction.
    void failureAction(int requestCode, int deviceIndex);
    // A good answer was handled.
    void answerHandled(int requestCode, int deviceIndex);

private:
    enum class Wait { None, Answer, Quiet };

    void setCode(int code);
    void startWaiting();
    bool buildRequest(QByteArray& frame);
    void send(const QByteArray& frame);
    void receive();
    void failed();
    void runFailureAction();
    void handleRead(const QByteArray& frame);
    void handleWrite();
    void advanceScan(bool answered);
    int dueRescan();
    void startRescan(int index);
    void joinRound(int index);
    void advanceLive(int index);
    void endSequence();
    void endScan();
    void beginRead();
    void clearParameters();
    void startTransfer();
    void finishRead();
    void applySelection(int index);
    void quiet();
    void startTx(int ms);
    bool drain();
    void bumpCounter(int column);
    void setOnline(const QString& text, bool ok);
    void portLost(const QString& why);
    int channelCount() const;
    int targetDevice() const;

    LinkState& m_link;
    DataStore& m_store;
    CommLog& m_log;
    SerialPort& m_port;
    OneShotTimer& m_tx;
    OneShotTimer& m_rx;
    const ParamSource* m_source = nullptr;

    req::Step m_step;       // gReqCode decoded
    int m_channels = 0;     // channels of the running read, upload or download
    Wait m_wait = Wait::None;
    int m_quietRestarts = 0;
    int m_gapMs = kTxIntervalMs;   // as configured
    int m_txGapMs = kTxIntervalMs; // in effect since the port opened
    int m_expected = 0;
    quint8 m_device = 0;
    quint8 m_function = 0;
    int m_streak = 0;
    int m_transferFailures = 0;

    // Operator requests waiting for the link.
    int m_pendingSelect = -1;
    int m_pendingTransfer = 0; // req::Upload or req::Download
    int m_transferDevice = 0;  // the device it was asked for
    bool m_transferProbed = false; // its device was asked for its model
    QList<int> m_models;       // model code per device index, from its answers
    int m_resume = -1;         // where live polling goes on after another sequence
    bool m_selectedFirst = false; // a new selection is polled before the round goes on

    // Asking offline devices again.
    std::function<qint64()> m_now;
    std::function<void(qint64 us)> m_pause;
    int m_rescanGapMs = kRescanGapMs;
    int m_rescanEachMs = kRescanEachMs;
    int m_rescanNobodyMs = kRescanNobodyMs;
    bool m_keepWhenNobody = false;
    QList<qint64> m_askedAt;   // per device index: when it was last asked by a scan
    qint64 m_lastRescan = 0;
    int m_rescanCursor = -1;   // the last device asked again, so that all take turns
};
