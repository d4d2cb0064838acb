// vq800-soak: `vq800 --headless` against simulated recorders with faults,
// while the simulator is killed and restarted (its link path goes and comes
// back) and some recorders fall silent for a while. At the end it checks the
// data files, each recorder's record gaps outside its outages and the
// logger's memory, prints a table and exits 0 on pass, 1 on fail.
#include "core/ConfigText.h"
#include "logging/DataFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

// How long the logger may take to notice an outage's end and log again: the
// port is reopened every 10 s, an offline device is asked again once a minute.
constexpr qint64 kAllowanceMs = 75'000;
// An injected fault can put a device out ("NG", not saved) from the time-out
// 1 s after the request until its next good answer: after its third failure in
// a row that comes only a round later, and other devices' faults lengthen the
// round. Allowed per fault: its own three tries and a round in which every
// other device fails once, about 3 s a transaction.
qint64 faultAllowanceMs(int devices)
{
    return (devices + 2) * 3'000LL;
}
constexpr qint64 kTimeoutMs = 1'000;
constexpr qint64 kRssEveryMs = 5'000;
const char kStem[] = "SOAK";

struct Options {
    int devices = 8;
    double minutes = 10;
    int interval = 1;      // seconds between saves
    double rate = 0.02;    // each fault kind
    int baud = 9600;
    quint32 seed = 1;
    bool restarts = true;
    bool keep = false;
};

struct Span {
    qint64 from = 0, to = 0;
};

// One simulator restart: killed at `at` (ms after the start), down for
// `downMs`, then serving with `silent` quiet until the next restart.
struct Restart {
    qint64 at = 0;
    qint64 downMs = 0;
    bool hard = false; // SIGKILL (the link stays behind and is removed), else SIGTERM
    std::set<int> silent;
};

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Runs the event loop for ms: process output is read meanwhile.
void pause(qint64 ms)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(std::max<qint64>(ms, 0)), &loop, &QEventLoop::quit);
    loop.exec();
}

std::vector<Restart> plan(const Options& o, qint64 totalMs, QRandomGenerator& rng)
{
    std::vector<Restart> out;
    if (!o.restarts)
        return out;
    // Between restarts 40..100 s (shorter in a short run); none in the last minute.
    const qint64 lo = std::min<qint64>(40'000, totalMs / 6), hi = std::min<qint64>(100'000, totalMs / 3);
    const qint64 last = totalMs - std::min<qint64>(60'000, totalMs / 4);
    qint64 t = lo + rng.bounded(static_cast<int>(hi - lo + 1));
    bool hard = false;
    while (t < last) {
        Restart r;
        r.at = t;
        r.downMs = rng.bounded(4) == 0 ? 300 : 2'000 + rng.bounded(18'000);
        r.hard = hard = !hard;
        // Every other restart leaves one or two recorders silent until the next.
        if (out.size() % 2 == 0 && o.devices > 1) {
            const int n = 1 + rng.bounded(std::min(2, o.devices - 1));
            while (static_cast<int>(r.silent.size()) < n)
                r.silent.insert(1 + rng.bounded(o.devices));
        }
        out.push_back(r);
        t += r.downMs + lo + rng.bounded(static_cast<int>(hi - lo + 1));
    }
    // Everyone answers again before the end.
    if (!out.empty())
        out.back().silent.clear();
    return out;
}

// Merged, sorted spans.
std::vector<Span> merged(std::vector<Span> v)
{
    std::sort(v.begin(), v.end(), [](const Span& a, const Span& b) { return a.from < b.from; });
    std::vector<Span> out;
    for (const Span& s : v) {
        if (!out.empty() && s.from <= out.back().to)
            out.back().to = std::max(out.back().to, s.to);
        else
            out.push_back(s);
    }
    return out;
}

// The longest part of (a, b) that no span covers.
// The longest stretch of [a, b] no span covers; `where` gets its start.
qint64 longestUncovered(qint64 a, qint64 b, const std::vector<Span>& spans, qint64& where)
{
    qint64 longest = 0, at = a;
    auto keep = [&](qint64 from, qint64 to) {
        if (to - from > longest) {
            longest = to - from;
            where = from;
        }
    };
    for (const Span& s : spans) {
        if (s.to <= at)
            continue;
        if (s.from >= b)
            break;
        keep(at, s.from);
        at = s.to;
        if (at >= b)
            break;
    }
    keep(at, b);
    return longest;
}

qint64 vmRssKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

class Soak {
public:
    Soak(const Options& o, const QString& dir)
        : m_o(o)
        , m_dir(dir)
        , m_bin(QCoreApplication::applicationDirPath())
        , m_link(QDir(dir).filePath(QStringLiteral("line")))
        , m_data(QDir(dir).filePath(QStringLiteral("data")))
        , m_simLog(QDir(dir).filePath(QStringLiteral("sim.log")))
    {
    }

    int run();

private:
    bool writeProgramFolder(QString* error);
    bool startSim(const std::set<int>& silent);
    void stopSim(bool hard);
    void onSimOutput();
    void log(const QString& line);
    int check();

    const Options m_o;
    const QString m_dir, m_bin, m_link, m_data, m_simLog;
    std::unique_ptr<QProcess> m_sim;
    int m_simStarts = 0;
    QByteArray m_simPending;
    QProcess m_logger;
    qint64 m_start = 0, m_stop = 0;
    QString m_loggerEnd;  // how the logger ended, when it did by itself
    std::vector<Span> m_down;                    // simulator down: every device
    std::map<int, std::vector<Span>> m_silent;   // device -> silent spans
    std::map<int, std::vector<qint64>> m_faults; // device -> injected faults
    std::vector<std::pair<qint64, qint64>> m_rss; // time, kB
    int m_restarts = 0, m_hard = 0;
};

bool Soak::writeProgramFolder(QString* error)
{
    const QString prog = QDir(m_dir).filePath(QStringLiteral("prog"));
    QStringList list;
    for (int d = 1; d <= m_o.devices; ++d)
        list << QStringLiteral("O\tRecorder %1").arg(d);
    return QDir().mkpath(m_data)
        && WriteConfigLines(QDir(prog).filePath(QStringLiteral("Comm.CFG")),
                            {m_link, QString::number(m_o.baud > 0 ? m_o.baud : 9600), "N", "8", "1", "Modbus RTU"}, error)
        && WriteConfigLines(QDir(prog).filePath(QStringLiteral("CFG/SetEnv.INI")), list, error)
        && WriteConfigLines(QDir(prog).filePath(QStringLiteral("CFG/SaveData.INI")),
                            {"Yes", QString::number(m_o.interval), "sec", m_data, kStem, "0", "0", "0"}, error);
}

void Soak::log(const QString& line)
{
    QFile f(m_simLog);
    if (f.open(QIODevice::Append))
        f.write(QStringLiteral("%1 %2\n").arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs), line).toUtf8());
}

void Soak::onSimOutput()
{
    // "vq800-sim: device N: fault NAME", one line per injected fault (a
    // silent device's are its outage).
    m_simPending += m_sim->readAllStandardError();
    const qint64 t = nowMs();
    qsizetype nl;
    while ((nl = m_simPending.indexOf('\n')) >= 0) {
        const QByteArray line = m_simPending.left(nl);
        m_simPending.remove(0, nl + 1);
        log(QString::fromLocal8Bit(line));
        const QList<QByteArray> p = line.split(' ');
        if (p.size() == 5 && p[1] == "device" && p[3] == "fault" && p[4] != "silent")
            m_faults[p[2].chopped(1).toInt()].push_back(t);
    }
}

bool Soak::startSim(const std::set<int>& silent)
{
    QStringList args{"--devices", QStringLiteral("1-%1").arg(m_o.devices), "--model", "2=20", "--link", m_link,
                     "--baud", QString::number(m_o.baud), "--seed", QString::number(m_o.seed * 1000 + m_simStarts),
                     "--verbose"};
    for (const char* kind : {"--crc-rate", "--drop-rate", "--delay-rate", "--noise-rate", "--truncate-rate",
                             "--wrong-id-rate", "--exception-rate"})
        args << QString::fromLatin1(kind) << QString::number(m_o.rate);
    for (int d : silent)
        args << "--silent" << QString::number(d);
    ++m_simStarts;
    m_sim = std::make_unique<QProcess>();
    m_sim->setProgram(QDir(m_bin).filePath(QStringLiteral("vq800-sim")));
    m_sim->setArguments(args);
    m_sim->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(m_sim.get(), &QProcess::readyReadStandardError, [this] { onSimOutput(); });
    log(QStringLiteral("start %1").arg(args.join(' ')));
    m_sim->start();
    if (!m_sim->waitForStarted(5000))
        return false;
    for (int i = 0; i < 250 && !QFileInfo::exists(m_link); ++i)
        pause(20);
    return QFileInfo::exists(m_link);
}

void Soak::stopSim(bool hard)
{
    if (!m_sim)
        return;
    if (hard)
        m_sim->kill();
    else
        m_sim->terminate();
    if (!m_sim->waitForFinished(5000))
        m_sim->kill();
    m_sim->waitForFinished(2000);
    onSimOutput();
    log(QStringLiteral("stopped (%1)").arg(hard ? "SIGKILL" : "SIGTERM"));
    // A killed simulator leaves its link behind; the line is gone all the same.
    if (QFileInfo(m_link).isSymLink())
        QFile::remove(m_link);
    m_sim.reset();
}

int Soak::run()
{
    QString error;
    if (!writeProgramFolder(&error)) {
        say(QStringLiteral("vq800-soak: %1").arg(error));
        return 2;
    }
    for (const char* exe : {"vq800", "vq800-sim"})
        if (!QFileInfo(QDir(m_bin).filePath(QString::fromLatin1(exe))).isExecutable()) {
            say(QStringLiteral("vq800-soak: %1 is not built beside vq800-soak").arg(QString::fromLatin1(exe)));
            return 2;
        }

    const qint64 total = static_cast<qint64>(m_o.minutes * 60'000);
    QRandomGenerator rng(m_o.seed);
    const std::vector<Restart> restarts = plan(m_o, total, rng);
    const auto silences = std::count_if(restarts.cbegin(), restarts.cend(), [](const Restart& r) { return !r.silent.empty(); });
    say(QStringLiteral("vq800-soak: %1 recorders, faults %2 % each, save every %3 s, %4 min, %5 restarts (%6 with "
                       "silent recorders); work folder %7")
            .arg(m_o.devices)
            .arg(m_o.rate * 100)
            .arg(m_o.interval)
            .arg(m_o.minutes)
            .arg(restarts.size())
            .arg(silences)
            .arg(QDir::toNativeSeparators(m_dir)));

    if (!startSim({})) {
        say(QStringLiteral("vq800-soak: the simulator did not start (%1)").arg(m_simLog));
        return 2;
    }
    m_logger.setProgram(QDir(m_bin).filePath(QStringLiteral("vq800")));
    m_logger.setArguments({"--headless", "--dir", QDir(m_dir).filePath(QStringLiteral("prog"))});
    m_logger.setStandardOutputFile(QDir(m_dir).filePath(QStringLiteral("vq800.out")));
    m_logger.setStandardErrorFile(QDir(m_dir).filePath(QStringLiteral("vq800.err")));
    qint64 ended = 0;
    QObject::connect(&m_logger, &QProcess::finished, [&ended] { ended = nowMs(); });
    m_start = nowMs();
    m_logger.start();
    if (!m_logger.waitForStarted(5000)) {
        say(QStringLiteral("vq800-soak: vq800 did not start"));
        stopSim(false);
        return 2;
    }
    const qint64 pid = m_logger.processId();

    std::set<int> silent;
    qint64 silentSince = nowMs();
    size_t next = 0;
    qint64 lastRss = 0;
    for (;;) {
        const qint64 t = nowMs();
        if (m_logger.state() == QProcess::NotRunning) {
            m_loggerEnd = QStringLiteral("vq800 ended by itself %1 s into the run (exit %2)")
                              .arg(((ended ? ended : t) - m_start) / 1000)
                              .arg(m_logger.exitCode());
            break;
        }
        if (t - m_start >= total)
            break;
        if (t - lastRss >= kRssEveryMs) {
            lastRss = t;
            if (const qint64 kb = vmRssKb(pid); kb > 0) {
                m_rss.emplace_back(t, kb);
                QFile f(QDir(m_dir).filePath(QStringLiteral("rss.csv")));
                if (f.open(QIODevice::Append))
                    f.write(QStringLiteral("%1,%2\n").arg((t - m_start) / 1000).arg(kb).toLatin1());
            }
        }
        if (next < restarts.size() && t - m_start >= restarts[next].at) {
            const Restart& r = restarts[next++];
            const qint64 down = nowMs();
            for (int d : silent)
                m_silent[d].push_back({silentSince, down});
            stopSim(r.hard);
            pause(r.downMs);
            if (!startSim(r.silent)) {
                say(QStringLiteral("vq800-soak: the simulator did not start again (%1)").arg(m_simLog));
                m_loggerEnd = QStringLiteral("the simulator did not start again");
                break;
            }
            const qint64 up = nowMs();
            m_down.push_back({down, up});
            silent = r.silent;
            silentSince = up;
            ++m_restarts;
            m_hard += r.hard;
            QStringList who;
            for (int d : silent)
                who << QString::number(d);
            say(QStringLiteral("  +%1 s: simulator %2, down %3 s%4")
                    .arg((down - m_start) / 1000, 4)
                    .arg(r.hard ? "killed" : "stopped")
                    .arg((up - down) / 1000.0, 0, 'f', 1)
                    .arg(who.isEmpty() ? QString() : QStringLiteral(", silent: ") + who.join(',')));
            continue;
        }
        pause(100);
    }

    m_stop = nowMs();
    for (int d : silent)
        m_silent[d].push_back({silentSince, m_stop});
    if (m_logger.state() != QProcess::NotRunning) {
        m_logger.terminate();
        if (!m_logger.waitForFinished(10'000)) {
            m_loggerEnd = QStringLiteral("vq800 did not stop within 10 s of SIGTERM");
            m_logger.kill();
            m_logger.waitForFinished(5000);
        } else if (m_logger.exitStatus() != QProcess::NormalExit || m_logger.exitCode() != 0) {
            m_loggerEnd = QStringLiteral("vq800 ended on SIGTERM with exit %1").arg(m_logger.exitCode());
        }
    }
    stopSim(false);
    return check();
}

int Soak::check()
{
    bool pass = m_loggerEnd.isEmpty();
    const qint64 limit = 2LL * m_o.interval * 1000;
    // Record stamps are whole seconds; the run's ends are compared likewise.
    const qint64 first = m_start / 1000 * 1000, last = m_stop / 1000 * 1000;

    // Every file: a data file, whole records only, one of our recorders.
    std::map<int, DataFileContents> files;
    QStringList fileFaults;
    const QStringList names = QDir(m_data).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString path = QDir(m_data).filePath(name);
        DataFileContents c;
        QString why;
        const qint64 size = QFileInfo(path).size();
        const int device = name.mid(static_cast<int>(qstrlen(kStem)) + 1, 2).toInt();
        if (!ReadDataFile(path, c, &why))
            fileFaults << QStringLiteral("%1: %2").arg(name, why);
        else if (c.trailingBytes != 0 || (size - vqd::kHeaderSize) % vqd::kRecordSize != 0)
            fileFaults << QStringLiteral("%1: %2 bytes, not on the record grid").arg(name).arg(size);
        else if (name != QFileInfo(DataFileName(m_data, kStem, device)).fileName() || device < 1 || device > m_o.devices)
            fileFaults << QStringLiteral("%1: not a file of a soak recorder").arg(name);
        else
            files[device] = c;
    }
    pass = pass && fileFaults.isEmpty();

    say(QString());
    say(QStringLiteral("A gap between a recorder's records (or the run's ends) longer than %1 s fails, outside what is "
                       "excused: each outage (simulator down, recorder silent) until the end of the gap in its "
                       "records across it, at most %2 s after the outage, and each injected fault from its request until its first record after the "
                       "time-out, at most %3 s later. \"back after\": the slowest such return.")
            .arg(limit / 1000)
            .arg(kAllowanceMs / 1000)
            .arg(faultAllowanceMs(m_o.devices) / 1000));
    say(QStringLiteral("device  records  longest gap outside outages  outages  back after  faults  back after  verdict"));
    for (int d = 1; d <= m_o.devices; ++d) {
        std::vector<Span> outages = m_down;
        for (const Span& s : m_silent[d])
            outages.push_back(s);
        outages = merged(outages);

        QList<qint64> at{first};
        QString why;
        const auto it = files.find(d);
        if (it != files.end()) {
            for (const DataRecord& r : it->second.records) {
                const QDateTime t = r.time();
                if (!t.isValid()) {
                    why = QStringLiteral("a record with an impossible stamp");
                    continue;
                }
                const qint64 ms = t.toMSecsSinceEpoch();
                if (ms < at.back())
                    why = QStringLiteral("records out of time order");
                at << ms;
            }
        }
        const int records = static_cast<int>(at.size()) - 1;
        QList<qint64> sorted = at.mid(1);
        std::sort(sorted.begin(), sorted.end());

        // Excused, within their allowances: the start and each fault until the
        // device's first record after it (after the fault's time-out), each
        // outage until the end of the gap in its records across it. excuse()
        // excuses [from, first record at or after `to`], at most to + allowance,
        // and says how long after `to` that record came (0 when none did).
        const qint64 faultAllowance = faultAllowanceMs(m_o.devices);
        qint64 slowest = 0, slowestFault = 0;
        std::vector<Span> excused;
        auto excuse = [&](qint64 from, qint64 to, qint64 allowance) {
            const auto next = std::lower_bound(sorted.cbegin(), sorted.cend(), to);
            excused.push_back({from, next == sorted.cend() ? to + allowance : std::min(*next, to + allowance)});
            return next == sorted.cend() ? 0 : *next - to;
        };
        slowest = excuse(m_start - 1000, m_start, kAllowanceMs);
        for (const Span& s : outages) {
            // Until the logger notices a lost line it saves the last values:
            // the outage's gap is the first from its last record before it
            // that reaches past its end.
            auto i = std::lower_bound(sorted.cbegin(), sorted.cend(), s.from);
            if (i != sorted.cbegin())
                --i;
            for (; i != sorted.cend() && std::next(i) != sorted.cend() && *i <= s.to + kAllowanceMs; ++i)
                if (*std::next(i) - *i > limit && *std::next(i) >= s.to)
                    break;
            if (i != sorted.cend() && std::next(i) != sorted.cend() && *i <= s.to + kAllowanceMs) {
                const qint64 back = *std::next(i);
                excused.push_back({s.from, std::min(back, s.to + kAllowanceMs)});
                slowest = std::max(slowest, back - s.to);
            } else {
                slowest = std::max(slowest, excuse(s.from, s.to, kAllowanceMs));
            }
        }
        for (qint64 f : m_faults[d]) {
            const qint64 back = kTimeoutMs + excuse(f, f + kTimeoutMs, faultAllowance - kTimeoutMs);
            // A return that waited for an outage's end is the outage's.
            if (std::none_of(outages.cbegin(), outages.cend(), [&](const Span& s) { return s.from < f + back && s.to > f; }))
                slowestFault = std::max(slowestFault, back);
        }
        excused = merged(excused);

        at << last;
        qint64 longest = 0, longestAt = first;
        for (qsizetype i = 1; i < at.size(); ++i) {
            qint64 where = 0;
            if (const qint64 g = longestUncovered(at[i - 1], at[i], excused, where); g > longest) {
                longest = g;
                longestAt = where;
            }
        }
        if (records == 0)
            why = QStringLiteral("no records");
        else if (longest > limit && why.isEmpty())
            why = QStringLiteral("gap");
        pass = pass && why.isEmpty();
        say(QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8")
                .arg(d, 6, 10, QLatin1Char(' '))
                .arg(records, 7)
                .arg(QStringLiteral("%1 s at +%2 s").arg(longest / 1000).arg((longestAt - m_start) / 1000), 27)
                .arg(outages.size(), 7)
                .arg(QStringLiteral("%1 s").arg(slowest / 1000), 11)
                .arg(m_faults[d].size(), 6)
                .arg(QStringLiteral("%1 s").arg(slowestFault / 1000), 11)
                .arg(why.isEmpty() ? QStringLiteral("pass") : QStringLiteral("FAIL: ") + why));
    }

    // Memory: the last third's highest within 10 % of the first third's.
    const qint64 span = m_stop - m_start;
    qint64 firstMax = 0, lastMax = 0;
    for (const auto& [t, kb] : m_rss) {
        if (t - m_start < span / 3)
            firstMax = std::max(firstMax, kb);
        else if (t - m_start >= span - span / 3)
            lastMax = std::max(lastMax, kb);
    }
    const bool rssOk = firstMax > 0 && lastMax > 0 && lastMax * 10 <= firstMax * 11;
    pass = pass && rssOk;
    say(QString());
    say(QStringLiteral("RSS (VmRSS, %1 samples): first third max %2 MB, last third max %3 MB (%4%5 %): %6")
            .arg(m_rss.size())
            .arg(firstMax / 1024.0, 0, 'f', 1)
            .arg(lastMax / 1024.0, 0, 'f', 1)
            .arg(lastMax >= firstMax ? "+" : "")
            .arg(firstMax > 0 ? 100.0 * (lastMax - firstMax) / firstMax : 0.0, 0, 'f', 1)
            .arg(rssOk ? "pass" : "FAIL"));
    qint64 faults = 0;
    for (const auto& [d, v] : m_faults)
        faults += static_cast<qint64>(v.size());
    say(QStringLiteral("simulator: %1 restarts (%2 killed), %3 faults injected")
            .arg(m_restarts)
            .arg(m_hard)
            .arg(faults));
    say(QStringLiteral("files: %1 valid of %2%3")
            .arg(files.size())
            .arg(names.size())
            .arg(fileFaults.isEmpty() ? QString() : QStringLiteral("; ") + fileFaults.join(QStringLiteral("; "))));
    say(QStringLiteral("logger: %1").arg(m_loggerEnd.isEmpty() ? QStringLiteral("stopped by SIGTERM, exit 0") : m_loggerEnd));
    say(pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
    return pass ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Soak of vq800 --headless against simulated recorders with faults, restarts and silent spells.\n"
        "Exit 0 when every file is valid, every recorder's records have no gap longer than two save\n"
        "intervals outside its outages (each until its first record after it, at most 75 s) and\n"
        "memory stayed flat; 1 otherwise."));
    p.addHelpOption();
    const QCommandLineOption devices("devices", "Recorders 1..N (default 8).", "N", "8");
    const QCommandLineOption minutes("minutes", "Length of the run (default 10).", "M", "10");
    const QCommandLineOption interval("interval", "Save interval in seconds (default 1).", "S", "1");
    const QCommandLineOption rate("rate", "Rate of each of the seven fault kinds (default 0.02).", "R", "0.02");
    const QCommandLineOption baud("baud", "Simulated line rate (default 9600; 0 answers at once).", "N", "9600");
    const QCommandLineOption seed("seed", "Seed of the schedule and the faults (default 1).", "N", "1");
    const QCommandLineOption noRestarts("no-restarts", "Faults only: the simulator runs throughout.");
    const QCommandLineOption work("work", "Work folder (default: a new temporary folder).", "DIR");
    const QCommandLineOption keep("keep", "Keep the temporary work folder after a pass.");
    p.addOptions({devices, minutes, interval, rate, baud, seed, noRestarts, work, keep});
    p.process(app);

    Options o;
    bool ok[6] = {};
    o.devices = p.value(devices).toInt(&ok[0]);
    o.minutes = p.value(minutes).toDouble(&ok[1]);
    o.interval = p.value(interval).toInt(&ok[2]);
    o.rate = p.value(rate).toDouble(&ok[3]);
    o.baud = p.value(baud).toInt(&ok[4]);
    o.seed = p.value(seed).toUInt(&ok[5]);
    o.restarts = !p.isSet(noRestarts);
    o.keep = p.isSet(keep);
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) || o.devices < 1 || o.devices > 99
        || o.minutes <= 0 || o.interval < 1 || o.interval > 60 || o.rate < 0 || o.rate > 0.1 || o.baud < 0) {
        std::fprintf(stderr, "vq800-soak: bad option (devices 1..99, interval 1..60 s, rate 0..0.1)\n");
        return 2;
    }

    QTemporaryDir temp(QDir::temp().filePath(QStringLiteral("vq800-soak-XXXXXX")));
    QString dir = p.value(work);
    if (dir.isEmpty()) {
        if (!temp.isValid()) {
            std::fprintf(stderr, "vq800-soak: no temporary folder\n");
            return 2;
        }
        dir = temp.path();
    } else if (!QDir().mkpath(dir) || !QDir(dir).isEmpty()) {
        std::fprintf(stderr, "vq800-soak: %s is not an empty folder\n", qPrintable(dir));
        return 2;
    }
    dir = QFileInfo(dir).absoluteFilePath();
    Soak soak(o, dir);
    const int code = soak.run();
    // A failed run's files stay for a look.
    temp.setAutoRemove(code == 0 && !o.keep);
    if (!temp.autoRemove() && temp.isValid() && p.value(work).isEmpty())
        say(QStringLiteral("work folder kept: %1").arg(QDir::toNativeSeparators(dir)));
    return code;
}
