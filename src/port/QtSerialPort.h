#pragma once
// SerialPort over QSerialPort: the real line.
#include "link/SerialPort.h"

#include <QSerialPort>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#endif

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    bool open(const PortSettings& settings, QString* error) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void discardInput() override;
    bool setRts(bool on) override;
    void write(const QByteArray& bytes) override;
    void drain() override;
    // A port closed under the engine (adapter lost) has nothing to read.
    // What has arrived, in a buffer of its size (QIODevice::readAll reserves far more).
    QByteArray readAll() override { return m_port.isOpen() ? m_port.read(m_port.bytesAvailable()) : QByteArray(); }
    qsizetype bytesAvailable() const override { return m_port.bytesAvailable(); }

    // What is wrong with the settings themselves (empty when nothing is):
    // such a port never opens, whatever is plugged in.
    static QString SettingsProblem(const PortSettings& settings);
    // Why a port cannot be opened, in words an operator can act on.
    static QString describeOpenError(QSerialPort::SerialPortError error, const QString& port, const QString& detail);

#ifdef Q_OS_LINUX
    // The driver's RS-485 mode as set for rs485=kernel: RTS on while sending.
    static serial_rs485 KernelRs485();
#endif

private:
    QSerialPort m_port;
};
