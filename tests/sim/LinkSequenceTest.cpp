// Operator actions that land in the middle of the link's sequence, and
// answers that come too late, on simulated recorders in virtual time.
#include "common/VirtualLine.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

TEST(LinkSequence, ASelectedDeviceIsReadForItsOwnChannelCount)
{
    // preselect: the index selected before the port opens; silent: a device that never answers.
    struct Case { const char* what; QList<std::pair<int, int>> devices; int preselect, silent;
                  QList<int> clicks; int expect; };
    const Case cases[] = {
        {"12 after 6", {{1, 20}, {2, 10}, {3, 20}}, -1, 0, {1, 2}, 3},
        {"6 after 12", {{1, 10}, {2, 20}, {3, 10}}, -1, 0, {1, 2}, 3},
        {"scan end takes the first that answered", {{1, 10}, {2, 20}}, 0, 1, {}, 2},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        VirtualLine line(k.devices);
        if (k.silent)
            line.silence(k.silent);
        if (k.preselect >= 0)
            line.engine.selectDevice(k.preselect);
        ASSERT_TRUE(line.engine.openPort());
        ASSERT_TRUE(line.runUntil([&] { return line.monitoring(); }));
        for (int row : k.clicks) {
            const int from = line.port.requestNumber();
            line.engine.selectDevice(row);
            ASSERT_TRUE(line.runUntil([&] { return line.link.gSelMC_Index == row; }));
            EXPECT_EQ(line.store.sprdP_CH.text(1, regmap::ch::Name), "") << "another recorder's name as this one's";
            ASSERT_TRUE(line.runUntil([&] { return line.monitoring() && line.link.gSelMC_Index == row; }));
            int reads = 0; // channel blocks
            for (const QByteArray& r : line.sentSince(from))
                reads += static_cast<quint8>(r[0]) == line.link.gSelMC_No && r[1] == char(3) && GetU16BE(r, 2) > 40100;
            EXPECT_EQ(reads, line.recorder(line.link.gSelMC_No).channelCount());
        }
        EXPECT_EQ(line.storeDiffers(k.expect), "");
    }
}

TEST(LinkSequence, ARowClickDuringTheScanWaitsForItsEnd)
{
    QList<std::pair<int, int>> devices;
    for (int n = 1; n <= 12; ++n)
        devices.append({n, n == 8 ? 20 : 10});
    VirtualLine line(devices);
    for (int n : {2, 5, 9})
        line.silence(n);
    QSignalSpy state(&line.engine, &PollingEngine::portStateRequested);
    ASSERT_TRUE(line.engine.openPort());
    line.runFor(4000);
    ASSERT_EQ(line.engine.phase(), req::Phase::Scan);
    line.engine.selectDevice(7); // device 8
    ASSERT_TRUE(line.runUntil([&] { return line.monitoring() && line.link.gSelMC_No == 8; }));

    QSet<int> scanned;
    for (const QByteArray& r : line.port.requests())
        if (GetU16BE(r, 2) == 30001 && GetU16BE(r, 4) == 2)
            scanned.insert(static_cast<quint8>(r[0]));
    EXPECT_EQ(scanned.size(), 12) << "every device was asked";
    ASSERT_FALSE(state.isEmpty());
    EXPECT_FALSE(state.last().at(0).toBool()) << "menus in the open state";
    EXPECT_EQ(line.link.gMC_Online.count(true), 9);
    EXPECT_EQ(line.storeDiffers(8), "");
}

TEST(LinkSequence, ATransferRunsToItsEndBeforeAClickIsTaken)
{
    VirtualLine line({{1, 10}, {2, 10}});
    ASSERT_TRUE(line.openAndMonitor());
    RecorderSet image(line.recorder(1)); // device 1's own set, sent back to it
    line.engine.setParamSource(&image);
    const int from = line.port.requestNumber();
    ASSERT_TRUE(line.engine.post(req::Download));
    line.runFor(300);
    line.engine.selectDevice(1); // a click in the middle of the download
    EXPECT_FALSE(line.engine.setDeviceList({"O"})) << "no list change under an open port";
    ASSERT_TRUE(line.runUntil([&] { return line.ended(req::Download) == 1 && line.monitoring() && line.link.gSelMC_No == 2; }));
    int writes = 0;
    for (const QByteArray& r : line.port.requests().mid(from))
        if (r[1] == char(16)) {
            ++writes;
            EXPECT_EQ(static_cast<quint8>(r[0]), 1) << "every block to the device the download was asked for";
        }
    EXPECT_EQ(writes, 20);
    EXPECT_EQ(line.storeDiffers(2), "");
}

TEST(LinkSequence, ClockFramesGoOnlyToTheDeviceTheyWereBuiltFor)
{
    VirtualLine line({{1, 10}, {2, 10}});
    ASSERT_TRUE(line.openAndMonitor());
    const quint16 before[2] = {line.recorder(1).reg(40022), line.recorder(2).reg(40022)};
    const QByteArray frame = BuildWriteRequest(1, 40022, QByteArray::fromHex("0011"));
    // Queued, then the port closes and opens again: the frame is gone.
    ASSERT_TRUE(line.engine.queueClockFrame(frame, 1));
    line.engine.closePort();
    ASSERT_TRUE(line.openAndMonitor());
    line.runFor(1000);
    EXPECT_EQ(line.recorder(1).reg(40022), before[0]);
    // Queued, then another device is selected: the frame is gone.
    ASSERT_TRUE(line.engine.queueClockFrame(frame, 1));
    line.engine.selectDevice(1);
    ASSERT_TRUE(line.runUntil([&] { return line.monitoring() && line.link.gSelMC_No == 2; }));
    line.runFor(1000);
    EXPECT_TRUE(line.engine.clockFrames().isEmpty());
    EXPECT_EQ(line.recorder(1).reg(40022), before[0]);
    EXPECT_EQ(line.recorder(2).reg(40022), before[1]);
    EXPECT_FALSE(line.engine.queueClockFrame(frame, 1)) << "built for device 1, device 2 is selected";
}

TEST(LinkSequence, LateAnswersAreNeverTakenForALaterRequest)
{
    VirtualLine line({{1, 10}});
    line.server.setSeed(9);
    ASSERT_TRUE(line.openAndMonitor());
    FaultConfig late;
    late.delayRate = 0.3;
    line.server.setFaults(late);
    for (int run = 1; run <= 12; ++run) {
        SCOPED_TRACE(run);
        const int uploaded = line.ended(req::Upload);
        ASSERT_TRUE(line.engine.post(req::Upload));
        ASSERT_TRUE(line.runUntil([&] { return line.transfers.size() == run; }));
        // Each upload gives the recorder's exact set, or says it failed.
        if (line.ended(req::Upload) > uploaded) {
            EXPECT_EQ(line.storeDiffers(1), "");
            for (int reg = 40031; reg <= 40044; ++reg)
                EXPECT_EQ(line.store.sprdP_Common.text(1, reg - 40000), QString::number(line.recorder(1).reg(reg)));
        }
    }
    EXPECT_GE(line.ended(req::Upload), 9);
    EXPECT_GT(line.server.counts().delayed, 10);
}

TEST(LinkSequence, ARefusedOrBrokenDownloadPutsBackWhatItWroteAndSaysWhatHappened)
{
    // silentAfter / stopAfter: writes answered before the recorder falls silent / the operator stops it.
    struct Case { const char* what; int refuse; int silentAfter; int stopAfter; TransferResult result; const char* text; int writes; };
    const Case cases[] = {
        {"refused", 40301, 0, 0, TransferResult::Refused,
         "Device 1 refused the CH.03 block (illegal data value, 03); the blocks already written were restored.", 9 + 8},
        {"refused at once", 40110, 0, 0, TransferResult::Refused,
         "Device 1 refused the CH.01 block (illegal data value, 03); nothing had been written.", 1},
        {"silent part-way", 0, 8, 0, TransferResult::NoAnswer,
         "Device 1 does not answer the CH.03 block; putting back the blocks already written failed: the device does "
         "not answer.", 8 + 9 * 1 + 3},
        {"stopped part-way", 0, 0, 8, TransferResult::Stopped,
         "The download to device 1 was stopped; the blocks already written were restored.", 8 + 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VirtualLine line({{1, 10}, {2, 10}});
        ASSERT_TRUE(line.openAndMonitor());
        RecorderModel& rec = line.recorder(1);
        const RecorderModel before = rec;
        RecorderSet image(rec);
        image.edits = {{40110, 7}, {40201, 0x4142}, {40310, 9}};
        FaultConfig refuse;
        refuse.refuseRegister = c.refuse;
        line.server.setFaults(1, refuse);
        QSignalSpy panel(&line.engine, &PollingEngine::statusMessage);
        int writes = 0;
        line.server.rewriteAnswer = [&](const QByteArray& r, QByteArray a) -> QByteArray {
            if (r[1] != char(16))
                return a;
            ++writes;
            if (c.stopAfter && writes == c.stopAfter)
                line.engine.stopTransfer();
            return c.silentAfter && writes > c.silentAfter ? QByteArray() : a;
        };
        const int from = line.port.requestNumber();
        ASSERT_TRUE(line.engine.postDownload(image, false));
        ASSERT_TRUE(line.runUntil([&] { return !line.transfers.isEmpty(); }));
        const VirtualLine::TransferEnd& end = line.transfers.last();
        EXPECT_EQ(end.result, c.result);
        EXPECT_EQ(end.text, QString::fromLatin1(c.text));
        int sentWrites = 0;
        for (const QByteArray& r : line.sentSince(from))
            sentWrites += r[1] == char(16);
        EXPECT_EQ(sentWrites, c.writes);
        if (!c.silentAfter) {
            for (int reg : {40110, 40201, 40310})
                EXPECT_EQ(rec.reg(reg), before.reg(reg)) << "the recorder ends as it began: " << reg;
            EXPECT_EQ(panel.contains(QVariantList{QStringLiteral("device 1 refused register%1: illegal data value (03)")
                                                         .arg(c.refuse == 40301 ? "s 40301..40309" : " 40110")}),
                      c.refuse != 0);
            EXPECT_EQ(line.store.sprdCommState.text(counters::Refused, 1), c.refuse ? "1" : "");
            EXPECT_EQ(line.store.sprdCommState.text(counters::TimeOver, 1), "");
        }
        line.server.rewriteAnswer = nullptr;
        line.steps(2);
        EXPECT_EQ(line.engine.phase(), req::Phase::Live) << "polling goes on";
    }
}
