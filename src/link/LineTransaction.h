#pragma once
// One Modbus transaction on the line: the request goes out, the answer is
// gathered until it is whole, and the transaction ends in one outcome:
// answered, or failed with its kind. Noise and frames of other devices are
// logged red and dropped without ending the wait; bytes that come between
// transactions are logged and counted as noise and change nothing else.
// After a fault the line can be made to fall quiet first (bounded however
// noisy it is).
#include "link/AnswerJudge.h"

#include <QByteArray>
#include <QObject>
#include <functional>

class CommLog;
class OneShotTimer;
class SerialPort;
struct PortSettings;

struct Outcome {
    Failure failure = Failure::None; // None: answered
    QByteArray frame;                // the answer, or the refusal
    quint8 exceptionCode = 0;
    bool answered() const { return failure == Failure::None; }
};

class LineTransaction : public QObject {
    Q_OBJECT
public:
    // rx: the one-shot time-out timer (tmrRX_TOVR); its interval is set here.
    LineTransaction(SerialPort& port, OneShotTimer& rx, CommLog& log, QObject* parent = nullptr);

    // Monotonic milliseconds (the bound of a quiet period); tests give their own.
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }
    // Waits this many microseconds (RS-485 direction by RTS); tests give their own.
    void setPause(std::function<void(qint64 us)> pause) { m_pause = std::move(pause); }

    // Sends `request` and waits for its answer; `settings` tell the RTS
    // handling and character time. ended() follows.
    void send(const QByteArray& request, const Expect& expect, const PortSettings& settings);
    // Waits until the line has been silent kQuietMs and it is notBefore (ms
    // of the clock), but at most kQuietMaxMs in all; quietEnded() follows.
    void quiet(qint64 notBefore = 0);
    // Drops whatever runs (the port closed); nothing follows.
    void cancel();

    bool awaiting() const { return m_state == State::Answer; }
    bool quieting() const { return m_state == State::Quiet; }

signals:
    // The request is on its way.
    void sent();
    // The first bytes of an answer came (the receive lamp).
    void receiving();
    void ended(const Outcome& outcome);
    void quietEnded();
    // Bytes that belonged to no answer (noise, a late answer, the rest of a bad frame).
    void strayBytes(int count);

private:
    enum class State { Idle, Answer, Quiet };

    void onBytes();
    void onTimer();
    void judge();
    void finish(const Outcome& outcome);
    // Logs bytes that belong to nothing as a red row; counts them as noise unless foreign.
    void logStray(const QByteArray& bytes, bool foreign);
    // Noise comes a few bytes at a time: it is logged a row at a time.
    void flushNoise();
    void readStray();

    SerialPort& m_port;
    OneShotTimer& m_rx;
    CommLog& m_log;
    std::function<qint64()> m_now;
    std::function<void(qint64 us)> m_pause;
    State m_state = State::Idle;
    Expect m_expect;
    QByteArray m_buffer;
    QByteArray m_noise;      // noise not yet logged
    qsizetype m_received = 0; // bytes since the request
    qint64 m_quietEnd = 0;   // when the quiet period ends unless bytes come
    qint64 m_quietUntil = 0; // the latest end of the quiet period
};
