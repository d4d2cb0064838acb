// Uploads and downloads through the engine against a fake recorder.
#include "FakeLine.h"
#include "link/ChannelColours.h"
#include "param/ParamImage.h"
#include "param/ParamTables.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Every sent register of a set: channels 1..n and the two common blocks.
QList<int> sentRegisters(int channels)
{
    QList<int> r;
    for (int c = 1; c <= channels; ++c)
        for (int i = 1; i <= 93; ++i)
            r << 40000 + 100 * c + i;
    for (int i = 40001; i <= 40074; ++i)
        if (i < 40017 || i > 40030)
            r << i;
    return r;
}

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
        case ParamEnc::Colour: img.setI16(at, static_cast<qint16>(*colours::Rgb565(n % 12))); break;
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

bool download(FakeLine& line, const ParamImage& img)
{
    line.engine.setParamSource(&img);
    QSignalSpy done(&line.engine, &PollingEngine::downloadFinished);
    line.engine.post(req::Download);
    return line.run([&] { return done.count() > 0; });
}

} // namespace

TEST(Transfer, SixChannelSetToTwelveChannelRecorderSendsChannelsOneToSix)
{
    FakeLine line(12);
    const ParamImage six = sampleImage(6);
    QSignalSpy progress(&line.engine, &PollingEngine::transferProgress);
    ASSERT_TRUE(download(line, six));
    EXPECT_EQ(line.port.writes.size(), 20);
    for (const QByteArray& w : line.port.writes)
        EXPECT_LT(GetU16BE(w, 2), 40701) << GetU16BE(w, 2);
    // Progress over the registers sent: after 553, (60 + 16 + 498) / 618.
    EXPECT_NEAR(progress.at(18).at(0).toDouble(), 574.0 / 618.0 * 100.0, 1e-9);
    for (int reg : sentRegisters(6))
        ASSERT_TRUE(line.port.regs.contains(reg)) << reg;
}

