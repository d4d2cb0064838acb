// vq800 --find on a simulated line whose recorders answer only at 38400 baud:
// the full search of 4 speeds, 3 parities and 99 addresses, then --write and
// logging on what it wrote.
#include "common/Files.h"
#include "common/SimProcess.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Find, ListsTheRecordersAtTheirSpeedAndWritesFilesThatLogThem)
{
    if (!QFileInfo::exists(BuiltProgram("vq800")))
        GTEST_SKIP() << "vq800 is not built";
    QTemporaryDir dir;
    const QString line = dir.filePath("line");
    SimProcess sim;
    ASSERT_TRUE(sim.start(line, {"--baud", "38400", "--devices", "7,42", "--model", "42=20"}));
    // Device 1 enabled and absent; 42 has a description to keep.
    QStringList devices(42, QStringLiteral("X\t"));
    devices[0] = QStringLiteral("O\tgone");
    devices[41] = QStringLiteral("X\tkiln");
    ASSERT_TRUE(WriteFile(dir.filePath("Comm.CFG"), QStringList{line, "9600", "N", "8", "1", "Modbus RTU"}.join("\r\n").toLocal8Bit()));
    ASSERT_TRUE(WriteFile(dir.filePath("CFG/SetEnv.INI"), devices.join("\r\n").toLocal8Bit()));

    QProcess find;
    QElapsedTimer clock;
    clock.start();
    find.start(BuiltProgram("vq800"), {"--find", "--write", "--dir", dir.path()});
    ASSERT_TRUE(find.waitForFinished(180'000));
    const qint64 ms = clock.elapsed();
    const QString out = QString::fromLocal8Bit(find.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(find.readAllStandardError());
    std::printf("full search, 4 bauds x 3 parities x 99 addresses: %.1f s\n", ms / 1000.0);
    EXPECT_EQ(find.exitCode(), 0) << err.toStdString();
    QStringList found = out.split('\n').filter(" model ");
    EXPECT_EQ(found, (QStringList{"38400,N,8,1 device 7 model 10 (6 channels)",
                                  "38400,N,8,1 device 42 model 20 (12 channels)"}))
        << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.contains("2 recorder(s) found on " + line)) << out.toStdString();
    EXPECT_TRUE(out.contains("device 1 enabled but not found")) << out.toStdString();
    EXPECT_LT(ms, 180'000);

    const QStringList comm = QString::fromLatin1(ReadFile(dir.filePath("Comm.CFG"))).split("\r\n");
    EXPECT_EQ(comm.mid(0, 5), (QStringList{line, "38400", "N", "8", "1"}));
    const QStringList list = QString::fromLatin1(ReadFile(dir.filePath("CFG/SetEnv.INI"))).split("\r\n");
    EXPECT_EQ(list.value(0), "O\tgone");
    EXPECT_EQ(list.value(6), "O\t");
    EXPECT_EQ(list.value(41), "O\tkiln");

    HeadlessProcess vq;
    ASSERT_TRUE(vq.startOnLineOf(dir.path(), "FND"));
    EXPECT_TRUE(vq.savedTimes(1, 7, 42)) << vq.out.toStdString() << vq.err.toStdString();
    EXPECT_TRUE(vq.stop());
}
