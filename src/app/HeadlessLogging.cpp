#include "app/HeadlessLogging.h"

#include "app/Headless.h"
#include "app/LinkSession.h"
#include "logging/DataFile.h"
#include "port/TcpPort.h"

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
    , m_publisher(session.programDir, session.link, session.store)
    , m_reopen(session, tmrReopen, reopenMs)
{
    m_logger.setSettings(settings);
    m_logger.attach(session.engine);
    m_publisher.attach(session.engine, m_logger);
    connect(&m_publisher, &Publisher::said, this,
            [this](const QString& text) { emit trouble(QStringLiteral("%1 %2").arg(stamp(m_logger.now()), text)); });
    // Unattended: a scan that finds nobody keeps the port and asks again.
    session.engine.setKeepPortWhenNobodyAnswers(true);
    m_tmrDSave.setInterval(50);
    m_logger.drive(m_tmrDSave);

    PollingEngine& e = session.engine;
    // While the port is being reopened, the reopener says what happens to it.
    connect(&e, &PollingEngine::statusMessage, this, [this](const QString& t) {
        if (!t.isEmpty() && !m_reopen.active())
            emit trouble(t);
    });
    connect(&m_reopen, &PortReopener::lost, this, &LoggingJob::trouble);
    connect(&m_reopen, &PortReopener::failed, this, &LoggingJob::trouble);
    connect(&m_reopen, &PortReopener::reopened, this, &LoggingJob::news);
    // A port that is not there yet (an adapter plugged in later, a device
    // server not up yet) is tried again, as a port lost later is.
    connect(&e, &PollingEngine::portOpenFailed, this, [this] {
        if (m_stopping || m_reopen.active())
            return;
        m_reopen.resume();
        emit trouble(QStringLiteral("trying to open it again every %1 s").arg(m_reopen.intervalMs() / 1000));
    });
    connect(&e, &PollingEngine::portOpened, this, [this] {
        const LinkState& link = m_session.link;
        emit news(QStringLiteral("port %1 open (%2), scanning %3 device(s)")
                      .arg(link.port.gCommPort, link.port.settingsText())
                      .arg(link.deviceCount()));
    });
    connect(&e, &PollingEngine::deviceStateChanged, this, [this](int device, DeviceState, const QString& why) {
        if (!why.isEmpty())
            emit news(QStringLiteral("device %1: %2").arg(device, 2, 10, QLatin1Char('0')).arg(why));
    });
    connect(&m_logger, &DataLogger::saved, this,
            [this](const QDateTime& t, const QStringList& paths, const QString&, const QString& note) {
        if (!note.isEmpty())
            emit trouble(QStringLiteral("%1 %2").arg(stamp(t), note));
        if (!paths.isEmpty()) {
            QStringList names;
            for (const QString& p : paths)
                names << QFileInfo(p).fileName();
            emit news(QStringLiteral("%1 saved %2").arg(stamp(t), names.join(QStringLiteral(", "))));
        }
    });
    // A failing save is said when it starts, once a minute and when it ends.
    connect(&m_logger, &DataLogger::trouble, this,
            [this](const QString& text, bool) { emit trouble(QStringLiteral("%1 %2").arg(stamp(m_logger.now()), text)); });
    // A lost port is reopened; the port closing otherwise (nobody to poll) ends the job.
    connect(&e, &PollingEngine::portClosed, this, [this] {
        if (m_stopping || m_reopen.active())
            return;
        emit trouble(QStringLiteral("the port closed; stopping"));
        m_tmrDSave.stop();
        m_logger.syncNow();
        emit ended();
    });
}

bool LoggingJob::start()
{
    const LinkState& link = m_session.link;
    emit news(QStringLiteral("vq800: program folder %1").arg(QDir::toNativeSeparators(m_session.programDir)));
    if (link.deviceCount() == 0) {
        emit trouble(QStringLiteral("no device is marked \"O\" in %1")
                         .arg(QDir::toNativeSeparators(m_session.programDir + "/CFG/SetEnv.INI")));
        return false;
    }
    if (const QString bad = LinePort::SettingsProblem(link.port); !bad.isEmpty()) {
        emit trouble(QStringLiteral("port %1 cannot be used: %2 (Comm.CFG)").arg(link.port.gCommPort, bad));
        return false;
    }
    const DSaveSettings& s = m_settings;
    if (s.enabled())
        emit news(QStringLiteral("saving every %1 %2 to %3 as %4_NN%5.VQD")
                      .arg(s.gDSaveInterval)
                      .arg(s.gDSaveUnit, QDir::toNativeSeparators(s.gDSaveFolder), s.gDSaveFileName,
                           s.gDaySave ? QStringLiteral("_YYYYMMDD") : QString()));
    if (s.enabled()) {
        // Said at once rather than at the first failing save: under the
        // service the unit decides where the program may write.
        if (const QString why = FolderWriteProblem(s.gDSaveFolder); !why.isEmpty()) {
            QString text = QStringLiteral("the data folder %1 cannot be written (%2)")
                               .arg(QDir::toNativeSeparators(s.gDSaveFolder), why);
            if (qEnvironmentVariableIsSet("INVOCATION_ID"))
                text += QStringLiteral("; the service writes only where its unit allows: name the folder in "
                                       "ReadWritePaths= with \"systemctl edit vq800-logger@%1\"")
                            .arg(QFileInfo(m_session.programDir).fileName());
            emit trouble(text);
        }
    } else
        emit trouble(QStringLiteral("saving is off in CFG/SaveData.INI (first line is not \"Yes\"): polling only"));
    m_tmrDSave.start();
    m_publisher.configure();
    m_session.engine.openPort();
    return true;
}

void LoggingJob::stop()
{
    m_stopping = true;
    m_tmrDSave.stop();
    m_logger.syncNow();
    m_publisher.stop();
    m_reopen.stop();
    m_session.engine.closePort();
    emit news(QStringLiteral("stopped; port closed"));
}

int RunHeadlessLogging(const HeadlessOptions& options)
{
    LinkSession s(options.programDir);
    const QString note = s.loadConfiguration();
    QString saveNote;
    LoggingJob job(s, ReadSaveSettings(s.programDir, &saveNote), nullptr,
                   options.reopenMs > 0 ? options.reopenMs : PortReopener::kIntervalMs);
    QObject::connect(&job, &LoggingJob::news, &out);
    QObject::connect(&job, &LoggingJob::trouble, &err);
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
