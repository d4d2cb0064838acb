// The simulated line: what the recorders refuse, how requests are found in
// whatever arrives, the wire timing, and the faults it is told to inject.
#include "link/Framing.h"
#include "sim/LineServer.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray withCrc(QByteArray f)
{
    f.append(2, '\0');
    AppendCrc(f);
    return f;
}

QByteArray writeWords(int device, int first, std::initializer_list<int> words)
{
    QByteArray data;
    for (int w : words)
        AppendU16BE(data, static_cast<quint16>(w));
    return BuildWriteRequest(static_cast<quint8>(device), static_cast<quint16>(first), data);
}

struct Line : ::testing::Test {
    LineServer server;
    void SetUp() override
    {
        server.setWireFormat({0, 10, 5});
        server.addDevice(1, 10);
        server.addDevice(3, 20);
    }
};

} // namespace

TEST_F(Line, RefusesWhatIsOutsideTheMapAndChangesNothing)
{
    const quint16 colour = server.device(1)->reg(40116);
    struct Case { const char* what; QByteArray request; int function; int code; }; // function 0: no answer
    const Case cases[] = {
        {"past the input block", BuildReadRequest(1, 30040, 10), 3, 2},
        {"common into channel 1", BuildReadRequest(1, 40070, 40), 3, 2},
        {"gap after channel 1", BuildReadRequest(1, 40194, 1), 3, 2},
        {"channel 13", BuildReadRequest(1, 41301, 1), 3, 2},
        {"zero count", BuildReadRequest(1, 30001, 0), 3, 3},
        {"126 registers", BuildReadRequest(1, 30001, 126), 3, 3},
        {"write to input registers", writeWords(1, 30001, {1}), 16, 2},
        {"write past the common block", writeWords(1, 40073, {1, 2, 3}), 16, 2},
        {"function 4", withCrc(QByteArray::fromHex("01047531002f")), 4, 1},
        // Byte count 2N as a generic master sends it: refused, not half-applied.
        {"byte count 2N", withCrc(QByteArray::fromHex("01109c740001020007")), 16, 3},
        {"unknown colour", writeWords(1, 40116, {0x1234}), 16, 3},
        {"colour 12", writeWords(1, 40116, {12}), 16, 3},
        {"colour with a name", writeWords(1, 40111, {1, 1, 1, 1, 1, 0x1234}), 16, 3},
        {"February 30", writeWords(1, 40025, {2026, 2, 30, 0, 0, 0}), 16, 3},
        {"hour 24", writeWords(1, 40028, {24}), 16, 3},
        {"device not served", BuildReadRequest(2, 30001, 47), 0, 0},
        {"broadcast", BuildReadRequest(0, 30001, 47), 0, 0},
        {"device 247", BuildReadRequest(247, 30001, 47), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = server.feed(c.request + '\0', 0);
        ASSERT_EQ(r.answers.size(), c.function ? 1 : 0);
        if (c.function) {
            const QByteArray exception = withCrc(QByteArray(1, 1) + char(c.function | 0x80) + char(c.code));
            EXPECT_EQ(r.answers[0].bytes.toHex(), exception.toHex());
        }
    }
    EXPECT_EQ(server.device(1)->reg(40116), colour);
    EXPECT_EQ(server.device(1)->reg(40111), 0) << "scale switch of the refused write";
    EXPECT_EQ(server.device(1)->clock(), QDateTime(QDate(2026, 12, 4), QTime(10, 0), Qt::UTC));
}

TEST_F(Line, FindsRequestsInAnyPiecesAfterNoiseBrokenRequestsAndSilence)
{
    const QByteArray good = BuildReadRequest(1, 30001, 2) + '\0';
    const QByteArray write = writeWords(3, 41210, {18}) + '\0';
    const QByteArray junk[] = {{}, QByteArray::fromHex("ff13ab00"), writeWords(1, 40001, {1, 2, 3}).left(10),
                               QByteArray(good).replace(7, 1, "\x55"), // bad CRC
                               QByteArray::fromHex("01109c41007f7f")}; // write header with a huge count
    for (const QByteArray& before : junk) {
        for (int chunk : {1, 7, 1000}) {
            server.lineIdle();
            const QByteArray all = before + good + write + good;
            QList<QByteArray> served;
            for (int at = 0; at < all.size(); at += chunk)
                for (const Answer& a : server.feed(all.mid(at, chunk), 0).answers)
                    served << a.request + '\0';
            EXPECT_EQ(served, (QList<QByteArray>{good, write, good})) << before.toHex().constData() << " by " << chunk;
            EXPECT_EQ(server.buffered(), 0);
        }
    }
    // A silence drops a partial request: the rest alone is no request.
    EXPECT_TRUE(server.feed(good.left(4), 0).answers.isEmpty());
    server.lineIdle();
    EXPECT_TRUE(server.feed(good.mid(4), 0).answers.isEmpty());
    EXPECT_EQ(server.feed(good, 0).answers.size(), 1);
}

TEST_F(Line, RandomGarbageNeverWedgesTheLine)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        QByteArray junk;
        for (int i = 0, n = static_cast<int>(rng() % 300); i < n; ++i) {
            const quint32 x = rng(); // biased towards bytes that look like frame starts
            junk.append(static_cast<char>(x % 4 == 0 ? (x >> 8) % 4 : x >> 8));
        }
        server.feed(junk, round);
        EXPECT_LE(server.buffered(), LineServer::kMaxBuffer);
        server.lineIdle();
        const auto r = server.feed(BuildReadRequest(3, 30001, 47) + '\0', round);
        ASSERT_EQ(r.answers.size(), 1) << round;
        EXPECT_EQ(r.answers[0].bytes.size(), 99);
    }
}

TEST(WireTiming, RequestAndAnswerBytesAtTheLineRate)
{
    struct Case { WireFormat w; int req; int ans; qint64 us; };
    const Case cases[] = {
        {{9600, 11, 5}, 8, 99, 107 * 11 * 1'000'000LL / 9600 + 5000}, // 8E1
        {{19200, 10, 0}, 8, 8, 8333},
        {{0, 10, 5}, 8, 99, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnswerDelayUs(c.w, c.req, c.ans), c.us) << c.w.baud << " " << c.w.bitsPerByte;

    LineServer s;
    s.addDevice(1);
    s.setWireFormat({9600, 10, 5});
    const auto r = s.feed(BuildReadRequest(1, 30001, 47), 0);
    ASSERT_EQ(r.answers.size(), 1);
    EXPECT_EQ(r.answers[0].delayUs, 116458);
}

TEST(Faults, EachAtItsRateAndOnlyWhereItIsSet)
{
    struct Case { const char* what; double FaultConfig::*field; int FaultCounts::*counter; double rate; };
    const Case cases[] = {
        {"crc", &FaultConfig::crcRate, &FaultCounts::crc, 0.1},
        {"drop", &FaultConfig::dropRate, &FaultCounts::dropped, 0.2},
        {"delay", &FaultConfig::delayRate, &FaultCounts::delayed, 0.05},
        {"noise", &FaultConfig::noiseRate, &FaultCounts::noise, 0.3},
        {"truncate", &FaultConfig::truncateRate, &FaultCounts::truncated, 0.1},
        {"wrong id", &FaultConfig::wrongIdRate, &FaultCounts::wrongId, 0.1},
        {"exception", &FaultConfig::exceptionRate, &FaultCounts::exception, 0.5},
    };
    constexpr int n = 2000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LineServer s(42);
        s.addDevice(1);
        s.addDevice(2);
        FaultConfig f;
        f.*c.field = c.rate;
        s.setFaults(f);
        s.setFaults(2, FaultConfig{}); // device 2's own: none
        int good = 0;
        for (int i = 0; i < n; ++i) {
            for (int d : {1, 2}) {
                const QByteArray request = BuildReadRequest(static_cast<quint8>(d), 30001, 47) + '\0';
                for (const Answer& a : s.feed(request, i * 100).answers) {
                    EXPECT_TRUE(!a.late || a.delayUs > 1'000'000) << "a late answer comes after the master's time-out";
                    good += a.bytes.size() == 99 && CheckCrc(a.bytes) && a.bytes[0] == char(d) && !a.late;
                }
            }
        }
        const int seen = s.counts(1).*c.counter;
        EXPECT_NEAR(double(seen) / n, c.rate, 0.03);
        EXPECT_EQ(s.counts().total(), seen) << "no other fault, and none on device 2";
        EXPECT_EQ(s.counts().requests, 2 * n);
        EXPECT_EQ(good, 2 * n - seen) << "every fault shows on the wire";
    }
}
