#include "link/CommLog.h"

#include <QString>

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
    m_rows.append(Row{recv, false, bytes.left(kMaxBytes)});
    const int index = static_cast<int>(m_rows.size()) - 1;
    emit rowAppended(index);
    return index;
}

void CommLog::markBad(int index)
{
    if (index < 0 || index >= m_rows.size() || m_rows[index].badCrc)
        return;
    m_rows[index].badCrc = true;
    emit rowChanged(index);
}

int WriteLogRow(const QString& direction, const QByteArray& frame, CommLog& grid)
{
    return grid.append(direction == QLatin1String("RECV"), frame);
}
