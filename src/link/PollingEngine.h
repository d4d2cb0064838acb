#pragma once
// The transaction engine: one Modbus transaction at a time on the port,
// chosen by the request code. It is built along its seams:
//   - the line transaction (LineTransaction): send, gather the answer, time-out,
//     noise and refusals, quiet period; one named outcome per transaction;
//   - the operator's requests waiting for the link (selection, transfer, clock frames);
//   - the rescan policy (RescanPolicy): when a device out of the round is asked again;
//   - the live round (LiveRound): where live polling goes on;
//   - here: a table per phase of what an answer, a refusal and the last
//     failure in a row do, and whether operator requests may cut in.
//
// The engine is the only owner of the link's sequence. Windows and runners
// steer it through the operator actions below and hear of it through its
// named signals; what they ask for waits until the link is free for it.
#include "link/LineTransaction.h"
#include "link/LinkEvents.h"
#include "link/LinkTiming.h"
#include "link/LiveRound.h"
#include "link/OperatorRequests.h"
#include "link/RegisterSet.h"
#include "link/Requests.h"
#include "link/RescanPolicy.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class CommLog;
struct DeviceParams;
class OneShotTimer;
class ParamSource;
class SerialPort;
struct PortSettings;
struct DataStore;
struct LinkState;

// Keeps what a recorder held before a download (its parameter file in
// Backup/, for one); false and why when it cannot, and nothing is sent then.
class BackupKeeper {
public:
    virtual ~BackupKeeper() = default;
    virtual bool keep(int device, const RegisterSet& set, QString* why) = 0;
};

class PollingEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kTxIntervalMs = timing::kTxIntervalMs;
    static constexpr int kTimeoutMs = timing::kTimeoutMs;
    static constexpr int kQuietMs = timing::kQuietMs;
    // A recorder answers within this long if at all (its response time is at most 9999 ms).
    static constexpr int kLateAnswerMs = 10'000;
    // A transfer whose device fails the rule of three this often is stopped.
    static constexpr int kTransferGiveUp = 3;
    // A background parameter block goes after a round of live polls, or
    // after this many of them on a line with more devices online.
    static constexpr int kPollsPerBackgroundBlock = 8;

    // tmrTX and tmrRX_TOVR are one-shot timers; the engine sets their intervals.
    PollingEngine(LinkState& link, DataStore& store, CommLog& log, SerialPort& port, OneShotTimer& tmrTX,
                  OneShotTimer& tmrRX_TOVR, QObject* parent = nullptr);
    ~PollingEngine() override;

    // The pause between a good answer and the next request (0: 3.5 character
    // times of the port's settings); taken at the next opening of the port.
    void setGapMs(int ms) { m_gapMs = ms; }
    static int TxGapMs(int gapMs, const PortSettings& settings) { return timing::TxGapMs(gapMs, settings); }

    // Waits this many microseconds (RS-485 direction by RTS); tests give their own.
    void setPause(std::function<void(qint64 us)> pause) { m_line.setPause(std::move(pause)); }
    // The parameter set a download posted with post(Download) sends (the editor's image).
    void setParamSource(const ParamSource* source) { m_source = source; }
    // Where the set a recorder held before a download is kept; none: not kept.
    void setBackupKeeper(BackupKeeper* keeper) { m_keeper = keeper; }
    // Monotonic milliseconds (rescans, stale values, quiet periods); tests give their own.
    void setClock(std::function<qint64()> now);
    void setRescanTiming(const rescan::Timing& t) { m_rescanTiming = t; }
    // A scan that finds nobody keeps the port open and goes on asking
    // (unattended logging); otherwise it closes the port.
    void setKeepPortWhenNobodyAnswers(bool keep) { m_keepWhenNobody = keep; }
    // Reads the parameters of every online device into the store's
    // deviceParams: each device once after the scan and whenever it comes
    // back online, one block at a time between live polls. Off (the default):
    // only the selected device's parameters are read.
    void setReadEveryDevice(bool on);
    bool readsEveryDevice() const { return m_readEvery; }

    // ---- operator actions

    // Opens the port and starts the scan. A device server connects in the
    // background: true then, and portOpened() or portOpenFailed() follows.
    // False (and why) when it cannot open.
    bool openPort(QString* error = nullptr);
    // Stops the timers and closes the port; cuts any sequence short.
    void closePort();
    bool isOpen() const;
    bool isConnecting() const { return m_connecting; }
    // A request code as the windows post them: 100 read the selected device's
    // parameters again, 200 upload, 501 download, 11 back to monitoring (every
    // sequence ends there by itself, so 11 cancels nothing already asked for).
    // False when the request cannot be taken now (port closed, a transfer
    // already running or waiting, an unknown code).
    bool post(int code);
    // A download of `set` as it is now (later changes to it are not sent).
    // The recorder's present set is read first and kept (setBackupKeeper);
    // its addresses and line settings (40031..40044) are kept too unless
    // withLineSettings. A refused or broken download puts back what it wrote.
    bool postDownload(const ParamSource& set, bool withLineSettings);
    // Stops the transfer running or waiting: a download puts back what it
    // wrote first. With closePort, the port closes when it has ended.
    // False when no transfer runs.
    bool stopTransfer(bool closePort = false);
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

    // ---- state for windows, runners and tests

    req::Phase phase() const { return m_step.phase; }
    // An upload or download is running or waiting to run.
    bool transferActive() const;
    // Clock frames queued and not yet answered (or given up), in order.
    const QList<QByteArray>& clockFrames() const { return m_requests.clockFrames; }
    // Index of a selection waiting for the link to be free, or -1.
    int pendingSelection() const { return m_requests.selection; }
    // Model code of a device as its last answer gave it; 0 when unknown.
    int modelOf(int index) const { return m_devices.value(index).model; }
    DeviceState stateOf(int index) const { return m_devices.value(index).state; }
    // Channels a download covers: the recorder's count, at most what the source holds.
    int downloadChannels() const;
    // The recorder's set as read before the last download (its backup), and what it sent.
    const RegisterSet& lastBackup() const { return m_backup; }
    const RegisterSet& lastSent() const { return m_sendSet; }
    // How old live values may be before they are stale, for the devices online now.
    int staleLimitMs() const;
    // The device's live values are of this run and younger than the stale limit.
    bool valuesFresh(int index) const;
    // Stray bytes seen since the port opened or the counters were cleared.
    qint64 strayBytes() const { return m_strayBytes; }
    void clearStrayBytes() { m_strayBytes = 0; }

    bool awaitingAnswer() const { return m_line.awaiting(); }
    // The line is being given time to fall silent after a fault.
    bool quieting() const { return m_line.quieting(); }
    int failureStreak() const { return m_streak; }

signals:
    // Connecting to a device server has begun.
    void portConnecting();
    // The port opened: the log is cleared and the scan starts.
    void portOpened();
    // The port could not be opened (also a connection that failed later).
    void portOpenFailed(const QString& why);
    // The port closed, by the operator, a scan that found nobody, or a lost adapter.
    void portClosed();
    // The adapter or connection was lost while open; portClosed() follows.
    void portLost(const QString& why);
    // Menus and buttons for the port state.
    void portStateRequested(bool closedState);
    // Lamps: a request went out, an answer began to come in.
    void sending();
    void receiving();
    // The request is on its way: until its answer the line needs nothing of us.
    void requestSent();
    // Text of status panel 4 (communication errors; empty clears it).
    void statusMessage(const QString& text);
    void selectedDeviceChanged(int deviceNumber);
    // Every device has been asked once; `online` of them answered.
    void scanFinished(int online);
    // The parameter read of `device` has ended: the store holds its parameters.
    void parametersRead(int device);
    // The store's deviceParams holds a complete new set of `device`'s
    // parameters (with setReadEveryDevice on).
    void deviceParametersRead(int device);
    // Fresh live values of `device` are in the store.
    void liveValues(int device);
    // A device became OK or NG (why: "online (model 10)", "no answer", ...).
    void deviceStateChanged(int device, DeviceState state, const QString& why);
    // Upload and download progress for the parameter editor.
    void transferProgress(double percent, const QString& message);
    // An upload (req::Upload) or download (req::Download) ended.
    void transferEnded(int transfer, TransferResult result, const QString& text);
    // One transaction ended: answered (Failure::None) or how it failed.
    void transactionEnded(int requestCode, int device, Failure failure);

private:
    struct PhaseRule;
    struct DeviceRecord {
        int model = 0;            // model code from its answers
        DeviceState state = DeviceState::Unknown;
        bool told = false;        // NG with a reason (not a passing time-out)
        qint64 aliveAt = -1;      // last good answer of any kind
        qint64 liveAt = -1;       // last good live values
        qint64 askedAt = 0;       // out of the round: when last asked, or when it left
        int misses = 0;           // out of the round: questions it did not answer
        bool paramsDue = false;   // its parameters are to be read in the background
    };
    // The background read of one device's parameters under way.
    struct BackgroundRead {
        int index = -1; // device index; -1: none under way
        int code = 0;   // its next block
        int channels = 0;
        std::shared_ptr<DeviceParams> set; // the blocks read so far
    };

    static const PhaseRule& ruleOf(req::Phase phase);

    void onTransmitTick();
    void onEnded(const Outcome& outcome);
    void onPortOpened();
    void onPortOpenFailed(const QString& why);
    void onPortError(const QString& why);
    void started();

    void setCode(int code);
    bool buildRequest(QByteArray& frame, Expect& expect);
    void takeOperatorRequests(const PhaseRule& rule);
    void send(const QByteArray& frame, const Expect& expect);
    void startTx(int ms);
    void count(Failure failure);

    // What answers do, per phase.
    void scanAnswered(const QByteArray& frame);
    void rescanAnswered(const QByteArray& frame);
    void readAnswered(const QByteArray& frame);
    void liveAnswered(const QByteArray& frame);
    void uploadAnswered(const QByteArray& frame);
    void downloadAnswered(const QByteArray& frame);
    void clockAnswered(const QByteArray& frame);
    void backgroundAnswered(const QByteArray& frame);
    // What the last failure in a row does, per phase.
    void scanGaveUp();
    void rescanGaveUp();
    void readGaveUp();
    void liveGaveUp();
    void transferGaveUp();
    void clockGaveUp();
    void backgroundGaveUp();
    // What a refusal does where it is not simply a failure.
    void downloadRefused(const QString& why);
    void clockRefused(const QString& why);
    void backupAnswered(const QByteArray& frame);
    void restoreAnswered(const QByteArray& frame);
    void restoreRefused(const QString& why);
    void restoreGaveUp();
    // A download that cannot go on: what it wrote is put back, then it ends.
    void putBack(TransferResult result, const QString& why);
    void nextRestore();

    void decode(const QByteArray& frame);
    void advanceScan(bool answered);
    void endScan();
    int dueRescan();
    void startRescan(int index);
    void joinRound(int index);
    void leaveRound(int index);
    void endSequence();
    void beginRead();
    void nextClockFrame();
    void clearParameters();
    void startTransfer();
    void endTransfer(TransferResult result, const QString& text);
    void finishRead();
    void applySelection(int index);
    bool startBackgroundBlock();
    void dropBackgroundRead(int index = -1);
    void keepSelectedParams();

    void setState(int index, DeviceState state, const QString& why);
    // "--" for every device: the port is closed, nothing is known.
    void showAllUnknown();
    QString scanSummary() const;
    // Devices whose last good answer is older than the stale limit become NG.
    void refreshStates();
    QString refusal(const QByteArray& request, quint8 code) const;
    int channelCount() const;
    int targetDevice() const;
    int deviceNumber(int index) const;

    LinkState& m_link;
    DataStore& m_store;
    CommLog& m_log;
    SerialPort& m_port;
    OneShotTimer& m_tx;
    LineTransaction m_line;
    const ParamSource* m_source = nullptr;
    std::function<qint64()> m_now;

    req::Step m_step;       // gReqCode decoded
    int m_channels = 0;     // channels of the running read, upload or download
    int m_gapMs = kTxIntervalMs;   // as configured
    int m_txGapMs = kTxIntervalMs; // in effect since the port opened
    bool m_connecting = false;
    int m_streak = 0;              // failures in a row of one device
    quint8 m_streakDevice = 0;
    int m_transferFailures = 0;
    QByteArray m_lastRequest;
    qint64 m_lastSentAt = 0;
    // The last request that failed (not a refusal): an answer to it, or to a
    // repeat of it, may still come until the line has been quiet after the
    // last repeat was sent, or a recorder would long have answered.
    QByteArray m_suspect;
    qint64 m_suspectSentAt = 0;
    qint64 m_strayBytes = 0;

    OperatorRequests m_requests; // waiting for the link

    // The download: what it sends (taken when it was asked for), what the
    // recorder held before it, the blocks written and how it ended.
    RegisterSet m_sendSet;
    RegisterSet m_backup;
    BackupKeeper* m_keeper = nullptr;
    bool m_withLineSettings = false;
    QList<int> m_written;
    QList<int> m_restoreQueue;
    TransferResult m_endResult = TransferResult::Done;
    QString m_endText;
    bool m_stopAsked = false;
    quint8 m_refusalCode = 0;
    int m_restoreTotal = 0;
    bool m_closeAfterTransfer = false;

    LiveRound m_round;
    QList<DeviceRecord> m_devices; // per device index
    rescan::Timing m_rescanTiming;
    rescan::Line m_rescanLine;
    bool m_keepWhenNobody = false;

    bool m_readEvery = false;
    int m_pollsSinceBlock = 0; // live polls since the last background block
    BackgroundRead m_background;
};
