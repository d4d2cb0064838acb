#pragma once
// One scripted parameter transfer (--upload or --download) on a link
// session: scan, select the device, transfer, write the file. The process
// runs it in an event loop; tests run it on a simulated line.
#include "app/Headless.h"
#include "param/ParamImage.h"

#include <QObject>
#include <QTimer>

class LinkSession;

class TransferJob : public QObject {
    Q_OBJECT
public:
    enum Exit { Ok = 0, Failed = 1, Usage = 2 };

    TransferJob(LinkSession& session, const HeadlessOptions& options, QObject* parent = nullptr);

    // Starts the transfer; finished() follows, at once when it cannot start.
    void start();
    bool done() const { return m_ended; }

signals:
    // exitCode is an Exit; message says why it failed (empty on success).
    void finished(int exitCode, const QString& message);

private:
    void finish(int code, const QString& message);
    void scanEnded();
    void writeUpload();
    int device() const;

    LinkSession& m_session;
    HeadlessOptions m_options;
    bool m_uploading = false;
    ParamImage m_image;
    QTimer m_limit;
    bool m_scanned = false;
    bool m_ended = false;
};
