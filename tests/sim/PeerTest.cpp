// vq800-sim on its pseudo-terminal, read by an independent Modbus master
// (mbpoll): what it reads is what the recorder model holds. Our own framing
// reads the simulator in every engine test, so both ends are not only
// checked against each other.
#include "common/SimProcess.h"
#include "sim/RecorderModel.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// mbpoll's reading of count holding registers from first: register -> value.
QMap<int, int> mbpoll(const QString& line, int device, int first, int count)
{
    QProcess p;
    p.start("mbpoll", {"-m", "rtu", "-0", "-a", QString::number(device), "-r", QString::number(first), "-c",
                       QString::number(count), "-t", "4:hex", "-b", "9600", "-P", "none", "-1", line});
    p.waitForFinished(10000);
    QMap<int, int> out;
    const QRegularExpression row(R"(\[(\d+)\]:\s+0x([0-9A-Fa-f]{4}))");
    for (const QString& l : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n'))
        if (const auto m = row.match(l); m.hasMatch())
            out[m.captured(1).toInt()] = m.captured(2).toInt(nullptr, 16);
    return out;
}

} // namespace

TEST(Peer, AnotherMasterReadsWhatTheRecorderHolds)
{
    if (QStandardPaths::findExecutable("mbpoll").isEmpty())
        GTEST_SKIP() << "mbpoll not installed (apt-get install mbpoll)";
    QTemporaryDir dir;
    const QString line = dir.filePath("line");
    SimProcess sim;
    ASSERT_TRUE(sim.start(line, {"--baud", "0", "--devices", "1", "--model", "1=10"}));

    const QMap<int, int> live = mbpoll(line, 1, 30001, 47);
    ASSERT_EQ(live.size(), 47) << "mbpoll read nothing from " << qPrintable(line);
    EXPECT_EQ(live[30001], 0x000A);
    EXPECT_EQ(live[30002], 0x0203);
    const QDateTime rec(QDate(live[30003], live[30004], live[30005]),
                        QTime(live[30006], live[30007], live[30008]));
    ASSERT_TRUE(rec.isValid());
    EXPECT_LT(std::abs(rec.secsTo(QDateTime::currentDateTime())), 120) << "the clock starts at the local time";
    EXPECT_EQ(live[30015] & 0x8000, 0x8000);
    EXPECT_EQ((live[30043] << 16) | live[30044], 7741440);

    const QMap<int, int> common = mbpoll(line, 1, 40001, 74);
    ASSERT_EQ(common.size(), 74);
    const RecorderModel model(1, 10);
    for (int i = 1; i <= 74; ++i) // all but the running clock
        EXPECT_TRUE(model.reg(40000 + i) == common[40000 + i] || (i >= 25 && i <= 30)) << 40000 + i;

    const QMap<int, int> name = mbpoll(line, 1, 40101, 5);
    EXPECT_EQ(name.values(), (QList<int>{0x424F, 0x494C, 0x4552, 0x2020, 0x2020})) << "BOILER";
    // Other devices are not on this line.
    EXPECT_TRUE(mbpoll(line, 2, 30001, 2).isEmpty());

    const QString summary = sim.stop();
    EXPECT_TRUE(summary.contains("device 1: requests 3 answers 3 silent 0")) << qPrintable(summary);
    EXPECT_FALSE(QFileInfo(line).isSymLink()) << "the link goes with the simulator";
}
