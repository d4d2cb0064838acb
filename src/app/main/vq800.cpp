// vq800: monitoring, data logging and parameter setup for VQ800 recorders.
#include "app/StartUp.h"
#include "app/frmVQ_Main.h"
#include "ui/Manual.h"
#include "ui/WindowPlaces.h"
#include "Version.h"

#include <QApplication>
#include <csignal>
#include <memory>

int main(int argc, char** argv)
{
#ifdef SIGXFSZ
    // A data file at the file size limit is a failed save to report, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("vq800"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ800_VERSION));
    StartUp start(true);
    if (!start.parse(argc, argv))
        return 2;
    std::unique_ptr<QCoreApplication> application(start.wantsWindows() ? new QApplication(argc, argv)
                                                                       : new QCoreApplication(argc, argv));
    if (const int code = start.settle(); code >= 0)
        return code;
    if (start.headless())
        return RunHeadless(start.headlessOptions());

    QApplication::setStyle(QStringLiteral("Fusion"));
    // Every window comes back where the operator left it.
    application->installEventFilter(new WindowPlaces(application.get()));
    // F1 in any window opens its chapter of the manual.
    application->installEventFilter(new HelpKey(start.programDir(), application.get()));
    frmVQ_Main w(start.programDir());
    w.show();
    if (start.openAtStart())
        QMetaObject::invokeMethod(&w, &frmVQ_Main::togglePort, Qt::QueuedConnection);
    return application->exec();
}
