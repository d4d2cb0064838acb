// Scripted backup and restore: vq800 --headless --upload/--download against vq800-sim.
#include "common/SimProcess.h"
#include "param/ParamImage.h"
#include "param/ParamTables.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

struct CliRun {
    int exitCode = -1;
    QString err;
};

CliRun vq800(const QString& dir, const QStringList& args)
{
    QProcess p;
    p.start(QDir(QCoreApplication::applicationDirPath()).filePath("vq800"),
            QStringList{"--headless", "--dir", dir} + args);
    CliRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        r.err = "did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

struct Line {
    explicit Line(const QStringList& simArgs, const QByteArray& deviceList = "O\tone\r\n")
    {
        const QString link = dir.filePath("line");
        started = sim.start(link, QStringList{"--baud", "0"} + simArgs);
        writeFile(dir.filePath("Comm.CFG"), (link + "\r\n9600\r\nN\r\n8\r\n1\r\nModbus RTU\r\n").toLocal8Bit());
        writeFile(dir.filePath("CFG/SetEnv.INI"), deviceList);
    }
    QString file(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    SimProcess sim;
    bool started = false;
};

} // namespace

TEST(ParamBackup, UploadDownloadLeavesTheRecorderAsItWasAndEditsArrive)
{
    for (const char* model : {"1=10", "1=20"}) {
        SCOPED_TRACE(model);
        Line line({"--devices", "1", "--model", model});
        if (!line.started)
            GTEST_SKIP() << "vq800-sim could not be started";
        const int size = QString(model) == "1=20" ? 4832 : 3032;

        CliRun r = vq800(line.dir.path(), {"--device", "1", "--upload", line.file("a.CFG")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QByteArray a = readFile(line.file("a.CFG"));
        ASSERT_EQ(a.size(), size);

        r = vq800(line.dir.path(), {"--device", "1", "--download", line.file("a.CFG")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        r = vq800(line.dir.path(), {"--device", "1", "--upload", line.file("b.CFG")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(readFile(line.file("b.CFG")), a);

        // An edit made in the tables reaches the recorder.
        ParamImage img;
        ParamTables t;
        t.setChannelCount(size == 4832 ? 12 : 6);
        ASSERT_TRUE(t.ReadParamFile(line.file("a.CFG"), img));
        const int last = t.channelCount();
        t.sprdP_CH.setText(ParamTables::ChannelCol(last), 1, "EDITED");
        t.sprdP.setText(3, 6, "7"); // scroll speed
        ASSERT_TRUE(t.WriteParamFile(line.file("edit.CFG"), img));
        r = vq800(line.dir.path(), {"--device", "1", "--download", line.file("edit.CFG")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        r = vq800(line.dir.path(), {"--device", "1", "--upload", line.file("c.CFG")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        ParamImage c;
        ParamTables ct;
        ct.setChannelCount(last);
        ASSERT_TRUE(ct.ReadParamFile(line.file("c.CFG"), c));
        EXPECT_EQ(ct.sprdP_CH.text(ParamTables::ChannelCol(last), 1).left(6), "EDITED");
        EXPECT_EQ(ct.sprdP.text(3, 6), "7");
    }
}

TEST(ParamBackup, FailuresEndWithAMessageAndANonZeroExit)
{
    Line line({"--devices", "1"}, "O\tone\r\nO\ttwo\r\n");
    if (!line.started)
        GTEST_SKIP() << "vq800-sim could not be started";
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{"--device", "2", "--upload", line.file("x.CFG")}, "device 2 is not online"},
        {{"--device", "5", "--upload", line.file("x.CFG")}, "not enabled"},
        {{"--device", "1", "--download", line.file("missing.CFG")}, "cannot read"},
    };
    for (const Case& k : cases) {
        const CliRun r = vq800(line.dir.path(), k.args);
        EXPECT_NE(r.exitCode, 0) << k.says;
        EXPECT_TRUE(r.err.contains(k.says)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(line.file("x.CFG")));

    // No recorder on the line at all: the scan ends with nobody online.
    Line empty({"--devices", "3"});
    const CliRun r = vq800(empty.dir.path(), {"--device", "1", "--upload", empty.file("y.CFG")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("not online")) << r.err.toStdString();
}
