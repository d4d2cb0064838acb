#include "link/LineTransaction.h"

#include "link/CommLog.h"
#include "link/LinkTiming.h"
#include "link/SerialPort.h"

#include <QElapsedTimer>

LineTransaction::LineTransaction(SerialPort& port, OneShotTimer& rx, CommLog& log, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_rx(rx)
    , m_log(log)
{
    connect(&m_port, &SerialPort::readyRead, this, &LineTransaction::onBytes);
    connect(&m_rx, &OneShotTimer::timeout, this, &LineTransaction::onTimer);
    m_now = [] {
        static QElapsedTimer clock;
        if (!clock.isValid())
            clock.start();
        return clock.elapsed();
    };
    m_pause = [](qint64 us) { // a character time is too short to sleep for precisely
        QElapsedTimer t;
        t.start();
        while (t.nsecsElapsed() < us * 1000) {
        }
    };
}

void LineTransaction::send(const QByteArray& request, const Expect& expect, const PortSettings& settings)
{
    // What came since the last transaction is not this one's answer.
    readStray();
    m_rx.stop();
    m_state = State::Answer;
    m_expect = expect;
    m_buffer.clear();
    m_received = 0;
    WriteLogRow(QStringLiteral("SEND"), request, m_log);
    m_rx.setInterval(timing::kTimeoutMs);
    m_rx.start();
    m_port.discardInput();
    m_port.setRts(true); // a port without RTS (pseudo-terminal, many USB adapters) still sends
    m_port.write(request);
    m_port.write(QByteArray(1, '\0'));
    if (settings.rs485 == Rs485Mode::Rts) {
        // The driver stays on until the last stop bit has left the UART,
        // which may hold a character after its buffers are empty.
        m_port.drain();
        m_pause(settings.charsUs(1));
    }
    m_port.setRts(false);
    emit sent();
}

void LineTransaction::quiet(qint64 notBefore)
{
    const qint64 now = m_now();
    m_state = State::Quiet;
    m_quietUntil = now + timing::kQuietMaxMs;
    m_quietEnd = qMin(qMax(now + timing::kQuietMs, notBefore), m_quietUntil);
    m_rx.setInterval(static_cast<int>(m_quietEnd - now));
    m_rx.start();
}

void LineTransaction::cancel()
{
    m_rx.stop();
    m_state = State::Idle;
    m_buffer.clear();
    m_noise.clear();
}

void LineTransaction::onBytes()
{
    if (!m_port.isOpen())
        return;
    if (m_state != State::Answer) {
        readStray();
        if (m_state == State::Quiet) {
            // Silence starts again, but the quiet period never outlasts its bound.
            const qint64 now = m_now();
            m_quietEnd = qMin(qMax(m_quietEnd, now + timing::kQuietMs), m_quietUntil);
            m_rx.setInterval(static_cast<int>(qMax<qint64>(0, m_quietEnd - now)));
            m_rx.start();
        }
        return;
    }
    const QByteArray bytes = m_port.readAll();
    if (bytes.isEmpty())
        return;
    if (m_received == 0)
        emit receiving();
    m_received += bytes.size();
    m_buffer += bytes;
    judge();
    // A line that brings more than any answer, none of it the answer, is flooded.
    if (m_state == State::Answer && m_received > kFloodBytes) {
        m_noise += std::exchange(m_buffer, {});
        flushNoise();
        finish({Failure::Noise, {}});
    }
}

void LineTransaction::judge()
{
    while (m_state == State::Answer && !m_buffer.isEmpty()) {
        const Judgement j = JudgeAnswer(m_buffer, m_expect);
        switch (j.verdict) {
        case Judgement::Wait:
            return;
        case Judgement::Noise:
            m_noise += m_buffer.left(j.length);
            m_buffer.remove(0, j.length);
            if (m_noise.size() >= CommLog::kMaxBytes)
                flushNoise();
            break;
        case Judgement::Foreign:
            flushNoise();
            logStray(m_buffer.left(j.length), true);
            m_buffer.remove(0, j.length);
            break;
        case Judgement::Answer:
            finish({Failure::None, m_buffer.left(j.length)});
            return;
        case Judgement::Exception:
            finish({Failure::Exception, m_buffer.left(j.length), j.code});
            return;
        case Judgement::Bad:
            finish({j.failure, m_buffer.left(j.length)});
            return;
        }
    }
}

void LineTransaction::finish(const Outcome& outcome)
{
    flushNoise();
    m_rx.stop();
    m_state = State::Idle;
    m_buffer.clear();
    if (outcome.answered()) {
        // The pause before the next request counts from the answer: the
        // engine times it first, the log follows.
        emit ended(outcome);
        WriteLogRow(QStringLiteral("RECV"), outcome.frame, m_log);
        return;
    }
    m_log.markBad(WriteLogRow(QStringLiteral("RECV"), outcome.frame, m_log),
                  outcome.failure == Failure::Exception ? CommLog::Mark::Refused : CommLog::Mark::Bad);
    emit ended(outcome);
}

void LineTransaction::onTimer()
{
    m_rx.stop();
    if (m_state == State::Quiet) {
        // The line has been silent long enough (or the wait reached its bound).
        readStray();
        m_state = State::Idle;
        emit quietEnded();
        return;
    }
    if (m_state != State::Answer)
        return;
    // A partial answer is shown, not kept.
    flushNoise();
    m_buffer += m_port.readAll();
    const QByteArray partial = std::exchange(m_buffer, {});
    m_state = State::Idle;
    if (!partial.isEmpty())
        m_log.markBad(WriteLogRow(QStringLiteral("RECV"), partial, m_log));
    emit ended({Failure::Timeout, {}});
}

void LineTransaction::readStray()
{
    if (!m_port.isOpen())
        return;
    const QByteArray stray = m_port.readAll();
    if (!stray.isEmpty())
        logStray(stray, false);
}

void LineTransaction::flushNoise()
{
    if (!m_noise.isEmpty())
        logStray(std::exchange(m_noise, {}), false);
}

void LineTransaction::logStray(const QByteArray& bytes, bool foreign)
{
    m_log.markBad(WriteLogRow(QStringLiteral("RECV"), bytes, m_log), foreign ? CommLog::Mark::Foreign : CommLog::Mark::Noise);
    if (!foreign)
        emit strayBytes(static_cast<int>(bytes.size()));
}
