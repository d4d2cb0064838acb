#pragma once
// Starts vq800-sim (built beside the test programs) on a pseudo-terminal
// with a stable link path, and stops it when the object goes.
#include <QCoreApplication>
#include <QDir>
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
