// vq800: monitoring, data logging and parameter setup for VQ800 recorders.
#include "app/Headless.h"
#include "app/frmVQ_Main.h"
#include "ui/WindowPlaces.h"
#include "Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
#ifdef SIGXFSZ
    // A data file at the file size limit is a failed save to report, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // Without windows there may be no display at all (a service, an SSH session).
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        headless = headless || a == "--headless" || a == "--help" || a == "-h" || a == "--help-all"
            || a == "--version" || a == "-v";
    }
    std::unique_ptr<QCoreApplication> application(headless ? new QCoreApplication(argc, argv)
                                                           : new QApplication(argc, argv));
    QCoreApplication& app = *application;
    if (!headless)
        QApplication::setStyle(QStringLiteral("Fusion"));
    QCoreApplication::setApplicationName(QStringLiteral("vq800"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ800_VERSION));

    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral("Monitoring, data logging and parameter setup for VQ800 recorders."));
    cli.addHelpOption();
    cli.addVersionOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"),
                                       QStringLiteral("Program folder holding Comm.CFG and CFG/ (default: the folder of the program)."),
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
    // For tests: how often headless logging tries to reopen a lost port.
    QCommandLineOption reopenOption(QStringLiteral("reopen-ms"), QStringLiteral("Reopen interval (ms)."), QStringLiteral("MS"));
    reopenOption.setFlags(QCommandLineOption::HiddenFromHelp);
    cli.addOption(reopenOption);
    cli.process(app);

    QString dir = QCoreApplication::applicationDirPath();
    if (cli.isSet(dirOption)) {
        dir = cli.value(dirOption);
        if (!QFileInfo(dir).isDir() && !QDir().mkpath(dir)) {
            std::fprintf(stderr, "vq800: cannot use the folder %s\n", qPrintable(dir));
            return 2;
        }
    }

    if (cli.isSet(headlessOption)) {
        HeadlessOptions o;
        o.programDir = dir;
        o.device = cli.value(deviceOption).toInt();
        o.uploadFile = cli.value(uploadOption);
        o.downloadFile = cli.value(downloadOption);
        o.reopenMs = cli.value(reopenOption).toInt();
        if (!o.uploadFile.isEmpty() || !o.downloadFile.isEmpty())
            return RunHeadlessTransfer(o);
        return RunHeadlessLogging(o);
    }

    // Every window comes back where the operator left it.
    app.installEventFilter(new WindowPlaces(&app));
    frmVQ_Main w(dir);
    w.show();
    if (cli.isSet(openOption))
        QMetaObject::invokeMethod(&w, &frmVQ_Main::togglePort, Qt::QueuedConnection);
    return app.exec();
}
