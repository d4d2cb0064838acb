#pragma once
// Starts vq800-sim (built beside the test programs) on a pseudo-terminal
// with a stable link path, and stops it when the object goes; and the
// headless logger against it.
#include "common/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

// A program built beside the test programs.
inline QString BuiltProgram(const char* name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(name));
}

class SimProcess {
public:
    // Starts the simulator; linkPath becomes a symlink to its line.
    bool start(const QString& linkPath, const QStringList& args)
    {
        m_link = linkPath;
        const QString exe = BuiltProgram("vq800-sim");
        if (!QFileInfo(exe).isExecutable())
            return false;
        m_proc.setProgram(exe);
        m_proc.setArguments(args + QStringList{QStringLiteral("--link"), linkPath});
        m_proc.setProcessChannelMode(QProcess::SeparateChannels);
        m_proc.start();
        if (!m_proc.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100 && !QFileInfo(linkPath).exists(); ++i)
            QThread::msleep(20);
        return QFileInfo(linkPath).exists();
    }
    ~SimProcess() { stop(); }
    // Stops the simulator and returns what it wrote on stderr (its counters).
    QString stop()
    {
        if (m_proc.state() == QProcess::NotRunning)
            return m_stderr;
        m_proc.terminate();
        if (!m_proc.waitForFinished(3000)) {
            m_proc.kill();
            m_proc.waitForFinished(1000);
        }
        m_stderr = QString::fromLocal8Bit(m_proc.readAllStandardError());
        return m_stderr;
    }

private:
    QProcess m_proc;
    QString m_link;
    QString m_stderr;
};

// vq800 --headless on a program folder of its own, logging as STEM_NN.VQD into
// folder/log; out and err gather what it says.
class HeadlessProcess {
public:
    bool start(const QString& folder, const QString& port, const QString& stem, const QStringList& lineIni = {})
    {
        m_stem = stem.toLatin1();
        logDir = QDir(folder).filePath(QStringLiteral("log"));
        const auto write = [&](const QString& name, const QStringList& lines) {
            return WriteFile(QDir(folder).filePath(name), (lines.join(QStringLiteral("\r\n")) + "\r\n").toLocal8Bit());
        };
        // An hour's interval: each recorder's first record of an opening still comes at once.
        if (!QDir().mkpath(logDir) || !write("Comm.CFG", {port, "9600", "N", "8", "1", "Modbus RTU"})
            || !write("CFG/SetEnv.INI", {"O\tone", "X\ttwo", "O\tthree"})
            || !write("CFG/SaveData.INI", {"Yes", "60", "min", logDir, stem, "0", "0", "0"})
            || (!lineIni.isEmpty() && !write("CFG/Line.INI", lineIni)))
            return false;
        return run(folder);
    }
    // The same on the Comm.CFG and SetEnv.INI the folder holds.
    bool startOnLineOf(const QString& folder, const QString& stem)
    {
        m_stem = stem.toLatin1();
        logDir = QDir(folder).filePath(QStringLiteral("log"));
        return QDir().mkpath(logDir)
            && WriteFile(QDir(folder).filePath("CFG/SaveData.INI"),
                         (QStringList{"Yes", "60", "min", logDir, stem, "0", "0", "0"}.join("\r\n") + "\r\n").toLocal8Bit())
            && run(folder);
    }
    bool run(const QString& folder)
    {
        proc.start(BuiltProgram("vq800"), {"--headless", "--dir", folder, "--reopen-ms", "200"});
        return proc.waitForStarted(5000);
    }
    // Reads what it says until done() or 10 s have passed.
    template <typename Done> bool waitFor(Done done)
    {
        QElapsedTimer watchdog;
        watchdog.start();
        while (!done() && watchdog.elapsed() < 10'000 && proc.state() != QProcess::NotRunning) {
            proc.waitForReadyRead(50);
            out += proc.readAllStandardOutput();
            err += proc.readAllStandardError();
        }
        return done();
    }
    // Recorders a and b each saved at least n times.
    bool savedTimes(int n, int a = 1, int b = 3)
    {
        const auto file = [&](int d) { return m_stem + "_" + QByteArray::number(d).rightJustified(2, '0') + ".VQD"; };
        return waitFor([&] { return out.count(file(a)) >= n && out.count(file(b)) >= n; });
    }
    // SIGTERM; true when it ended by itself within 10 s.
    bool stop()
    {
        proc.terminate();
        const bool ended = proc.waitForFinished(10'000);
        out += proc.readAllStandardOutput();
        err += proc.readAllStandardError();
        return ended;
    }

    QProcess proc;
    QString logDir;
    QByteArray out, err;

private:
    QByteArray m_stem;
};
