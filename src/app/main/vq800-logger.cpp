// vq800-logger: the data logging and the scripted parameter transfers of
// vq800 --headless, built without Qt Gui and Qt Widgets (for the service).
#include "app/StartUp.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    StartUp start(false);
    if (!start.parse(argc, argv))
        return 2;
    QCoreApplication app(argc, argv);
    if (const int code = start.settle(); code >= 0)
        return code;
    return RunHeadless(start.headlessOptions());
}
