// What putting records on the disk costs: the logger saving 12 and 99
// recorders every second into a folder on the disk under the working
// directory, with the real file syncs, one sync round a second at most.
// Prints per simulated second the time of the save round (the records'
// writes) and of the sync round (fdatasync of each file written), and the
// syncs per second. Target: one sync round a second, whatever the count.
// Usage: bench_sync [seconds, default 30]
#include "core/SafeFiles.h"
#include "link/DataStore.h"
#include "link/DeviceList.h"
#include "link/LinkState.h"
#include "link/RegisterMap.h"
#include "logging/DataLogger.h"
#include "logging/RecordSync.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void run(int recorders, int seconds)
{
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench_sync-XXXXXX")));
    LinkState link;
    DataStore store;
    LoadDeviceList(QStringList(recorders, QStringLiteral("O")), link, store);
    namespace m = regmap::mon;
    for (int row = 1; row <= recorders; ++row) {
        store.sprdMon.setText(m::Model, row, QStringLiteral("20"));
        for (int c = 0; c < 12; ++c)
            store.sprdMon.setText(m::Pv01 + c, row, QString::number(20.5 + c));
        store.sprdStatus.setText(status::Online, row, QStringLiteral("OK"));
    }
    link.gReqCode = 11; // monitoring
    DataLogger logger(link, store);
    DSaveSettings s;
    s.gDSaveEnable = QStringLiteral("Yes");
    s.gDSaveInterval = 1;
    s.gDSaveUnit = QStringLiteral("sec");
    s.gDSaveFolder = dir.path();
    s.gDSaveFileName = QStringLiteral("BENCH");
    logger.setSettings(s);
    QDateTime clock = QDateTime::currentDateTime();
    qint64 steady = 0;
    logger.now = [&] { return clock; };
    logger.steadyMs = [&] { return steady; };
    logger.portOpen = [] { return true; };
    // Rounds run inline so that their time is measured here.
    logger.sync = std::make_unique<RecordSync>(true);
    int syncs = 0;
    qint64 syncNs = 0;
    logger.sync->syncFile = [&](const QString& p, QString* why) {
        QElapsedTimer t;
        t.start();
        const bool ok = SyncFile(p, why);
        syncNs += t.nsecsElapsed();
        ++syncs;
        return ok;
    };
    // The save timer's 50 ms ticks, as the program drives them.
    qint64 totalNs = 0, worstNs = 0, secondNs = 0;
    for (int tick = 0; tick < seconds * 20; ++tick) {
        for (int row = 1; row <= recorders; ++row)
            logger.onLiveValues(link.gMC_No[row - 1]);
        QElapsedTimer t;
        t.start();
        logger.saveCheck();
        const qint64 ns = t.nsecsElapsed();
        totalNs += ns;
        secondNs += ns;
        if (tick % 20 == 19) {
            worstNs = qMax(worstNs, secondNs);
            secondNs = 0;
        }
        clock = clock.addMSecs(50);
        steady += 50;
    }
    logger.syncNow();
    const int records = static_cast<int>((QFileInfo(QDir(dir.path()).filePath(QStringLiteral("BENCH_01.VQD"))).size() - 512) / 64);
    const double saveMs = (totalNs - syncNs) / 1e6 / records, syncMs = syncNs / 1e6 / logger.sync->roundsStarted();
    std::printf("%2d recorders, 1 s interval, %d s: %d save rounds of %.2f ms, sync rounds of %.2f ms (worst second %.2f ms), "
                "%.1f syncs/s in %.2f sync rounds/s\n",
                recorders, seconds, records, saveMs, syncMs, worstNs / 1e6, double(syncs) / seconds,
                double(logger.sync->roundsStarted()) / seconds);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(2, atoi(argv[1])) : 30;
    for (int n : {12, 99})
        run(n, seconds);
    return 0;
}
