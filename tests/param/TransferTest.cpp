// A parameter set downloaded through the engine into a simulated recorder.
#include "SampleImage.h"
#include "common/VirtualLine.h"
#include "link/Framing.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

TEST(Transfer, SixChannelSetLandsInChannelsOneToSixOfATwelveChannelRecorder)
{
    VirtualLine line({{1, 20}});
    ASSERT_TRUE(line.openAndMonitor());
    const RecorderModel before = line.recorder(1);
    const ParamImage six = FullImage(6, 3);
    line.engine.setParamSource(&six);
    QSignalSpy progress(&line.engine, &PollingEngine::transferProgress);
    QSignalSpy done(&line.engine, &PollingEngine::downloadFinished);
    const int from = line.port.requestNumber();
    ASSERT_TRUE(line.engine.post(req::Download));
    ASSERT_TRUE(line.runUntil([&] { return done.count() > 0; }));
    int writes = 0;
    for (const QByteArray& w : line.sentSince(from))
        writes += w[1] == char(16);
    EXPECT_EQ(writes, 20);
    // Progress over the registers sent: after 553, (60 + 16 + 498) / 618.
    EXPECT_NEAR(progress.at(18).at(0).toDouble(), 574.0 / 618.0 * 100.0, 1e-9);

    // Every register sent holds the set's value (a colour as its number in the
    // recorder's own table); channels 7..12 are untouched.
    const RecorderModel& rec = line.recorder(1);
    for (int c = 1; c <= 12; ++c) {
        const QByteArray data = six.channelData(c, 1, 9) + six.channelData(c, 10, 1) + six.channelData(c, 11, 83);
        for (int i = 1; i <= 93; ++i) {
            const quint16 held = rec.channelReg(c, i);
            if (c > 6)
                ASSERT_EQ(held, before.channelReg(c, i)) << "CH" << c << " register " << i;
            else
                ASSERT_EQ(i == 16 ? Rgb565OfColorNumber(held) : held, GetU16BE(data, 2 * (i - 1))) << "CH" << c << " register " << i;
        }
    }
    const QByteArray common = six.commonData(40001, 16) + QByteArray(28, '\0') + six.commonData(40031, 44);
    for (int r = 40001; r <= 40074; ++r)
        if (r < 40017 || r > 40030)
            ASSERT_EQ(rec.reg(r), GetU16BE(common, 2 * (r - 40001))) << r;
}
