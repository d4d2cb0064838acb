// An operator who clicks whatever at any moment, recorders that fail in
// every way a line knows, and a check of the link's promises after each
// step. Seeded, in virtual time, so a failure replays exactly.
#include "common/VirtualLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

namespace {

class Operator {
public:
    explicit Operator(quint64 seed)
        : m_rng(seed)
        , m_line({{1, 10}, {2, 20}, {3, 10}, {4, 20}, {5, 10}, {7, 20}})
    {
        m_line.server.setSeed(seed);
        PollingEngine& e = m_line.engine;
        QObject::connect(&e, &PollingEngine::transactionEnded, [this](int code, int device, Failure f) {
            if (f == Failure::None)
                answered();
            failures(code, device, f);
        });
        QObject::connect(&e, &PollingEngine::liveValues, [this](int device) { m_liveAt[device] = m_line.nowUs / 1000; });
        QObject::connect(&e, &PollingEngine::portStateRequested, [this](bool closed) { m_menusOpen = !closed; });
        QObject::connect(&e, &PollingEngine::transferEnded, [this](int t, TransferResult r, const QString&) {
            if (t == req::Upload && r == TransferResult::Done)
                checkStore();
        });
        // Clock frames queued before the port opened or another device was selected are void.
        QObject::connect(&e, &PollingEngine::portOpened, [this] {
            m_clock.clear();
            m_failRun = 0;
        });
        QObject::connect(&e, &PollingEngine::selectedDeviceChanged, [this](int number) {
            if (number != std::exchange(m_selected, number))
                m_clock.clear();
            // A new selection is polled first: the others may wait that much longer.
            for (int& grace : m_grace)
                grace += 3;
        });
    }

    // One operator action now and then, else the next event on the line.
    void step()
    {
        if (pick(20) == 0)
            act();
        else if (!m_line.engine.isOpen() && pick(10) == 0)
            open();
        const qsizetype before = m_line.port.requests().size();
        m_line.next();
        for (const QByteArray& request : m_line.port.requests().mid(before))
            sent(request);
        check();
    }

    std::mt19937_64 m_rng;
    VirtualLine m_line;
    int m_steps = 0;
    QStringList m_found; // broken promises, with the step they were seen at

private:
    int pick(int n) { return static_cast<int>(m_rng() % static_cast<quint64>(n)); }
    void fail(const QString& what) { m_found << QStringLiteral("step %1: %2").arg(m_steps).arg(what); }

    void act()
    {
        PollingEngine& e = m_line.engine;
        LinkState& k = m_line.link;
        const int devices = k.deviceCount();
        switch (pick(14)) {
        case 0: // port open / close
            if (e.isOpen()) {
                cancelOutstanding();
                e.closePort();
            } else {
                open();
            }
            break;
        case 1:
        case 2: // a row click, sometimes on no row
            e.selectDevice(pick(devices + 2) - 1);
            break;
        case 3: { // Device Setup tried
            QStringList lines(8, QStringLiteral("X"));
            for (int n = 1; n <= 8; ++n)
                if (pick(2) && m_line.server.device(n))
                    lines[n - 1] = QStringLiteral("O");
            const bool open = e.isOpen();
            if (e.setDeviceList(lines) == open)
                fail(QStringLiteral("device list %1 with the port %2").arg(open ? "changed" : "refused", open ? "open" : "closed"));
            if (!open)
                m_sent = m_cancelled = 0; // the counters start again with the list
            break;
        }
        case 4: // editor: Upload, or Close stopping what runs
            if (pick(3) == 0)
                e.stopTransfer();
            else
                e.post(req::Upload);
            break;
        case 5: { // the selected recorder's own set, as it is when the download is accepted
            const bool busy = e.transferActive();
            if (const RecorderModel* r = m_line.server.device(k.gSelMC_No); r && !busy)
                e.setParamSource(&m_set.emplace(*r));
            if (e.post(req::Download) && !busy)
                m_downloadDevice = k.gSelMC_No;
            break;
        }
        case 6:
            e.post(req::Live);
            break;
        case 7: { // clock window: an edit, sometimes built for the wrong device
            const int device = pick(4) ? k.gSelMC_No : pick(8) + 1;
            const QByteArray f = BuildWriteRequest(static_cast<quint8>(device), 40022, QByteArray::fromHex("0005"));
            if (e.queueClockFrame(f, device))
                m_clock << f;
            else if (device == k.gSelMC_No && e.isOpen() && device > 0)
                fail(QStringLiteral("clock frame for the selected device refused"));
            break;
        }
        case 8: { // a recorder switched off or on
            const int n = pick(8) + 1;
            FaultConfig f = m_line.server.faultsOf(n);
            f.silent = !f.silent && pick(3) == 0;
            m_line.server.setFaults(n, f);
            break;
        }
        case 9: { // the line gets better or worse
            FaultConfig f;
            const double r = pick(3) == 0 ? 0.0 : 0.04;
            f.crcRate = f.dropRate = f.delayRate = f.noiseRate = f.truncateRate = f.wrongIdRate = f.exceptionRate = r;
            m_line.server.setFaults(f);
            break;
        }
        case 10: // answers in pieces
            m_line.chunk = pick(3) == 0 ? 1 + pick(40) : 0;
            break;
        case 11: // the adapter is pulled
            if (e.isOpen() && pick(4) == 0) {
                cancelOutstanding();
                m_line.port.unplug(QStringLiteral("unplugged"));
            }
            break;
        case 12: // a burst of noise on the line, or quiet again
            m_line.port.setPeriodicNoise(pick(2) ? 150'000 + 50'000 * pick(18) : 0, m_rng());
            break;
        case 13: { // a recorder that answers only garbage, or refuses a block it is written
            const int n = pick(8) + 1;
            FaultConfig f = m_line.server.faultsOf(n);
            f.crcRate = pick(3) == 0 ? 1.0 : 0.0;
            f.refuseRegister = pick(3) == 0 ? 40101 + 100 * pick(6) : 0;
            m_line.server.setFaults(n, f);
            break;
        }
        }
    }

    // A transaction ended: the third failure in a row of a device (not a
    // refused write, which is an answer) leaves it NG.
    void failures(int code, int device, Failure f)
    {
        const req::Phase phase = req::Decode(code).phase;
        const bool write = phase == req::Phase::Download || phase == req::Phase::Clock;
        const bool failed = f != Failure::None && !(f == Failure::Exception && write);
        m_failRun = failed ? (device == m_failDevice ? m_failRun + 1 : 1) : 0;
        m_failDevice = device;
        const int row = m_line.link.indexOfDevice(device) + 1;
        // (A scan that found nobody closes the port: "--" then.)
        if ((m_failRun >= 3 || f == Failure::Timeout) && row > 0 && m_line.engine.isOpen()
            && m_line.store.sprdStatus.text(status::Online, row) != QLatin1String("NG"))
            fail(QStringLiteral("device %1 is not NG after %2 failures in a row").arg(device).arg(m_failRun));
    }

    void open()
    {
        if (!m_line.engine.openPort())
            return;
        m_scanTransactions = 0;
        m_sinceLive.clear();
        m_grace.clear();
        m_roundSize.clear();
    }

    void cancelOutstanding()
    {
        if (m_line.engine.awaitingAnswer())
            ++m_cancelled;
    }

    // A request went on the wire.
    void sent(const QByteArray& frame)
    {
        ++m_sent;
        const LinkState& k = m_line.link;
        const int device = static_cast<quint8>(frame[0]);
        const req::Phase phase = m_line.engine.phase();
        // A sequence that interrupts live polling may cost the device it
        // resumes with a fresh rule of three.
        if (m_lastPhase == req::Phase::Live && phase != req::Phase::Live)
            for (int& grace : m_grace)
                grace += 3;
        m_lastPhase = phase;
        switch (phase) {
        case req::Phase::Scan:
            if (++m_scanTransactions > 3 * k.deviceCount())
                fail(QStringLiteral("the scan does not end"));
            break;
        case req::Phase::Live:
            for (int i = 0; i <= k.gMC_Last; ++i) {
                if (!k.isOnline(i))
                    continue;
                int& since = m_sinceLive[i];
                int& grace = m_grace[i];
                // Each device of the round may fail three times before the wait ends.
                int& round = m_roundSize[i];
                round = qMax(round, static_cast<int>(k.gMC_Online.count(true)));
                if (k.gMC_No.value(i) == device)
                    since = grace = round = 0;
                else
                    ++since;
                if (since > 3 * round + grace)
                    fail(QStringLiteral("device %1 not polled for %2 transactions").arg(k.gMC_No.value(i)).arg(since));
            }
            break;
        case req::Phase::Clock:
            // Only a frame queued for this device since the port opened and it was selected.
            if (device != k.gSelMC_No || !m_clock.contains(frame))
                fail(QStringLiteral("clock frame %1 sent to device %2").arg(QString::fromLatin1(frame.toHex())).arg(device));
            break;
        case req::Phase::Backup:
        case req::Phase::Download:
        case req::Phase::Restore:
            if (device != m_downloadDevice || device != k.gSelMC_No)
                fail(QStringLiteral("download block for device %1 sent to %2").arg(m_downloadDevice).arg(device));
            break;
        default:
            break;
        }
    }

    // A good answer was taken: it must answer the request just sent, or an
    // earlier one of the very same bytes (a late answer, as good as its own).
    // Another device's answer read with it was dropped by its address.
    void answered()
    {
        const QList<QByteArray>& requests = m_line.port.requests();
        const int now = m_line.port.requestNumber();
        const QByteArray& asked = requests.value(now - 1);
        for (int from : m_line.port.answeredBy()) {
            const QByteArray& other = requests.value(from - 1);
            if (from != now && other != asked && other.left(1) == asked.left(1))
                fail(QStringLiteral("answer of request %1 taken for request %2").arg(from).arg(now));
        }
    }

    void check()
    {
        ++m_steps;
        const LinkState& k = m_line.link;
        PollingEngine& e = m_line.engine;
        if (k.gMC_No.size() != k.deviceCount() || k.gMC_Online.size() != k.deviceCount())
            fail(QStringLiteral("device arrays out of step"));
        if (e.isOpen() && k.deviceCount() > 0 && (k.gMC_Index < 0 || k.gMC_Index > k.gMC_Last))
            fail(QStringLiteral("gMC_Index %1 outside the list").arg(k.gMC_Index));
        if (k.gSelMC_No > 0 && k.gMC_No.value(k.gSelMC_Index) != k.gSelMC_No)
            fail(QStringLiteral("gSelMC_Index %1 does not hold device %2").arg(k.gSelMC_Index).arg(k.gSelMC_No));
        if (e.isOpen() && !m_line.tx.isActive() && !m_line.rx.isActive())
            fail(QStringLiteral("the link stalled"));
        if (e.isOpen() && e.phase() != req::Phase::Scan && !m_menusOpen)
            fail(QStringLiteral("the scan ended without the menus opening"));

        // Every transaction is counted once: OK, Time Over or CRC Error.
        qint64 counted = 0;
        for (int row = 1; row <= m_line.store.sprdCommState.rowCount(); ++row)
            for (int c : {counters::Ok, counters::TimeOver, counters::CrcError, counters::Refused})
                counted += m_line.store.sprdCommState.text(c, row).toLongLong();
        const int resolved = m_sent - m_cancelled - (e.awaitingAnswer() ? 1 : 0);
        if (counted != resolved)
            fail(QStringLiteral("%1 transactions counted, %2 resolved").arg(counted).arg(resolved));

        m_clock.removeIf([&](const QByteArray& f) { return !m_line.engine.clockFrames().contains(f); });

        // A recorder logged now has values no older than the stale limit.
        for (int i = 0; i <= k.gMC_Last; ++i) {
            if (!e.valuesFresh(i) || m_line.store.sprdStatus.text(status::Online, i + 1) != QLatin1String("OK"))
                continue;
            const qint64 age = m_line.nowUs / 1000 - m_liveAt.value(k.gMC_No.value(i), -1'000'000);
            if (age > e.staleLimitMs())
                fail(QStringLiteral("device %1 would be logged with values %2 ms old").arg(k.gMC_No.value(i)).arg(age));
        }

        // A finished parameter read holds the selected recorder's channels and no others.
        if (k.gCommonReadDone && !m_readDone)
            checkStore();
        m_readDone = k.gCommonReadDone;
    }

    void checkStore()
    {
        const int device = m_line.link.gSelMC_No;
        if (m_line.server.device(device))
            if (const QString d = m_line.storeDiffers(device); !d.isEmpty())
                fail(d);
    }

    std::optional<RecorderSet> m_set;
    bool m_menusOpen = false;
    bool m_readDone = false;
    int m_sent = 0, m_cancelled = 0;
    int m_selected = 0;
    int m_scanTransactions = 0;
    int m_downloadDevice = 0;
    QMap<int, int> m_sinceLive; // live transactions since each online device's last poll
    QMap<int, int> m_grace;
    QMap<int, int> m_roundSize; // the most devices in the round since each one's last poll
    QMap<int, qint64> m_liveAt; // device -> when its live values last came (ms)
    int m_failDevice = 0, m_failRun = 0;
    req::Phase m_lastPhase = req::Phase::None;
    QList<QByteArray> m_clock; // clock frames that may still go out
};

void run(quint64 seed, int steps)
{
    Operator op(seed);
    for (int i = 0; i < steps && op.m_found.size() < 5; ++i)
        op.step();
    EXPECT_TRUE(op.m_found.isEmpty()) << "seed " << seed << ":\n" << op.m_found.join('\n').toStdString();
    EXPECT_GT(op.m_line.port.requestNumber(), steps / 20) << "the line was busy";
}

} // namespace

TEST(OperatorActions, TheLinkKeepsItsPromisesWhateverIsClicked)
{
    // VQ800_OPERATOR_SEEDS=500 makes a longer run (under the sanitizers, say).
    // VQ800_OPERATOR_SEED=N replays seed N alone.
    const int seeds = qMax(5, qEnvironmentVariableIntValue("VQ800_OPERATOR_SEEDS"));
    const int only = qEnvironmentVariableIntValue("VQ800_OPERATOR_SEED");
    for (int seed = only > 0 ? only : 1; seed <= (only > 0 ? only : seeds); ++seed)
        run(static_cast<quint64>(seed), 4000);
}
