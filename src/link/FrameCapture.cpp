#include "link/FrameCapture.h"

#include "core/TextTable.h"

FrameCapture::FrameCapture(CommLog& log, QObject* parent)
    : QObject(parent)
    , m_log(log)
{
    connect(&m_log, &CommLog::rowAppended, this, [this](int index) {
        if (running())
            hold(index);
    });
    connect(&m_log, &CommLog::rowChanged, this, [this](int index) {
        if (running() && m_pending && index == m_rowIndex)
            m_row = m_log.row(index);
    });
    // The log restarting at its row limit takes nothing from the capture.
    connect(&m_log, &CommLog::cleared, this, [this] { m_rowIndex = -1; });
}

FrameCapture::~FrameCapture()
{
    if (running()) {
        writePending();
        m_file.close();
    }
}

bool FrameCapture::start(const QString& path, QString* error, qint64 limitBytes)
{
    if (running())
        m_file.close();
    m_file.setFileName(path);
    m_limit = limitBytes;
    m_frames = 0;
    m_pending = false;
    m_rowIndex = -1;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    write(FrameCsvHeader().toUtf8());
    return running();
}

void FrameCapture::hold(int index)
{
    writePending();
    if (!running())
        return;
    m_row = m_log.row(index);
    m_rowIndex = index;
    m_pending = true;
}

void FrameCapture::writePending()
{
    if (!std::exchange(m_pending, false) || !running())
        return;
    const QByteArray line = FrameCsvRow(m_row).toUtf8();
    if (m_file.size() + line.size() > m_limit) {
        m_file.close();
        emit failed(QStringLiteral("Capture stopped at %1 frames: the file reached its limit of %2 MB")
                        .arg(m_frames)
                        .arg(m_limit / (1024 * 1024)));
        return;
    }
    write(line);
    if (running()) {
        ++m_frames;
        emit written(m_frames);
    }
}

void FrameCapture::stop(const TextTable& counters, qint64 strayBytes)
{
    if (!running())
        return;
    writePending();
    if (running())
        write(CountersCsv(counters, strayBytes).toUtf8());
    m_file.close();
}

void FrameCapture::write(const QByteArray& text)
{
    if (m_file.write(text) != text.size() || !m_file.flush()) {
        const QString why = m_file.errorString();
        m_file.close();
        emit failed(QStringLiteral("Capture stopped at %1 frames: %2").arg(m_frames).arg(why));
    }
}
