// vq800-logger publishing to a real mosquitto broker of the test's own:
// the topics and payloads, every record through a broker outage to a
// persistent subscriber, the last will on kill -9, a refused login, TLS with
// a CA the test makes, and a password file others may read.
#include "common/Broker.h"
#include "common/SimProcess.h"
#include "logging/DataFile.h"
#include "overview/frmVQ_Overview.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/stat.h>

namespace {

struct Line {
    QTemporaryDir dir;
    SimProcess sim;
    QProcess logger;
    QByteArray out, err;

    // A program folder saving every second, publishing as `publish` says.
    bool setUp(const QStringList& publish)
    {
        const auto write = [&](const QString& name, const QStringList& lines) {
            return WriteFile(dir.filePath(name), (lines.join(QStringLiteral("\r\n")) + "\r\n").toLocal8Bit());
        };
        const QString line = dir.filePath("tty");
        return sim.start(line, {"--baud", "0", "--devices", "1,3", "--model", "3=20"})
            && write("Comm.CFG", {line, "9600", "N", "8", "1", "Modbus RTU"})
            && write("CFG/SetEnv.INI", {"O\tkiln", "X\t", "O\toven"})
            && write("CFG/SaveData.INI", {"Yes", "1", "sec", dir.filePath("log"), "T", "0", "0", "0"})
            && write("CFG/Publish.INI", publish);
    }
    bool start()
    {
        logger.start(BuiltProgram("vq800-logger"), {"--dir", dir.path()});
        return logger.waitForStarted(5000);
    }
    void read()
    {
        logger.waitForReadyRead(10);
        out += logger.readAllStandardOutput();
        err += logger.readAllStandardError();
    }
    qint64 records(int device)
    {
        DataFileReader r;
        return r.open(dir.filePath(QStringLiteral("log/T_%1.VQD").arg(device, 2, 10, QLatin1Char('0'))))
            ? r.recordCount()
            : 0;
    }
    ~Line()
    {
        logger.terminate();
        logger.waitForFinished(5000);
    }
};

QJsonObject Json(const QString& payload)
{
    return QJsonDocument::fromJson(payload.toUtf8()).object();
}

bool Ready()
{
    return !BrokerProgram().isEmpty() && QFileInfo::exists(BuiltProgram("vq800-logger"))
        && !QStandardPaths::findExecutable(QStringLiteral("mosquitto_sub")).isEmpty();
}

} // namespace

TEST(Publish, EveryRecordReachesAPersistentSubscriberThroughABrokerOutage)
{
    if (!Ready())
        GTEST_SKIP() << "mosquitto, mosquitto_sub or vq800-logger is missing";
    QTemporaryDir store;
    Broker broker;
    ASSERT_TRUE(broker.start(store.path()));
    Line line;
    ASSERT_TRUE(line.setUp({QStringLiteral("broker=mqtt://127.0.0.1:%1").arg(broker.port), "prefix=t/line", "# kept"}));
    // A persistent session: what is published while it is away is kept for it.
    Subscriber sub;
    ASSERT_TRUE(sub.start(broker.port, "t/line/#", {"-c", "-i", "e2e-historian"}));
    ASSERT_TRUE(sub.waitFor([] { return true; }, 500));
    ASSERT_TRUE(line.start());
    ASSERT_TRUE(sub.waitFor([&] {
        return sub.payloads("t/line/status").contains("online") && sub.payloads("t/line/03/meta").size() >= 1
            && sub.payloads("t/line/01/live").size() >= 2 && sub.payloads("t/line/03/record").size() >= 2;
    })) << sub.lines.join('\n').toStdString();

    const QJsonObject state = Json(sub.payloads("t/line/03/state").last());
    EXPECT_EQ(state["device"].toInt(), 3);
    EXPECT_EQ(state["description"].toString(), "oven");
    EXPECT_TRUE(state["online"].toBool());
    EXPECT_EQ(state["channels"].toInt(), 12);
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(\\.\\d{3})?[+-]\\d\\d:\\d\\d$")
                    .match(state["time"].toString())
                    .hasMatch())
        << state["time"].toString().toStdString();
    EXPECT_EQ(Json(sub.payloads("t/line/03/meta").last())["channels"].toArray().size(), 12);
    const QJsonObject live = Json(sub.payloads("t/line/01/live").last());
    EXPECT_EQ(live["values"].toArray().size(), 6);
    EXPECT_EQ(live["alarms"].toArray().size(), 6);
    EXPECT_EQ(live["relays"].toArray().size(), 6);

    // The broker away for 20 s: records wait in the data files.
    broker.stop();
    QThread::sleep(20);
    ASSERT_TRUE(broker.start(store.path()));
    const qint64 saved = line.records(1);
    ASSERT_TRUE(sub.waitFor([&] {
        QSet<qint64> got;
        for (const QString& p : sub.payloads("t/line/01/record"))
            got.insert(Json(p)["index"].toInteger());
        return got.size() >= saved;
    }, 30'000)) << sub.lines.size();
    line.logger.terminate();
    ASSERT_TRUE(line.logger.waitForFinished(10'000));
    line.read();
    EXPECT_EQ(line.logger.exitCode(), 0) << line.err.toStdString();
    EXPECT_TRUE(line.err.contains("trying again")) << line.err.toStdString();
    EXPECT_TRUE(sub.waitFor([&] { return sub.payloads("t/line/status").endsWith("offline"); }));

    // Every record the files hold, each first met in file order; a repeat is the same message.
    for (int device : {1, 3}) {
        const QString topic = QStringLiteral("t/line/%1/record").arg(device, 2, 10, QLatin1Char('0'));
        QHash<qint64, QString> first;
        qint64 last = -1;
        for (const QString& p : sub.payloads(topic)) {
            const qint64 index = Json(p)["index"].toInteger();
            if (first.contains(index)) {
                EXPECT_EQ(first[index], p);
                continue;
            }
            EXPECT_EQ(index, last + 1) << topic.toStdString();
            last = index;
            first.insert(index, p);
        }
        EXPECT_EQ(last + 1, line.records(device)) << topic.toStdString();
    }
    const QJsonObject record = Json(sub.payloads("t/line/03/record").first());
    EXPECT_EQ(record["file"].toString(), "T_03.VQD");
    EXPECT_EQ(record["values"].toArray().size(), 12);
    // The broker's cursor stays in the program folder for the next run.
    EXPECT_TRUE(QFileInfo::exists(line.dir.filePath("Publish/01.CUR")));
}

TEST(Publish, LastWillRefusedLoginTlsAndAPasswordFileOthersMayRead)
{
    if (!Ready() || QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd")).isEmpty())
        GTEST_SKIP() << "mosquitto, openssl or mosquitto_passwd is missing";
    QTemporaryDir store;
    const auto at = [&](const char* name) { return store.filePath(QString::fromLatin1(name)); };
    // A CA of the test's own and the broker's certificate for localhost.
    const QStringList steps[] = {
        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=e2e CA", "-keyout", at("ca.key"),
         "-out", at("ca.crt")},
        {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost", "-keyout", at("srv.key"), "-out", at("srv.csr")},
        {"x509", "-req", "-in", at("srv.csr"), "-CA", at("ca.crt"), "-CAkey", at("ca.key"), "-CAcreateserial", "-days",
         "2", "-extfile", at("san.ext"), "-out", at("srv.crt")},
    };
    ASSERT_TRUE(WriteFile(at("san.ext"), "subjectAltName=DNS:localhost,IP:127.0.0.1\n"));
    for (const QStringList& args : steps) {
        QProcess ssl;
        ssl.start(QStringLiteral("openssl"), args);
        ASSERT_TRUE(ssl.waitForFinished(30'000) && ssl.exitCode() == 0) << ssl.readAllStandardError().toStdString();
    }
    QProcess passwd;
    passwd.start(QStringLiteral("mosquitto_passwd"), {"-b", "-c", at("users"), "line", "right"});
    ASSERT_TRUE(passwd.waitForFinished(10'000) && passwd.exitCode() == 0);
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const int tlsPort = probe.serverPort();
    probe.close();
    Broker broker;
    ASSERT_TRUE(broker.start(store.path(), {"allow_anonymous true", QStringLiteral("listener %1 127.0.0.1").arg(tlsPort),
                                            QStringLiteral("cafile %1").arg(at("ca.crt")),
                                            QStringLiteral("certfile %1").arg(at("srv.crt")),
                                            QStringLiteral("keyfile %1").arg(at("srv.key")),
                                            QStringLiteral("password_file %1").arg(at("users")),
                                            "per_listener_settings false"}));
    Subscriber sub;
    ASSERT_TRUE(sub.start(broker.port, "#", {"-u", "line", "-P", "right"}));

    struct Case { const char* name; const char* password; int mode; const char* said; bool online; };
    const Case cases[] = {
        {"tls", "right", 0600, "publishing to the MQTT broker localhost", true},
        {"wrong", "wrong", 0600, "the broker refused the connection", false},
        {"open", "right", 0644, "may be read by others", false},
    };
    for (const Case& k : cases) {
        Line line;
        const QString pw = line.dir.filePath("pw");
        ASSERT_TRUE(WriteFile(pw, QByteArray(k.password) + "\n"));
        ::chmod(QFile::encodeName(pw).constData(), k.mode);
        ASSERT_TRUE(line.setUp({QStringLiteral("broker=mqtts://localhost:%1").arg(tlsPort),
                                QStringLiteral("prefix=t/%1").arg(k.name), "username=line",
                                "password_file=" + pw, "ca_file=" + at("ca.crt")}));
        ASSERT_TRUE(line.start());
        const QString status = QStringLiteral("t/%1/status").arg(k.name);
        EXPECT_EQ(sub.waitFor([&] { return sub.payloads(status).contains("online"); }, k.online ? 15'000 : 3'000),
                  k.online) << k.name;
        // Logging goes on whatever the broker says.
        EXPECT_TRUE(sub.waitFor([&] { line.read(); return line.err.contains(k.said) && line.records(1) >= 2; }))
            << k.name << ": " << line.err.toStdString();
        if (k.online) {
            // Killed: the broker gives the last will at once, well within 15 s.
            ::kill(line.logger.processId(), SIGKILL);
            EXPECT_TRUE(sub.waitFor([&] { return sub.payloads(status).endsWith("offline"); }, 15'000));
        }
    }
}

// Two lines, each its own logger and prefix, in one overview offscreen.
TEST(PlantOverview, ShowsEveryLineAndGreysOneThatStops)
{
    if (!Ready())
        GTEST_SKIP() << "mosquitto, mosquitto_sub or vq800-logger is missing";
    QTemporaryDir store;
    Broker broker;
    ASSERT_TRUE(broker.start(store.path()));
    const QString url = QStringLiteral("broker=mqtt://127.0.0.1:%1").arg(broker.port);
    Line a, b;
    ASSERT_TRUE(a.setUp({url, "prefix=t/hall1/line1"}) && a.start());
    ASSERT_TRUE(b.setUp({url, "prefix=t/hall2/line1"}) && b.start());
    frmVQ_Overview overview(a.dir.path());
    overview.findChild<QLineEdit*>("txtBroker")->setText(QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port));
    overview.findChild<QLineEdit*>("txtRoot")->setText("t/#");
    overview.connectBroker();
    overview.show();
    const QAbstractItemModel* tree = overview.findChild<QTreeView*>("treePlant")->model();
    const auto until = [](const std::function<bool()>& done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return done();
    };
    // A line's row (device 0) or a device's row as the tree shows it.
    const auto row = [&](const QString& line, int device) -> QModelIndex {
        for (int i = 0; i < tree->rowCount(); ++i) {
            const QModelIndex li = tree->index(i, 0);
            if (li.data().toString() != line)
                continue;
            if (device == 0)
                return li;
            for (int k = 0; k < tree->rowCount(li); ++k)
                if (tree->index(k, 0, li).data().toInt() == device)
                    return tree->index(k, 0, li);
        }
        return {};
    };
    const auto cell = [&](const QString& line, int device, int column, int role = Qt::DisplayRole) {
        const QModelIndex i = row(line, device);
        return i.isValid() ? i.siblingAtColumn(column).data(role) : QVariant();
    };
    // Each device with its description and every channel's value, names from its meta.
    const auto shown = [&](const QString& line) {
        return row(line, 1).isValid() && cell(line, 3, 1) == "oven" && !cell(line, 3, 4 + 11).toString().isEmpty()
            && cell(line, 0, 2) == "online" && overview.model().lines()[line].devices[3].channels[11].decimals >= 0;
    };
    ASSERT_TRUE(until([&] { return shown("t/hall1/line1") && shown("t/hall2/line1"); }, 30'000));
    EXPECT_EQ(cell("t/hall1/line1", 1, 1), "kiln");
    EXPECT_TRUE(cell("t/hall1/line1", 1, 4 + 6).toString().isEmpty()) << "a six-channel recorder has no CH.07";
    // The value shown is the one the line published last, with the meta's name.
    const PlantDevice d = overview.model().lines().value("t/hall2/line1").devices.value(3);
    EXPECT_EQ(cell("t/hall2/line1", 3, 4).toString().section(' ', 0, 0), d.valueText(0));
    EXPECT_EQ(cell("t/hall2/line1", 3, 4, Qt::ToolTipRole), d.channels[0].name);
    EXPECT_FALSE(cell("t/hall1/line1", 3, 2, Qt::ForegroundRole).isValid()) << "live values are not greyed";

    b.logger.terminate();
    ASSERT_TRUE(until([&] { return cell("t/hall2/line1", 0, 2) == "offline"; }, 10'000));
    EXPECT_TRUE(cell("t/hall2/line1", 0, 0, Qt::ForegroundRole).isValid()) << "the line is greyed";
    EXPECT_TRUE(cell("t/hall2/line1", 3, 2, Qt::ForegroundRole).isValid()) << "its devices are greyed with it";
    EXPECT_FALSE(cell("t/hall1/line1", 0, 0, Qt::ForegroundRole).isValid());
}
