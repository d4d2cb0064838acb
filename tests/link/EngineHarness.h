#pragma once
// Drives a PollingEngine step by step: timers fire when the test says so and
// a scripted line answers each request, or stays silent.
#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/Framing.h"
#include "link/LinkState.h"
#include "link/ParamSource.h"
#include "link/PollingEngine.h"
#include "link/SerialPort.h"
#include "common/ManualTimer.h"

#include <functional>
#include <memory>

class ScriptedPort : public SerialPort {
public:
    // Returns the bytes the line answers to a request (empty: silence).
    std::function<QByteArray(const QByteArray& request)> responder;
    QList<QByteArray> requests;  // every frame written, without the trailing 0x00
    int zeroBytes = 0;           // the 0x00 written after each request
    bool failOpen = false;

    bool open(const PortSettings&, QString* error) override
    {
        if (failOpen) {
            if (error)
                *error = QStringLiteral("no such device");
            return false;
        }
        m_open = true;
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void discardInput() override { m_in.clear(); }
    bool setRts(bool) override { return false; }
    void write(const QByteArray& bytes) override
    {
        if (bytes == QByteArray(1, '\0')) {
            ++zeroBytes;
            return;
        }
        requests << bytes;
        m_pending = responder ? responder(bytes) : QByteArray();
    }
    QByteArray readAll() override { return std::exchange(m_in, {}); }
    qsizetype bytesAvailable() const override { return m_in.size(); }

    // Moves the pending answer onto the line; false when there is none.
    bool deliver()
    {
        if (m_pending.isEmpty())
            return false;
        m_in += std::exchange(m_pending, {});
        if (onReadyRead)
            onReadyRead();
        return true;
    }
    void lose(const QString& why)
    {
        if (onFatalError)
            onFatalError(why);
    }

private:
    bool m_open = false;
    QByteArray m_in;
    QByteArray m_pending;
};

struct EngineRig {
    LinkState link;
    DataStore store;
    CommLog log;
    ScriptedPort port;
    ManualTimer tx, rx;
    std::unique_ptr<PollingEngine> engine;

    explicit EngineRig(const QList<int>& devices)
    {
        for (int n : devices) {
            link.gMC_No << n;
            link.gMC_Online << false;
            store.appendDeviceRow(n);
        }
        link.gMC_Last = static_cast<int>(devices.size()) - 1;
        link.gCommPort = QStringLiteral("ttyTEST");
        engine = std::make_unique<PollingEngine>(link, store, log, port, tx, rx);
    }

    // One transaction: the transmit tick, then the answer or the time-out.
    void step()
    {
        if (engine->quieting())
            rx.fire(); // the line has fallen quiet after a fault
        if (!tx.fire())
            return;
        port.deliver();
        if (engine->awaitingAnswer())
            rx.fire(); // silence, or too few bytes: the time-out ends it
    }
    void steps(int n)
    {
        for (int i = 0; i < n; ++i)
            step();
    }
    // Opens the port on `line`, runs the scan and the parameter read, then `polls` live polls.
    void startMonitoring(std::function<QByteArray(const QByteArray&)> line, int polls = 1,
                         const ParamSource* image = nullptr)
    {
        port.responder = std::move(line);
        if (image)
            engine->setParamSource(image);
        engine->openPort();
        for (int i = 0; i < 100 && !(link.gReqCode == 11 && link.gCommonReadDone); ++i)
            step();
        steps(polls);
    }
    // Device number and request code seen on the wire for request i.
    int deviceOf(int i) const { const QByteArray r = port.requests.value(i);
        return r.isEmpty() ? -1 : static_cast<quint8>(r[0]); }
};

// A read answer of `registers` register values built from a generator.
QByteArray ReadAnswer(int device, int count, const std::function<quint16(int k)>& value);
// A well-formed answer of a recorder to any request of the program.
QByteArray RecorderAnswer(const QByteArray& request, int model = 10);
