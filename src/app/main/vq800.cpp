// vq800: monitoring, data logging and parameter setup for VQ800 recorders.
#include "app/StartUp.h"
#include "app/frmVQ_Main.h"
#include "overview/frmVQ_Overview.h"
#include "ui/Manual.h"
#include "ui/WindowPlaces.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv)
{
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
    if (start.overviewOnly()) {
        frmVQ_Overview overview(start.programDir());
        overview.show();
        return application->exec();
    }
    frmVQ_Main w(start.programDir());
    w.show();
    if (start.openAtStart())
        QMetaObject::invokeMethod(&w, &frmVQ_Main::togglePort, Qt::QueuedConnection);
    return application->exec();
}
