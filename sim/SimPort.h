#pragma once
// The simulated line as the engine's serial port, in process and without
// waiting. write() hands the bytes to the line server; its answers stay on
// the "wire" until the test delivers them, so a test decides exactly when
// the engine's receive handler runs.
#include "link/SerialPort.h"
#include "sim/LineServer.h"

#include <QList>

class SimPort : public SerialPort {
public:
    explicit SimPort(LineServer& server) : m_server(server) {}

    bool open(const PortSettings& settings, QString* error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void discardInput() override
    {
        m_input.clear();
        m_inputFrom.clear();
    }
    // A pseudo-terminal has no RTS line; neither has this port.
    bool setRts(bool) override { return false; }
    void write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    qsizetype bytesAvailable() const override { return m_input.size(); }

    // Test controls.
    // Makes open() fail with this reason; an empty text lets it succeed.
    void setOpenError(const QString& why) { m_openError = why; }
    // Simulation time in ms; the recorders' clocks and signals follow it.
    void advanceTime(qint64 ms) { m_now += ms; }
    qint64 now() const { return m_now; }

    // Moves the answers whose wire time has passed by now() into the input
    // buffer and emits readyRead once per chunk (chunk 0: the whole answer
    // at once). Returns the number of answers delivered.
    int deliverDue(qsizetype chunk = 0);
    // Wire time (µs) at which the next pending answer has arrived; -1 when none.
    qint64 nextDueUs() const;

    // Which request each answer answers: requests are numbered from 1 as
    // they reach the line; answeredBy() gives the numbers of the answers
    // whose bytes the last readAll() returned.
    int requestNumber() const { return m_requestCount; }
    const QList<int>& answeredBy() const { return m_lastRead; }

    // Every write() as it came, and the complete requests the line saw.
    const QList<QByteArray>& writes() const { return m_writes; }
    const QList<QByteArray>& requests() const { return m_requests; }

    // Raises fatalError, then closes, as when an adapter is unplugged.
    void unplug(const QString& why);

    // A stray byte on the line every `everyUs` (0: none), as a noisy line or
    // a device server that adds bytes; its values come from `seed`.
    void setPeriodicNoise(qint64 everyUs, quint64 seed = 1);
    int strayBytesSent() const { return m_straySent; }

private:
    struct Pending {
        Answer answer;
        qint64 dueUs;
        int request; // its number
    };
    LineServer& m_server;
    QString m_openError;
    bool m_open = false;
    qint64 m_now = 0;
    QByteArray m_input;
    QList<int> m_inputFrom; // request numbers of the answers in m_input
    QList<int> m_lastRead;
    int m_requestCount = 0;
    QList<Pending> m_pending;
    QList<QByteArray> m_writes;
    QList<QByteArray> m_requests;
    qint64 m_noiseEveryUs = 0;
    qint64 m_nextNoiseUs = -1;
    quint64 m_noiseState = 1;
    int m_straySent = 0;
};
