// The polling engine against the simulated recorders, in process: what the
// engine stores must be what the recorders hold, and what it downloads must
// end up in them.
#include "common/SimRig.h"
#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/Framing.h"
#include "link/LinkState.h"
#include "link/Numbers.h"
#include "link/ParamSource.h"
#include "link/PollingEngine.h"
#include "link/RegisterMap.h"
#include "sim/LineServer.h"
#include "sim/RecorderModel.h"
#include "sim/SimPort.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// A parameter set taken from a recorder, with a few edits on top.
class EditedCopy : public ParamSource {
public:
    EditedCopy(const RecorderModel& from, int channels) : m_from(from), m_channels(channels) {}
    QMap<int, quint16> edits; // register -> value
    int channelCount() const override { return m_channels; }
    QByteArray channelData(int c, int first, int count) const override
    {
        return data(regmap::ChannelBase(c) + first, count);
    }
    QByteArray commonData(int first, int count) const override { return data(first, count); }

private:
    QByteArray data(int first, int count) const
    {
        QByteArray d;
        for (int r = first; r < first + count; ++r)
            AppendU16BE(d, edits.value(r, m_from.reg(r)));
        return d;
    }
    const RecorderModel& m_from;
    int m_channels;
};

} // namespace

TEST(EngineOnSim, ScanSkipsTheSilentRecorderAndStoresWhatTheOthersHold)
{
    SimRig rig({{1, 10}, {2, 10}, {3, 20}});
    FaultConfig silent;
    silent.silent = true;
    rig.server.setFaults(2, silent);
    ASSERT_TRUE(rig.engine.openPort());
    rig.untilMonitoring();
    ASSERT_TRUE(rig.link.gCommonReadDone);
    EXPECT_EQ(rig.link.gMC_Online, (QList<bool>{true, false, true}));
    EXPECT_EQ(rig.link.gSelMC_No, 1);
    rig.steps(4);

    QList<int> polled;
    for (const QByteArray& r : rig.port.requests().mid(rig.port.requests().size() - 4))
        polled << static_cast<quint8>(r[0]);
    EXPECT_EQ(polled, (QList<int>{1, 3, 1, 3}));

    // The store holds the recorders' own values.
    for (int row : {1, 3}) {
        RecorderModel* m = rig.server.device(row);
        EXPECT_EQ(rig.store.sprdMon.text(regmap::mon::Model, row), QString::number(m->modelCode()));
        EXPECT_EQ(rig.store.sprdMon.text(regmap::mon::Pv01, row), FloatText(GetF32BE([&] {
                      QByteArray b;
                      AppendU16BE(b, m->reg(30017));
                      AppendU16BE(b, m->reg(30018));
                      return b;
                  }(), 0)));
    }
    RecorderModel* one = rig.server.device(1);
    EXPECT_EQ(rig.store.sprdP_Common.text(1, 31), QString::number(one->reg(40031)));
    EXPECT_EQ(rig.store.sprdP_CH.text(6, regmap::ch::RangeCode), QString::number(one->reg(40610)));
    EXPECT_EQ(rig.store.sprdCommState.text(counters::TimeOver, 2), "3");
}

TEST(EngineOnSim, DownloadLandsInTheRecorderAndUploadReadsItBack)
{
    for (int model : {10, 20}) {
        SimRig rig({{7, model}});
        rig.engine.openPort();
        rig.untilMonitoring();
        RecorderModel* rec = rig.server.device(7);
        const RecorderModel before = *rec;
        const int channels = rec->channelCount();
        ASSERT_EQ(rig.link.gChCount, channels);

        EditedCopy image(before, channels);
        image.edits[40101] = 0x4142;                        // name "AB..."
        image.edits[regmap::ChannelBase(channels) + 42] = 0x42C8; // last channel's alarm 1 set value: 100.0
        image.edits[regmap::ChannelBase(channels) + 43] = 0x0000;
        image.edits[40001] = 1;                              // recording on
        image.edits[40033] = 2;                              // RS-232 baud rate code
        rig.engine.setParamSource(&image);
        QSignalSpy done(&rig.engine, &PollingEngine::downloadFinished);
        ASSERT_TRUE(rig.engine.post(req::Download));
        rig.steps(3 * channels + 2);
        ASSERT_EQ(done.count(), 1) << model;
        EXPECT_EQ(rig.store.sprdCommState.text(counters::CrcError, 1), QString());

        EXPECT_EQ(rec->reg(40101), 0x4142);
        EXPECT_EQ(rec->reg(regmap::ChannelBase(channels) + 42), 0x42C8);
        EXPECT_EQ(rec->reg(40001), 1);
        EXPECT_EQ(rec->reg(40033), 2);

        QSignalSpy up(&rig.engine, &PollingEngine::uploadFinished);
        ASSERT_TRUE(rig.engine.post(req::Upload));
        rig.steps(1 + channels);
        ASSERT_EQ(up.count(), 1);
        EXPECT_EQ(rig.store.sprdP_CH.text(1, regmap::ch::Name).left(2), "AB");
        EXPECT_EQ(rig.store.sprdP_CH.text(channels, regmap::ch::Alarm(1, 0)), "100");
        EXPECT_EQ(rig.store.sprdP_Common.text(1, 33), "2");
    }
}

TEST(EngineOnSim, PollingRidesThroughFaultsAndCountsEachOne)
{
    struct Case {
        const char* what;
        double FaultConfig::*rate;
        int FaultCounts::*count;
        int counter;
    };
    const Case cases[] = {
        {"crc", &FaultConfig::crcRate, &FaultCounts::crc, counters::CrcError},
        {"noise", &FaultConfig::noiseRate, &FaultCounts::noise, counters::CrcError},
        {"wrong id", &FaultConfig::wrongIdRate, &FaultCounts::wrongId, counters::CrcError},
        {"drop", &FaultConfig::dropRate, &FaultCounts::dropped, counters::TimeOver},
        {"truncate", &FaultConfig::truncateRate, &FaultCounts::truncated, counters::TimeOver},
        {"exception", &FaultConfig::exceptionRate, &FaultCounts::exception, counters::TimeOver},
    };
    for (const Case& c : cases) {
        SimRig rig({{1, 10}, {2, 10}});
        rig.server.setSeed(7);
        ASSERT_TRUE(rig.engine.openPort());
        rig.untilMonitoring();
        FaultConfig f;
        f.*c.rate = 0.2;
        rig.server.setFaults(f);
        rig.steps(300);
        qint64 counted = 0;
        for (int row = 1; row <= 2; ++row)
            counted += static_cast<qint64>(LeadingNumber(rig.store.sprdCommState.text(c.counter, row)));
        const int injected = rig.server.counts().*c.count;
        EXPECT_GT(injected, 20) << c.what;
        EXPECT_EQ(counted, injected) << c.what;
        EXPECT_TRUE(rig.engine.isOpen()) << c.what;
        EXPECT_EQ(rig.link.gReqCode, 11) << c.what;
        EXPECT_EQ(rig.link.gMC_Online, (QList<bool>{true, true})) << c.what;
    }
}
