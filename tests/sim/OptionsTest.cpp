#include "sim/SimOptions.h"

#include <gtest/gtest.h>

TEST(Options, DeviceListsAndTheCommandLine)
{
    const std::pair<const char*, QList<int>> lists[] = {
        {"1,3,5-8", {1, 3, 5, 6, 7, 8}}, {"3,1,3", {3, 1}}, {"247", {247}}, {"0", {}}, {"248", {}},
        {"5-2", {}}, {"1,,2", {}}, {"a", {}}, {"1-2-3", {}},
    };
    for (const auto& [text, devices] : lists)
        EXPECT_EQ(ParseDeviceList(text), devices) << text;

    // The line, the models and the faults; --devices, --baud 0 and --link are the end-to-end tests' own.
    SimOptions o;
    QString error;
    ASSERT_TRUE(ParseSimOptions({"--model", "20", "--model", "2=10", "--baud=19200", "--format", "8E1",
                                 "--turnaround-ms", "3", "--crc-rate", "0.1", "--drop-rate", "5=0.5", "--silent",
                                 "2", "--seed", "7", "--burnout", "1:3", "--verbose"},
                                &o, &error))
        << qPrintable(error);
    EXPECT_EQ(o.defaultModel, 20);
    EXPECT_EQ(o.models.value(2), 10);
    EXPECT_EQ(o.wire.baud, 19200);
    EXPECT_EQ(o.wire.bitsPerByte, 11);
    EXPECT_EQ(o.wire.turnaroundMs, 3);
    EXPECT_DOUBLE_EQ(o.faults.crcRate, 0.1);
    EXPECT_DOUBLE_EQ(o.deviceFaults[5].dropRate, 0.5);
    EXPECT_DOUBLE_EQ(o.deviceFaults[5].crcRate, 0.1) << "per-device entry keeps the global rates";
    EXPECT_TRUE(o.deviceFaults[2].silent);
    EXPECT_EQ(o.seed, 7u);
    EXPECT_EQ(o.burnOut, (QList<QPair<int, int>>{{1, 3}}));
    EXPECT_TRUE(o.verbose);

    for (const QStringList& bad : {QStringList{"--crc-rate", "1.5"}, QStringList{"--model", "7"},
                                   QStringList{"--format", "7N1"}, QStringList{"--baud"},
                                   QStringList{"--devices", "x"}, QStringList{"--frobnicate", "1"},
                                   QStringList{"--tcp", "4001"}, QStringList{"--tcp", "host:99999"}}) {
        QString why;
        EXPECT_FALSE(ParseSimOptions(bad, &o, &why)) << qPrintable(bad.join(' '));
        EXPECT_FALSE(why.isEmpty());
    }
}
