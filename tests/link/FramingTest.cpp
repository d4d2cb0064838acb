#include "link/Framing.h"

#include <gtest/gtest.h>

namespace {
QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(static_cast<char>(v));
    return b;
}
}

TEST(Crc, KnownVectorsAndSwappedBytes)
{
    const std::pair<QByteArray, QByteArray> vectors[] = {
        {QByteArray::fromHex("010300000001"), QByteArray::fromHex("840A")},
        {QByteArray::fromHex("010300000002"), QByteArray::fromHex("C40B")},
        {QByteArray::fromHex("1103006B0003"), QByteArray::fromHex("7687")},
    };
    for (const auto& [frame, crc] : vectors) {
        QByteArray f = frame + QByteArray(2, '\xAA');
        AppendCrc(f);
        EXPECT_EQ(f.right(2).toHex(), crc.toHex()) << frame.toHex().constData();
        EXPECT_TRUE(CheckCrc(f));
        std::swap(f[f.size() - 2], f[f.size() - 1]);
        EXPECT_FALSE(CheckCrc(f));
    }
    EXPECT_FALSE(CheckCrc(bytes({0x01, 0x03})));
    // Every entry of the table is used by the bytes 0..255 eight times over.
    QByteArray all;
    for (int i = 0; i < 8 * 256; ++i)
        all.append(static_cast<char>(i));
    all.append(2, '\0');
    AppendCrc(all);
    EXPECT_EQ(all.right(2).toHex(), "9c48");
}

TEST(Requests, ReadsCarryTheReferenceNumberWritesTheRegisterCount)
{
    struct Case { quint16 reg; quint16 count; int hi; int lo; };
    for (const Case& c : {Case{30001, 47, 0x75, 0x31}, Case{40001, 74, 0x9C, 0x41}, Case{40101, 93, 0x9C, 0xA5}}) {
        const QByteArray f = BuildReadRequest(7, c.reg, c.count);
        ASSERT_EQ(f.size(), 8);
        EXPECT_EQ(f.left(6), bytes({7, 3, c.hi, c.lo, 0, c.count}));
        EXPECT_TRUE(CheckCrc(f));
    }

    // A write's byte-count field holds the register count.
    QByteArray data;
    for (int i = 0; i < 83; ++i)
        AppendU16BE(data, static_cast<quint16>(0x0100 + i));
    const QByteArray f = BuildWriteRequest(2, 40111, data);
    ASSERT_EQ(f.size(), 175);
    EXPECT_EQ(f.left(7), bytes({2, 16, 0x9C, 0xAF, 0, 83, 83}));
    EXPECT_EQ(static_cast<quint8>(f[7]), 0x01);
    EXPECT_EQ(static_cast<quint8>(f[8]), 0x00);
    EXPECT_EQ(static_cast<quint8>(f[172]), 0x52);
    EXPECT_TRUE(CheckCrc(f));
}

TEST(Conversions, BigEndianFieldsAndLittleEndianImages)
{
    const QByteArray f = bytes({0, 0, 0, 0x41, 0x20, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00});
    EXPECT_FLOAT_EQ(GetF32BE(f, 3), 10.0f);
    EXPECT_EQ(GetU32BE(f, 7), 65536u);
    EXPECT_EQ(SingleToBytes(-12.5f), bytes({0x00, 0x00, 0x48, 0xC1}));
    EXPECT_FLOAT_EQ(BytesToSingle(bytes({0x00, 0x00, 0x48, 0xC1})), -12.5f);
    EXPECT_EQ(LongToBytes(65536), bytes({0, 0, 1, 0}));
    EXPECT_EQ(BytesToLong(bytes({0xFF, 0xFF, 0xFF, 0xFF})), -1);
    EXPECT_EQ(IntegerToBytes(0x1234), bytes({0x34, 0x12}));
    EXPECT_EQ(BytesToInteger(bytes({0xFE, 0xFF})), -2);
}
