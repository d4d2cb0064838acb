// vq800-logger: the data logging and the scripted parameter transfers of
// vq800 --headless, built without Qt Gui and Qt Widgets (for the service).
#include "app/StartUp.h"
#include "Version.h"

#include <QCoreApplication>
#include <csignal>

int main(int argc, char** argv)
{
#ifdef SIGXFSZ
    // A data file at the file size limit is a failed save to report, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("vq800-logger"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VQ800_VERSION));
    StartUp start(false);
    if (!start.parse(argc, argv))
        return 2;
    QCoreApplication app(argc, argv);
    if (const int code = start.settle(); code >= 0)
        return code;
    return RunHeadless(start.headlessOptions());
}
