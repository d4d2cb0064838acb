// vq800 --find: the recorders of the line at whatever setting they answer.
#include "app/Headless.h"

#include "link/DeviceList.h"
#include "link/LineFile.h"
#include "link/PortFile.h"
#include "link/RecorderSearch.h"
#include "port/QtTimer.h"
#include "port/TcpPort.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>

namespace {

void say(const QString& text)
{
    std::fprintf(stderr, "vq800: %s\n", qPrintable(text));
}

} // namespace

int RunHeadlessFind(const HeadlessOptions& options)
{
    SearchPlan plan;
    if ((!options.bauds.isEmpty() && !ParseBauds(options.bauds, &plan.bauds))
        || (!options.parities.isEmpty() && !ParseParities(options.parities, &plan.parities))
        || (!options.addresses.isEmpty() && !ParseAddressRange(options.addresses, &plan.firstAddress, &plan.lastAddress))) {
        say(QStringLiteral("--bauds takes rates such as 9600,38400, --parities N,E,O, --addresses a range within 1-247"));
        return 2;
    }
    PortSettings current;
    QString note;
    ReadPortFile(options.programDir, current, DefaultPortName({}), &note);
    if (!note.isEmpty())
        say(note);
    current.rs485 = LineFile::read(options.programDir).rs485();
    plan.port = current.gCommPort;
    if (options.slowAnswers)
        plan.timeoutMs = 1000;
    plan.rs485 = current.rs485;

    LinePort port;
    QtOneShotTimer timer(plan.timeoutMs);
    RecorderSearch search(port, timer);
    QEventLoop loop;
    QString error, setting;
    QObject::connect(&search, &RecorderSearch::found, [](const FoundRecorder& r) {
        std::printf("%s\n", qPrintable(r.text()));
        std::fflush(stdout);
    });
    QObject::connect(&search, &RecorderSearch::note, [](const QString& text) { say(text); });
    QObject::connect(&search, &RecorderSearch::progress, [&](int, int, const QString& now) {
        if (now.isEmpty() || now == setting)
            return;
        setting = now;
        say(QStringLiteral("trying %1 at %2, addresses %3..%4").arg(plan.port, now).arg(plan.firstAddress).arg(plan.lastAddress));
    });
    QObject::connect(&search, &RecorderSearch::finished, &loop, [&](bool, const QString& why) {
        error = why;
        loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    search.start(plan);
    if (search.running())
        loop.exec();
    if (!error.isEmpty()) {
        say(error);
        return 1;
    }
    const QList<FoundRecorder>& found = search.results();
    const int settings = static_cast<int>(plan.settings().size());
    std::printf("%lld recorder(s) found on %s in %.1f s (%d settings, addresses %d..%d)\n",
                static_cast<long long>(found.size()), qPrintable(plan.port), clock.elapsed() / 1000.0, settings,
                plan.firstAddress, plan.lastAddress);
    std::fflush(stdout);
    if (found.isEmpty())
        return 1;
    if (options.write) {
        const SearchUse use = PlanUse(found, current, ReadDeviceListLines(options.programDir));
        QString why;
        if (!WriteUse(options.programDir, use, &why)) {
            say(QStringLiteral("nothing written: %1").arg(why));
            return 1;
        }
        for (const QString& change : use.changes)
            std::printf("%s\n", qPrintable(change));
    }
    return 0;
}
