#include "app/LinkSession.h"

#include "link/DeviceList.h"
#include "link/PortFile.h"
#include "port/QtTimer.h"
#include "port/QtSerialPort.h"

#include <QDir>
#include <QSerialPortInfo>

namespace {
SerialPort& choosePort(SerialPort* given, std::unique_ptr<SerialPort>& own)
{
    if (given)
        return *given;
    own = std::make_unique<QtSerialPort>();
    return *own;
}

OneShotTimer& chooseTimer(OneShotTimer* given, std::unique_ptr<OneShotTimer>& own, int intervalMs)
{
    if (given)
        return *given;
    own = std::make_unique<QtOneShotTimer>(intervalMs);
    return *own;
}

QStringList systemPortNames()
{
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
    return names;
}
}

LinkSession::LinkSession(const QString& dir, SerialPort* givenPort, OneShotTimer* tmrTX, OneShotTimer* tmrRX)
    : programDir(QDir(dir).absolutePath())
    , port(choosePort(givenPort, m_ownPort))
    , m_tmrTX(chooseTimer(tmrTX, m_tx, PollingEngine::kTxIntervalMs))
    , engine(link, store, log, port, m_tmrTX, chooseTimer(tmrRX, m_rx, PollingEngine::kTimeoutMs))
{
    // The engine handles the loss (when the link was running at all, as it
    // judges); whoever reopens the port hears of it afterwards.
    port.onFatalError = [this, engineSide = port.onFatalError](const QString& why) {
        const bool running = port.isOpen() || engine.awaitingAnswer() || engine.quieting() || m_tmrTX.isActive();
        m_losing = true;
        if (engineSide)
            engineSide(why);
        m_losing = false;
        if (running && !engine.isOpen() && onPortLost)
            onPortLost(why);
    };
}

LinkSession::~LinkSession()
{
    engine.closePort();
}

QString LinkSession::loadConfiguration()
{
    QString cut, ignored, port;
    engine.setDeviceList(ReadDeviceListLines(programDir, &cut), &ignored);
    ReadPortFile(programDir, link, DefaultPortName(systemPortNames()), &port);
    QStringList notes{cut, ignored, port};
    notes.removeAll(QString());
    return notes.join(QStringLiteral("; "));
}
