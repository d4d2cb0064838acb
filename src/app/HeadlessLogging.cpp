#include "app/HeadlessLogging.h"

#include "app/Headless.h"
#include "app/LinkSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

void out(const QString& line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

void err(const QString& line)
{
    std::fprintf(stderr, "vq800: %s\n", qPrintable(line));
    std::fflush(stderr);
}

QString stamp(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// SIGINT and SIGTERM reach the event loop through a socket pair: the handler
// only writes one byte, the loop then quits in an orderly way.
#ifdef Q_OS_UNIX
int g_signalFd[2] = {-1, -1};

void onSignal(int sig)
{
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const auto n = ::write(g_signalFd[0], &c, 1);
}
#else
void onSignal(int)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}
#endif

} // namespace

LoggingJob::LoggingJob(LinkSession& session, const DSaveSettings& settings, OneShotTimer* tmrReopen, int reopenMs,
                       QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_settings(settings)
    , m_logger(session.link, session.store)
    , m_reopen(session, tmrReopen, reopenMs)
{
    m_logger.setSettings(settings);
    m_logger.attach(session.engine);
    // Unattended: a scan that finds nobody keeps the port and asks again.
    session.engine.setKeepPortWhenNobodyAnswers(true);
    m_tmrDSave.setInterval(50);
    m_logger.drive(m_tmrDSave);

    PollingEngine& e = session.engine;
    const LinkState& link = session.link;
    auto device = [&link](int index) { return QStringLiteral("device %1").arg(link.gMC_No.value(index), 2, 10, QLatin1Char('0')); };
    // While the port is lost, the reopener says what happens to it.
    connect(&e, &PollingEngine::statusMessage, this, [this](const QString& t) {
        if (!t.isEmpty() && !m_session.losingPort() && !m_reopen.active())
            err(t);
    });
    m_reopen.onLost = [this](const QString& t) { err(t); };
    m_reopen.onFailed = [this](const QString& t) { err(t); };
    m_reopen.onReopened = [this](const QString& t) {
        out(QStringLiteral("%1 (%2), scanning %3 device(s)")
                .arg(t, m_session.link.settingsText())
                .arg(m_session.link.deviceCount()));
    };
    connect(&e, &PollingEngine::answerHandled, this, [this, device](int code, int index) {
        if (code != req::Scan && code != req::Rescan)
            return;
        const int model = m_session.engine.modelOf(index);
        out(device(index) + (code == req::Rescan ? QStringLiteral(": answers again") : QStringLiteral(": online"))
            + (model > 0 ? QStringLiteral(" (model %1)").arg(model) : QString()));
    });
    connect(&e, &PollingEngine::failureAction, this, [this, device](int code, int index) {
        if (code == req::Scan)
            out(device(index) + QStringLiteral(": no answer"));
    });
    connect(&m_logger, &DataLogger::saved, this,
            [this](const QDateTime& t, const QStringList& paths, const QString& failure, const QString& note) {
        if (!note.isEmpty())
            err(QStringLiteral("%1 %2").arg(stamp(t), note));
        if (!paths.isEmpty()) {
            QStringList names;
            for (const QString& p : paths)
                names << QFileInfo(p).fileName();
            out(QStringLiteral("%1 saved %2").arg(stamp(t), names.join(QStringLiteral(", "))));
        }
        if (!failure.isEmpty())
            err(QStringLiteral("%1 %2").arg(stamp(t), failure));
    });
    // The engine closes the port itself when nobody answers the scan or the adapter is lost.
    connect(&e, &PollingEngine::portClosed, this, [this] {
        if (m_stopping || m_session.losingPort())
            return;
        err(QStringLiteral("the port closed; stopping"));
        m_tmrDSave.stop();
        emit ended();
    });
}

bool LoggingJob::start()
{
    const LinkState& link = m_session.link;
    out(QStringLiteral("vq800: program folder %1").arg(QDir::toNativeSeparators(m_session.programDir)));
    if (link.deviceCount() == 0) {
        err(QStringLiteral("no device is marked \"O\" in %1")
                .arg(QDir::toNativeSeparators(m_session.programDir + "/CFG/SetEnv.INI")));
        return false;
    }
    const DSaveSettings& s = m_settings;
    if (s.enabled())
        out(QStringLiteral("saving every %1 %2 to %3 as %4_NN%5.VQD")
                .arg(s.gDSaveInterval)
                .arg(s.gDSaveUnit, QDir::toNativeSeparators(s.gDSaveFolder), s.gDSaveFileName,
                     s.gDaySave ? QStringLiteral("_YYYYMMDD") : QString()));
    else
        err(QStringLiteral("saving is off in CFG/SaveData.INI (first line is not \"Yes\"): polling only"));
    // Why it did not open has already come as a status message.
    if (!m_session.engine.openPort())
        return false;
    out(QStringLiteral("port %1 open (%2), scanning %3 device(s)")
            .arg(link.gCommPort, link.settingsText())
            .arg(link.deviceCount()));
    m_tmrDSave.start();
    return true;
}

void LoggingJob::stop()
{
    m_stopping = true;
    m_tmrDSave.stop();
    m_reopen.stop();
    m_session.engine.closePort();
    out(QStringLiteral("stopped; port closed"));
}

int RunHeadlessLogging(const HeadlessOptions& options)
{
    LinkSession s(options.programDir);
    const QString note = s.loadConfiguration();
    QString saveNote;
    LoggingJob job(s, ReadSaveSettings(s.programDir, &saveNote), nullptr,
                   options.reopenMs > 0 ? options.reopenMs : PortReopener::kIntervalMs);
    job.out = out;
    job.err = err;
    for (const QString& n : {note, saveNote})
        if (!n.isEmpty())
            err(n);
    int exitCode = 0;
    QObject::connect(&job, &LoggingJob::ended, [&exitCode] {
        exitCode = 1;
        QCoreApplication::quit();
    });

#ifdef Q_OS_UNIX
    std::unique_ptr<QSocketNotifier> notifier;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFd) == 0) {
        notifier = std::make_unique<QSocketNotifier>(g_signalFd[1], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [&notifier] {
            char c = 0;
            if (::read(g_signalFd[1], &c, 1) == 1) {
                out(QStringLiteral("stopping on %1").arg(c == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM")));
                QCoreApplication::quit();
                return;
            }
            // Nothing to read: the pair is broken, which is no reason to stop logging.
            notifier->setEnabled(false);
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
            err(QStringLiteral("the signal pipe broke; SIGTERM and SIGINT now end the program at once"));
        });
    }
#endif
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    if (job.start()) {
        QCoreApplication::exec();
        job.stop();
    } else {
        exitCode = 1;
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
#ifdef Q_OS_UNIX
    notifier.reset();
    for (int& fd : g_signalFd)
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
#endif
    return exitCode;
}
