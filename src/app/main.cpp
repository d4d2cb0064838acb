// vq800: monitoring, data logging and parameter setup for VQ800 recorders.
#include "app/Headless.h"
#include "app/ProgramFolder.h"
#include "app/frmVQ_Main.h"
#include "ui/Manual.h"
#include "ui/WindowPlaces.h"
#include "Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
#ifdef SIGXFSZ
    // A data file at the file size limit is a failed save to report, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("vq800"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ800_VERSION));

    QCommandLineParser cli;
    cli.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    cli.setApplicationDescription(QStringLiteral("Monitoring, data logging and parameter setup for VQ800 recorders."));
    const QCommandLineOption helpOption = cli.addHelpOption();
    const QCommandLineOption versionOption = cli.addVersionOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"),
                                       QStringLiteral("Program folder holding Comm.CFG and CFG/ (default: the per-user "
                                                      "data folder for an installed copy, else the program's folder)."),
                                       QStringLiteral("DIR"));
    cli.addOption(dirOption);
    const QCommandLineOption openOption(QStringLiteral("open"),
                                        QStringLiteral("Open the port right after start-up and start polling."));
    cli.addOption(openOption);
    const QCommandLineOption headlessOption(QStringLiteral("headless"),
                                            QStringLiteral("Run without windows: poll and log until stopped, or transfer parameters."));
    cli.addOption(headlessOption);
    const QCommandLineOption deviceOption(QStringLiteral("device"), QStringLiteral("Device number for --upload or --download."),
                                          QStringLiteral("N"));
    cli.addOption(deviceOption);
    const QCommandLineOption uploadOption(QStringLiteral("upload"),
                                          QStringLiteral("With --headless: read the device's parameters into FILE."),
                                          QStringLiteral("FILE"));
    cli.addOption(uploadOption);
    const QCommandLineOption downloadOption(QStringLiteral("download"),
                                            QStringLiteral("With --headless: send the parameters of FILE to the device."),
                                            QStringLiteral("FILE"));
    cli.addOption(downloadOption);
    const QCommandLineOption lineSettingsOption(
        QStringLiteral("with-line-settings"),
        QStringLiteral("With --download: send the file's addresses and line settings too (the device keeps its own "
                       "otherwise)."));
    cli.addOption(lineSettingsOption);
    // For tests: how often headless logging tries to reopen a lost port.
    QCommandLineOption reopenOption(QStringLiteral("reopen-ms"), QStringLiteral("Reopen interval (ms)."), QStringLiteral("MS"));
    reopenOption.setFlags(QCommandLineOption::HiddenFromHelp);
    cli.addOption(reopenOption);
    // Qt's own window options (-platform, -style, ...) are QApplication's to take.
    for (const char* name : {"platform", "style", "stylesheet", "display", "qwindowgeometry", "qwindowtitle"}) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        cli.addOption(qt);
    }

    // Parsed before any application exists: a wrong option, --help and
    // --version need no display (a service, an SSH session).
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (!cli.parse(args)) {
        std::fprintf(stderr, "vq800: %s\nTry 'vq800 --help'.\n", qPrintable(cli.errorText()));
        return 2;
    }
    const bool help = cli.isSet(helpOption) || cli.isSet(QStringLiteral("help-all"));
    const bool windows = !help && !cli.isSet(versionOption) && !cli.isSet(headlessOption);
    std::unique_ptr<QCoreApplication> application(windows ? new QApplication(argc, argv)
                                                           : new QCoreApplication(argc, argv));
    QCoreApplication& app = *application;
    if (cli.isSet(versionOption))
        cli.showVersion();

    const ProgramFolder folder = ChooseProgramFolder(cli.value(dirOption), QCoreApplication::applicationDirPath(),
                                                     QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    if (help) {
        std::printf("%s\nProgram folder: %s (%s)\n", qPrintable(cli.helpText()), qPrintable(folder.path),
                    qPrintable(folder.source));
        return 0;
    }
    if (!QDir().mkpath(folder.path)) {
        std::fprintf(stderr, "vq800: cannot create the program folder %s; choose another with --dir\n",
                     qPrintable(folder.path));
        return 2;
    }

    if (cli.isSet(headlessOption)) {
        HeadlessOptions o;
        o.programDir = folder.path;
        o.device = cli.value(deviceOption).toInt();
        o.uploadFile = cli.value(uploadOption);
        o.downloadFile = cli.value(downloadOption);
        o.withLineSettings = cli.isSet(lineSettingsOption);
        o.reopenMs = cli.value(reopenOption).toInt();
        if (!o.uploadFile.isEmpty() || !o.downloadFile.isEmpty())
            return RunHeadlessTransfer(o);
        return RunHeadlessLogging(o);
    }

    QApplication::setStyle(QStringLiteral("Fusion"));
    // Every window comes back where the operator left it.
    app.installEventFilter(new WindowPlaces(&app));
    // F1 in any window opens its chapter of the manual.
    app.installEventFilter(new HelpKey(folder.path, &app));
    frmVQ_Main w(folder.path);
    w.show();
    if (cli.isSet(openOption))
        QMetaObject::invokeMethod(&w, &frmVQ_Main::togglePort, Qt::QueuedConnection);
    return app.exec();
}
