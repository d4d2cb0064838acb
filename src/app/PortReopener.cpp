#include "app/PortReopener.h"

PortReopener::PortReopener(LinkSession& session, OneShotTimer* timer, int intervalMs, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_timer(GivenTimer(timer, intervalMs))
    , m_intervalMs(intervalMs)
{
    PollingEngine& e = m_session.engine;
    connect(&*m_timer, &OneShotTimer::timeout, this, &PortReopener::tryOpen);
    connect(&e, &PollingEngine::portLost, this, [this](const QString& why) {
        if (!m_enabled)
            return;
        m_lastFailure.clear();
        m_timer->start();
        emit lost(QStringLiteral("Port %1 was lost: %2; trying to reopen it every %3")
                      .arg(m_session.link.port.gCommPort, why, every()));
    });
    connect(&e, &PollingEngine::portOpened, this, [this] {
        if (!std::exchange(m_trying, false))
            return;
        m_lastFailure.clear();
        emit reopened(QStringLiteral("Port %1 is open again").arg(m_session.link.port.gCommPort));
    });
    connect(&e, &PollingEngine::portOpenFailed, this, [this](const QString& why) {
        if (std::exchange(m_trying, false))
            tryFailed(why);
    });
}

void PortReopener::setEnabled(bool on)
{
    m_enabled = on;
    if (!on)
        stop();
}

bool PortReopener::active() const
{
    return m_trying || m_timer->isActive();
}

void PortReopener::stop()
{
    m_timer->stop();
    m_trying = false;
}

void PortReopener::resume()
{
    if (!m_enabled || m_session.engine.isOpen() || m_session.engine.isConnecting())
        return;
    m_lastFailure.clear();
    m_timer->start();
}

QString PortReopener::every() const
{
    return m_intervalMs % 1000 ? QStringLiteral("%1 ms").arg(m_intervalMs) : QStringLiteral("%1 s").arg(m_intervalMs / 1000);
}

void PortReopener::tryOpen()
{
    PollingEngine& e = m_session.engine;
    if (e.isOpen() || e.isConnecting())
        return;
    // The outcome comes as portOpened or portOpenFailed, at once or after connecting.
    m_trying = true;
    e.openPort();
}

void PortReopener::tryFailed(const QString& error)
{
    m_timer->start();
    if (error != m_lastFailure)
        emit failed(QStringLiteral("%1; trying again every %2").arg(error, every()));
    m_lastFailure = error;
}
