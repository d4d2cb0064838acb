#include "app/Headless.h"

#include "app/LinkSession.h"
#include "param/ParamImage.h"
#include "param/ParamTables.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

namespace {

// No transfer takes this long, even at 9600 baud with every retry.
constexpr int kTimeLimitMs = 180'000;
constexpr int kGiveUpAfterFailures = 3;

enum Exit { Ok = 0, Failed = 1, Usage = 2 };

void say(const QString& text)
{
    std::fprintf(stderr, "vq800: %s\n", qPrintable(text));
}

} // namespace

int RunHeadlessTransfer(const HeadlessOptions& options)
{
    const bool uploading = !options.uploadFile.isEmpty();
    if (uploading && !options.downloadFile.isEmpty()) {
        say(QStringLiteral("give either --upload or --download, not both"));
        return Usage;
    }
    LinkSession s(options.programDir);
    s.loadConfiguration();
    LinkState& link = s.link;

    if (options.device > 0) {
        const int index = link.indexOfDevice(options.device);
        if (index < 0) {
            say(QStringLiteral("device %1 is not enabled in the device list").arg(options.device));
            return Usage;
        }
        link.gSelMC_No = options.device;
        link.gSelMC_Index = index;
    }

    ParamImage image;
    ParamTables tables;
    if (!uploading) {
        QString why;
        if (!ReadImageFile(options.downloadFile, image, &why)) {
            say(QStringLiteral("cannot read %1: %2").arg(options.downloadFile, why));
            return Usage;
        }
    }
    s.engine.setParamSource(&image);

    QEventLoop loop;
    bool scanned = false, transferring = false, ended = false;
    int failures = 0;
    auto finish = [&](int code, const QString& message) {
        if (ended) // closing the port below signals once more
            return;
        ended = true;
        if (!message.isEmpty())
            say(message);
        s.engine.closePort();
        loop.exit(code);
    };
    auto device = [&] { return options.device > 0 ? options.device : link.gSelMC_No; };

    QObject::connect(&s.engine, &PollingEngine::portStateRequested, &loop, [&](bool closedState) {
        if (closedState || scanned)
            return;
        scanned = true; // the scan has ended with at least one device online
        if (link.gSelMC_No == 0 || (options.device > 0 && link.gSelMC_No != options.device)
            || !link.isOnline(link.gSelMC_Index)) {
            finish(Failed, QStringLiteral("device %1 is not online").arg(device()));
            return;
        }
        transferring = true;
        link.gReqCodeNext = uploading ? 200 : 501;
    });
    QObject::connect(&s.engine, &PollingEngine::portClosed, &loop, [&] {
        finish(Failed, scanned ? QStringLiteral("the port closed during the transfer")
                               : QStringLiteral("no device answered the scan; device %1 is not online").arg(device()));
    });
    QObject::connect(&s.engine, &PollingEngine::failureAction, &loop, [&](int code, int) {
        if (!transferring || code < 200)
            return;
        if (++failures >= kGiveUpAfterFailures)
            finish(Failed, QStringLiteral("device %1 does not answer the transfer (request %2 failed %3 times)")
                               .arg(device())
                               .arg(code)
                               .arg(failures));
    });
    QObject::connect(&s.engine, &PollingEngine::uploadFinished, &loop, [&] {
        // The same path as the editor: store -> tables -> image -> file.
        tables.setChannelCount(link.gChCount);
        image.setChannelCount(link.gChCount);
        tables.RefreshFromStore(s.store);
        QString why;
        if (!tables.WriteParamFile(options.uploadFile, image, &why))
            finish(Failed, QStringLiteral("cannot write %1: %2").arg(options.uploadFile, why));
        else
            finish(Ok, QString());
    });
    QObject::connect(&s.engine, &PollingEngine::downloadFinished, &loop, [&] { finish(Ok, QString()); });
    QTimer::singleShot(kTimeLimitMs, &loop, [&] {
        finish(Failed, QStringLiteral("the transfer did not end within %1 s").arg(kTimeLimitMs / 1000));
    });

    QString why;
    if (!s.engine.openPort(&why)) {
        say(why);
        return Failed;
    }
    return loop.exec();
}
