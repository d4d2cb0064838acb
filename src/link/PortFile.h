#pragma once
// Comm.CFG: port and line settings, six lines.
#include "link/SerialPort.h"


// The port a fresh installation starts with: the first port the system
// lists, else COM1 on Windows and ttyS0 elsewhere.
QString DefaultPortName(const QStringList& systemPorts);

// Reads Comm.CFG of the program folder into the settings. Lines missing
// from a short or absent file keep the defaults; an empty port line
// takes defaultPort.
// Lines are read up to what they can hold (a port path 255 characters, the
// others 32); *note says what was cut.
void ReadPortFile(const QString& programDir, PortSettings& link, const QString& defaultPort, QString* note = nullptr);
bool WritePortFile(const QString& programDir, const PortSettings& link, QString* error = nullptr);
QString PortFilePath(const QString& programDir);

