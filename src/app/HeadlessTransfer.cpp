#include "app/HeadlessTransfer.h"

#include "app/LinkSession.h"
#include "param/ParamTables.h"

#include <QDir>
#include <QEventLoop>
#include <cstdio>

namespace {

// No transfer takes this long, even at 9600 baud with every retry.
constexpr int kTimeLimitMs = 180'000;

void say(const QString& text)
{
    std::fprintf(stderr, "vq800: %s\n", qPrintable(text));
}

} // namespace

TransferJob::TransferJob(LinkSession& session, const HeadlessOptions& options, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_options(options)
    , m_uploading(!options.uploadFile.isEmpty())
{
    PollingEngine& e = m_session.engine;
    connect(&e, &PollingEngine::scanFinished, this, [this](int online) {
        if (online > 0)
            scanEnded();
    });
    connect(&e, &PollingEngine::portOpenFailed, this, [this](const QString& why) { finish(Failed, why); });
    connect(&e, &PollingEngine::portClosed, this, [this] {
        finish(Failed, m_scanned ? QStringLiteral("the port closed during the transfer")
                                 : QStringLiteral("no device answered the scan; device %1 is not online").arg(device()));
    });
    connect(&e, &PollingEngine::transferEnded, this, [this](int transfer, TransferResult result, const QString& text) {
        if (result != TransferResult::Done)
            finish(Failed, text);
        else if (transfer == req::Upload)
            writeUpload();
        else
            finish(Ok, QStringLiteral("downloaded; what device %1 held before is kept as %2")
                           .arg(device())
                           .arg(QDir::toNativeSeparators(m_session.backups.lastPath())));
    });
    m_limit.setSingleShot(true);
    m_limit.setInterval(kTimeLimitMs);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        finish(Failed, QStringLiteral("the transfer did not end within %1 s").arg(kTimeLimitMs / 1000));
    });
}

int TransferJob::device() const
{
    return m_options.device > 0 ? m_options.device : m_session.link.gSelMC_No;
}

void TransferJob::start()
{
    if (m_uploading && !m_options.downloadFile.isEmpty()) {
        finish(Usage, QStringLiteral("give either --upload or --download, not both"));
        return;
    }
    PollingEngine& e = m_session.engine;
    if (m_options.device > 0) {
        const int index = m_session.link.indexOfDevice(m_options.device);
        if (index < 0) {
            finish(Usage, QStringLiteral("device %1 is not enabled in the device list").arg(m_options.device));
            return;
        }
        e.selectDevice(index);
    }
    if (!m_uploading) {
        QString why;
        if (!ReadImageFile(m_options.downloadFile, m_image, &why)) {
            finish(Usage, QStringLiteral("cannot read %1: %2").arg(m_options.downloadFile, why));
            return;
        }
    }
    m_limit.start();
    // Why it cannot open comes as portOpenFailed.
    e.openPort();
}

void TransferJob::scanEnded()
{
    // The scan has ended with at least one device online and the selection made.
    m_scanned = true;
    const LinkState& link = m_session.link;
    if (link.gSelMC_No == 0 || (m_options.device > 0 && link.gSelMC_No != m_options.device)
        || !link.isOnline(link.gSelMC_Index)) {
        finish(Failed, QStringLiteral("device %1 is not online").arg(device()));
        return;
    }
    PollingEngine& e = m_session.engine;
    if (!(m_uploading ? e.post(req::Upload) : e.postDownload(m_image, m_options.withLineSettings)))
        finish(Failed, QStringLiteral("the transfer could not be started"));
}

void TransferJob::writeUpload()
{
    // The same path as the editor: store -> tables -> image -> file.
    const LinkState& link = m_session.link;
    ParamTables tables;
    tables.setChannelCount(link.gChCount);
    m_image.setChannelCount(link.gChCount);
    tables.RefreshFromStore(m_session.store);
    QString why;
    if (!tables.WriteParamFile(m_options.uploadFile, m_image, &why))
        finish(Failed, QStringLiteral("cannot write %1: %2").arg(m_options.uploadFile, why));
    else
        finish(Ok, QString());
}

void TransferJob::finish(int code, const QString& message)
{
    if (m_ended) // closing the port below signals once more
        return;
    m_ended = true;
    m_limit.stop();
    m_session.engine.closePort();
    emit finished(code, message);
}

int RunHeadlessTransfer(const HeadlessOptions& options)
{
    LinkSession s(options.programDir);
    const QString note = s.loadConfiguration();
    if (!note.isEmpty())
        say(note);
    TransferJob job(s, options);
    QEventLoop loop;
    int exitCode = TransferJob::Failed;
    QObject::connect(&job, &TransferJob::finished, &loop, [&](int code, const QString& message) {
        if (!message.isEmpty())
            say(message);
        exitCode = code;
        loop.quit();
    });
    job.start();
    if (!job.done())
        loop.exec();
    return exitCode;
}
