// Recorders that come back: a device out of the round is asked again while
// monitoring and, once it answers, is polled and logged like the others.
#include "common/VirtualLine.h"
#include "logging/DataLogger.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int requestsTo(const VirtualLine& line, int device)
{
    int n = 0;
    for (const QByteArray& r : line.port.requests())
        n += static_cast<quint8>(r[0]) == device;
    return n;
}

} // namespace

TEST(Unattended, ARecorderSwitchedOnLateIsAskedAgainThenPolledAndLogged)
{
    QTemporaryDir dir;
    VirtualLine line({{1, 10}, {2, 20}, {3, 10}});
    DataLogger logger(line.link, line.store);
    logger.attach(line.engine);
    logger.now = [&] { return QDateTime(QDate(2026, 12, 6), QTime(3, 0)).addMSecs(line.nowUs / 1000); };
    logger.portOpen = [&] { return line.engine.isOpen(); };
    DSaveSettings s;
    s.gDSaveEnable = "Yes";
    s.gDSaveInterval = 1;
    s.gDSaveUnit = "sec";
    s.gDSaveFolder = dir.path();
    s.gDSaveFileName = "LATE";
    logger.setSettings(s);
    const QString file = QDir(dir.path()).filePath("LATE_02.VQD");
    auto run = [&](qint64 ms, auto done) {
        return line.runUntil([&] {
            logger.saveCheck();
            return done();
        }, ms);
    };

    line.silence(2);
    ASSERT_TRUE(line.openAndMonitor());
    EXPECT_FALSE(line.link.isOnline(1));
    const int scan = requestsTo(line, 2);
    EXPECT_EQ(scan, 3);

    // Silent: asked 5, 10, 20, 40 s apart, then once a minute; one question
    // between live polls, counted as a time-out.
    run(130'000 - line.nowUs / 1000, [] { return false; });
    EXPECT_EQ(requestsTo(line, 2), scan + 4);
    EXPECT_EQ(line.store.sprdCommState.text(counters::TimeOver, 2), "7");
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_GT(requestsTo(line, 1), 300) << "the others are polled all the while";

    // Switched on: within 90 s it answers, joins the round and has its records.
    line.silence(2, false);
    const qint64 on = line.nowUs / 1000;
    ASSERT_TRUE(run(90'000, [&] { return QFileInfo(file).size() > 512 + 64; }));
    EXPECT_LT(line.nowUs / 1000 - on, 90'000);
    EXPECT_EQ(line.store.sprdStatus.text(status::Online, 2), "OK");
    EXPECT_TRUE(line.link.isOnline(1));
    EXPECT_EQ(line.engine.modelOf(1), 20);
}

TEST(Unattended, WithNobodyAnsweringTheKeptPortAsksAllAgainUntilOneAnswers)
{
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep);
        VirtualLine line({{1, 10}, {2, 10}});
        line.engine.setKeepPortWhenNobodyAnswers(keep);
        line.silence(1);
        line.silence(2);
        ASSERT_TRUE(line.engine.openPort());
        line.runFor(40'000);
        EXPECT_EQ(line.engine.isOpen(), keep);
        if (!keep)
            continue;
        EXPECT_GE(requestsTo(line, 1), 3 + 2) << "every 10 s";
        line.silence(2, false);
        ASSERT_TRUE(line.runUntil([&] { return line.monitoring(); }, 30'000));
        EXPECT_EQ(line.link.gSelMC_No, 2) << "the first to answer is selected and read";
        const int before = requestsTo(line, 2);
        line.runFor(5'000);
        EXPECT_GT(requestsTo(line, 2), before + 10) << "and polled";
    }
}

TEST(Unattended, TheSelectedRecorderComingBackIsReadForItsOwnChannels)
{
    VirtualLine line({{1, 10}, {2, 20}});
    line.silence(2);
    ASSERT_TRUE(line.openAndMonitor());
    ASSERT_TRUE(line.engine.selectDevice(1)); // the silent twelve-channel recorder
    ASSERT_TRUE(line.runUntil([&] { return line.engine.phase() == req::Phase::Live && line.link.gSelMC_No == 2; }));
    line.silence(2, false);
    ASSERT_TRUE(line.runUntil([&] { return line.link.isOnline(1); }, 90'000));
    EXPECT_EQ(line.link.gChCount, 12) << "before any live answer: a read asked now covers its channels";
    ASSERT_TRUE(line.runUntil([&] { return line.monitoring(); }));
    EXPECT_EQ(line.storeDiffers(2), QString());
}

TEST(Unattended, ADeviceAnsweringOnlyGarbageIsNgAndGetsNoRecordsUntilItAnswersWell)
{
    QTemporaryDir dir;
    VirtualLine line({{1, 10}, {2, 10}});
    DataLogger logger(line.link, line.store);
    logger.attach(line.engine);
    logger.now = [&] { return QDateTime(QDate(2026, 12, 6), QTime(3, 0)).addMSecs(line.nowUs / 1000); };
    DSaveSettings s{"Yes", 1, "sec", dir.path(), "GARBAGE"};
    logger.setSettings(s);
    const auto records = [&](int device) {
        return (QFileInfo(QDir(dir.path()).filePath(QStringLiteral("GARBAGE_%1.VQD").arg(device, 2, 10, QLatin1Char('0')))).size() - 512) / 64;
    };
    const auto run = [&](qint64 ms) {
        line.runUntil([&] {
            logger.saveCheck();
            return false;
        }, ms);
    };
    ASSERT_TRUE(line.openAndMonitor());
    run(10'000);
    const qint64 before[2] = {records(1), records(2)};
    EXPECT_GE(before[1], 9);

    // Device 2 answers every request with a bad CRC for 20 s.
    int transactions = 0;
    line.server.rewriteAnswer = [&](const QByteArray& r, QByteArray a) {
        if (r[0] == char(2)) {
            ++transactions;
            a[a.size() - 1] = char(a[a.size() - 1] ^ 0x5A);
        }
        return a;
    };
    QList<int> ngAfter;
    QObject::connect(&line.engine, &PollingEngine::deviceStateChanged, [&](int device, DeviceState st, const QString&) {
        if (device == 2 && st == DeviceState::Ng)
            ngAfter << transactions;
    });
    run(20'000);
    ASSERT_FALSE(ngAfter.isEmpty());
    EXPECT_LE(ngAfter.first(), 3) << "NG within three transactions";
    EXPECT_LE(records(2) - before[1], 1) << "its old values are never logged as new";
    EXPECT_GE(records(1) - before[0], 18) << "the other device is logged all the while";

    // It answers well again: asked again, back in the round, logged.
    line.server.rewriteAnswer = nullptr;
    run(20'000);
    EXPECT_EQ(line.store.sprdStatus.text(status::Online, 2), "OK");
    EXPECT_GE(records(2) - before[1], 5);
}
