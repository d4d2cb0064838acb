#include "link/CommLog.h"

#include "core/SafeFiles.h"
#include "core/TextTable.h"
#include "link/AnswerJudge.h"
#include "link/Framing.h"

#include <QDateTime>
#include <QSaveFile>
#include <QString>
#include <QStringList>

void CommLog::clear()
{
    if (m_rows.isEmpty())
        return;
    m_rows.clear();
    emit cleared();
}

int CommLog::append(bool recv, const QByteArray& bytes)
{
    if (m_rows.size() >= kMaxRows)
        clear();
    // A copy of its own: the frame may share a read buffer many times its size,
    // which a thousand rows would keep alive.
    m_rows.append(Row{recv, false, QByteArray(bytes.constData(), qMin<qsizetype>(bytes.size(), kMaxBytes)),
                      now ? now() : QDateTime::currentMSecsSinceEpoch(), Mark::None});
    const int index = static_cast<int>(m_rows.size()) - 1;
    emit rowAppended(index);
    return index;
}

void CommLog::markBad(int index, Mark mark)
{
    if (index < 0 || index >= m_rows.size() || m_rows[index].badCrc || mark == Mark::None)
        return;
    m_rows[index].badCrc = true;
    m_rows[index].mark = mark;
    emit rowChanged(index);
}

int WriteLogRow(const QString& direction, const QByteArray& frame, CommLog& grid)
{
    return grid.append(direction == QLatin1String("RECV"), frame);
}

QString RowTime(const CommLog::Row& row)
{
    return QDateTime::fromMSecsSinceEpoch(row.atMs).toString(QStringLiteral("HH:mm:ss.zzz"));
}

namespace {

// What became of a received frame; sent frames have no result.
QString result(const CommLog::Row& row)
{
    if (!row.recv)
        return QString();
    if (!row.badCrc)
        return QStringLiteral("OK");
    switch (row.mark) {
    case CommLog::Mark::Noise: return QStringLiteral("noise");
    case CommLog::Mark::Foreign: return QStringLiteral("another device's frame");
    case CommLog::Mark::Refused:
        return QStringLiteral("refused: ") + ExceptionText(row.bytes.size() > 2 ? static_cast<quint8>(row.bytes[2]) : 0);
    default: return CheckCrc(row.bytes) ? QStringLiteral("not the answer asked for") : QStringLiteral("CRC error");
    }
}

} // namespace

QString FrameCsvHeader()
{
    return QStringLiteral("time,direction,bytes,device,result\r\n");
}

QString FrameCsvRow(const CommLog::Row& r)
{
    QStringList bytes;
    for (char b : r.bytes)
        bytes << HexByte(static_cast<quint8>(b));
    const QString device = r.bytes.isEmpty() ? QString() : QString::number(static_cast<quint8>(r.bytes[0]));
    return QStringLiteral("%1,%2,%3,%4,%5\r\n")
        .arg(QDateTime::fromMSecsSinceEpoch(r.atMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")),
             r.recv ? QStringLiteral("RECV") : QStringLiteral("SEND"), bytes.join(u' '), device, result(r));
}

QString CountersCsv(const TextTable& counters, qint64 strayBytes)
{
    QString out = QStringLiteral("\r\ndevice");
    for (int c = 1; c <= counters.colCount(); ++c)
        out += u',' + counters.text(c, 0);
    out += QStringLiteral("\r\n");
    for (int r = 1; r <= counters.rowCount(); ++r) {
        out += counters.text(0, r);
        for (int c = 1; c <= counters.colCount(); ++c)
            out += u',' + (counters.text(c, r).isEmpty() ? QStringLiteral("0") : counters.text(c, r));
        out += QStringLiteral("\r\n");
    }
    out += QStringLiteral("\r\nnoise bytes,%1\r\n").arg(strayBytes);
    return out;
}

QString FrameLogCsv(const CommLog& log, const TextTable& counters, qint64 strayBytes)
{
    QString out = FrameCsvHeader();
    for (int i = 0; i < log.rowCount(); ++i)
        out += FrameCsvRow(log.row(i));
    return out + CountersCsv(counters, strayBytes);
}

bool SaveFrameLog(const QString& path, const CommLog& log, const TextTable& counters, qint64 strayBytes, QString* error)
{
    QSaveFile file(path);
    const QByteArray text = FrameLogCsv(log, counters, strayBytes).toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && CommitSafely(file))
        return true;
    if (error)
        *error = file.errorString();
    return false;
}
