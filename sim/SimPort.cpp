#include "sim/SimPort.h"

bool SimPort::open(const PortSettings&, QString* error)
{
    if (!m_openError.isEmpty()) {
        if (error)
            *error = m_openError;
        return false;
    }
    m_open = true;
    return true;
}

void SimPort::close()
{
    m_open = false;
    m_input.clear();
    m_inputFrom.clear();
    m_pending.clear();
    m_server.lineIdle();
}

void SimPort::write(const QByteArray& bytes)
{
    if (!m_open)
        return;
    m_writes.append(bytes);
    const LineServer::Result r = m_server.feed(bytes, m_now);
    for (const QByteArray& request : r.requests) {
        m_requests.append(request);
        ++m_requestCount;
        for (const Answer& a : r.answers)
            if (a.request == request)
                m_pending.append({a, m_now * 1000 + a.delayUs, requestNumber()});
    }
}

QByteArray SimPort::readAll()
{
    QByteArray out;
    out.swap(m_input);
    m_lastRead = std::exchange(m_inputFrom, {});
    return out;
}

qint64 SimPort::nextDueUs() const
{
    qint64 next = -1;
    for (const Pending& p : m_pending)
        if (next < 0 || p.dueUs < next)
            next = p.dueUs;
    return next;
}

int SimPort::deliverDue(qsizetype chunk)
{
    QList<Pending> due;
    for (qsizetype i = 0; i < m_pending.size();) {
        if (m_pending[i].dueUs <= m_now * 1000)
            due.append(m_pending.takeAt(i));
        else
            ++i;
    }
    for (const Pending& p : due) {
        const QByteArray& b = p.answer.bytes;
        const qsizetype step = chunk > 0 ? chunk : b.size();
        for (qsizetype at = 0; at < b.size() && m_open; at += step) {
            m_input.append(b.mid(at, step));
            if (!m_inputFrom.contains(p.request))
                m_inputFrom.append(p.request);
            if (onReadyRead)
                onReadyRead();
        }
    }
    return static_cast<int>(due.size());
}

void SimPort::unplug(const QString& why)
{
    // As a real port does: the error comes while the port is still open.
    if (onFatalError)
        onFatalError(why);
    close();
}
