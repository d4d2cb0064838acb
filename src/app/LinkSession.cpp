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
    , engine(link, store, log, port, chooseTimer(tmrTX, m_tx, PollingEngine::kTxIntervalMs),
             chooseTimer(tmrRX, m_rx, PollingEngine::kTimeoutMs))
{
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
