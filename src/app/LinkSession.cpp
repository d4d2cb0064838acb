#include "app/LinkSession.h"

#include "core/SafeFiles.h"
#include "link/DeviceList.h"
#include "link/LineFile.h"
#include "link/PortFile.h"
#include "logging/SaveSettings.h"
#include "port/QtTimer.h"
#include "port/TcpPort.h"

#include <QDir>
#include <QFileInfo>
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

Given<OneShotTimer> GivenTimer(OneShotTimer* given, int intervalMs)
{
    return {given, [intervalMs] { return std::make_unique<QtOneShotTimer>(intervalMs); }};
}

LinkSessionLine::LinkSessionLine(SerialPort* port, OneShotTimer* tmrTX, OneShotTimer* tmrRX)
    : m_port(port, [] { return std::make_unique<LinePort>(); })
    , m_tx(GivenTimer(tmrTX, PollingEngine::kTxIntervalMs))
    , m_rx(GivenTimer(tmrRX, PollingEngine::kTimeoutMs))
{
}

LinkSession::LinkSession(const QString& dir, SerialPort* givenPort, OneShotTimer* tmrTX, OneShotTimer* tmrRX)
    : LinkSessionLine(givenPort, tmrTX, tmrRX)
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
    QString cut, ignored, port, line;
    engine.setDeviceList(ReadDeviceListLines(programDir, &cut), &ignored);
    ReadPortFile(programDir, link.port, DefaultPortName(systemPortNames()), &port);
    applyLineOptions(LineFile::read(programDir, &line));
    QStringList notes{removeLeftSaves(), cut, ignored, port, line};
    notes.removeAll(QString());
    return notes.join(QStringLiteral("; "));
}

QString LinkSession::removeLeftSaves() const
{
    // Each folder with the names the program saves whole in it.
    const auto nameOf = [](const QString& path) { return QFileInfo(path).fileName(); };
    const QList<std::pair<QString, QStringList>> folders{
        {programDir, {nameOf(PortFilePath(programDir))}},
        {QFileInfo(SaveSettingsPath(programDir)).absolutePath(),
         {nameOf(SaveSettingsPath(programDir)), nameOf(DeviceListPath(programDir)), nameOf(LineFile::path(programDir))}},
        {backups.folder(), {QStringLiteral("[0-9][0-9]_*.CFG")}},
    };
    QStringList removed;
    for (const auto& [folder, names] : folders)
        for (const QString& name : RemoveLeftSaves(folder, names))
            removed << QDir::toNativeSeparators(QDir(folder).filePath(name));
    if (removed.isEmpty())
        return {};
    return QStringLiteral("removed %1, left by a save that was cut off").arg(removed.join(QStringLiteral(", ")));
}

void LinkSession::applyLineOptions(const LineFile& options)
{
    engine.setGapMs(options.gapMs());
    link.port.rs485 = options.rs485();
}
