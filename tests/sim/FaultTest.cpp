#include "link/Framing.h"
#include "sim/LineServer.h"

#include <gtest/gtest.h>

namespace {

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
            if (a.bytes.size() == 99 && CheckCrc(a.bytes) && a.bytes[0] == char(device) && !a.late)
                ++run.goodAnswers;
        }
    }
    run.counts = s.counts();
    return run;
}

} // namespace

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
