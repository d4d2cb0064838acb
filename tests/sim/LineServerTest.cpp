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
    // Feeds one request as the program sends it (with the trailing 0x00) and
    // returns the only answer, or an empty array when there is none.
    QByteArray ask(const QByteArray& request)
    {
        const auto r = server.feed(request + QByteArray(1, '\0'), 0);
        EXPECT_LE(r.answers.size(), 1);
        return r.answers.isEmpty() ? QByteArray() : r.answers[0].bytes;
    }
};

struct Outcome {
    FaultCounts counts;
    QList<QByteArray> answers;
    int goodAnswers = 0;
};

// Asks device 1 n times and sorts what came back.
Outcome ask(LineServer& s, int n, int device = 1)
{
    Outcome run;
    const QByteArray request = BuildReadRequest(static_cast<quint8>(device), 30001, 47);
    for (int i = 0; i < n; ++i) {
        const auto r = s.feed(request + '\0', i * 100);
        for (const Answer& a : r.answers) {
            run.answers.append(a.bytes);
            if (a.late) {
                EXPECT_GT(a.delayUs, 1'000'000) << "a late answer comes after the master's time-out";
            }
            if (a.bytes.size() == 99 && CheckCrc(a.bytes) && a.bytes[0] == char(device) && !a.late)
                ++run.goodAnswers;
        }
    }
    run.counts = s.counts();
    return run;
}

} // namespace

TEST_F(Line, RefusesWhatIsOutsideTheMapWithExceptions)
{
    struct Case { const char* what; QByteArray request; int function; int code; };
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
    };
    for (const Case& c : cases) {
        const QByteArray a = ask(c.request);
        ASSERT_EQ(a.size(), 5) << c.what;
        EXPECT_TRUE(CheckCrc(a)) << c.what;
        EXPECT_EQ(static_cast<quint8>(a[1]), c.function | 0x80) << c.what;
        EXPECT_EQ(a[2], char(c.code)) << c.what;
    }
}

TEST_F(Line, RefusedWritesChangeNothing)
{
    const quint16 before = server.device(1)->reg(40116);
    // Byte count 2N as a generic master sends it: refused, not half-applied.
    QByteArray generic = QByteArray::fromHex("01109c740001020007");
    generic = withCrc(generic);
    struct Case { const char* what; QByteArray request; };
    const Case cases[] = {
        {"byte count 2N", generic},
        {"unknown colour", writeWords(1, 40116, {0x1234})},
        {"colour 12", writeWords(1, 40116, {12})},
        {"colour with a name", writeWords(1, 40111, {1, 1, 1, 1, 1, 0x1234})},
        {"February 30", writeWords(1, 40025, {2026, 2, 30, 0, 0, 0})},
        {"hour 24", writeWords(1, 40028, {24})},
    };
    for (const Case& c : cases) {
        const QByteArray a = ask(c.request);
        ASSERT_EQ(a.size(), 5) << c.what;
        EXPECT_EQ(a[2], char(3)) << c.what;
    }
    EXPECT_EQ(server.device(1)->reg(40116), before);
    EXPECT_EQ(server.device(1)->reg(40111), 0) << "scale switch of the refused write";
    EXPECT_EQ(server.device(1)->clock(), QDateTime(QDate(2026, 12, 4), QTime(10, 0), Qt::UTC));
}

TEST_F(Line, UnservedDevicesAndBroadcastsStaySilent)
{
    for (int device : {0, 2, 4, 247}) {
        const auto r = server.feed(BuildReadRequest(static_cast<quint8>(device), 30001, 47) + '\0', 0);
        EXPECT_TRUE(r.answers.isEmpty()) << device;
    }
    EXPECT_EQ(server.counts().requests, 0);
}

TEST_F(Line, ResynchronisesAfterNoiseBrokenRequestsAndSilence)
{
    const QByteArray good = BuildReadRequest(1, 30001, 2);
    struct Case { const char* what; QByteArray before; };
    const Case cases[] = {
        {"noise", QByteArray::fromHex("ff13ab00")},
        {"truncated write", writeWords(1, 40001, {1, 2, 3}).left(10)},
        {"read with bad CRC", QByteArray(good).replace(7, 1, "\x55")},
        {"write header with huge count", QByteArray::fromHex("01109c41007f7f")},
    };
    for (const Case& c : cases) {
        server.lineIdle();
        const auto r = server.feed(c.before + good + '\0', 0);
        ASSERT_EQ(r.answers.size(), 1) << c.what;
        EXPECT_EQ(r.answers[0].request, good) << c.what;
        EXPECT_EQ(server.buffered(), 0) << c.what;
    }
    // A silence drops a partial request: the rest alone is no request.
    EXPECT_TRUE(server.feed(good.left(4), 0).answers.isEmpty());
    server.lineIdle();
    EXPECT_TRUE(server.feed(good.mid(4), 0).answers.isEmpty());
    EXPECT_EQ(server.feed(good, 0).answers.size(), 1);
}

TEST_F(Line, RequestsSplitAcrossReadsAndBackToBack)
{
    const QByteArray w = writeWords(3, 41210, {18}) + '\0';
    const QByteArray r = BuildReadRequest(1, 30001, 47) + '\0';
    const QByteArray all = w + r + w;
    for (int chunk : {1, 5, 7, 1000}) {
        int answers = 0;
        for (int at = 0; at < all.size(); at += chunk)
            answers += static_cast<int>(server.feed(all.mid(at, chunk), 0).answers.size());
        EXPECT_EQ(answers, 3) << chunk;
    }
}

TEST_F(Line, RandomGarbageNeverWedgesTheLine)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        QByteArray junk;
        const int n = static_cast<int>(rng() % 300);
        for (int i = 0; i < n; ++i) {
            // Bias towards bytes that look like frame starts.
            const quint32 x = rng();
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

TEST(Faults, RatesWithinToleranceForAFixedSeed)
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
        LineServer s(42);
        s.addDevice(1);
        FaultConfig f;
        f.*c.field = c.rate;
        s.setFaults(f);
        const Outcome run = ask(s, n);
        const double seen = double(run.counts.*c.counter) / n;
        EXPECT_NEAR(seen, c.rate, 0.03) << c.what;
        EXPECT_EQ(run.counts.total(), run.counts.*c.counter) << c.what << ": no other fault";
        EXPECT_EQ(run.counts.requests, n);
        // Every fault shows on the wire: the good answers are exactly the rest.
        EXPECT_EQ(run.goodAnswers, n - run.counts.*c.counter) << c.what;
    }
}

TEST(Faults, PerDeviceFaultsAndSilentDevice)
{
    LineServer s;
    for (int d : {1, 2, 3})
        s.addDevice(d);
    FaultConfig silent;
    silent.silent = true;
    FaultConfig dropAll;
    dropAll.dropRate = 1.0;
    s.setFaults(2, silent);
    s.setFaults(3, dropAll);
    std::vector<std::pair<int, Fault>> seen;
    s.onFault = [&](int d, Fault f) { seen.emplace_back(d, f); };
    EXPECT_EQ(ask(s, 10, 1).goodAnswers, 10);
    EXPECT_TRUE(ask(s, 10, 2).answers.isEmpty());
    EXPECT_TRUE(ask(s, 10, 3).answers.isEmpty());
    EXPECT_EQ(s.counts(1).total(), 0);
    EXPECT_EQ(s.counts(2).silent, 10);
    EXPECT_EQ(s.counts(3).dropped, 10);
    EXPECT_EQ(s.counts().total(), 20);
    ASSERT_EQ(seen.size(), 20u);
    EXPECT_EQ(seen.front(), std::make_pair(2, Fault::Silent));
    EXPECT_EQ(seen.back(), std::make_pair(3, Fault::Drop));
}
