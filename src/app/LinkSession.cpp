#include "app/LinkSession.h"

#include "link/DeviceList.h"
#include "link/LineFile.h"
#include "link/PortFile.h"
#include "port/QtTimer.h"
#include "port/TcpPort.h"

#include <QDir>
#include <QSerialPortInfo>

namespace {
QStringList systemPortNames()
{
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.portName();
    return names;
}
}

LinkSession::LinkSession(const QString& dir, SerialPort* givenPort, OneShotTimer* tmrTX, OneShotTimer* tmrRX)
    : m_port(givenPort, [] { return std::make_unique<LinePort>(); })
    , m_tx(tmrTX, [] { return std::make_unique<QtOneShotTimer>(PollingEngine::kTxIntervalMs); })
    , m_rx(tmrRX, [] { return std::make_unique<QtOneShotTimer>(PollingEngine::kTimeoutMs); })
    , programDir(QDir(dir).absolutePath())
    , port(*m_port)
    , engine(link, store, log, *m_port, *m_tx, *m_rx)
    , backups(programDir, link)
{
    engine.setBackupKeeper(&backups);
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
    applyLineOptions(LineFile::read(programDir));
    QStringList notes{cut, ignored, port};
    notes.removeAll(QString());
    return notes.join(QStringLiteral("; "));
}

void LinkSession::applyLineOptions(const LineFile& options)
{
    engine.setGapMs(options.gapMs());
    link.rs485 = options.rs485();
}
