#include "app/Headless.h"

#include "app/LinkSession.h"
#include "link/RegisterMap.h"
#include "logging/DataLogger.h"
#include "logging/SaveSettings.h"

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

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signalFd[0], &c, 1);
}
#else
void onSignal(int)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}
#endif

} // namespace

int RunHeadlessLogging(const HeadlessOptions& options)
{
    LinkSession s(options.programDir);
    const QString note = s.loadConfiguration();
    const DSaveSettings settings = ReadSaveSettings(s.programDir);

    DataLogger logger(s.link, s.store);
    logger.setSettings(settings);
    logger.attach(s.engine);
    QTimer tmrDSave;
    tmrDSave.setInterval(50);
    logger.drive(tmrDSave);

    out(QStringLiteral("vq800: program folder %1").arg(QDir::toNativeSeparators(s.programDir)));
    if (!note.isEmpty())
        err(note);
    if (s.link.deviceCount() == 0) {
        err(QStringLiteral("no device is marked \"O\" in %1").arg(QDir::toNativeSeparators(s.programDir + "/CFG/SetEnv.INI")));
        return 1;
    }
    if (settings.enabled())
        out(QStringLiteral("saving every %1 %2 to %3 as %4_NN%5.VQD")
                .arg(settings.gDSaveInterval)
                .arg(settings.gDSaveUnit, QDir::toNativeSeparators(settings.gDSaveFolder), settings.gDSaveFileName,
                     settings.gDaySave ? QStringLiteral("_YYYYMMDD") : QString()));
    else
        err(QStringLiteral("saving is off in CFG/SaveData.INI (first line is not \"Yes\"): polling only"));

    int exitCode = 0;
    bool stopping = false;
    QObject::connect(&s.engine, &PollingEngine::statusMessage, [](const QString& t) {
        if (!t.isEmpty())
            err(t);
    });
    QObject::connect(&s.engine, &PollingEngine::answerHandled, [&s](int code, int index) {
        if (code != 99)
            return;
        const QString model = s.store.sprdMon.text(regmap::mon::Model, index + 1);
        out(QStringLiteral("device %1: online").arg(s.link.gMC_No.value(index), 2, 10, QLatin1Char('0'))
            + (model.isEmpty() ? QString() : QStringLiteral(" (model %1)").arg(model)));
    });
    QObject::connect(&s.engine, &PollingEngine::failureAction, [&s](int code, int index) {
        if (code == 99)
            out(QStringLiteral("device %1: no answer").arg(s.link.gMC_No.value(index), 2, 10, QLatin1Char('0')));
    });
    QObject::connect(&logger, &DataLogger::saved, [](const QDateTime& t, const QStringList& paths, const QString& failure) {
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
    QObject::connect(&s.engine, &PollingEngine::portClosed, [&] {
        if (!stopping) {
            err(QStringLiteral("the port closed; stopping"));
            exitCode = 1;
            QCoreApplication::quit();
        }
    });

#ifdef Q_OS_UNIX
    std::unique_ptr<QSocketNotifier> notifier;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFd) == 0) {
        notifier = std::make_unique<QSocketNotifier>(g_signalFd[1], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
            char c;
            [[maybe_unused]] const auto n = ::read(g_signalFd[1], &c, 1);
            QCoreApplication::quit();
        });
    }
#endif
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    // Why it did not open has already come as a status message.
    if (!s.engine.openPort())
        return 1;
    out(QStringLiteral("port %1 open (%2), scanning %3 device(s)")
            .arg(s.link.gCommPort, s.link.settingsText())
            .arg(s.link.deviceCount()));
    tmrDSave.start();
    QCoreApplication::exec();

    stopping = true;
    tmrDSave.stop();
    s.engine.closePort();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
#ifdef Q_OS_UNIX
    notifier.reset();
    for (int& fd : g_signalFd)
        if (fd >= 0)
            ::close(std::exchange(fd, -1));
#endif
    out(QStringLiteral("stopped; port closed"));
    return exitCode;
}
