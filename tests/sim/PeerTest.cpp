// vq800-sim on its pseudo-terminal, read by an independent Modbus master
// (mbpoll): what it reads is what the recorder model holds. Our own framing
// reads the simulator in every engine test, so both ends are not only
// checked against each other.
#include "sim/RecorderModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

QString simPath()
{
    return QCoreApplication::applicationDirPath() + "/vq800-sim";
}

// Starts vq800-sim and returns the line's path (empty on failure).
QString startSim(QProcess& sim, const QStringList& args)
{
    sim.start(simPath(), args);
    if (!sim.waitForStarted(5000))
        return {};
    while (!sim.canReadLine())
        if (!sim.waitForReadyRead(5000))
            return {};
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}

// mbpoll's reading of count holding registers from first: register -> value.
QMap<int, int> mbpoll(const QString& line, int device, int first, int count)
{
    QProcess p;
    p.start("mbpoll", {"-m", "rtu", "-0", "-a", QString::number(device), "-r", QString::number(first), "-c",
                       QString::number(count), "-t", "4:hex", "-b", "9600", "-P", "none", "-1", line});
    p.waitForFinished(10000);
    QMap<int, int> out;
    const QRegularExpression row(R"(\[(\d+)\]:\s+0x([0-9A-Fa-f]{4}))");
    for (const QString& l : QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n')) {
        const auto m = row.match(l);
        if (m.hasMatch())
            out[m.captured(1).toInt()] = m.captured(2).toInt(nullptr, 16);
    }
    return out;
}

struct Peer : ::testing::Test {
    QProcess sim;
    QString line;
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("mbpoll").isEmpty())
            GTEST_SKIP() << "mbpoll not installed (apt-get install mbpoll)";
        ASSERT_TRUE(QFileInfo(simPath()).isExecutable()) << qPrintable(simPath());
        line = startSim(sim, {"--baud", "0", "--devices", "1", "--model", "1=10"});
        ASSERT_FALSE(line.isEmpty()) << qPrintable(sim.readAllStandardError());
    }
    void TearDown() override
    {
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            sim.waitForFinished(5000);
        }
    }
};

} // namespace

TEST_F(Peer, AnotherMasterReadsWhatTheRecorderHolds)
{
    const QMap<int, int> live = mbpoll(line, 1, 30001, 47);
    ASSERT_EQ(live.size(), 47) << "mbpoll read nothing from " << qPrintable(line);
    EXPECT_EQ(live[30001], 0x000A);
    EXPECT_EQ(live[30002], 0x0203);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime rec(QDate(live[30003], live[30004], live[30005]),
                        QTime(live[30006], live[30007], live[30008]));
    ASSERT_TRUE(rec.isValid());
    EXPECT_LT(std::abs(rec.secsTo(now)), 120) << "the recorder's clock starts at the local time";
    EXPECT_EQ(live[30015] & 0x8000, 0x8000);
    EXPECT_EQ((live[30043] << 16) | live[30044], 7741440);

    const QMap<int, int> common = mbpoll(line, 1, 40001, 74);
    ASSERT_EQ(common.size(), 74);
    const RecorderModel model(1, 10);
    for (int i = 1; i <= 74; ++i) {
        if (i >= 25 && i <= 30)
            continue; // the running clock
        EXPECT_EQ(model.reg(40000 + i), common[40000 + i]) << 40000 + i;
    }

    const QMap<int, int> name = mbpoll(line, 1, 40101, 5);
    EXPECT_EQ(name.values(), (QList<int>{0x424F, 0x494C, 0x4552, 0x2020, 0x2020})) << "BOILER";
    // Other devices are not on this line.
    EXPECT_TRUE(mbpoll(line, 2, 30001, 2).isEmpty());

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    const QString summary = QString::fromLocal8Bit(sim.readAllStandardError());
    EXPECT_TRUE(summary.contains("device 1: requests 3 answers 3 silent 0")) << qPrintable(summary);
}

TEST(PeerLink, LinkIsMadeAndRemoved)
{
    const QString link = QDir::temp().filePath(QStringLiteral("vq800-sim-test-%1").arg(QCoreApplication::applicationPid()));
    QProcess sim;
    const QString line = startSim(sim, {"--baud", "0", "--devices", "4", "--link", link});
    ASSERT_FALSE(line.isEmpty());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), line);
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}
