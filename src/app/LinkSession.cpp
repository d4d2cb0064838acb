#include "app/LinkSession.h"

#include "link/DeviceList.h"
#include "link/PortFile.h"
#include "link/QtTimer.h"
#include "ui/QtSerialPort.h"

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

QStringList systemPortNames()
{
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
    return names;
}
}

LinkSession::LinkSession(const QString& dir, SerialPort* givenPort)
    : programDir(QDir(dir).absolutePath())
    , m_tx(std::make_unique<QtOneShotTimer>(PollingEngine::kTxIntervalMs))
    , m_rx(std::make_unique<QtOneShotTimer>(PollingEngine::kTimeoutMs))
    , port(choosePort(givenPort, m_ownPort))
    , engine(link, store, log, port, *m_tx, *m_rx)
{
}

LinkSession::~LinkSession()
{
    engine.closePort();
}

void LinkSession::loadConfiguration()
{
    ReadDeviceList(programDir, link, store);
    ReadPortFile(programDir, link, DefaultPortName(systemPortNames()));
}
