#include "param/ParamImage.h"
#include "sim/RecorderModel.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int kDispMax = 32, kDispMin = 34;
constexpr int kAlarmSv = 42, kAlarmType = 48;

} // namespace

TEST(Recorder, StatusWordsFollowTheAlarmsAndBurnOut)
{
    struct Case { int channel; int alarm; int word; int bit; };
    const Case cases[] = {{1, 4, 30014, 3}, {4, 2, 30014, 13}, {8, 4, 30013, 15}, {9, 3, 30012, 2}};
    for (const Case& c : cases) {
        RecorderModel m(1, 20);
        // Every alarm off, then one high alarm below the whole display range.
        for (int ch = 1; ch <= 12; ++ch)
            for (int a = 0; a < 4; ++a)
                ASSERT_EQ(m.write(40000 + 100 * ch + kAlarmType + 13 * a, {0}), 0);
        m.advance(1000);
        ASSERT_EQ(m.reg(30012) | m.reg(30013) | m.reg(30014), 0);
        const int base = 40000 + 100 * c.channel + 13 * (c.alarm - 1);
        const float below = m.channelFloat(c.channel, kDispMin) - 1.0f;
        quint32 u;
        std::memcpy(&u, &below, 4);
        ASSERT_EQ(m.write(base + kAlarmSv, {static_cast<quint16>(u >> 16), static_cast<quint16>(u)}), 0);
        ASSERT_EQ(m.write(base + kAlarmType, {1}), 0);
        m.advance(2000);
        for (int w : {30012, 30013, 30014})
            EXPECT_EQ(m.reg(w), w == c.word ? 1 << c.bit : 0) << c.channel << "/" << c.alarm;
        // As a low alarm it clears.
        ASSERT_EQ(m.write(base + kAlarmType, {2}), 0);
        m.advance(3000);
        EXPECT_EQ(m.reg(c.word), 0);
    }
    // Burn-out: two bits a channel, channels 1..6 in 30011, 7..12 in 30010.
    for (auto [channel, word, mask] : {std::tuple{3, 30011, 0x0010}, {7, 30010, 0x0001}, {12, 30010, 0x0400}}) {
        RecorderModel m(1, 20);
        m.setBurnOut(channel, true);
        EXPECT_EQ(m.reg(30010) | m.reg(30011) << 16, word == 30010 ? mask : mask << 16) << channel;
        m.setBurnOut(channel, false);
        EXPECT_EQ(m.reg(word), 0);
    }
}

TEST(Recorder, ClockRunsAndReserveStartsRecording)
{
    RecorderModel m(1, 10, QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59), Qt::UTC));
    m.advance(1500);
    const QList<quint16> expect{2027, 1, 1, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(m.reg(30003 + i), expect[i]);
        EXPECT_EQ(m.reg(40025 + i), expect[i]);
    }
    m.advance(1000); // earlier than now: ignored
    EXPECT_EQ(m.reg(30008), 0);

    // Recording off; reserve start one minute ahead.
    ASSERT_EQ(m.write(40001, {0}), 0);
    ASSERT_EQ(m.write(40018, {1, 2027, 1, 1, 0, 1, 0}), 0);
    EXPECT_EQ(m.reg(30009), 0);
    m.advance(60'000);
    EXPECT_EQ(m.reg(30009), 0);
    m.advance(61'000);
    EXPECT_EQ(m.reg(30009), 1);
    ASSERT_EQ(m.write(40018, {0}), 0);
    EXPECT_EQ(m.reg(30009), 0);
}

TEST(Recorder, ParameterFileLoads)
{
    // Written by the program's own parameter image.
    ParamImage file;
    file.setI16(788, 1);                          // RECORD_ONOFF
    file.setI16(1100, 17);                        // RS232_MAC_NUMBER
    file.setI16(1232 + 300 + 2, 0x7BE0);          // CH02 COLOR as RGB565
    file.setI16(1232 + 300 + 4, 16);              // CH02 RANGE_CODE
    file.setF32(1232 + 300 + 32, 250.5f);         // CH02 DISP_RANGE_MAX
    file.setF32(1232 + 300 + 92 + 28 + 16, 42.25f); // CH02 ALARM02_SV
    file.setChars(1232 + 300 + 216, 10, "KILN");
    RecorderModel m(1);
    QString error;
    ASSERT_TRUE(m.loadParamImage(file.bytes(), &error)) << qPrintable(error);
    const std::pair<int, int> regs[] = {{40001, 1}, {40031, 17}, {40216, 11}, {40210, 16},
                                        {40201, 0x4B49}, {40202, 0x4C4E}, {40203, 0}};
    for (auto [reg, value] : regs)
        EXPECT_EQ(m.reg(reg), value) << reg;
    EXPECT_EQ(m.channelFloat(2, kDispMax), 250.5f);
    EXPECT_EQ(m.channelFloat(2, kAlarmSv + 13), 42.25f);

    // A bad file changes nothing.
    file.setI16(788, 0);
    file.setI16(1232 + 2, 0x1234);
    EXPECT_FALSE(m.loadParamImage(file.bytes(), &error));
    EXPECT_FALSE(m.loadParamImage(file.bytes().left(3000), &error));
    EXPECT_EQ(m.reg(40001), 1);
}
