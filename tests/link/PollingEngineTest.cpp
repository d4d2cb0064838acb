// The polling engine against simulated recorders, one transaction at a time:
// what it sends, what it stores, and how it takes bad answers.
#include "common/VirtualLine.h"
#include "link/Framing.h"
#include "link/RegisterMap.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Request code a request stands for: 99 scan, 11 live, 100 + n parameter read, 16 a write.
int codeOf(const QByteArray& req)
{
    const int reg = GetU16BE(req, 2);
    if (req[1] != char(3))
        return 16;
    if (reg == 30001)
        return GetU16BE(req, 4) == 2 ? 99 : 11;
    return 100 + (reg - 40001) / 100;
}

QList<int> devicesOf(const QList<QByteArray>& requests)
{
    QList<int> d;
    for (const QByteArray& r : requests)
        d << static_cast<quint8>(r[0]);
    return d;
}

} // namespace

TEST(PollingEngine, ScanSkipsASilentDeviceThenReadsParametersAndPollsTheOthers)
{
    VirtualLine line({{1, 10}, {2, 10}, {3, 20}});
    line.silence(2);
    QSignalSpy panel(&line.engine, &PollingEngine::statusMessage);
    ASSERT_TRUE(line.engine.openPort());
    line.steps(1 + 3 + 1 + 7 + 4);

    const QList<QByteArray>& sent = line.port.requests();
    QList<int> codes;
    for (const QByteArray& r : sent)
        codes << codeOf(r);
    EXPECT_EQ(devicesOf(sent), (QList<int>{1, 2, 2, 2, 3, 1, 1, 1, 1, 1, 1, 1, 1, 3, 1, 3}));
    EXPECT_EQ(codes, (QList<int>{99, 99, 99, 99, 99, 100, 101, 102, 103, 104, 105, 106, 11, 11, 11, 11}));
    EXPECT_EQ(line.port.writes().count(QByteArray(1, '\0')), sent.size()) << "one 0x00 after every request";
    EXPECT_TRUE(panel.contains(QVariantList{QStringLiteral("Device [2] ==> COMM.Error")}));
    EXPECT_EQ(panel.last().at(0).toString(), "2 of 3 devices answered; no answer from 2") << "the scan's result stays";
    EXPECT_EQ(line.link.gMC_Online, (QList<bool>{true, false, true}));
    EXPECT_EQ(line.link.gSelMC_No, 1);
    EXPECT_TRUE(line.link.gCommonReadDone);
    EXPECT_EQ(line.store.sprdStatus.text(2, 1), "OK");
    EXPECT_EQ(line.store.sprdStatus.text(2, 2), "NG");
    EXPECT_EQ(line.store.sprdMon.text(regmap::mon::Comm, 2), "NG");
    EXPECT_EQ(line.store.sprdCommState.text(counters::TimeOver, 2), "3");
    EXPECT_EQ(line.storeDiffers(1), "") << "the store holds the recorder's own values";
}

TEST(PollingEngine, ScanWithNobodyAnsweringClosesThePort)
{
    const QList<std::pair<int, int>> lists[] = {{{4, 10}, {5, 10}}, {}};
    for (const auto& devices : lists) {
        VirtualLine line(devices);
        line.silence(4);
        line.silence(5);
        QSignalSpy closed(&line.engine, &PollingEngine::portClosed);
        ASSERT_TRUE(line.engine.openPort());
        line.runFor(60'000);
        EXPECT_FALSE(line.engine.isOpen());
        EXPECT_EQ(closed.count(), 1);
        EXPECT_EQ(line.port.requests().size(), 3 * devices.size());
    }
}

TEST(PollingEngine, BadAnswersAreCountedNamedAndNeverDecoded)
{
    using Rewrite = std::function<QByteArray(const QByteArray& request, QByteArray answer)>;
    // column: the counter that counts it; mark: how the frame log shows the answer.
    struct Case { const char* what; Rewrite answer; int column; CommLog::Mark mark; const char* message; };
    const Case cases[] = {
        {"bad CRC", [](const QByteArray&, QByteArray a) { a[a.size() - 1] = char(a[a.size() - 1] ^ 0x5A); return a; },
         counters::CrcError, CommLog::Mark::Bad, ""},
        {"bytes behind", [](const QByteArray&, QByteArray a) { return a + '\x7E'; }, counters::CrcError,
         CommLog::Mark::Bad, ""},
        {"a write's answer", [](const QByteArray& r, QByteArray) { QByteArray w = r.left(6); w[1] = 16; AppendCrc(w += QByteArray(2, '\0')); return w; },
         counters::CrcError, CommLog::Mark::Bad, ""},
        // Another device's whole frame is not this device's fault: the wait goes on to the time-out.
        {"other device", [](const QByteArray&, QByteArray a) { a[0] = 2; AppendCrc(a); return a; }, counters::TimeOver,
         CommLog::Mark::Foreign, ""},
        {"truncated", [](const QByteArray&, QByteArray a) { return a.left(60); }, counters::TimeOver,
         CommLog::Mark::Bad, ""},
        {"refused", [](const QByteArray& r, QByteArray) { return ExceptionAnswer(r[0], 3, mbex::DeviceFailure); },
         counters::Refused, CommLog::Mark::Refused, "device 1 refused registers 30001..30047: device failure (04)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualLine line({{1, 20}});
        ASSERT_TRUE(line.openAndMonitor());
        line.server.rewriteAnswer = c.answer;
        line.store.sprdMon.setText(regmap::mon::Model, 1, "keep");
        QSignalSpy panel(&line.engine, &PollingEngine::statusMessage);
        const int rows = line.log.rowCount();
        line.step();
        EXPECT_EQ(line.store.sprdCommState.text(c.column, 1), "1");
        EXPECT_EQ(line.store.sprdMon.text(regmap::mon::Model, 1), "keep");
        ASSERT_EQ(line.log.rowCount(), rows + 2);
        EXPECT_EQ(line.log.row(rows + 1).mark, c.mark);
        EXPECT_EQ(panel.value(0).value(0).toString(), QString::fromLatin1(c.message));
        // One bad frame costs the device nothing; silence shows at once.
        EXPECT_EQ(line.store.sprdStatus.text(status::Online, 1), c.column == counters::TimeOver ? "NG" : "OK");
        // The link recovers on the next good answer.
        line.server.rewriteAnswer = nullptr;
        line.step();
        EXPECT_EQ(line.store.sprdMon.text(regmap::mon::Model, 1), "20");
        EXPECT_EQ(line.engine.failureStreak(), 0);
        EXPECT_EQ(line.store.sprdStatus.text(status::Online, 1), "OK");
    }
}

TEST(PollingEngine, NoiseNeverStarvesTheLineAndIsCountedAsNoise)
{
    for (const qint64 everyMs : {200, 500, 970}) {
        SCOPED_TRACE(everyMs);
        VirtualLine line({{1, 10}, {2, 10}, {3, 20}});
        ASSERT_TRUE(line.openAndMonitor());
        int from = line.port.requestNumber();
        line.runFor(20'000);
        const int clean = line.port.requestNumber() - from;
        line.port.setPeriodicNoise(everyMs * 1000);
        from = line.port.requestNumber();
        line.runFor(20'000);
        EXPECT_GE(line.port.requestNumber() - from, clean / 2);
        // The last one may still be among the bytes of an answer being gathered.
        EXPECT_LE(line.port.strayBytesSent() - line.engine.strayBytes(), 1);
        for (int row = 1; row <= 3; ++row)
            EXPECT_EQ(line.store.sprdStatus.text(status::Online, row), "OK") << row;
        int noiseRows = 0;
        for (int r = 0; r < line.log.rowCount(); ++r)
            noiseRows += line.log.row(r).mark == CommLog::Mark::Noise;
        EXPECT_GT(noiseRows, 0) << "shown red in the frame log";
    }
}

TEST(PollingEngine, ThirdFailureInARowOfAnyKindTakesTheDeviceOutOfTheRoundUntilItAnswersAgain)
{
    VirtualLine line({{1, 10}, {2, 10}});
    ASSERT_TRUE(line.openAndMonitor());
    line.steps(2);
    ASSERT_EQ(line.link.gMC_Index, 0);
    QList<std::pair<int, DeviceState>> states;
    QObject::connect(&line.engine, &PollingEngine::deviceStateChanged,
                     [&](int device, DeviceState s, const QString&) { states.append({device, s}); });
    // Device 1 now answers with a bad CRC, then not at all, then with a write's answer.
    QByteArray written = QByteArray::fromHex("011075310001");
    written.append(2, '\0');
    AppendCrc(written);
    int n = 0;
    line.server.rewriteAnswer = [&](const QByteArray& r, QByteArray a) -> QByteArray {
        if (r[0] != char(1) || ++n > 3)
            return a;
        if (n == 2)
            return {};
        if (n == 3)
            return written;
        a[5] = char(a[5] ^ 0x40);
        return a;
    };
    const int from = line.port.requestNumber();
    line.steps(4);
    EXPECT_EQ(devicesOf(line.sentSince(from)), (QList<int>{1, 1, 1, 2})) << "the fourth request goes to the next device";
    EXPECT_EQ(line.store.sprdCommState.text(counters::CrcError, 1), "2");
    EXPECT_EQ(line.store.sprdCommState.text(counters::TimeOver, 1), "1");
    EXPECT_EQ(line.link.gMC_Online, (QList<bool>{false, true})) << "a failing device never holds up the others";
    EXPECT_EQ(line.store.sprdStatus.text(status::Online, 1), "NG");
    EXPECT_EQ(states.value(0), std::make_pair(1, DeviceState::Ng));
    // It is asked again a while later, answers, and is polled again.
    ASSERT_TRUE(line.runUntil([&] { return line.link.isOnline(0); }, 10'000));
    line.steps(3);
    EXPECT_EQ(line.store.sprdStatus.text(status::Online, 1), "OK");
    EXPECT_EQ(states.last(), std::make_pair(1, DeviceState::Ok));
}

TEST(PollingEngine, DownloadReadsTheRecordersSetFirstThenWritesEveryBlockInOrder)
{
    // A set of six channels goes to a twelve-channel recorder as channels 1..6;
    // the recorder keeps its addresses and line settings unless they are sent too.
    struct Case { int model; int setModel; bool withLineSettings; };
    for (const Case c : {Case{10, 10, false}, Case{20, 20, true}, Case{20, 10, false}}) {
        SCOPED_TRACE(c.model * 100 + c.setModel);
        VirtualLine line({{5, c.model}});
        ASSERT_TRUE(line.openAndMonitor());
        RecorderModel& rec = line.recorder(5);
        const quint16 ownBaud = rec.reg(40033);
        RecorderSet image(c.setModel == c.model ? rec : RecorderModel(5, c.setModel));
        const int n = image.channelCount();
        const int lastAlarm = regmap::ChannelBase(n) + 42; // last channel's alarm 1 set value: 100.0
        image.edits = {{40101, 0x4142}, {lastAlarm, 0x42C8}, {lastAlarm + 1, 0}, {40001, 1}, {40033, 2}};
        QSignalSpy progress(&line.engine, &PollingEngine::transferProgress);
        const int from = line.port.requestNumber();
        ASSERT_TRUE(line.engine.postDownload(image, c.withLineSettings));
        image.edits[40001] = 0; // an edit after the confirmation is not sent
        ASSERT_TRUE(line.runUntil([&] { return line.ended(req::Download) == 1; }));
        EXPECT_EQ(line.link.gReqCode, 11);

        // The recorder's own set is read first (all its channels), then ranges,
        // names, the rest of each channel and the two common parts; the
        // byte-count field carries the register count.
        QList<QByteArray> sent = line.sentSince(from);
        const int reads = 1 + rec.channelCount();
        for (int i = 0; i < reads; ++i)
            EXPECT_EQ(GetU16BE(sent.value(i), 2), i == 0 ? 40001 : 40001 + 100 * i) << i;
        EXPECT_EQ(line.engine.lastBackup().reg(40033), ownBaud);
        sent = sent.mid(reads);
        ASSERT_EQ(sent.size(), 3 * n + 2);
        struct Expect { int index; int reg; int count; };
        const Expect frames[] = {{0, 40110, 1}, {n - 1, regmap::ChannelBase(n) + 10, 1}, {n, 40101, 9},
                                 {2 * n, 40111, 83}, {3 * n - 1, regmap::ChannelBase(n) + 11, 83},
                                 {3 * n, 40031, 44}, {3 * n + 1, 40001, 16}};
        for (const Expect& e : frames) {
            const QByteArray& f = sent[e.index];
            EXPECT_EQ(f.size(), 9 + 2 * e.count) << e.index;
            EXPECT_EQ(f.left(2), QByteArray("\x05\x10", 2));
            EXPECT_EQ(GetU16BE(f, 2), e.reg) << e.index;
            EXPECT_EQ(GetU16BE(f, 4), e.count) << e.index;
        }
        image.edits[40001] = 1;
        for (auto [reg, value] : image.edits.asKeyValueRange())
            EXPECT_EQ(rec.reg(reg), reg == 40033 && !c.withLineSettings ? ownBaud : value) << reg;
        const QList<QVariantList> download = progress.mid(reads);
        ASSERT_EQ(download.size(), 3 * n + 3);
        EXPECT_DOUBLE_EQ(download[3 * n + 1][0].toDouble(), 100.0);
        EXPECT_EQ(download.last()[1].toString(), "Parameter download complete.(PC==>VQ800)");
        if (n == 6) { // progress over the registers sent: after 553, (60 + 16 + 498) / 618
            EXPECT_EQ(download[6][1].toString(), "Parameter downloading(PC==>VQ800)");
            EXPECT_EQ(download[18][1].toString(), "Parameter Downloading(PC==>VQ800)");
            EXPECT_NEAR(download[18][0].toDouble(), 92.88, 0.005);
        }
    }
}

TEST(PollingEngine, ASetThatCannotGiveEveryBlockWholeIsNotSent)
{
    struct Short : RecorderSet {
        using RecorderSet::RecorderSet;
        QByteArray channelData(int c, int first, int count) const override
        {
            return c == 2 ? QByteArray(3, '\0') : RecorderSet::channelData(c, first, count);
        }
    };
    VirtualLine line({{1, 10}});
    ASSERT_TRUE(line.openAndMonitor());
    Short image(line.recorder(1));
    EXPECT_FALSE(line.engine.postDownload(image, false));
    line.steps(2);
    for (const QByteArray& r : line.port.requests())
        EXPECT_NE(r[1], char(16)) << "nothing written";
}

TEST(PollingEngine, ClosingOrLosingThePortMidTransferStopsAllAndReopeningScansAgain)
{
    for (const bool lost : {false, true}) {
        SCOPED_TRACE(lost ? "lost" : "closed");
        VirtualLine line({{1, 10}});
        ASSERT_TRUE(line.openAndMonitor());
        RecorderSet image(line.recorder(1));
        line.engine.setParamSource(&image);
        ASSERT_TRUE(line.engine.post(req::Download));
        line.steps(5);
        QSignalSpy panel(&line.engine, &PollingEngine::statusMessage);
        QSignalSpy state(&line.engine, &PollingEngine::portStateRequested);
        if (lost)
            line.port.unplug("device unplugged");
        else
            line.engine.closePort();
        line.port.unplug("again"); // a report after the close changes nothing
        EXPECT_FALSE(line.engine.isOpen());
        EXPECT_FALSE(line.tx.isActive());
        EXPECT_FALSE(line.rx.isActive());
        EXPECT_EQ(state.count(), 1);
        EXPECT_TRUE(state.last().at(0).toBool()) << "menus in the closed state";
        EXPECT_EQ(panel.count(), lost ? 1 : 0);
        EXPECT_TRUE(lost == panel.value(0).value(0).toString().contains("device unplugged"));
        const int from = line.port.requestNumber();
        ASSERT_TRUE(line.engine.openPort());
        EXPECT_EQ(line.log.rowCount(), 0) << "opening clears the log";
        line.step();
        EXPECT_EQ(codeOf(line.sentSince(from).value(0)), 99);
    }
}

TEST(PollingEngine, PausesForTheGapAfterAGoodAnswerAndAfterSilence)
{
    struct Case { int gapMs; const char* baud; const char* parity; const char* stop; int expectMs; };
    const Case cases[] = {{50, "9600", "N", "1", 50}, {0, "9600", "N", "1", 4}, {0, "9600", "E", "1", 5},
                          {0, "38400", "E", "1", 2}, {7, "38400", "N", "1", 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.gapMs << " ms at " << c.baud << "," << c.parity << ",8," << c.stop);
        VirtualLine line({{1, 10}, {2, 10}});
        line.link.port.gCommBaud = c.baud;
        line.link.port.gCommParity = c.parity;
        line.link.port.gCommStopBits = c.stop;
        line.engine.setGapMs(c.gapMs);
        ASSERT_TRUE(line.openAndMonitor());
        // Per request: the pause after the answer before it, or, with none, the time since the request before.
        qint64 answeredUs = -1, sentUs = line.nowUs;
        QList<qint64> afterAnswer, afterSilence;
        QObject::connect(&line.engine, &PollingEngine::receiving, [&] { answeredUs = line.nowUs; });
        QObject::connect(&line.engine, &PollingEngine::sending, [&] {
            (answeredUs >= 0 ? afterAnswer : afterSilence) << line.nowUs - (answeredUs >= 0 ? answeredUs : sentUs);
            answeredUs = -1;
            sentUs = line.nowUs;
        });
        line.silence(2);
        line.steps(6);
        EXPECT_GE(afterAnswer.size(), 2);
        for (qint64 us : afterAnswer)
            EXPECT_EQ(us, c.expectMs * 1000);
        ASSERT_FALSE(afterSilence.isEmpty());
        EXPECT_EQ(afterSilence.last(), (PollingEngine::kTimeoutMs + c.expectMs) * 1000)
            << "the time-out, then the gap: the next device tells a late answer by its address";
    }
}

TEST(PollingEngine, RtsIsDroppedOnlyAfterTheLastStopBitHasLeftInRtsMode)
{
    // A port that logs RTS changes, writes and drains in virtual microseconds;
    // a drain takes the wire time of what was written.
    struct RtsPort : SerialPort {
        qint64 now = 0;
        qsizetype unsent = 0;
        const PortSettings* settings = nullptr;
        QStringList events;
        void log(const QString& e) { events << QStringLiteral("%1 @%2").arg(e).arg(now); }
        bool open(const PortSettings& s, QString*) override { return settings = &s, true; }
        void close() override { settings = nullptr; }
        bool isOpen() const override { return settings; }
        void discardInput() override {}
        bool setRts(bool on) override { return log(on ? "rts on" : "rts off"), true; }
        void write(const QByteArray& b) override { unsent += b.size(), log(QStringLiteral("write %1").arg(b.size())); }
        void drain() override { now += settings->charsUs(double(std::exchange(unsent, 0))), log("drained"); }
        QByteArray readAll() override { return {}; }
        qsizetype bytesAvailable() const override { return 0; }
    };
    struct Case { Rs485Mode mode; const char* baud; const char* parity; QStringList events; };
    const Case cases[] = {
        {Rs485Mode::None, "9600", "N", {"rts on @0", "write 8 @0", "write 1 @0", "rts off @0"}},
        {Rs485Mode::Kernel, "9600", "N", {"rts on @0", "write 8 @0", "write 1 @0", "rts off @0"}},
        // 9 characters of 10 bits at 9600 baud, then one more character time
        {Rs485Mode::Rts, "9600", "N", {"rts on @0", "write 8 @0", "write 1 @0", "drained @9375", "rts off @10417"}},
        {Rs485Mode::Rts, "38400", "E", {"rts on @0", "write 8 @0", "write 1 @0", "drained @2579", "rts off @2866"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        LinkState link;
        DataStore store;
        CommLog log;
        RtsPort port;
        VirtualTimer tx(port.now, 50), rx(port.now, 1000);
        PollingEngine engine(link, store, log, port, tx, rx);
        engine.setDeviceList({"O"});
        engine.setPause([&](qint64 us) { port.now += us; });
        link.port.gCommBaud = c.baud;
        link.port.gCommParity = c.parity;
        link.port.rs485 = c.mode;
        ASSERT_TRUE(engine.openPort());
        tx.fire();
        EXPECT_EQ(port.events, c.events);
    }
}

TEST(PollingEngine, ReadEveryDeviceFillsEachOnlineDevicesSetOneBlockAfterARoundOfLivePolls)
{
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "on" : "off");
        VirtualLine line({{1, 10}, {2, 20}, {3, 10}});
        line.silence(3);
        // A name of its own, so that one device's blocks cannot pass for another's.
        line.recorder(2).write(regmap::ChannelBase(1) + 1, {0x5457, 0x4F32});
        line.engine.setReadEveryDevice(on);
        QList<int> read;
        QObject::connect(&line.engine, &PollingEngine::deviceParametersRead, [&](int device) { read << device; });
        ASSERT_TRUE(line.openAndMonitor());
        const int from = line.port.requestNumber();
        line.runFor(60'000);
        // After the selected device's read, only device 2's blocks, each after a round of live polls.
        int blocks = 0, lives = 0;
        for (const QByteArray& r : line.sentSince(from)) {
            if (codeOf(r) == 11) {
                ++lives;
            } else if (codeOf(r) >= 100) {
                EXPECT_EQ(r[0], char(2));
                EXPECT_GE(lives, 2) << "before block " << blocks;
                lives = 0;
                ++blocks;
            }
        }
        EXPECT_EQ(blocks, on ? 13 : 0);
        EXPECT_EQ(read, on ? (QList<int>{1, 2}) : QList<int>());
        EXPECT_EQ(line.storeDiffers(1), "") << "the editor's tables stay the selected device's";
        // The texts the editor's read of each device gives.
        for (int device = 1; on && device <= 2; ++device) {
            const std::shared_ptr<DeviceParams> kept = line.store.deviceParams.value(device);
            ASSERT_TRUE(kept);
            if (device != line.link.gSelMC_No) {
                ASSERT_TRUE(line.engine.selectDevice(device - 1));
                ASSERT_TRUE(line.runUntil([&] { return line.monitoring() && line.link.gSelMC_No == device; }));
            }
            ASSERT_EQ(line.storeDiffers(device), "");
            for (int r = 1; r <= regmap::kCommonRows; r += r == 24 ? 7 : 1) // not the clock (25..30): it moves on
                EXPECT_EQ(kept->common.text(1, r), line.store.sprdP_Common.text(1, r)) << device << " row " << r;
            for (int c = 1; c <= regmap::kMaxChannels; ++c)
                for (int r = 1; r <= regmap::kChannelRows; ++r)
                    EXPECT_EQ(kept->channels.text(c, r), line.store.sprdP_CH.text(c, r)) << device << " CH" << c;
        }
    }
}

TEST(PollingEngine, AFailedBackgroundReadWaitsUntilTheDeviceIsBackAndNeverCutsATransfer)
{
    VirtualLine line({{1, 10}, {2, 10}});
    line.engine.setReadEveryDevice(true);
    bool refuse = true;
    line.server.rewriteAnswer = [&](const QByteArray& r, QByteArray a) {
        return refuse && r[0] == char(2) && GetU16BE(r, 2) == 40301 ? ExceptionAnswer(2, 3, mbex::IllegalAddress) : a;
    };
    QList<int> read;
    QObject::connect(&line.engine, &PollingEngine::deviceParametersRead, [&](int device) { read << device; });
    auto asked = [&](int device, int reg) {
        return std::count_if(line.port.requests().begin(), line.port.requests().end(), [&](const QByteArray& r) {
            return r[0] == char(device) && GetU16BE(r, 2) == reg;
        });
    };
    ASSERT_TRUE(line.openAndMonitor());
    line.runFor(30'000);
    EXPECT_EQ(asked(2, 40301), 1) << "not asked again while it stays online";
    EXPECT_EQ(read, QList<int>{1});
    EXPECT_TRUE(line.link.isOnline(1)) << "one refusal costs it nothing";
    // Out of the round and back: its read begins again.
    refuse = false;
    line.silence(2);
    ASSERT_TRUE(line.runUntil([&] { return !line.link.isOnline(1); }));
    line.silence(2, false);
    ASSERT_TRUE(line.runUntil([&] { return asked(2, 40101) == 2; }));
    // An upload asked now runs whole: no background block between its blocks.
    const int from = line.port.requestNumber();
    ASSERT_TRUE(line.engine.post(req::Upload));
    ASSERT_TRUE(line.runUntil([&] { return line.ended(req::Upload) == 1; }));
    const QList<QByteArray> sent = line.sentSince(from);
    const qsizetype first = std::find_if(sent.begin(), sent.end(), [](const QByteArray& r) { return codeOf(r) >= 100; }) - sent.begin();
    for (qsizetype i = first; i < first + 7; ++i)
        EXPECT_EQ(sent.value(i).left(4), BuildReadRequest(1, quint16(40001 + 100 * (i - first)), 1).left(4)) << i;
    ASSERT_TRUE(line.runUntil([&] { return read.contains(2); }));
    EXPECT_EQ(read, (QList<int>{1, 1, 2})) << "the upload stands for a read of device 1";
}
