#pragma once
// A recorder behind a fake port and timers the test fires itself, so the
// engine runs a whole transfer without waiting.
#include "common/ManualTimer.h"
#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/Framing.h"
#include "link/LinkState.h"
#include "link/PollingEngine.h"
#include "link/SerialPort.h"
#include "link/ChannelColours.h"
#include "param/ParamFormat.h"

#include <QMap>

// Holding registers of one recorder; answers reads and writes (function 3 and 16).
class FakeRecorderPort : public SerialPort {
public:
    bool open(const PortSettings&, QString*) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void discardInput() override { m_input.clear(); }
    bool setRts(bool) override { return false; }
    qsizetype bytesAvailable() const override { return m_input.size(); }
    QByteArray readAll() override { return std::exchange(m_input, {}); }
    void write(const QByteArray& f) override
    {
        if (f.size() < 8 || !CheckCrc(f) || static_cast<quint8>(f[0]) != device || silent)
            return;
        const int first = GetU16BE(f, 2), n = GetU16BE(f, 4);
        QByteArray a = f.left(2);
        if (f[1] == 3) {
            a.append(static_cast<char>(2 * n));
            for (int i = 0; i < n; ++i)
                AppendU16BE(a, regs.value(first + i));
            a.append(2, '\0');
        } else {
            writes << f;
            for (int i = 0; i < n; ++i) {
                quint16 v = GetU16BE(f, 7 + 2 * i);
                // The recorder keeps a colour as its number; a download carries RGB565.
                const int reg = first + i;
                if (const auto n = colours::NumberOfRgb565(v); reg > 40100 && reg % 100 == 16 && n)
                    v = static_cast<quint16>(*n);
                regs[reg] = v;
            }
            a = f.left(6);
            a.append(2, '\0');
        }
        AppendCrc(a);
        m_input += a;
    }
    QMap<int, quint16> regs;
    QList<QByteArray> writes;
    int device = 1;
    bool silent = false;

private:
    bool m_open = false;
    QByteArray m_input;
};

// One recorder (device 1, six or twelve channels) scanned, its parameters
// read, the engine monitoring.
struct FakeLine {
    explicit FakeLine(int channels = 6)
    {
        engine.setDeviceList({QStringLiteral("O")});
        port.regs[30001] = channels > 6 ? 20 : 10; // the model code
        engine.openPort();
        run([this] { return link.gReqCode == 11 && link.gCommonReadDone; });
        port.writes.clear();
    }
    // Runs transactions until done() or the step limit; true when done.
    template <typename Done> bool run(Done done, int steps = 200)
    {
        for (int i = 0; i < steps && !done(); ++i) {
            if (engine.quieting())
                engine.onTimeout();
            tx.stop();
            engine.onTransmitTick();
            if (port.bytesAvailable() > 0)
                engine.onBytesArrived();
            else if (engine.awaitingAnswer())
                engine.onTimeout();
        }
        return done();
    }
    LinkState link;
    DataStore store;
    CommLog log;
    FakeRecorderPort port;
    ManualTimer tx, rx;
    PollingEngine engine{link, store, log, port, tx, rx};
};
