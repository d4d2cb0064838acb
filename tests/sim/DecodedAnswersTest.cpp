// The simulator's answers as the program's decoder sees them.
#include "link/DataStore.h"
#include "link/Decoder.h"
#include "link/Framing.h"
#include "link/LinkState.h"
#include "link/RegisterMap.h"
#include "sim/LineServer.h"

#include <gtest/gtest.h>

TEST(Decoded, LiveCommonAndChannelBlocks)
{
    LineServer server;
    server.setWireFormat({0, 10, 5});
    server.addDevice(2, 20);
    LinkState link;
    DataStore store;
    link.gMC_No << 2;
    link.gMC_Online << true;
    store.appendDeviceRow(2);
    const auto answerTo = [&](const QByteArray& request, qint64 ms) {
        const auto r = server.feed(request + '\0', ms);
        return r.answers.isEmpty() ? QByteArray() : r.answers[0].bytes;
    };

    DecodeAnswer(link, store, 11, answerTo(BuildReadRequest(2, 30001, 47), 5000));
    const TextTable& mon = store.sprdMon;
    EXPECT_EQ(mon.text(regmap::mon::Model, 1), "20");
    EXPECT_EQ(link.gChCount, 12);
    EXPECT_EQ(mon.text(regmap::mon::FwVer, 1), "2.3");
    EXPECT_EQ(mon.text(regmap::mon::SysDateTime, 1), "2026-12-04 10:00:05");
    EXPECT_EQ(mon.text(regmap::mon::RecordStatus, 1), "1");
    EXPECT_EQ(mon.text(regmap::mon::SdcTotal, 1), "7741440");
    for (int c = 1; c <= 12; ++c)
        EXPECT_EQ(mon.text(regmap::mon::Pv01 + c - 1, 1).toFloat(), server.device(2)->pv(c)) << c;

    // Clock set through the clock window's frame shows in the common block.
    QByteArray clock;
    for (int v : {2027, 6, 15, 12, 30, 0})
        AppendU16BE(clock, static_cast<quint16>(v));
    ASSERT_EQ(answerTo(BuildWriteRequest(2, 40025, clock), 6000).size(), 8);
    DecodeAnswer(link, store, 100, answerTo(BuildReadRequest(2, 40001, 74), 8000));
    const QList<int> rows{25, 26, 27, 28, 29, 30, 31};
    const QStringList expected{"2027", "6", "15", "12", "30", "2", "2"};
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_EQ(store.sprdP_Common.text(1, rows[i]), expected[i]) << rows[i];

    // Channel 1 of recorder 2 is the second preset; colour downloaded as RGB565.
    ASSERT_EQ(answerTo(BuildWriteRequest(2, 40116, QByteArray::fromHex("e01c")), 9000).size(), 8);
    DecodeAnswer(link, store, 101, answerTo(BuildReadRequest(2, 40101, 93), 9000));
    EXPECT_EQ(store.sprdP_CH.text(1, regmap::ch::Name), "FURNACE   ");
    EXPECT_EQ(store.sprdP_CH.text(1, regmap::ch::Color), "10");
    EXPECT_EQ(store.sprdP_CH.text(1, regmap::ch::RangeCode), "5");
    EXPECT_EQ(store.sprdP_CH.text(1, regmap::ch::DispRangeMax), "1200");
}
