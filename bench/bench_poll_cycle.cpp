// Poll cycle of the whole link against vq800-sim with wire timing, per line
// rate: the live-value transaction's time against its floor (the pause + the
// request with its trailing 0x00 and the 99-byte answer on the wire + the
// recorder's 5 ms turnaround), for the default pause (gap_ms=50) and the
// shortest (gap_ms=0: 3.5 character times), headless and with the main window,
// a trend monitor and the frame log open (offscreen), headless logging every
// second and publishing to a mosquitto broker on loopback (measured once every
// recorder's channel settings have been read); and mbpoll at its
// fastest (-l 10) on the same simulated line for comparison.
// Targets: mean at most 1.03 of the floor with gap_ms=50, at most the floor
// + 1.5 ms with gap_ms=0, and more polls per second than mbpoll.
// Usage: bench_poll_cycle [transactions per measurement, default 100] [baud: only this rate]
#include "app/LinkSession.h"
#include "app/frmVQ_Main.h"
#include "common/Broker.h"
#include "common/SimProcess.h"
#include "logging/DataLogger.h"
#include "logging/SaveSettings.h"
#include "monitor/frmVQ_Mon_Single.h"
#include "publish/Publisher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kTurnaroundMs = 5;
constexpr int kRequestBytes = 8 + 1; // the frame and the 0x00 the engine sends after it
constexpr int kAnswerBytes = 99;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
}

struct Result {
    double mean = 0;   // ms per transaction
    double median = 0; // ms, of the single transactions
    double cpuPer1000 = 0;
    bool ok = false;
};

struct Line {
    QTemporaryDir dir;
    SimProcess sim;
    QString path;
    bool start(int baud)
    {
        path = dir.filePath("line");
        return sim.start(path, {"--devices", "1-3", "--baud", QString::number(baud), "--turnaround-ms",
                                QString::number(kTurnaroundMs)});
    }
};

enum class Mode { Headless, Windows, Publishing };

Result measure(int baud, int gapMs, Mode mode, int transactions)
{
    const bool windows = mode == Mode::Windows;
    Result r;
    Line line;
    if (!line.start(baud)) {
        std::fprintf(stderr, "cannot start vq800-sim\n");
        return r;
    }
    const QString dir = line.dir.path();
    QDir().mkpath(dir + "/CFG");
    writeFile(dir + "/CFG/SetEnv.INI", "O\r\nO\r\nO\r\n");
    writeFile(dir + "/CFG/Line.INI", QByteArray("gap_ms=") + QByteArray::number(gapMs) + "\n");
    writeFile(dir + "/Comm.CFG",
              (line.path + "\r\n" + QString::number(baud) + "\r\nN\r\n8\r\n1\r\nModbus RTU\r\n").toLocal8Bit());

    std::unique_ptr<LinkSession> session;
    std::unique_ptr<frmVQ_Main> main;
    std::unique_ptr<frmVQ_Mon_Single> monitor;
    PollingEngine* engine = nullptr;
    const LinkState* link = nullptr;
    if (windows) {
        main = std::make_unique<frmVQ_Main>(dir);
        main->resize(1200, 800);
        main->show();
        monitor = std::make_unique<frmVQ_Mon_Single>(main->monitorState(), main->store(), main->link(), dir,
                                                     main.get());
        monitor->show();
        engine = &main->engine();
        link = &main->link();
    } else {
        session = std::make_unique<LinkSession>(dir);
        session->loadConfiguration();
        engine = &session->engine;
        link = &session->link;
    }
    // Publishing: the records saved every second and the live values go to a broker.
    QTemporaryDir brokerDir;
    Broker broker;
    std::unique_ptr<DataLogger> logger;
    std::unique_ptr<Publisher> publisher;
    QTimer saveTick;
    int metasLeft = 0;
    if (mode == Mode::Publishing) {
        if (!broker.start(brokerDir.path())) {
            std::fprintf(stderr, "cannot start mosquitto\n");
            return r;
        }
        writeFile(dir + "/CFG/Publish.INI", QStringLiteral("broker=mqtt://127.0.0.1:%1\r\n").arg(broker.port).toLatin1());
        writeFile(dir + "/CFG/SaveData.INI", ("Yes\r\n1\r\nsec\r\n" + dir + "/log\r\nB\r\n0\r\n0\r\n0\r\n").toLocal8Bit());
        logger = std::make_unique<DataLogger>(session->link, session->store);
        logger->setSettings(ReadSaveSettings(dir));
        logger->attach(*engine);
        logger->drive(saveTick);
        saveTick.start(50);
        publisher = std::make_unique<Publisher>(dir, session->link, session->store);
        publisher->attach(*engine, *logger);
        publisher->configure();
        metasLeft = 3;
        QObject::connect(engine, &PollingEngine::deviceParametersRead, [&](int) { --metasLeft; });
    }

    // A loop of its own: quitting the application would close the main window.
    QEventLoop loop;
    std::vector<qint64> at;
    at.reserve(transactions + 1);
    QElapsedTimer clock;
    double cpuStart = 0;
    QObject::connect(engine, &PollingEngine::liveValues, [&](int) {
        if (!link->gCommonReadDone || metasLeft > 0)
            return;
        if (at.empty()) {
            clock.start();
            cpuStart = cpuSeconds();
        }
        at.push_back(clock.nsecsElapsed());
        if (static_cast<int>(at.size()) == transactions + 1) {
            r.cpuPer1000 = (cpuSeconds() - cpuStart) / transactions * 1000;
            r.ok = true;
            loop.quit();
        }
    });
    QTimer::singleShot(180000, &loop, &QEventLoop::quit);
    if (!engine->openPort())
        return r;
    loop.exec();
    engine->closePort();
    if (r.ok) {
        r.mean = (at.back() - at.front()) / 1e6 / transactions;
        std::vector<qint64> each;
        for (size_t i = 1; i < at.size(); ++i)
            each.push_back(at[i] - at[i - 1]);
        std::nth_element(each.begin(), each.begin() + each.size() / 2, each.end());
        r.median = each[each.size() / 2] / 1e6;
    }
    return r;
}

// mbpoll's polls per second over `seconds` against a fresh simulated line.
double mbpollRate(int baud, int seconds)
{
    Line line;
    if (!line.start(baud))
        return -1;
    QProcess p;
    // Into a file: a pipe nobody reads while we wait would stop mbpoll when full.
    const QString out = line.dir.filePath("mbpoll.out");
    p.setStandardOutputFile(out);
    // Line-buffered: a block-buffered file would lose the last polls' lines at the end.
    p.start("stdbuf", {"-oL", "mbpoll", "-m", "rtu", "-0", "-a", "1", "-r", "30001", "-c", "47", "-t", "4:hex", "-b",
                       QString::number(baud), "-P", "none", "-l", "10", line.path});
    if (!p.waitForStarted(5000))
        return -1;
    QThread::sleep(seconds);
    p.terminate();
    p.waitForFinished(5000);
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    // Each poll's block begins with this line; the last one may be cut off.
    const int polls = static_cast<int>(f.readAll().count("-- Polling slave")) - 1;
    return polls > 0 ? polls / static_cast<double>(seconds) : -1;
}

double floorMs(int baud, int gapMs)
{
    const double charMs = 10 * 1000.0 / baud; // 8N1
    const double gap = gapMs > 0 ? gapMs : 3.5 * charMs;
    return gap + (kRequestBytes + kAnswerBytes) * charMs + kTurnaroundMs;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int transactions = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
    std::printf("%-6s %-5s %-8s %9s %9s %9s %7s %8s %8s %9s  %s\n", "baud", "pause", "windows", "ms/poll",
                "median", "floor", "ratio", "over ms", "polls/s", "CPU/1000", "target");
    bool allOk = true;
    const int only = argc > 2 ? std::atoi(argv[2]) : 0;
    for (int baud : {9600, 19200, 38400, 57600}) {
        if (only > 0 && baud != only)
            continue;
        double fastest = 0;
        for (int gap : {50, 0}) {
            for (Mode mode : {Mode::Headless, Mode::Windows, Mode::Publishing}) {
                const Result r = measure(baud, gap, mode, transactions);
                const char* label = mode == Mode::Windows ? "main" : mode == Mode::Publishing ? "publish" : "none";
                if (!r.ok) {
                    std::printf("%-6d %-5d %-8s failed\n", baud, gap, label);
                    allOk = false;
                    continue;
                }
                const double fl = floorMs(baud, gap);
                const bool met = gap > 0 ? r.mean <= 1.03 * fl : r.mean <= fl + 1.5;
                allOk = allOk && met;
                if (gap == 0)
                    fastest = std::max(fastest, 1000.0 / r.mean);
                std::printf("%-6d %-5d %-8s %9.2f %9.2f %9.2f %7.3f %8.2f %8.2f %9.3f  %s\n", baud, gap, label, r.mean,
                            r.median, fl, r.mean / fl, r.mean - fl, 1000.0 / r.mean, r.cpuPer1000,
                            met ? "met" : "MISSED");
                std::fflush(stdout);
            }
        }
        const double mb = mbpollRate(baud, 10);
        if (mb < 0) {
            std::printf("%-6d mbpoll    failed\n", baud);
            allOk = false;
        } else {
            const bool ahead = fastest > mb;
            allOk = allOk && ahead;
            std::printf("%-6d %-5s %-8s %9.2f %9s %9s %7s %8s %8.2f %9s  %s\n", baud, "-l 10", "mbpoll", 1000.0 / mb,
                        "", "", "", "", mb, "", ahead ? "behind us" : "AHEAD OF US");
        }
        std::fflush(stdout);
    }
    return allOk ? 0 : 1;
}
