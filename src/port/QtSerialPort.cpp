#include "port/QtSerialPort.h"

#include <cerrno>
#include <cstring>
#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif

QtSerialPort::QtSerialPort()
{
    QObject::connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    QObject::connect(&m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
        // An unplugged adapter reports a resource error; the port is unusable
        // then. Said once Qt has finished with its notification: closing the
        // port inside it makes Qt read from the closed port.
        if (e == QSerialPort::ResourceError && m_port.isOpen())
            QMetaObject::invokeMethod(
                &m_port,
                [this, why = m_port.errorString()] {
                    if (m_port.isOpen())
                        emit fatalError(why);
                },
                Qt::QueuedConnection);
    });
}

QString QtSerialPort::describeOpenError(QSerialPort::SerialPortError error, const QString& port, const QString& detail)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("no such device %1").arg(port);
    case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
        return QStringLiteral("%1 is in use by another program").arg(port);
#else
        return QStringLiteral("permission denied or in use (%1); the user may need to be in the dialout group")
            .arg(detail);
#endif
    case QSerialPort::OpenError:
        return QStringLiteral("already open");
    default:
        return detail;
    }
}

QString QtSerialPort::SettingsProblem(const PortSettings& s)
{
    bool ok = false;
    const int baud = s.gCommBaud.toInt(&ok);
    QString bad;
    if (!ok || baud <= 0)
        bad = QStringLiteral("baud rate \"%1\" is not a number").arg(s.gCommBaud);
    const QString parity = s.gCommParity.trimmed().toUpper();
    if (parity != "N" && parity != "E" && parity != "O")
        bad = QStringLiteral("parity \"%1\" is not N, E or O").arg(s.gCommParity);
    if (s.gCommDataBits != "7" && s.gCommDataBits != "8")
        bad = QStringLiteral("data bits \"%1\" are not 7 or 8").arg(s.gCommDataBits);
    if (s.gCommStopBits != "1" && s.gCommStopBits != "2")
        bad = QStringLiteral("stop bits \"%1\" are not 1 or 2").arg(s.gCommStopBits);
    if (s.gCommPort.trimmed().isEmpty())
        bad = QStringLiteral("no port is named");
    return bad;
}

bool QtSerialPort::open(const PortSettings& s, QString* error)
{
    m_port.setPortName(s.gCommPort);
    if (const QString bad = SettingsProblem(s); !bad.isEmpty()) {
        if (error)
            *error = bad;
        return false;
    }
    const int baud = s.gCommBaud.toInt();
    const QString parity = s.gCommParity.trimmed().toUpper();
    m_port.setBaudRate(baud);
    m_port.setParity(parity == "E" ? QSerialPort::EvenParity : parity == "O" ? QSerialPort::OddParity : QSerialPort::NoParity);
    m_port.setDataBits(s.gCommDataBits == "7" ? QSerialPort::Data7 : QSerialPort::Data8);
    m_port.setStopBits(s.gCommStopBits == "2" ? QSerialPort::TwoStop : QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (error)
            *error = describeOpenError(m_port.error(), s.gCommPort, m_port.errorString());
        return false;
    }
    if (s.rs485 == Rs485Mode::Kernel) {
        QString why = QStringLiteral("not offered on this system");
#ifdef Q_OS_LINUX
        serial_rs485 rs485 = KernelRs485();
        if (::ioctl(m_port.handle(), TIOCSRS485, &rs485) == 0)
            return true;
        why = QString::fromLocal8Bit(std::strerror(errno));
#endif
        // Without it nothing would switch the bus to sending: the port is of no use.
        m_port.close();
        if (error)
            *error = QStringLiteral("its driver refuses RS-485 mode (rs485=kernel): %1; choose RTS or none in Port Setup")
                         .arg(why);
        return false;
    }
    return true;
}

void QtSerialPort::close()
{
    if (m_port.isOpen())
        m_port.close();
}

void QtSerialPort::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

bool QtSerialPort::setRts(bool on)
{
    if (!m_port.isOpen())
        return false;
    const bool ok = m_port.setRequestToSend(on);
    if (!ok)
        m_port.clearError(); // no RTS line: not an error for the transaction
    return ok;
}

void QtSerialPort::write(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return;
    m_port.write(bytes);
    m_port.flush(); // to the device now, not when the event loop gets to it
}

void QtSerialPort::drain()
{
    if (!m_port.isOpen())
        return;
    while (m_port.bytesToWrite() > 0 && m_port.waitForBytesWritten(1000)) {
    }
#ifdef Q_OS_UNIX
    ::tcdrain(m_port.handle());
#endif
}

#ifdef Q_OS_LINUX
serial_rs485 QtSerialPort::KernelRs485()
{
    serial_rs485 r{};
    r.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND; // RTS low after sending: receiving
    return r;
}
#endif
