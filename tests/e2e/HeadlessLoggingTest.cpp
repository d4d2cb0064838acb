// vq800 --headless against simulated recorders: one data file per online
// recorder, read back by vq800-vqd, and a clean stop on SIGTERM; what the
// logging job says, in process.
#include "app/HeadlessLogging.h"
#include "app/LinkSession.h"
#include "common/Files.h"
#include "common/SimProcess.h"
#include "common/VirtualLine.h"
#include "core/ConfigText.h"
#include "link/DataStore.h"
#include "logging/DataFile.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(HeadlessLogging, LogsOneFilePerOnlineRecorderAndStopsCleanly)
{
    if (!QFileInfo::exists(BuiltProgram("vq800")) || !QFileInfo::exists(BuiltProgram("vq800-vqd")))
        GTEST_SKIP() << "vq800 or vq800-vqd is not built";
    QTemporaryDir dir;
    const QString line = dir.filePath("line");
    SimProcess sim;
    ASSERT_TRUE(sim.start(line, {"--baud", "0", "--devices", "1,3"}));

    // A file a crash left without its whole header.
    WriteFile(dir.filePath("log/E2E_01.VQD"), QByteArray(300, '\0'));
    HeadlessProcess vq;
    ASSERT_TRUE(vq.start(dir.path(), line, "E2E"));
    // Each opening of the port gives each recorder a record at once.
    EXPECT_TRUE(vq.savedTimes(1));
    // The simulator killed and started again: logging goes on.
    sim.stop();
    EXPECT_TRUE(vq.waitFor([&] { return vq.err.contains("was lost"); }));
    ASSERT_TRUE(sim.start(line, {"--baud", "0", "--devices", "1,3"}));
    EXPECT_TRUE(vq.savedTimes(2));
    ASSERT_TRUE(vq.stop());
    sim.stop();
    const QByteArray& out = vq.out;
    const QString err = QString::fromLocal8Bit(vq.err);
    const QString logDir = vq.logDir;
    ASSERT_TRUE(out.contains("is open again")) << out.toStdString() << err.toStdString();

    EXPECT_EQ(vq.proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(vq.proc.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(out.contains("device 03: online (model 10)")) << out.toStdString();
    EXPECT_TRUE(out.contains("stopped; port closed")) << out.toStdString();
    EXPECT_EQ(err.count("E2E_01.VQD was 300 bytes, shorter than its header; repaired"), 1) << err.toStdString();

    EXPECT_EQ(QDir(logDir).entryList(QDir::Files, QDir::Name), (QStringList{"E2E_01.VQD", "E2E_03.VQD"}));
    for (const char* name : {"E2E_01.VQD", "E2E_03.VQD"}) {
        const QString file = QDir(logDir).filePath(QString::fromLatin1(name));
        EXPECT_EQ((QFileInfo(file).size() - 512) % 64, 0) << name;
        QProcess vqd;
        vqd.start(BuiltProgram("vq800-vqd"), {file});
        ASSERT_TRUE(vqd.waitForFinished(10'000));
        const QByteArray summary = vqd.readAllStandardOutput();
        EXPECT_EQ(vqd.exitCode(), 0) << summary.toStdString();
        // The header's model code comes from a decoded live answer, never a blank cell.
        EXPECT_TRUE(summary.contains("Model code: 10 (6 channels)")) << summary.toStdString();
        EXPECT_EQ(summary.count("\n20"), 2) << summary.toStdString(); // a record row per opening, starting with the year
    }
}

TEST(HeadlessLogging, SaysWhoAnswersAndStopsWhenThePortCloses)
{
    struct Rig : LineClock {
        Rig(const QList<std::pair<int, int>>& devices, const QStringList& list)
        {
            serve(devices);
            WriteConfigLines(dir.filePath("CFG/SetEnv.INI"), list);
            session = std::make_unique<LinkSession>(dir.path(), &port, &tx, &rx);
            session->loadConfiguration();
            job = std::make_unique<LoggingJob>(*session, DSaveSettings{}, &reopen);
            QObject::connect(job.get(), &LoggingJob::news, [this](const QString& l) { said << l; });
            QObject::connect(job.get(), &LoggingJob::trouble, [this](const QString& l) { said << "! " + l; });
        }
        QTemporaryDir dir;
        VirtualTimer reopen{nowUs, PortReopener::kIntervalMs};
        std::unique_ptr<LinkSession> session;
        std::unique_ptr<LoggingJob> job;
        QStringList said;
    };
    {
        Rig rig({{1, 10}, {3, 20}}, {"O", "O", "O"});
        ASSERT_TRUE(rig.job->start());
        ASSERT_TRUE(rig.runUntil([&] { return rig.session->link.gCommonReadDone; }));
        EXPECT_TRUE(rig.said.contains("device 01: online (model 10)")) << rig.said.join('\n').toStdString();
        EXPECT_TRUE(rig.said.contains("device 02: no answer"));
        EXPECT_TRUE(rig.said.contains("device 03: online (model 20)"));
        rig.job->stop();
        EXPECT_EQ(rig.said.last(), "stopped; port closed");
    }
    {
        Rig rig({}, {"O"}); // nobody on the line: the port stays open and the device is asked again
        QSignalSpy ended(rig.job.get(), &LoggingJob::ended);
        ASSERT_TRUE(rig.job->start());
        rig.runFor(20'000);
        EXPECT_EQ(ended.count(), 0);
        EXPECT_TRUE(rig.session->engine.isOpen());
        EXPECT_TRUE(rig.said.join('\n').contains("No device answers; asking again every 10 s"))
            << rig.said.join('\n').toStdString();
    }
    {
        Rig rig({}, {"X"});
        EXPECT_FALSE(rig.job->start());
        EXPECT_TRUE(rig.said.last().contains("no device is marked")) << rig.said.join('\n').toStdString();
    }
    {
        // A port that is not there at start-up (an adapter plugged in later) is tried again.
        Rig rig({{1, 10}}, {"O"});
        rig.port.setOpenError("no such device");
        EXPECT_TRUE(rig.job->start());
        const QString said = rig.said.join('\n');
        EXPECT_TRUE(said.contains("cannot be opened: no such device")) << said.toStdString();
        EXPECT_TRUE(rig.said.last().contains("trying to open it again every 10 s")) << said.toStdString();
        EXPECT_FALSE(rig.tx.isActive()) << "nothing ticks on a port that did not open";
        rig.port.setOpenError(QString());
        rig.reopen.fire();
        ASSERT_TRUE(rig.runUntil([&] { return rig.session->link.gCommonReadDone; }));
        EXPECT_TRUE(rig.said.contains("device 01: online (model 10)")) << rig.said.join('\n').toStdString();
    }
    {
        // A port name that can never open ends it.
        Rig rig({{1, 10}}, {"O"});
        rig.session->link.port.gCommPort = "tcp://host-without-port";
        EXPECT_FALSE(rig.job->start());
        EXPECT_TRUE(rig.said.last().contains("is not tcp://HOST:PORT")) << rig.said.join('\n').toStdString();
    }
}

TEST(HeadlessLogging, ALostPortIsReopenedAndLoggingGoesOn)
{
    LineClock line;
    QTemporaryDir dir;
    WriteConfigLines(dir.filePath("CFG/SetEnv.INI"), line.serve({{1, 10}}));
    LinkSession session(dir.path(), &line.port, &line.tx, &line.rx);
    session.loadConfiguration();
    VirtualTimer reopen(line.nowUs, PortReopener::kIntervalMs);
    LoggingJob job(session, DSaveSettings{"Yes", 1, "sec", dir.path()}, &reopen);
    QStringList said;
    QObject::connect(&job, &LoggingJob::news, [&](const QString& l) { said << l; });
    QObject::connect(&job, &LoggingJob::trouble, [&](const QString& l) { said << l; });
    QSignalSpy ended(&job, &LoggingJob::ended);
    job.logger().now = [&] { return QDateTime(QDate(2026, 12, 6), QTime(8, 0)).addMSecs(line.nowUs / 1000); };
    DataFileContents c;
    ASSERT_TRUE(job.start());
    for (int loss = 1; loss <= 3; ++loss) {
        for (int i = 0; i < 50; ++i) { // 5 s
            line.runFor(100);
            job.logger().saveCheck();
        }
        ASSERT_TRUE(ReadDataFile(DataFileName(dir.path(), "DATA", 1), c));
        EXPECT_GE(c.records.size(), 3 * loss);
        line.port.unplug("adapter gone");
        EXPECT_TRUE(said.last().endsWith("was lost: adapter gone; trying to reopen it every 10 s")) << loss;
        // A try that fails is said once, however often it fails.
        line.port.setOpenError("no such device");
        reopen.fire();
        reopen.fire();
        EXPECT_TRUE(said.last().endsWith("cannot be opened: no such device; trying again every 10 s")) << loss;
        EXPECT_EQ(said.count(said.last()), loss);
        line.port.setOpenError(QString());
        reopen.fire();
        EXPECT_TRUE(said.value(said.size() - 2).endsWith("is open again")) << loss;
        EXPECT_TRUE(said.last().contains("open (9600,N,8,1), scanning 1 device(s)")) << loss;
    }
    line.port.unplug("adapter gone");
    job.stop();
    EXPECT_FALSE(reopen.isActive()) << "a stop ends the tries";
    EXPECT_EQ(ended.count(), 0);
}

// What a crash left, a unit it does not know, a cut line and a file that is a
// FIFO: each said once on stderr, and nothing waits on the FIFO.
TEST(HeadlessLogging, FaultyFilesAreSaidAndNeverWaitedOn)
{
    if (!QFileInfo::exists(BuiltProgram("vq800")))
        GTEST_SKIP() << "vq800 is not built";
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QStringList& lines) {
        ASSERT_TRUE(WriteFile(dir.filePath(name), (lines.join(QStringLiteral("\r\n")) + "\r\n").toLocal8Bit()));
    };
    write("Comm.CFG", {dir.filePath("no-port"), "9600", "N", "8", "1", "Modbus RTU"});
    write("CFG/SaveData.INI", {"Yes", "1", "hours", dir.filePath("log"), "T", "0", "0", "0"});
    write("CFG/Line.INI", {QStringLiteral("timeout_ms=") + QString(5000, QLatin1Char('9'))});
    write("CFG/SaveData.INI.AbCdEf", {"cut off"});
    const QString fifo = dir.filePath("f.CFG");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    struct Case { const char* setEnv; QStringList args; int exit; QStringList said; };
    const Case cases[] = {
        {"X\tone", {}, 1, {"removed " + dir.filePath("CFG/SaveData.INI.AbCdEf") + ", left by a save that was cut off",
                 "Line.INI: line 1 is too long", "SaveData.INI: unit 'hours' not known; saving every 1 sec"}},
        {"O\tone", {"--device", "1", "--download", fifo}, 2, {"cannot read " + fifo + ": it is a FIFO, not a file"}},
    };
    for (const Case& k : cases) {
        write("CFG/SetEnv.INI", {k.setEnv});
        QProcess vq;
        vq.start(BuiltProgram("vq800"), QStringList{"--headless", "--dir", dir.path()} + k.args);
        ASSERT_TRUE(vq.waitForFinished(10'000)) << k.args.join(' ').toStdString();
        const QString err = QString::fromLocal8Bit(vq.readAllStandardError());
        EXPECT_EQ(vq.exitCode(), k.exit) << err.toStdString();
        for (const QString& s : k.said)
            EXPECT_EQ(err.count(s), 1) << s.toStdString() << "\n" << err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("CFG/SaveData.INI.AbCdEf")));
}

TEST(Vqd, SeveralFilesMakeOneCsvWithTheChannelsTheirRecordersHave)
{
    if (!QFileInfo::exists(BuiltProgram("vq800-vqd")))
        GTEST_SKIP() << "vq800-vqd is not built";
    QTemporaryDir dir;
    DataStore store;
    store.appendDeviceRow(1);
    auto file = [&](const char* name, int model, int records) {
        QByteArray bytes = BuildHeader(model);
        for (int i = 0; i < records; ++i)
            bytes += BuildRecord(store.sprdMon, 1, QDateTime(QDate(2026, 12, 6), QTime(3, 0, i)));
        WriteFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    };
    const QString six = file("six.VQD", 10, 2), twelve = file("twelve.VQD", 20, 1);
    struct Case { QStringList files; const char* lastPv; int lines; int exit; };
    const Case cases[] = {{{six}, "PV06,BO", 3, 0}, {{six, twelve}, "PV12,BO", 4, 0}, {{six, dir.filePath("gone.VQD")}, "PV06,BO", 3, 1}};
    for (const Case& k : cases) {
        QProcess vqd;
        vqd.start(BuiltProgram("vq800-vqd"), QStringList{"--csv"} + k.files);
        ASSERT_TRUE(vqd.waitForFinished(10'000));
        const QList<QByteArray> lines = vqd.readAllStandardOutput().trimmed().split('\n');
        EXPECT_EQ(vqd.exitCode(), k.exit);
        EXPECT_EQ(lines.size(), k.lines);
        EXPECT_TRUE(lines[0].contains(k.lastPv)) << lines[0].toStdString();
        for (const QByteArray& l : lines)
            EXPECT_EQ(l.count(','), lines[0].count(',')) << l.toStdString();
    }
    // What is not a regular file is refused before it is read, never waited on.
    const QString fifo = dir.filePath("fifo.VQD");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const auto& [name, why] : {std::pair{fifo, "it is a FIFO, not a file"},
                                    std::pair{QStringLiteral("/dev/zero"), "it is a device, not a file"}}) {
        QProcess vqd;
        vqd.start(BuiltProgram("vq800-vqd"), {"--csv", name});
        ASSERT_TRUE(vqd.waitForFinished(10'000)) << name.toStdString();
        EXPECT_EQ(vqd.exitCode(), 1);
        EXPECT_TRUE(vqd.readAllStandardError().contains(why)) << name.toStdString();
    }
}
