#include "app/PortReopener.h"

#include "app/LinkSession.h"
#include "port/QtTimer.h"

namespace {
OneShotTimer& chooseTimer(OneShotTimer* given, std::unique_ptr<OneShotTimer>& own, int intervalMs)
{
    if (given)
        return *given;
    own = std::make_unique<QtOneShotTimer>(intervalMs);
    return *own;
}
}

PortReopener::PortReopener(LinkSession& session, OneShotTimer* timer, int intervalMs)
    : m_session(session)
    , m_timer(chooseTimer(timer, m_own, intervalMs))
    , m_intervalMs(intervalMs)
{
    m_timer.onTimeout = [this] { tryOpen(); };
    m_session.onPortLost = [this](const QString& why) {
        if (!m_enabled)
            return;
        m_lastFailure.clear();
        m_timer.start();
        if (onLost)
            onLost(QStringLiteral("Port %1 was lost: %2; trying to reopen it every %3")
                       .arg(m_session.link.gCommPort, why, every()));
    };
}

PortReopener::~PortReopener()
{
    m_session.onPortLost = nullptr;
    m_timer.onTimeout = nullptr;
}

void PortReopener::setEnabled(bool on)
{
    m_enabled = on;
    if (!on)
        stop();
}

bool PortReopener::active() const
{
    return m_trying || m_timer.isActive();
}

void PortReopener::stop()
{
    m_timer.stop();
}

void PortReopener::resume()
{
    if (!m_enabled || m_session.engine.isOpen())
        return;
    m_lastFailure.clear();
    m_timer.start();
}

QString PortReopener::every() const
{
    return m_intervalMs % 1000 ? QStringLiteral("%1 ms").arg(m_intervalMs) : QStringLiteral("%1 s").arg(m_intervalMs / 1000);
}

void PortReopener::tryOpen()
{
    if (m_session.engine.isOpen())
        return;
    QString error;
    m_trying = true;
    const bool opened = m_session.engine.openPort(&error);
    m_trying = false;
    if (opened) {
        m_lastFailure.clear();
        if (onReopened)
            onReopened(QStringLiteral("Port %1 is open again").arg(m_session.link.gCommPort));
        return;
    }
    m_timer.start();
    if (error != m_lastFailure && onFailed)
        onFailed(QStringLiteral("%1; trying again every %2").arg(error, every()));
    m_lastFailure = error;
}
