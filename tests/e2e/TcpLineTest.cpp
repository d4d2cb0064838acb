// Headless logging over tcp://HOST:PORT: straight to the simulator's TCP
// side, and through socat bridging a TCP port to its pseudo-terminal; the
// bridge killed and started again, logging goes on.
#include "common/SimProcess.h"
#include "port/TcpPort.h"

#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

quint16 freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

// socat between a TCP port and a line, one connection; up when it listens.
bool startSocat(QProcess& p, quint16 port, const QString& line)
{
    p.start(QStandardPaths::findExecutable("socat"),
            {"-d", "-d", QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr").arg(port),
             QStringLiteral("FILE:%1,raw,echo=0").arg(line)});
    QByteArray err;
    for (int i = 0; i < 50 && !err.contains("listening"); ++i) {
        p.waitForReadyRead(100);
        err += p.readAllStandardError();
    }
    return err.contains("listening");
}

} // namespace

TEST(TcpLine, HeadlessLoggingOverTcpSurvivesTheBridgeGoingAndComingBack)
{
    if (!QFileInfo::exists(BuiltProgram("vq800")))
        GTEST_SKIP() << "vq800 is not built";
    for (const bool viaSocat : {false, true}) {
        SCOPED_TRACE(viaSocat ? "through socat" : "the simulator's own TCP side");
        if (viaSocat && QStandardPaths::findExecutable("socat").isEmpty()) {
            std::printf("socat is not installed: the bridged case is skipped\n");
            continue;
        }
        QTemporaryDir dir;
        const QString line = dir.filePath("line");
        const quint16 port = freePort();
        const QStringList simArgs{"--baud", "0", "--devices", "1,3", "--tcp", QStringLiteral("127.0.0.1:%1").arg(viaSocat ? freePort() : port)};
        SimProcess sim;
        ASSERT_TRUE(sim.start(line, simArgs));
        QProcess socat;
        if (viaSocat) {
            ASSERT_TRUE(startSocat(socat, port, line));
        }

        HeadlessProcess vq;
        ASSERT_TRUE(vq.start(dir.path(), QStringLiteral("tcp://127.0.0.1:%1").arg(port), "TCP", {"gap_ms=0"}));
        EXPECT_TRUE(vq.savedTimes(1)) << vq.out.toStdString() << vq.err.toStdString();

        // The bridge goes: the port is lost, refused while it is away, and opened again when it is back.
        if (viaSocat) {
            socat.kill();
            socat.waitForFinished(2000);
        } else {
            sim.stop();
        }
        EXPECT_TRUE(vq.waitFor([&] { return vq.err.contains("was lost"); })) << vq.err.toStdString();
        if (viaSocat) {
            ASSERT_TRUE(startSocat(socat, port, line));
        } else {
            ASSERT_TRUE(sim.start(line, simArgs));
        }
        EXPECT_TRUE(vq.savedTimes(2)) << vq.out.toStdString() << vq.err.toStdString();
        EXPECT_TRUE(vq.out.contains("is open again")) << vq.out.toStdString();
        ASSERT_TRUE(vq.stop());
        EXPECT_EQ(vq.proc.exitCode(), 0) << vq.err.toStdString();
        if (viaSocat) {
            socat.kill();
            socat.waitForFinished(2000);
        }
    }
}

TEST(TcpLine, NamesAndARefusedConnection)
{
    struct Case { const char* name; bool tcp; bool valid; const char* host; quint16 port; };
    const Case cases[] = {{"tcp://10.0.0.5:4001", true, true, "10.0.0.5", 4001},
                          {"TCP://server.local:23", true, true, "server.local", 23},
                          {"tcp://[::1]:502", true, true, "::1", 502},
                          {"tcp://host", true, false, "", 0},
                          {"tcp://host:0", true, false, "", 0},
                          {"tcp://:4001", true, false, "", 0},
                          {"/dev/ttyUSB0", false, false, "", 0},
                          {"COM3", false, false, "", 0}};
    for (const Case& c : cases) {
        QString host;
        quint16 port = 0;
        EXPECT_EQ(TcpPort::IsTcpName(c.name), c.tcp) << c.name;
        EXPECT_EQ(TcpPort::ParseName(c.name, &host, &port), c.valid) << c.name;
        if (c.valid) {
            EXPECT_EQ(std::pair(host, port), std::pair(QString(c.host), c.port)) << c.name;
        }
    }
    LinePort line;
    PortSettings s;
    s.gCommPort = QStringLiteral("tcp://127.0.0.1:%1").arg(freePort());
    // Connecting never blocks: the refusal comes as an event.
    QSignalSpy failed(&line, &SerialPort::openFailed);
    EXPECT_TRUE(line.open(s, nullptr));
    EXPECT_TRUE(line.connecting());
    ASSERT_TRUE(failed.wait(TcpPort::kConnectMs + 1000));
    EXPECT_FALSE(line.isOpen());
    EXPECT_FALSE(line.connecting());
    EXPECT_TRUE(failed[0][0].toString().contains("refused", Qt::CaseInsensitive)) << failed[0][0].toString().toStdString();
}
