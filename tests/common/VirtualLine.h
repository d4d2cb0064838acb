#pragma once
// The test rig of everything that talks to recorders: the polling engine on
// the simulated recorders in virtual time. The two timers and the answers on
// the wire fire in the order of their due times, at once. Answers take their
// wire time (9600 baud unless changed); a delayed answer comes after the
// engine's time-out, as a slow recorder's does. Hand-made answers come from
// the server's faults or its rewriteAnswer.
#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/Framing.h"
#include "link/LinkState.h"
#include "link/ParamSource.h"
#include "link/PollingEngine.h"
#include "link/RegisterMap.h"
#include "link/SerialPort.h"
#include "sim/LineServer.h"
#include "sim/RecorderModel.h"
#include "sim/SimPort.h"

#include <QList>
#include <algorithm>
#include <QMap>
#include <QStringList>
#include <utility>

class VirtualTimer : public OneShotTimer {
public:
    VirtualTimer(const qint64& clockUs, int intervalMs) : m_clock(clockUs), m_intervalUs(intervalMs * 1000LL) {}
    void setInterval(int ms) override { m_intervalUs = ms * 1000LL; }
    void start() override { m_due = m_clock + m_intervalUs; }
    void stop() override { m_due = -1; }
    bool isActive() const override { return m_due >= 0; }
    qint64 due() const { return m_due; }
    void fire()
    {
        m_due = -1;
        emit timeout();
    }

private:
    const qint64& m_clock;
    qint64 m_intervalUs;
    qint64 m_due = -1;
};

// The simulated recorders, the wire and the engine's two timers in virtual time.
struct LineClock {
    qint64 nowUs = 0;
    LineServer server;
    SimPort port{server};
    VirtualTimer tx{nowUs, PollingEngine::kTxIntervalMs};
    VirtualTimer rx{nowUs, PollingEngine::kTimeoutMs};
    qsizetype chunk = 0; // answers arrive in pieces of this many bytes (0: whole)

    // Serves devices {number, model code}; returns the lines of a device list naming them.
    QStringList serve(const QList<std::pair<int, int>>& devices)
    {
        server.setWireFormat({9600, 10, 5});
        QStringList lines;
        for (auto [n, model] : devices) {
            server.addDevice(n, model);
            while (lines.size() < n)
                lines << QStringLiteral("X");
            lines[n - 1] = QStringLiteral("O");
        }
        return lines;
    }

    // Runs the next event (a timer or an answer arriving); false when none is due.
    bool next()
    {
        const qint64 answer = port.nextDueUs();
        qint64 at = -1;
        for (qint64 t : {tx.due(), rx.due(), answer})
            if (t >= 0 && (at < 0 || t < at))
                at = t;
        if (at < 0)
            return false;
        nowUs = qMax(nowUs, at);
        port.advanceTime((nowUs + 999) / 1000 - port.now());
        if (at == answer)
            port.deliverDue(chunk);
        else if (at == tx.due())
            tx.fire();
        else
            rx.fire();
        return true;
    }
    // Runs events until `done` holds or `limitMs` of virtual time have passed.
    template <typename Done> bool runUntil(Done done, qint64 limitMs = 600'000)
    {
        const qint64 end = nowUs + limitMs * 1000;
        while (!done() && nowUs < end && next()) {
        }
        return done();
    }
    void runFor(qint64 ms)
    {
        runUntil([] { return false; }, ms);
    }
};

// The same with a link state, a store, a log and the engine of its own.
struct VirtualLine : LineClock {
    LinkState link;
    DataStore store;
    CommLog log;
    PollingEngine engine{link, store, log, port, tx, rx};

    // Every upload and download that ended, in order.
    struct TransferEnd {
        int transfer;
        TransferResult result;
        QString text;
    };
    QList<TransferEnd> transfers;
    int ended(int transfer, TransferResult result = TransferResult::Done) const
    {
        return static_cast<int>(std::count_if(transfers.begin(), transfers.end(), [&](const TransferEnd& e) {
            return e.transfer == transfer && e.result == result;
        }));
    }

    // Serves devices {number, model code}, all enabled in the device list.
    explicit VirtualLine(const QList<std::pair<int, int>>& devices)
    {
        engine.setDeviceList(serve(devices));
        engine.setClock([this] { return nowUs / 1000; });
        QObject::connect(&engine, &PollingEngine::transferEnded, [this](int t, TransferResult r, const QString& text) {
            transfers.append({t, r, text});
        });
    }
    bool monitoring() const { return req::IsMonitoring(link.gReqCode) && link.gCommonReadDone; }
    RecorderModel& recorder(int device) { return *server.device(device); }
    void silence(int device, bool silent = true) { server.setFaults(device, FaultConfig{silent}); }

    // Opens the port and runs the scan and the parameter read.
    bool openAndMonitor() { return engine.openPort() && runUntil([this] { return monitoring(); }); }
    // One transaction: the next request goes out and is answered or given
    // up on. False when no request went out.
    bool step()
    {
        const int sent = port.requestNumber();
        return runUntil([&] { return port.requestNumber() > sent && !engine.awaitingAnswer(); });
    }
    void steps(int n)
    {
        for (int i = 0; i < n; ++i)
            step();
    }
    // The requests sent since request number `from`.
    QList<QByteArray> sentSince(int from) const { return port.requests().mid(from); }

    // What in the store's channel columns is not recorder `device`'s (it must be
    // the selected one, read for its own channel count, and no columns beyond);
    // empty when all is.
    QString storeDiffers(int device)
    {
        const RecorderModel* r = server.device(device);
        if (!r || link.gSelMC_No != device || link.gChCount != r->channelCount())
            return QStringLiteral("device %1 selected, read for %2 channels").arg(link.gSelMC_No).arg(link.gChCount);
        for (int c = 1; c <= regmap::kMaxChannels; ++c) {
            QByteArray name;
            for (int i = 1; c <= r->channelCount() && i <= 5; ++i)
                AppendU16BE(name, r->channelReg(c, i));
            const QString range = c <= r->channelCount() ? QString::number(r->channelReg(c, 10)) : QString();
            if (store.sprdP_CH.text(c, regmap::ch::Name) != QString::fromLatin1(name)
                || store.sprdP_CH.text(c, regmap::ch::RangeCode) != range)
                return QStringLiteral("CH%1 of device %2 is not the recorder's").arg(c).arg(device);
        }
        return {};
    }
};

// A recorder's parameter set as it was when taken, with edits on top: what a download sends.
class RecorderSet : public ParamSource {
public:
    explicit RecorderSet(const RecorderModel& from) : m_from(from) {}
    QMap<int, quint16> edits; // register -> value
    int channelCount() const override { return m_from.channelCount(); }
    QByteArray channelData(int c, int first, int count) const override
    {
        return commonData(regmap::ChannelBase(c) + first, count);
    }
    QByteArray commonData(int first, int count) const override
    {
        QByteArray d;
        for (int r = first; r < first + count; ++r)
            AppendU16BE(d, edits.value(r, m_from.reg(r)));
        return d;
    }

private:
    const RecorderModel m_from;
};
