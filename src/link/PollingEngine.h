#pragma once
// The transaction engine: one Modbus transaction at a time on the port,
// chosen by the request code. A transmit tick sends, the receive event takes
// the complete answer, a time-out catches silence; three failures in a row
// take a device out of the scan or move polling on.
#include <QByteArray>
#include <QObject>

class CommLog;
class OneShotTimer;
class ParamSource;
class SerialPort;
struct DataStore;
struct LinkState;

class PollingEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kTxIntervalMs = 50;
    static constexpr int kTimeoutMs = 1000;

    // tmrTX and tmrRX_TOVR are one-shot timers of 50 and 1000 ms; the engine
    // sets their onTimeout and the port's callbacks.
    PollingEngine(LinkState& link, DataStore& store, CommLog& log, SerialPort& port, OneShotTimer& tmrTX,
                  OneShotTimer& tmrRX_TOVR, QObject* parent = nullptr);
    ~PollingEngine() override;

    // The parameter set a download sends (the editor's image).
    void setParamSource(const ParamSource* source) { m_source = source; }

    // Opens the port and starts the scan; false (and why) when it cannot open.
    bool openPort(QString* error = nullptr);
    // Stops the timers and closes the port.
    void closePort();
    bool isOpen() const;

    // Channels a download covers: the recorder's count, at most what the source holds.
    int downloadChannels() const;
    // The three events, public so that tests can drive the engine step by step.
    void onTransmitTick();
    void onBytesArrived();
    void onTimeout();

    bool awaitingAnswer() const { return m_awaiting; }
    int expectedLength() const { return m_expected; }
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
    // Text of status panel 4 (communication errors; empty clears it).
    void statusMessage(const QString& text);
    void selectedDeviceChanged(int deviceNumber);
    // Upload and download progress for the parameter editor.
    void transferProgress(double percent, const QString& message);
    void uploadFinished();
    void downloadFinished();
    // Third consecutive failure of a transaction.
    void failureAction(int requestCode, int deviceIndex);
    // A good answer was handled.
    void answerHandled(int requestCode, int deviceIndex);

private:
    bool buildRequest(QByteArray& frame);
    void receive();
    void failed();
    void runFailureAction();
    void handleRead(const QByteArray& frame);
    void handleWrite();
    void endScan();
    void select(int index);
    void bumpCounter(int column);
    void setOnline(const QString& text, const QColor& colour);
    void portLost(const QString& why);
    int channelCount() const;

    LinkState& m_link;
    DataStore& m_store;
    CommLog& m_log;
    SerialPort& m_port;
    OneShotTimer& m_tx;
    OneShotTimer& m_rx;
    const ParamSource* m_source = nullptr;

    bool m_awaiting = false;
    int m_expected = 0;
    quint8 m_device = 0;
    quint8 m_function = 0;
    int m_recvRow = -1;
    int m_streak = 0;
};
