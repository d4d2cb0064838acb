#pragma once
// A real mosquitto broker of the test's own on a free loopback port, with its
// persistence in a folder of the test; and mosquitto_sub as a subscriber.
#include "common/Files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <pwd.h>
#include <unistd.h>

inline QString BrokerProgram()
{
    for (const char* p : {"/usr/sbin/mosquitto", "/usr/bin/mosquitto"})
        if (QFileInfo(QString::fromLatin1(p)).isExecutable())
            return QString::fromLatin1(p);
    return QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
}

class Broker {
public:
    // Starts it with `extra` configuration lines (TLS, passwords); the same
    // port and persistence on a second start.
    bool start(const QString& folder, const QStringList& extra = {})
    {
        if (port == 0) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0))
                return false;
            port = probe.serverPort();
        }
        const QString conf = QDir(folder).filePath(QStringLiteral("mosquitto.conf"));
        const QStringList lines = QStringList{QStringLiteral("listener %1 127.0.0.1").arg(port),
                                              QStringLiteral("persistence true"),
                                              QStringLiteral("persistence_location %1/").arg(folder),
                                              QStringLiteral("log_dest none"),
                                              // Run as root, it would read its files as the user mosquitto.
                                              QStringLiteral("user %1").arg(QString::fromLocal8Bit(getpwuid(getuid())->pw_name))}
            + (extra.isEmpty() ? QStringList{QStringLiteral("allow_anonymous true")} : extra);
        if (!WriteFile(conf, (lines.join('\n') + '\n').toUtf8()))
            return false;
        m_proc.start(BrokerProgram(), {QStringLiteral("-c"), conf});
        if (!m_proc.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && m_proc.state() == QProcess::Running) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port);
            if (s.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    void stop()
    {
        if (m_proc.state() == QProcess::NotRunning)
            return;
        m_proc.terminate();
        if (!m_proc.waitForFinished(5000))
            m_proc.kill();
        m_proc.waitForFinished(1000);
    }
    ~Broker() { stop(); }
    int port = 0;

private:
    QProcess m_proc;
};

// mosquitto_sub printing "topic payload" lines.
class Subscriber {
public:
    bool start(int port, const QString& topic, const QStringList& extra = {})
    {
        m_proc.start(QStringLiteral("mosquitto_sub"),
                     QStringList{"-h", "127.0.0.1", "-p", QString::number(port), "-t", topic, "-v", "-q", "1"} + extra);
        return m_proc.waitForStarted(5000);
    }
    // Reads lines until done() or timeoutMs.
    template <typename Done> bool waitFor(Done done, int timeoutMs = 15'000)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < timeoutMs) {
            m_proc.waitForReadyRead(50);
            while (m_proc.canReadLine())
                lines << QString::fromUtf8(m_proc.readLine()).trimmed();
        }
        return done();
    }
    // The payloads of `topic` so far.
    QStringList payloads(const QString& topic) const
    {
        QStringList out;
        for (const QString& l : lines)
            if (l.startsWith(topic + ' '))
                out << l.mid(topic.size() + 1);
        return out;
    }
    void stop()
    {
        m_proc.terminate();
        m_proc.waitForFinished(3000);
    }
    ~Subscriber() { stop(); }
    QStringList lines;

private:
    QProcess m_proc;
};
