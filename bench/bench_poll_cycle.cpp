// Poll cycle of the whole link against vq800-sim with wire timing: the time
// per live-value transaction over three recorders, as a ratio to its floor
// (50 ms tick + 9 request and 99 answer bytes on the wire + the recorder's
// turnaround). Also CPU time per 1000 transactions.
#include "app/LinkSession.h"
#include "common/SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Result {
    double msPerTransaction = 0;
    double cpuPer1000 = 0;
    bool ok = false;
};

Result measure(int baud, int transactions)
{
    Result r;
    QTemporaryDir dir;
    SimProcess sim;
    const QString line = dir.filePath("line");
    if (!sim.start(line, {"--devices", "1-3", "--baud", QString::number(baud), "--turnaround-ms", "5"})) {
        std::fprintf(stderr, "cannot start vq800-sim\n");
        return r;
    }
    QDir().mkpath(dir.filePath("CFG"));
    QFile env(dir.filePath("CFG/SetEnv.INI"));
    env.open(QIODevice::WriteOnly);
    env.write("O\r\nO\r\nO\r\n");
    env.close();
    QFile comm(dir.filePath("Comm.CFG"));
    comm.open(QIODevice::WriteOnly);
    comm.write((line + "\r\n" + QString::number(baud) + "\r\nN\r\n8\r\n1\r\nModbus RTU\r\n").toLocal8Bit());
    comm.close();

    LinkSession s(dir.path());
    s.loadConfiguration();
    int seen = -1;
    QElapsedTimer clock;
    double cpuStart = 0;
    QObject::connect(&s.engine, &PollingEngine::answerHandled, [&](int code, int) {
        if (code != 11 || !s.link.gCommonReadDone)
            return;
        if (++seen == 0) {
            clock.start();
            cpuStart = cpuSeconds();
        } else if (seen == transactions) {
            r.msPerTransaction = clock.nsecsElapsed() / 1e6 / transactions;
            r.cpuPer1000 = (cpuSeconds() - cpuStart) / transactions * 1000;
            r.ok = true;
            QCoreApplication::quit();
        }
    });
    QTimer::singleShot(120000, [] { QCoreApplication::quit(); });
    if (!s.engine.openPort())
        return r;
    QCoreApplication::exec();
    s.engine.closePort();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int transactions = argc > 1 ? std::atoi(argv[1]) : 60;
    std::printf("%-8s %12s %12s %8s %14s\n", "baud", "ms/poll", "floor ms", "ratio", "CPU s/1000");
    bool allOk = true;
    for (int baud : {9600, 19200, 38400, 57600}) {
        const Result r = measure(baud, transactions);
        const double floor = 50.0 + (9 + 99) * 10 * 1000.0 / baud + 5.0;
        if (!r.ok) {
            std::printf("%-8d failed\n", baud);
            allOk = false;
            continue;
        }
        std::printf("%-8d %12.2f %12.2f %8.3f %14.3f\n", baud, r.msPerTransaction, floor,
                    r.msPerTransaction / floor, r.cpuPer1000);
        std::fflush(stdout);
    }
    return allOk ? 0 : 1;
}
