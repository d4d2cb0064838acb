#include "EngineHarness.h"

#include "link/ParamSource.h"
#include "link/RegisterMap.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Answers every device in `alive` as a recorder would.
std::function<QByteArray(const QByteArray&)> recorders(QList<int> alive, int model = 10)
{
    return [=](const QByteArray& req) {
        return alive.contains(static_cast<quint8>(req[0])) ? RecorderAnswer(req, model) : QByteArray();
    };
}

int codeOf(const QByteArray& req)
{
    const int reg = GetU16BE(req, 2);
    const int count = GetU16BE(req, 4);
    if (req[1] == char(3) && reg == 30001)
        return count == 2 ? 99 : 11;
    if (req[1] == char(3) && reg == 40001)
        return 100;
    if (req[1] == char(3))
        return 100 + (reg - 40001) / 100;
    return 16;
}

// Channel registers hold 100c + offset, common registers their own number.
class TestImage : public ParamSource {
public:
    int channels = 6;
    int channelCount() const override { return channels; }
    QByteArray channelData(int c, int first, int count) const override
    {
        QByteArray d;
        for (int i = 0; i < count; ++i)
            AppendU16BE(d, static_cast<quint16>(100 * c + first + i));
        return d;
    }
    QByteArray commonData(int first, int count) const override
    {
        QByteArray d;
        for (int i = 0; i < count; ++i)
            AppendU16BE(d, static_cast<quint16>(first + i));
        return d;
    }
};

} // namespace

TEST(PollingEngine, ScanSkipsASilentDeviceThenReadsParametersAndPollsTheOthers)
{
    EngineRig rig({1, 2, 3});
    rig.port.responder = recorders({1, 3});
    QSignalSpy panel(rig.engine.get(), &PollingEngine::statusMessage);
    QSignalSpy portState(rig.engine.get(), &PollingEngine::portStateRequested);
    ASSERT_TRUE(rig.engine->openPort());
    rig.steps(1 + 3 + 1 + 7 + 4);

    QList<int> devices, codes;
    for (const QByteArray& r : rig.port.requests) {
        devices << static_cast<quint8>(r[0]);
        codes << codeOf(r);
    }
    EXPECT_EQ(devices, (QList<int>{1, 2, 2, 2, 3, 1, 1, 1, 1, 1, 1, 1, 1, 3, 1, 3}));
    EXPECT_EQ(codes, (QList<int>{99, 99, 99, 99, 99, 100, 101, 102, 103, 104, 105, 106, 11, 11, 11, 11}));
    EXPECT_EQ(rig.port.zeroBytes, rig.port.requests.size()) << "one 0x00 after every request";
    EXPECT_TRUE(panel.contains(QVariantList{QStringLiteral("Device [2] ==> COMM.Error")}));
    EXPECT_EQ(panel.last().at(0).toString(), QString()) << "cleared at the end of the scan";
    EXPECT_EQ(portState.last().at(0).toBool(), false);
    EXPECT_EQ(rig.link.gMC_Online, (QList<bool>{true, false, true}));
    EXPECT_EQ(rig.link.gSelMC_No, 1);
    EXPECT_TRUE(rig.link.gCommonReadDone);
    EXPECT_EQ(rig.store.sprdStatus.text(2, 1), "OK");
    EXPECT_EQ(rig.store.sprdStatus.text(2, 2), "NG");
    EXPECT_EQ(rig.store.sprdCommState.text(counters::TimeOver, 2), "3");
    EXPECT_EQ(rig.store.sprdMon.text(regmap::mon::Model, 3), "10");
    EXPECT_EQ(rig.store.sprdMon.text(regmap::mon::Comm, 2), "NG");
}

TEST(PollingEngine, ScanWithNobodyAnsweringClosesThePort)
{
    EngineRig rig({4, 5});
    QSignalSpy closed(rig.engine.get(), &PollingEngine::portClosed);
    ASSERT_TRUE(rig.engine->openPort());
    rig.steps(6);
    EXPECT_FALSE(rig.engine->isOpen());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(rig.port.requests.size(), 6);
    rig.step(); // nothing armed any more
    EXPECT_EQ(rig.port.requests.size(), 6);
}

TEST(PollingEngine, EmptyDeviceListEndsTheScanAtOnce)
{
    EngineRig rig({});
    ASSERT_TRUE(rig.engine->openPort());
    rig.step();
    EXPECT_TRUE(rig.port.requests.isEmpty());
    EXPECT_FALSE(rig.engine->isOpen());
}

TEST(PollingEngine, RowClickReadsThatDeviceThenPollingContinuesFromIt)
{
    EngineRig rig({1, 2, 3});
    rig.port.responder = recorders({1, 2, 3});
    rig.engine->openPort();
    rig.steps(3 + 7 + 2);
    rig.port.requests.clear();
    ASSERT_TRUE(rig.engine->selectDevice(2)); // the main window's row click
    rig.steps(7 + 3);
    QList<int> devices;
    for (int i = 0; i < rig.port.requests.size(); ++i)
        devices << rig.deviceOf(i);
    EXPECT_EQ(devices, (QList<int>{3, 3, 3, 3, 3, 3, 3, 3, 1, 2}));
    EXPECT_EQ(codeOf(rig.port.requests[7]), 11);
}

TEST(PollingEngine, BadAnswersAreCountedAndNeverDecoded)
{
    struct Case {
        const char* what;
        std::function<QByteArray(const QByteArray&)> answer;
        int column; // counter that counts it
    };
    auto good = [](const QByteArray& r) { return RecorderAnswer(r, 20); };
    const Case cases[] = {
        {"bad CRC", [&](const QByteArray& r) { QByteArray a = good(r); a[10] = char(a[10] ^ 1); return a; }, counters::CrcError},
        {"other device", [&](const QByteArray& r) { QByteArray q = r; q[0] = 9; return good(q); }, counters::CrcError},
        {"write answer to a read", [&](const QByteArray& r) {
             QByteArray a = r.left(6); a[1] = 16; a.append(2, '\0'); AppendCrc(a); a.append(QByteArray(91, 'x')); return a; },
         counters::CrcError},
        {"noise ahead", [&](const QByteArray& r) { return QByteArray("\x55\xAA\x01", 3) + good(r); }, counters::CrcError},
        {"bytes behind", [&](const QByteArray& r) { return good(r) + QByteArray(1, '\x7E'); }, counters::CrcError},
        {"truncated", [&](const QByteArray& r) { return good(r).left(60); }, counters::TimeOver},
        {"exception", [&](const QByteArray& r) {
             QByteArray a; a.append(r[0]); a.append(char(0x83)); a.append(char(2)); a.append(2, '\0'); AppendCrc(a); return a; },
         counters::TimeOver},
    };
    for (const Case& c : cases) {
        EngineRig rig({1});
        rig.startMonitoring(recorders({1}));
        ASSERT_EQ(rig.link.gReqCode, 11) << c.what;
        rig.port.responder = c.answer;
        rig.store.sprdMon.setText(regmap::mon::Model, 1, "keep");
        const int rows = rig.log.rowCount();
        rig.step();
        EXPECT_EQ(rig.store.sprdCommState.text(c.column, 1), "1") << c.what;
        EXPECT_EQ(rig.store.sprdMon.text(regmap::mon::Model, 1), "keep") << c.what;
        if (c.column == counters::CrcError) {
            ASSERT_EQ(rig.log.rowCount(), rows + 2) << c.what;
            EXPECT_TRUE(rig.log.row(rows + 1).recv);
            EXPECT_TRUE(rig.log.row(rows + 1).badCrc) << c.what;
        }
        // The link recovers on the next good answer.
        rig.port.responder = recorders({1}, 20);
        rig.step();
        EXPECT_EQ(rig.store.sprdMon.text(regmap::mon::Model, 1), "20") << c.what;
        EXPECT_EQ(rig.engine->failureStreak(), 0);
    }
}

TEST(PollingEngine, ThirdFailureInARowMovesPollingToTheNextDevice)
{
    EngineRig rig({1, 2});
    rig.startMonitoring(recorders({1, 2}), 2);
    ASSERT_EQ(rig.link.gMC_Index, 0);
    QSignalSpy failure(rig.engine.get(), &PollingEngine::failureAction);
    // Device 1 now answers with a bad CRC, then not at all, then bad again.
    int n = 0;
    rig.port.responder = [&](const QByteArray& r) -> QByteArray {
        if (r[0] != char(1))
            return RecorderAnswer(r);
        ++n;
        if (n == 2)
            return {};
        QByteArray a = RecorderAnswer(r);
        a[5] = char(a[5] ^ 0x40);
        return a;
    };
    rig.port.requests.clear();
    rig.steps(4);
    EXPECT_EQ(failure.count(), 1);
    EXPECT_EQ(rig.deviceOf(3), 2) << "the fourth request goes to the next device";
    EXPECT_EQ(rig.store.sprdCommState.text(counters::CrcError, 1), "2");
    EXPECT_EQ(rig.store.sprdCommState.text(counters::TimeOver, 1), "1");
    EXPECT_EQ(rig.link.gMC_Online, (QList<bool>{true, true})) << "monitoring keeps a failing device in the cycle";
}

TEST(PollingEngine, UploadReportsProgressAndFinishes)
{
    struct Case { int model; int channels; };
    for (const Case& c : {Case{10, 6}, Case{20, 12}}) {
        EngineRig rig({1});
        rig.startMonitoring(recorders({1}, c.model));
        ASSERT_EQ(rig.link.gChCount, c.channels);
        QSignalSpy progress(rig.engine.get(), &PollingEngine::transferProgress);
        QSignalSpy finished(rig.engine.get(), &PollingEngine::uploadFinished);
        ASSERT_TRUE(rig.engine->post(req::Upload));
        rig.steps(1 + c.channels);
        ASSERT_EQ(progress.count(), 1 + c.channels);
        EXPECT_NEAR(progress[0][0].toDouble(), 74.0 / (74 + 193 * c.channels) * 100, 1e-9);
        EXPECT_EQ(progress[0][1].toString(), "Parameter uploading...(VQ800==>PC)");
        EXPECT_DOUBLE_EQ(progress.last()[0].toDouble(), 100.0);
        EXPECT_EQ(progress.last()[1].toString(), "Parameter upload complete.(VQ800==>PC)");
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(rig.link.gReqCode, 11);
        if (c.channels == 6) {
            EXPECT_NEAR(progress[0][0].toDouble(), 6.0065, 1e-3);
        }
    }
}

TEST(PollingEngine, DownloadWritesEveryBlockWithProgress)
{
    EngineRig rig({5});
    TestImage image;
    rig.startMonitoring(recorders({5}), 1, &image);
    rig.port.requests.clear();
    QSignalSpy progress(rig.engine.get(), &PollingEngine::transferProgress);
    QSignalSpy finished(rig.engine.get(), &PollingEngine::downloadFinished);
    ASSERT_TRUE(rig.engine->post(req::Download));
    rig.steps(20);
    ASSERT_EQ(rig.port.requests.size(), 20);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(rig.link.gReqCode, 11);

    // Frame layouts: first register, count, byte count = register count, data.
    struct Expect { int index; int reg; int count; int firstValue; };
    const Expect frames[] = {{0, 40110, 1, 110}, {5, 40610, 1, 610}, {6, 40101, 9, 101},
                             {12, 40111, 83, 111}, {17, 40611, 83, 611}, {18, 40031, 44, 40031},
                             {19, 40001, 16, 40001}};
    for (const Expect& e : frames) {
        const QByteArray& f = rig.port.requests[e.index];
        EXPECT_EQ(f.size(), 9 + 2 * e.count) << e.index;
        EXPECT_EQ(static_cast<quint8>(f[0]), 5);
        EXPECT_EQ(static_cast<quint8>(f[1]), 16);
        EXPECT_EQ(GetU16BE(f, 2), e.reg) << e.index;
        EXPECT_EQ(GetU16BE(f, 4), e.count) << e.index;
        EXPECT_EQ(static_cast<quint8>(f[6]), e.count) << e.index;
        EXPECT_EQ(GetU16BE(f, 7), e.firstValue) << e.index;
        EXPECT_TRUE(CheckCrc(f));
    }
    ASSERT_EQ(progress.count(), 21);
    EXPECT_NEAR(progress[18][0].toDouble(), 92.88, 0.005);
    EXPECT_EQ(progress[18][1].toString(), "Parameter Downloading(PC==>VQ800)");
    EXPECT_DOUBLE_EQ(progress[19][0].toDouble(), 100.0);
    EXPECT_EQ(progress[20][1].toString(), "Parameter download complete.(PC==>VQ800)");
    EXPECT_EQ(progress[6][1].toString(), "Parameter downloading(PC==>VQ800)");
}

TEST(PollingEngine, DownloadNeverSendsChannelsTheImageLacks)
{
    EngineRig rig({1});
    TestImage image; // six channels only
    rig.startMonitoring(recorders({1}, 25), 1, &image);
    ASSERT_EQ(rig.link.gChCount, 12);
    rig.port.requests.clear();
    ASSERT_TRUE(rig.engine->post(req::Download));
    rig.steps(30);
    int writes = 0;
    for (const QByteArray& f : rig.port.requests) {
        if (f[1] != char(16))
            continue;
        ++writes;
        EXPECT_LT(GetU16BE(f, 2), 40701) << "channel 7 or above written";
    }
    EXPECT_EQ(writes, 20);
}

TEST(PollingEngine, ClosingDuringATransferStopsItAndReopeningScansAgain)
{
    EngineRig rig({1});
    TestImage image;
    rig.startMonitoring(recorders({1}), 1, &image);
    ASSERT_TRUE(rig.engine->post(req::Download));
    rig.steps(5);
    rig.engine->closePort();
    EXPECT_FALSE(rig.tx.isActive());
    EXPECT_FALSE(rig.rx.isActive());
    rig.port.requests.clear();
    ASSERT_TRUE(rig.engine->openPort());
    EXPECT_EQ(rig.log.rowCount(), 0) << "opening clears the log";
    rig.step();
    EXPECT_EQ(codeOf(rig.port.requests.first()), 99);
}

TEST(PollingEngine, ClockFramesAreSentInOrderThenReadBack)
{
    EngineRig rig({1});
    rig.startMonitoring(recorders({1}));
    rig.log.clear();
    QList<QByteArray> frames;
    for (int v : {7, 8}) {
        frames << BuildWriteRequest(1, 40022, QByteArray("\0", 1) + char(v));
        ASSERT_TRUE(rig.engine->queueClockFrame(frames.last(), 1));
    }
    EXPECT_FALSE(rig.link.gCommonReadDone);
    EXPECT_FALSE(rig.engine->queueClockFrame(BuildWriteRequest(2, 40022, QByteArray(2, '\0')), 2))
        << "a frame for another device than the selected one";
    rig.port.requests.clear();
    rig.steps(2 + 7);
    ASSERT_GE(rig.port.requests.size(), 3);
    EXPECT_EQ(rig.port.requests.mid(0, 2), frames);
    EXPECT_EQ(codeOf(rig.port.requests[2]), 100);
    EXPECT_TRUE(rig.link.gCommonReadDone);
    EXPECT_EQ(rig.log.row(0).bytes, frames[0]) << "logged when it goes on the wire";
}

TEST(PollingEngine, ParameterReadOfASilentDeviceGivesWayToMonitoring)
{
    EngineRig rig({1, 2});
    rig.startMonitoring(recorders({1, 2}), 2);
    rig.port.responder = recorders({1});
    rig.engine->selectDevice(1);
    rig.port.requests.clear();
    rig.steps(3 + 2);
    EXPECT_EQ(rig.link.gReqCode, 11);
    EXPECT_EQ(rig.deviceOf(3), 1);
    EXPECT_EQ(codeOf(rig.port.requests[3]), 11);
}

TEST(PollingEngine, LostAdapterReturnsToTheClosedState)
{
    EngineRig rig({1});
    rig.port.responder = recorders({1});
    QSignalSpy panel(rig.engine.get(), &PollingEngine::statusMessage);
    QSignalSpy state(rig.engine.get(), &PollingEngine::portStateRequested);
    rig.engine->openPort();
    rig.steps(3);
    rig.port.lose("device unplugged");
    EXPECT_FALSE(rig.engine->isOpen());
    EXPECT_FALSE(rig.tx.isActive());
    EXPECT_FALSE(rig.rx.isActive());
    EXPECT_TRUE(panel.last().at(0).toString().contains("device unplugged"));
    EXPECT_TRUE(state.last().at(0).toBool());
    rig.port.lose("again"); // a second report changes nothing
    EXPECT_EQ(state.count(), 2);
}

TEST(PollingEngine, PortThatCannotOpenSaysWhy)
{
    EngineRig rig({1});
    rig.port.failOpen = true;
    QString why;
    EXPECT_FALSE(rig.engine->openPort(&why));
    EXPECT_TRUE(why.contains("ttyTEST"));
    EXPECT_TRUE(why.contains("no such device"));
    EXPECT_FALSE(rig.tx.isActive());
}

TEST(CommLog, RestartsAfterAThousandRowsAndCounterClearStartsAgain)
{
    CommLog log;
    for (int i = 0; i < 1000; ++i)
        WriteLogRow("SEND", QByteArray(8, char(i)), log);
    ASSERT_EQ(log.rowCount(), 1000);
    WriteLogRow("RECV", QByteArray("\x01\x03", 2), log);
    ASSERT_EQ(log.rowCount(), 1);
    EXPECT_TRUE(log.row(0).recv);
    EXPECT_EQ(log.row(0).bytes, QByteArray("\x01\x03", 2));
}

TEST(PollingEngine, ABlockTheImageCannotFillEndsTheDownloadUnsent)
{
    struct Short : TestImage {
        QByteArray channelData(int c, int first, int count) const override
        {
            return c == 2 ? QByteArray(3, '\0') : TestImage::channelData(c, first, count);
        }
    };
    EngineRig rig({1});
    Short image;
    rig.startMonitoring(recorders({1}), 1, &image);
    rig.port.requests.clear();
    ASSERT_TRUE(rig.engine->post(req::Download));
    rig.steps(3);
    ASSERT_EQ(rig.port.requests.size(), 3);
    EXPECT_EQ(GetU16BE(rig.port.requests[0], 2), 40110);
    EXPECT_EQ(codeOf(rig.port.requests[1]), 11) << "channel 2 could not be filled: back to monitoring";
    EXPECT_EQ(rig.link.gReqCode, 11);
}
