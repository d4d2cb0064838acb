// A parameter set downloaded through the engine into a simulated recorder.
#include "common/VirtualLine.h"
#include "link/Framing.h"
#include "param/ParamFormat.h"
#include "param/ParamImage.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// A set whose every field holds a value its encoding lists.
ParamImage sampleImage(int channels)
{
    ParamImage img;
    img.setChannelCount(channels);
    int n = 0;
    auto fill = [&](const ParamField& f, int base) {
        const int at = base + f.offset;
        ++n;
        switch (f.enc) {
        case ParamEnc::Chars: img.setChars(at, f.width, QStringLiteral("N%1").arg(n)); break;
        case ParamEnc::Real: img.setF32(at, n * 0.25f); break;
        case ParamEnc::Number32: img.setI32(at, n * 1000); break;
        case ParamEnc::Number: img.setI16(at, static_cast<qint16>(n)); break;
        case ParamEnc::Colour: img.setI16(at, static_cast<qint16>(Rgb565OfColourNumber(n % 12))); break;
        case ParamEnc::RecordAction: img.setI16(at, 127); break;
        case ParamEnc::DisplayMode: img.setI16(at, 6); break;
        case ParamEnc::Protocol: break;
        default: img.setI16(at, 1); break;
        }
    };
    for (const ParamField& f : CommonFields())
        fill(f, 0);
    for (int c = 0; c < channels; ++c)
        for (const ParamField& f : ChannelFields())
            fill(f, ParamImage::ChannelOffset(c));
    return img;
}

} // namespace

TEST(Transfer, SixChannelSetLandsInChannelsOneToSixOfATwelveChannelRecorder)
{
    VirtualLine line({{1, 20}});
    ASSERT_TRUE(line.openAndMonitor());
    const RecorderModel before = line.recorder(1);
    const ParamImage six = sampleImage(6);
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

    // Every register sent holds the set's value (a colour as its number); channels 7..12 are untouched.
    const RecorderModel& rec = line.recorder(1);
    for (int c = 1; c <= 12; ++c) {
        const QByteArray data = six.channelData(c, 1, 9) + six.channelData(c, 10, 1) + six.channelData(c, 11, 83);
        for (int i = 1; i <= 93; ++i) {
            quint16 want = c > 6 ? before.channelReg(c, i) : GetU16BE(data, 2 * (i - 1));
            if (c <= 6 && i == 16)
                want = static_cast<quint16>(ColourNumberOfRgb565(want));
            ASSERT_EQ(rec.channelReg(c, i), want) << "CH" << c << " register " << i;
        }
    }
    const QByteArray common = six.commonData(40001, 16) + QByteArray(28, '\0') + six.commonData(40031, 44);
    for (int r = 40001; r <= 40074; ++r)
        if (r < 40017 || r > 40030)
            ASSERT_EQ(rec.reg(r), GetU16BE(common, 2 * (r - 40001))) << r;
}
