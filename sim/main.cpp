// vq800-sim: simulated recorders on a pseudo-terminal, until SIGINT/SIGTERM.
#include "sim/LineServer.h"
#include "sim/PtyHost.h"
#include "sim/SimOptions.h"
#include "Version.h"

#include <QFile>

#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <map>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

qint64 monotonicUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void printCounts(const char* who, const FaultCounts& c)
{
    std::fprintf(stderr,
                 "vq800-sim: %s: requests %d answers %d silent %d crc %d dropped %d delayed %d noise %d "
                 "truncated %d wrong-id %d exception %d\n",
                 who, c.requests, c.answers, c.silent, c.crc, c.dropped, c.delayed, c.noise, c.truncated,
                 c.wrongId, c.exception);
}

// Writes all of bytes to the non-blocking master; what does not fit is lost,
// as on a line nobody listens to.
void sendAll(int fd, const QByteArray& bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + at, static_cast<size_t>(bytes.size() - at));
        if (n > 0)
            at += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    SimOptions opt;
    QString error;
    if (!ParseSimOptions(args, &opt, &error)) {
        std::fprintf(stderr, "vq800-sim: %s\n%s", qPrintable(error), qPrintable(SimUsage()));
        return 2;
    }
    if (opt.version) {
        std::printf("vq800-sim %s\n", VQ800_VERSION);
        return 0;
    }
    if (opt.help) {
        std::fputs(qPrintable(SimUsage()), stdout);
        return 0;
    }

    LineServer server(opt.seed);
    server.setWireFormat(opt.wire);
    server.setFaults(opt.faults);
    for (auto it = opt.deviceFaults.cbegin(); it != opt.deviceFaults.cend(); ++it)
        server.setFaults(it.key(), it.value());
    // The recorders' clocks start at the local wall-clock time.
    const QDateTime local = QDateTime::currentDateTime();
    const QDateTime start(local.date(), QTime(local.time().hour(), local.time().minute(), local.time().second()),
                          Qt::UTC);
    for (int d : opt.devices) {
        RecorderModel& m = server.addDevice(d, opt.models.value(d, opt.defaultModel));
        m.setClock(start);
    }
    for (const auto& [d, c] : opt.burnOut)
        if (RecorderModel* m = server.device(d))
            m->setBurnOut(c, true);
    for (auto it = opt.paramFiles.cbegin(); it != opt.paramFiles.cend(); ++it) {
        RecorderModel* m = server.device(it.key());
        QFile f(it.value());
        if (!m || !f.open(QIODevice::ReadOnly) || !m->loadParamImage(f.readAll(), &error)) {
            std::fprintf(stderr, "vq800-sim: parameter file %s for device %d: %s\n", qPrintable(it.value()),
                         it.key(), m ? qPrintable(f.isOpen() ? error : f.errorString()) : "device not served");
            return 2;
        }
    }
    if (opt.verbose)
        server.onFault = [](int device, Fault f) {
            std::fprintf(stderr, "vq800-sim: device %d: fault %s\n", device, FaultName(f));
        };

    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    const int sigFd = signalfd(-1, &mask, SFD_CLOEXEC);
    if (sigFd < 0) {
        std::fprintf(stderr, "vq800-sim: signalfd failed\n");
        return 1;
    }

    PtyHost pty;
    if (!pty.open(&error)) {
        std::fprintf(stderr, "vq800-sim: %s\n", qPrintable(error));
        return 1;
    }
    if (!opt.link.isEmpty() && !pty.makeLink(opt.link, &error)) {
        std::fprintf(stderr, "vq800-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(pty.slavePath()));
    std::fflush(stdout);

    // A silence of 3.5 characters (at least 20 ms) ends a partial request.
    const qint64 idleUs = std::max<qint64>(
        20'000, opt.wire.baud > 0 ? 35LL * opt.wire.bitsPerByte * 100'000 / opt.wire.baud : 0);
    const qint64 t0 = monotonicUs();
    qint64 lastByteUs = t0;
    std::multimap<qint64, QByteArray> outgoing; // due time -> answer bytes

    for (;;) {
        const qint64 now = monotonicUs();
        qint64 waitUs = 1'000'000;
        if (!outgoing.empty())
            waitUs = std::min(waitUs, outgoing.begin()->first - now);
        if (server.buffered() > 0)
            waitUs = std::min(waitUs, lastByteUs + idleUs - now);
        waitUs = std::max<qint64>(waitUs, 0);
        pollfd fds[2] = {{pty.masterFd(), POLLIN, 0}, {sigFd, POLLIN, 0}};
        // Rounded up: an answer leaves at most 1 ms late, never early.
        const int n = ::poll(fds, 2, static_cast<int>((waitUs + 999) / 1000));
        if (n < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN)
            break;
        if (fds[0].revents & POLLIN) {
            char buf[1024];
            const ssize_t got = ::read(pty.masterFd(), buf, sizeof buf);
            if (got > 0) {
                const qint64 at = monotonicUs();
                lastByteUs = at;
                const LineServer::Result r = server.feed(QByteArray(buf, got), (at - t0) / 1000);
                for (const Answer& a : r.answers)
                    outgoing.emplace(at + a.delayUs, a.bytes);
            }
        } else if (fds[0].revents & (POLLERR | POLLHUP)) {
            usleep(10'000); // no reader on the line; we keep our slave open
        }
        const qint64 after = monotonicUs();
        while (!outgoing.empty() && outgoing.begin()->first <= after) {
            sendAll(pty.masterFd(), outgoing.begin()->second);
            outgoing.erase(outgoing.begin());
        }
        if (server.buffered() > 0 && after - lastByteUs >= idleUs)
            server.lineIdle();
    }

    printCounts("all devices", server.counts());
    for (int d : server.devices()) {
        const FaultCounts c = server.counts(d);
        const QByteArray who = QByteArray("device ") + QByteArray::number(d);
        printCounts(who.constData(), c);
    }
    return 0;
}
