#include "link/DataStore.h"
#include "link/Decoder.h"
#include "link/Framing.h"
#include "link/RegisterMap.h"

#include <gtest/gtest.h>

namespace {

// A read answer of the given registers, framed and with its CRC.
QByteArray answer(int device, const QByteArray& regs)
{
    QByteArray f = QByteArray(1, char(device)) + char(3) + char(regs.size()) + regs + QByteArray(2, '\0');
    AppendCrc(f);
    return f;
}

struct Fixture : ::testing::Test {
    DataStore store;
    void SetUp() override
    {
        for (int n : {1, 3})
            store.appendDeviceRow(n);
    }
};

QByteArray liveRegisters(int model)
{
    QByteArray r;
    for (int v : {model, 0x010A, 2026, 3, 5, 7, 8, 9, 1, 0x0300, 0x0004, 0x0001, 0x0002, 0x0012, 0x8003, 0x0021})
        AppendU16BE(r, static_cast<quint16>(v));
    for (int n = 1; n <= 12; ++n)
        AppendF32BE(r, n == 1 ? 10.0f : n == 2 ? -12.5f : 100.0f + n / 4.0f);
    AppendF32BE(r, 23.25f);  // PV_RJC
    AppendU32BE(r, 65536);   // SDC_TOTAL_SPACE
    AppendU32BE(r, 1000);    // SDC_USED_SPACE
    AppendU16BE(r, 42);      // INT_MEMORY_USED
    return r;
}

} // namespace

TEST_F(Fixture, LiveAnswerFillsItsDeviceRowAScanAnswerOnlyMarksIt)
{
    const QByteArray f = answer(3, liveRegisters(25));
    ASSERT_EQ(f.size(), 99);
    DecodeAnswer(store, 2, 11, f);
    const TextTable& t = store.sprdMon;
    const std::pair<int, const char*> cells[] = {
        {1, "OK"}, {2, "25"}, {3, "1.10"}, {4, "2026-03-05 07:08:09"}, {5, "1"}, {6, "768"}, {7, "4"},
        {8, "1"}, {9, "2"}, {10, "18"}, {11, "32771"}, {12, "33"}, {13, "10"}, {14, "-12.5"}, {15, "100.75"},
        {24, "103"}, {25, "23.25"}, {26, "65536"}, {27, "1000"}, {28, "42"},
    };
    for (auto [col, text] : cells)
        EXPECT_EQ(t.text(col, 2), QString::fromLatin1(text)) << "column " << col;
    EXPECT_EQ(t.text(1, 1), QString()) << "another device's row stays untouched";

    // A scan answer only marks its device.
    DecodeAnswer(store, 1, 99, answer(1, liveRegisters(25).left(4)));
    EXPECT_EQ(t.text(1, 1), "OK");
    EXPECT_EQ(t.text(2, 1), QString());
}

TEST_F(Fixture, CommonAnswerLandsInItsRows)
{
    QByteArray r;
    for (int k = 1; k <= 74; ++k) {
        if (regmap::CommonOffsetIsU32(k)) {
            AppendU32BE(r, 100000u + static_cast<quint32>(k));
            ++k;
        } else {
            AppendU16BE(r, static_cast<quint16>(k));
        }
    }
    const QByteArray f = answer(1, r);
    ASSERT_EQ(f.size(), 153);
    DecodeAnswer(store, 1, 100, f);
    const TextTable& t = store.sprdP_Common;
    EXPECT_EQ(t.text(1, 31), "31");
    EXPECT_EQ(t.text(1, 45), "45");  // DI01_LEVEL from 40045
    EXPECT_EQ(t.text(1, 48), "100048");
    EXPECT_EQ(t.text(1, 56), "100058"); // DI03_RYT from 40058/40059
    EXPECT_EQ(t.text(1, 68), "100073"); // DI06_RYT, low half in 40074
    EXPECT_EQ(t.text(0, 56), "DI03_RYT");
    EXPECT_EQ(store.sprdMon.text(1, 1), "OK");
}

TEST_F(Fixture, ChannelAnswerKeepsNamePaddingAndDecodesEveryType)
{
    for (const QByteArray& name : {QByteArray("TEMP      ", 10), QByteArray("TEMP\0\0\0\0\0\0", 10)}) {
        QByteArray r = name;
        r.append(QByteArray("\xB0" "C\0\0\0\0", 6));
        for (int i = 9; i <= 21; ++i)
            AppendU16BE(r, static_cast<quint16>(i));
        for (int i = 22; i <= 41; i += 2)
            AppendF32BE(r, i == 32 ? 1370.0f : i == 34 ? -200.0f : 0.5f);
        for (int a = 0; a < 4; ++a) {
            AppendF32BE(r, 100.0f + a);
            AppendF32BE(r, 1.5f);
            AppendF32BE(r, 0.0f);
            for (int j = 0; j < 5; ++j)
                AppendU16BE(r, static_cast<quint16>(10 * a + j));
            AppendU32BE(r, 70000u + a);
        }
        const QByteArray f = answer(1, r);
        ASSERT_EQ(f.size(), 191);
        DecodeAnswer(store, 1, 203, f);
        const TextTable& t = store.sprdP_CH;
        EXPECT_EQ(t.text(3, 1), QString::fromLatin1(name));
        EXPECT_EQ(t.text(3, 1).size(), 10);
        EXPECT_EQ(t.text(3, 2), QString::fromLatin1("\xB0" "C\0\0\0\0", 6));
        EXPECT_EQ(t.text(3, regmap::ch::DispOnOff), "9");
        EXPECT_EQ(t.text(3, regmap::ch::MathBCh), "21");
        EXPECT_EQ(t.text(3, regmap::ch::DispRangeMax), "1370");
        EXPECT_EQ(t.text(3, regmap::ch::DispRangeMin), "-200");
        EXPECT_EQ(t.text(3, regmap::ch::Alarm(3, 0)), "102");
        EXPECT_EQ(t.text(3, regmap::ch::Alarm(3, 1)), "1.5");
        EXPECT_EQ(t.text(3, regmap::ch::Alarm(3, 3)), "20");
        EXPECT_EQ(t.text(3, regmap::ch::Alarm(3, 7)), "24");
        EXPECT_EQ(t.text(3, regmap::ch::Alarm(4, 8)), "70003");
        EXPECT_EQ(t.text(2, 1), QString()) << "only the addressed channel's column changes";
    }
}
