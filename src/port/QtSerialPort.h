#pragma once
// SerialPort over QSerialPort: the real line.
#include "link/SerialPort.h"

#include <QSerialPort>

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    bool open(const PortSettings& settings, QString* error) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void discardInput() override;
    bool setRts(bool on) override;
    void write(const QByteArray& bytes) override;
    // A port closed under the engine (adapter lost) has nothing to read.
    QByteArray readAll() override { return m_port.isOpen() ? m_port.readAll() : QByteArray(); }
    qsizetype bytesAvailable() const override { return m_port.bytesAvailable(); }

    // Why a port cannot be opened, in words an operator can act on.
    static QString describeOpenError(QSerialPort::SerialPortError error, const QString& port, const QString& detail);

private:
    QSerialPort m_port;
};
