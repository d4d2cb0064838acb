// Scripted backup and restore: vq800 --headless --upload/--download against vq800-sim.
#include "app/HeadlessTransfer.h"
#include "app/LinkSession.h"
#include "common/Files.h"
#include "common/SimProcess.h"
#include "common/VirtualLine.h"
#include "core/ConfigText.h"
#include "param/ParamImage.h"
#include "param/ParamTables.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ParamBackup, UploadAndDownloadFromTheCommandLine)
{
    QTemporaryDir dir;
    const QString line = dir.filePath("line");
    SimProcess sim;
    ASSERT_TRUE(sim.start(line, {"--baud", "0", "--devices", "1", "--model", "1=20"}));
    ASSERT_TRUE(WriteConfigLines(dir.filePath("Comm.CFG"), {line, "9600", "N", "8", "1", "Modbus RTU"}));
    ASSERT_TRUE(WriteConfigLines(dir.filePath("CFG/SetEnv.INI"), {"O\tone"}));
    QString err;
    const auto vq800 = [&](const QStringList& args) { // its exit code
        QProcess p;
        p.start(BuiltProgram("vq800"), QStringList{"--headless", "--dir", dir.path(), "--device"} + args);
        const bool ended = p.waitForFinished(60000);
        if (!ended)
            p.kill();
        p.waitForFinished();
        err = QString::fromLocal8Bit(p.readAllStandardError());
        return ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    const QString file = dir.filePath("a.CFG");
    ASSERT_EQ(vq800({"1", "--upload", file}), 0) << err.toStdString();
    EXPECT_EQ(ReadFile(file).size(), 4832);
    EXPECT_EQ(vq800({"1", "--download", file}), 0) << err.toStdString();
    EXPECT_EQ(vq800({"2", "--download", file}), TransferJob::Usage) << "device 2 is not in the list";
    EXPECT_TRUE(err.contains("not enabled")) << err.toStdString();
}

namespace {

// The same job in process, on simulated recorders in virtual time.
struct JobRig : LineClock {
    explicit JobRig(const QList<std::pair<int, int>>& devices)
    {
        WriteConfigLines(dir.filePath("CFG/SetEnv.INI"), serve(devices));
        session = std::make_unique<LinkSession>(dir.path(), &port, &tx, &rx);
        session->loadConfiguration();
    }
    // Runs one transfer; returns its exit code and keeps its message.
    int run(const QStringList& args)
    {
        HeadlessOptions o;
        o.programDir = dir.path();
        o.device = args.value(0).toInt();
        (args.value(1) == "up" ? o.uploadFile : o.downloadFile) = args.value(2);
        o.withLineSettings = args.value(3) == "with-line-settings";
        TransferJob job(*session, o);
        int code = -1;
        QObject::connect(&job, &TransferJob::finished, [&](int c, const QString& m) {
            code = c;
            message = m;
        });
        job.start();
        runUntil([&] { return job.done(); });
        return code;
    }
    QTemporaryDir dir;
    std::unique_ptr<LinkSession> session;
    QString message;
};

} // namespace

TEST(ParamBackup, TransfersCompleteWithAnyOtherDeviceOffline)
{
    for (int silent : {1, 2, 3}) {
        SCOPED_TRACE(silent);
        JobRig rig({{1, 10}, {2, 20}, {3, 10}});
        rig.server.setFaults(silent, FaultConfig{true});
        const int device = silent == 2 ? 3 : 2;
        const QString file = rig.dir.filePath("set.CFG");
        ASSERT_EQ(rig.run({QString::number(device), "up", file}), TransferJob::Ok) << rig.message.toStdString();
        ASSERT_EQ(ReadFile(file).size(), device == 2 ? 4832 : 3032);

        // The file goes back with channel 1 renamed, and lands in the recorder.
        ParamImage img;
        ParamTables t;
        t.setChannelCount(device == 2 ? 12 : 6);
        ASSERT_TRUE(t.ReadParamFile(file, img));
        t.sprdP_CH.setText(ParamTables::ChannelCol(1), 1, "RENAMED");
        ASSERT_TRUE(t.WriteParamFile(file, img));
        ASSERT_EQ(rig.run({QString::number(device), "down", file}), TransferJob::Ok) << rig.message.toStdString();
        EXPECT_EQ(rig.server.device(device)->channelReg(1, 1), 0x5245); // "RE"
        // Read back, the set is the file, byte for byte.
        ASSERT_EQ(rig.run({QString::number(device), "up", file + "2"}), TransferJob::Ok);
        EXPECT_EQ(ReadFile(file + "2"), ReadFile(file));
    }
}

TEST(ParamBackup, FailuresEndWithAMessageAndANonZeroExit)
{
    JobRig rig({{1, 10}, {2, 10}});
    rig.server.setFaults(2, FaultConfig{true});
    struct Case { QStringList args; int exit; const char* says; };
    const Case cases[] = {
        {{"2", "up", rig.dir.filePath("x.CFG")}, TransferJob::Failed, "device 2 is not online"},
        {{"5", "up", rig.dir.filePath("x.CFG")}, TransferJob::Usage, "not enabled"},
        {{"1", "down", rig.dir.filePath("missing.CFG")}, TransferJob::Usage, "cannot read"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(rig.run(k.args), k.exit) << k.says;
        EXPECT_TRUE(rig.message.contains(k.says)) << rig.message.toStdString();
    }
    EXPECT_FALSE(QFile::exists(rig.dir.filePath("x.CFG")));

    // Nobody answers the scan, or the recorder stops answering mid-transfer.
    rig.server.setFaults(1, FaultConfig{true});
    EXPECT_EQ(rig.run({"1", "up", rig.dir.filePath("y.CFG")}), TransferJob::Failed);
    EXPECT_TRUE(rig.message.contains("not online")) << rig.message.toStdString();
    rig.server.setFaults(1, FaultConfig{});
    int blocks = 0;
    QObject::connect(&rig.session->engine, &PollingEngine::transferProgress, [&] {
        if (++blocks == 3)
            rig.server.setFaults(1, FaultConfig{true});
    });
    EXPECT_EQ(rig.run({"1", "up", rig.dir.filePath("z.CFG")}), TransferJob::Failed);
    EXPECT_TRUE(rig.message.contains("does not answer")) << rig.message.toStdString();
    EXPECT_FALSE(QFile::exists(rig.dir.filePath("z.CFG")));

    rig.port.setOpenError("no such device");
    EXPECT_EQ(rig.run({"1", "up", rig.dir.filePath("z.CFG")}), TransferJob::Failed);
    const QString why =
        QStringLiteral("Port %1 cannot be opened: no such device").arg(rig.session->link.port.gCommPort);
    EXPECT_TRUE(rig.message.contains(why)) << rig.message.toStdString();
}

TEST(ParamBackup, AnotherRecordersSetKeepsTheAddressesAndARefusedDownloadEndsAsItBegan)
{
    JobRig rig({{1, 10}, {2, 10}});
    const QString one = rig.dir.filePath("one.CFG"), before = rig.dir.filePath("before.CFG"),
                  after = rig.dir.filePath("after.CFG");
    ASSERT_EQ(rig.run({"1", "up", one}), TransferJob::Ok);
    const RecorderModel& two = *rig.server.device(2);

    // Device 1's set keeps device 2 where it is; each download keeps what it replaced.
    ASSERT_EQ(rig.run({"2", "down", one}), TransferJob::Ok) << rig.message.toStdString();
    EXPECT_EQ(two.reg(40031), 2);
    EXPECT_EQ(two.reg(40038), 2);
    EXPECT_EQ(two.channelReg(1, 1), rig.server.device(1)->channelReg(1, 1));
    const QStringList kept = rig.session->backups.of(2);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(QFileInfo(kept[0]).fileName().startsWith("02_"));
    EXPECT_TRUE(rig.message.contains(QDir::toNativeSeparators(kept[0]))) << rig.message.toStdString();
    ASSERT_EQ(rig.run({"2", "down", one, "with-line-settings"}), TransferJob::Ok);
    EXPECT_EQ(two.reg(40031), 1) << "sent when asked for";
    ASSERT_EQ(rig.run({"2", "down", kept[0], "with-line-settings"}), TransferJob::Ok) << "the backup puts it back";
    EXPECT_EQ(two.reg(40031), 2);

    // A refused block: the blocks already written are put back, the exit code says it failed.
    ASSERT_EQ(rig.run({"2", "up", before}), TransferJob::Ok);
    FaultConfig refuse;
    refuse.refuseRegister = 40341; // CH.03's rest
    rig.server.setFaults(2, refuse);
    EXPECT_EQ(rig.run({"2", "down", one}), TransferJob::Failed);
    EXPECT_EQ(rig.message, "Device 2 refused the CH.03 block (illegal data value, 03); the blocks already written were "
                           "restored.");
    rig.server.setFaults(2, FaultConfig{});
    ASSERT_EQ(rig.run({"2", "up", after}), TransferJob::Ok);
    EXPECT_EQ(ReadFile(after), ReadFile(before)) << "the recorder ends as it began";
    EXPECT_EQ(rig.session->backups.of(2).size(), 4);
}
