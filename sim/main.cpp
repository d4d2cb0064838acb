// vq800-sim: simulated recorders on a pseudo-terminal, until SIGINT/SIGTERM.
#include "core/SafeFiles.h"
#include "sim/LineServer.h"
#include "sim/PtyHost.h"
#include "sim/SimOptions.h"
#include "Version.h"

#include <QFile>

#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <fcntl.h>
#include <sys/socket.h>
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

// A listening socket on HOST:PORT; -1 and why on failure.
int listenTcp(const QString& hostPort, QString* error)
{
    const int colon = hostPort.lastIndexOf(u':');
    const QByteArray host = hostPort.left(colon).toLocal8Bit();
    const QByteArray port = hostPort.mid(colon + 1).toLocal8Bit();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (const int rc = getaddrinfo(host.constData(), port.constData(), &hints, &found); rc != 0) {
        *error = QStringLiteral("--tcp %1: %2").arg(hostPort, QString::fromLocal8Bit(gai_strerror(rc)));
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        const int on = 1;
        if (fd >= 0 && (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
                        || ::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 1) != 0)) {
            *error = QStringLiteral("--tcp %1: %2").arg(hostPort, QString::fromLocal8Bit(std::strerror(errno)));
            ::close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
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
        // A bounded read: whatever is named, only a parameter file's worth is held.
        QFile f;
        if (!m || !OpenRegularFile(f, it.value(), &error) || !m->loadParamImage(f.read(64 * 1024), &error)) {
            std::fprintf(stderr, "vq800-sim: parameter file %s for device %d: %s\n", qPrintable(it.value()),
                         it.key(), m ? qPrintable(error) : "device not served");
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
    // Listening before the link appears. A TCP client shares the line with the pseudo-terminal; a new one replaces the last.
    int listenFd = -1, clientFd = -1;
    if (!opt.tcp.isEmpty() && (listenFd = listenTcp(opt.tcp, &error)) < 0) {
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
    // Periodic noise: one byte at a time, never inside an answer.
    const qint64 noiseEveryUs = opt.noiseEveryMs * 1000LL;
    qint64 nextNoiseUs = noiseEveryUs > 0 ? t0 + noiseEveryUs : -1;
    quint64 noiseState = opt.seed * 0x9E3779B97F4A7C15ULL | 1;

    for (;;) {
        const qint64 now = monotonicUs();
        qint64 waitUs = 1'000'000;
        if (!outgoing.empty())
            waitUs = std::min(waitUs, outgoing.begin()->first - now);
        if (server.buffered() > 0)
            waitUs = std::min(waitUs, lastByteUs + idleUs - now);
        if (nextNoiseUs >= 0)
            waitUs = std::min(waitUs, nextNoiseUs - now);
        waitUs = std::max<qint64>(waitUs, 0);
        pollfd fds[4] = {{pty.masterFd(), POLLIN, 0}, {sigFd, POLLIN, 0}, {listenFd, POLLIN, 0}, {clientFd, POLLIN, 0}};
        // To the microsecond: an answer leaves when the wire would end it, never early.
        const timespec wait{static_cast<time_t>(waitUs / 1'000'000), static_cast<long>(waitUs % 1'000'000) * 1000};
        const int n = ::ppoll(fds, 4, &wait, nullptr);
        if (n < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN)
            break;
        if (fds[2].revents & POLLIN) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0) {
                if (clientFd >= 0)
                    ::close(clientFd);
                clientFd = fd;
                const int on = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                fds[3].fd = -1; // not the one polled
            }
        }
        for (const pollfd& p : {fds[0], fds[3]}) {
            if (p.fd < 0 || !(p.revents & (POLLIN | POLLERR | POLLHUP)))
                continue;
            char buf[1024];
            const ssize_t got = ::read(p.fd, buf, sizeof buf);
            // A recorder at another speed than the line's hears no request in the bytes.
            if (got > 0 && p.fd == pty.masterFd() && opt.wire.baud > 0 && pty.lineBaud() != opt.wire.baud)
                continue;
            if (got > 0) {
                const qint64 at = monotonicUs();
                lastByteUs = at;
                const LineServer::Result r = server.feed(QByteArray(buf, got), (at - t0) / 1000);
                for (const Answer& a : r.answers)
                    outgoing.emplace(at + a.delayUs, a.bytes);
            } else if (p.fd == clientFd && (got == 0 || errno != EAGAIN)) {
                ::close(clientFd); // the client went
                clientFd = -1;
            } else if (p.fd == pty.masterFd()) {
                usleep(10'000); // no reader on the line; we keep our slave open
            }
        }
        const qint64 after = monotonicUs();
        while (!outgoing.empty() && outgoing.begin()->first <= after) {
            sendAll(pty.masterFd(), outgoing.begin()->second);
            if (clientFd >= 0)
                sendAll(clientFd, outgoing.begin()->second);
            outgoing.erase(outgoing.begin());
        }
        if (nextNoiseUs >= 0 && nextNoiseUs <= after) {
            noiseState ^= noiseState << 13;
            noiseState ^= noiseState >> 7;
            noiseState ^= noiseState << 17;
            const QByteArray stray(1, static_cast<char>(noiseState & 0xFF));
            sendAll(pty.masterFd(), stray);
            if (clientFd >= 0)
                sendAll(clientFd, stray);
            nextNoiseUs += noiseEveryUs;
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
