#pragma once
// SerialPort over a TCP connection to a serial device server: the same RTU
// frames, no header. A refused, lost or failed connection reads as a lost
// adapter does.
#include "link/SerialPort.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

class TcpPort : public SerialPort {
public:
    static constexpr int kConnectMs = 3000;

    TcpPort();
    // "tcp://HOST:PORT" -> host and port; false when the name is not one.
    static bool ParseName(const QString& name, QString* host, quint16* port);
    static bool IsTcpName(const QString& name) { return name.trimmed().startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive); }

    // Starts connecting and returns at once; opened() or openFailed() follows
    // (within kConnectMs). False only for a name that is not tcp://HOST:PORT.
    bool open(const PortSettings& settings, QString* error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool connecting() const override { return m_connecting; }
    void discardInput() override;
    bool setRts(bool) override { return false; } // the server drives its own line
    void write(const QByteArray& bytes) override;
    QByteArray readAll() override { return m_open ? m_socket.read(m_socket.bytesAvailable()) : QByteArray(); }
    qsizetype bytesAvailable() const override { return m_open ? m_socket.bytesAvailable() : 0; }

private:
    void lost(const QString& why);
    void failed(const QString& why);

    QTcpSocket m_socket;
    QTimer m_connectLimit;
    QString m_target; // host:port, for messages
    bool m_open = false;
    bool m_connecting = false;
};

// The port a name stands for: a serial device, or a device server (tcp://).
class LinePort : public SerialPort {
public:
    LinePort();
    ~LinePort() override;
    // What is wrong with the port name or settings themselves (empty when
    // nothing is): such a port never opens, whatever is plugged in later.
    static QString SettingsProblem(const PortSettings& settings);
    bool open(const PortSettings& settings, QString* error) override;
    void close() override { m_active->close(); }
    bool isOpen() const override { return m_active->isOpen(); }
    bool connecting() const override { return m_active->connecting(); }
    void discardInput() override { m_active->discardInput(); }
    bool setRts(bool on) override { return m_active->setRts(on); }
    void write(const QByteArray& bytes) override { m_active->write(bytes); }
    QByteArray readAll() override { return m_active->readAll(); }
    qsizetype bytesAvailable() const override { return m_active->bytesAvailable(); }

private:
    std::unique_ptr<SerialPort> m_serial;
    std::unique_ptr<SerialPort> m_tcp;
    SerialPort* m_active = nullptr;
};
