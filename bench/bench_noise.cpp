// Polling on a noisy line and a line with silent devices, against vq800-sim
// with wire timing at 9600 baud and gap_ms=50, headless:
//   - requests and good answers per second on a clean line of three recorders,
//     and with one stray byte every 0.2, 0.5 and 1.0 s;
//   - twenty devices listed, seventeen of them silent: the time from Port Open
//     to the first live values, and the live polls per second afterwards
//     against the clean line's.
// Targets: every noisy rate at least 0.5 of the clean one; monitoring begins
// within 60 s on the line with silent devices, and its live devices are
// polled at least 0.75 as often as on the clean line.
// Usage: bench_noise [seconds per measurement, default 20]
#include "app/LinkSession.h"
#include "common/SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
}

struct Run {
    bool ok = false;
    double requestsPerS = 0;
    double answersPerS = 0; // good live answers
    double monitoringAfterS = 0;
    qint64 stray = 0;
};

// Three recorders served; `listed` devices enabled (the rest of them silent).
Run measure(int noiseEveryMs, int listed, int seconds)
{
    Run r;
    QTemporaryDir dir;
    SimProcess sim;
    QStringList args{"--devices", "1-3", "--baud", "9600", "--turnaround-ms", "5"};
    if (noiseEveryMs > 0)
        args << "--noise-every" << QString::number(noiseEveryMs);
    if (!sim.start(dir.filePath("line"), args)) {
        std::fprintf(stderr, "cannot start vq800-sim\n");
        return r;
    }
    QDir().mkpath(dir.filePath("CFG"));
    writeFile(dir.filePath("CFG/SetEnv.INI"), QByteArray("O\r\n").repeated(listed));
    writeFile(dir.filePath("Comm.CFG"), (dir.filePath("line") + "\r\n9600\r\nN\r\n8\r\n1\r\nModbus RTU\r\n").toLocal8Bit());
    LinkSession session(dir.path());
    session.loadConfiguration();
    PollingEngine& e = session.engine;

    QEventLoop loop;
    QElapsedTimer clock;
    qint64 startMs = -1;
    int requests = 0, answers = 0;
    QObject::connect(&e, &PollingEngine::requestSent, [&] {
        if (startMs >= 0)
            ++requests;
    });
    QObject::connect(&e, &PollingEngine::liveValues, [&](int) {
        if (startMs >= 0) {
            ++answers;
            return;
        }
        if (!session.link.gCommonReadDone)
            return;
        // Monitoring has begun: measure from here.
        r.monitoringAfterS = clock.elapsed() / 1000.0;
        startMs = clock.elapsed();
        e.clearStrayBytes();
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    });
    QTimer::singleShot(180'000 + seconds * 1000, &loop, &QEventLoop::quit);
    clock.start();
    if (!e.openPort())
        return r;
    loop.exec();
    const double spanS = (clock.elapsed() - startMs) / 1000.0;
    r.stray = e.strayBytes();
    e.closePort();
    if (startMs < 0 || spanS <= 0)
        return r;
    r.ok = true;
    r.requestsPerS = requests / spanS;
    r.answersPerS = answers / spanS;
    return r;
}

const char* verdict(bool met)
{
    return met ? "met" : "MISSED";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(5, QByteArray(argv[1]).toInt()) : 20;
    bool all = true;

    std::printf("Three recorders at 9600 baud, gap_ms=50, %d s each\n\n", seconds);
    std::printf("stray byte every   requests/s  answers/s  ratio  stray bytes  target\n");
    const Run clean = measure(0, 3, seconds);
    if (!clean.ok) {
        std::fprintf(stderr, "the clean line did not reach monitoring\n");
        return 1;
    }
    std::printf("%-16s %11.2f %10.2f %6.3f %12lld  -\n", "never (clean)", clean.requestsPerS, clean.answersPerS, 1.0,
                static_cast<long long>(clean.stray));
    for (int every : {200, 500, 1000}) {
        const Run n = measure(every, 3, seconds);
        const double ratio = n.ok ? n.requestsPerS / clean.requestsPerS : 0;
        const bool met = n.ok && ratio >= 0.5;
        all = all && met;
        std::printf("%-16s %11.2f %10.2f %6.3f %12lld  %s\n", qPrintable(QStringLiteral("%1 s").arg(every / 1000.0)),
                    n.requestsPerS, n.answersPerS, ratio, static_cast<long long>(n.stray), verdict(met));
    }

    std::printf("\nTwenty devices listed, seventeen silent\n\n");
    const Run silent = measure(0, 20, seconds * 3);
    const double share = silent.ok ? silent.answersPerS / clean.answersPerS : 0;
    const bool scanMet = silent.ok && silent.monitoringAfterS < 60;
    const bool shareMet = silent.ok && share >= 0.75;
    all = all && scanMet && shareMet;
    std::printf("monitoring after %.1f s (target under 60 s): %s\n", silent.monitoringAfterS, verdict(scanMet));
    std::printf("live answers/s %.2f against %.2f on the clean line: %.3f (target at least 0.75): %s\n",
                silent.answersPerS, clean.answersPerS, share, verdict(shareMet));
    return all ? 0 : 1;
}
