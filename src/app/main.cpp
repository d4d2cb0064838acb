// vq800: monitoring, data logging and parameter setup for VQ800 recorders.
#include "app/frmVQ_Main.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(QStringLiteral("vq800"));
    QApplication::setApplicationVersion(QStringLiteral("2.0.0"));

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
    cli.process(app);

    QString dir = QCoreApplication::applicationDirPath();
    if (cli.isSet(dirOption)) {
        dir = cli.value(dirOption);
        if (!QFileInfo(dir).isDir() && !QDir().mkpath(dir)) {
            std::fprintf(stderr, "vq800: cannot use the folder %s\n", qPrintable(dir));
            return 2;
        }
    }

    frmVQ_Main w(dir);
    w.show();
    if (cli.isSet(openOption))
        QMetaObject::invokeMethod(&w, &frmVQ_Main::togglePort, Qt::QueuedConnection);
    return app.exec();
}
