#include "link/PortFile.h"

#include "core/ConfigText.h"

#include <QDir>

QString PortFilePath(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("Comm.CFG"));
}

QString DefaultPortName(const QStringList& systemPorts)
{
    if (!systemPorts.isEmpty())
        return systemPorts.first();
#ifdef Q_OS_WIN
    return QStringLiteral("COM1");
#else
    return QStringLiteral("ttyS0");
#endif
}

void ReadPortFile(const QString& programDir, PortSettings& link, const QString& defaultPort, QString* note)
{
    const ConfigLimits limits{6, {255, 32}, false};
    const ConfigLines read = ReadConfigFile(PortFilePath(programDir), limits);
    const QStringList& lines = read.lines;
    if (note)
        *note = read.note(QStringLiteral("Comm.CFG"), limits);
    QString* fields[] = {&link.gCommPort, &link.gCommBaud, &link.gCommParity,
                         &link.gCommDataBits, &link.gCommStopBits, &link.gCommProtocol};
    for (int i = 0; i < 6; ++i) {
        const QString v = lines.value(i).trimmed();
        if (!v.isEmpty())
            *fields[i] = v;
    }
    if (link.gCommPort.isEmpty())
        link.gCommPort = defaultPort;
}

bool WritePortFile(const QString& programDir, const PortSettings& link, QString* error)
{
    return WriteConfigLines(PortFilePath(programDir),
                            {link.gCommPort, link.gCommBaud, link.gCommParity, link.gCommDataBits,
                             link.gCommStopBits, link.gCommProtocol},
                            error);
}
