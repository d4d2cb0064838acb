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

void SimPort::setPeriodicNoise(qint64 everyUs, quint64 seed)
{
    m_noiseEveryUs = everyUs;
    m_noiseState = seed | 1;
    m_nextNoiseUs = everyUs > 0 ? m_now * 1000 + everyUs : -1;
}

qint64 SimPort::nextDueUs() const
{
    qint64 next = m_open ? m_nextNoiseUs : -1;
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
    while (m_nextNoiseUs >= 0 && m_nextNoiseUs <= m_now * 1000) {
        m_nextNoiseUs += m_noiseEveryUs;
        if (!m_open)
            continue;
        m_noiseState ^= m_noiseState << 13; // xorshift: any byte value
        m_noiseState ^= m_noiseState >> 7;
        m_noiseState ^= m_noiseState << 17;
        m_input.append(static_cast<char>(m_noiseState & 0xFF));
        ++m_straySent;
        emit readyRead();
    }
    for (const Pending& p : due) {
        const QByteArray& b = p.answer.bytes;
        const qsizetype step = chunk > 0 ? chunk : b.size();
        for (qsizetype at = 0; at < b.size() && m_open; at += step) {
            m_input.append(b.mid(at, step));
            if (!m_inputFrom.contains(p.request))
                m_inputFrom.append(p.request);
            emit readyRead();
        }
    }
    return static_cast<int>(due.size());
}

void SimPort::unplug(const QString& why)
{
    // As a real port does: the error comes while the port is still open.
    emit fatalError(why);
    close();
}
