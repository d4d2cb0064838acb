#pragma once
// What the engine needs of a serial port. The real one wraps QSerialPort;
// tests use the in-process simulated line.
#include <QByteArray>
#include <QString>
#include <functional>

// Who switches an RS-485 driver between sending and receiving: nobody (the
// adapter does), the program by RTS, or the serial driver (Linux).
enum class Rs485Mode { None, Rts, Kernel };

// The six texts of Comm.CFG; the link state carries them under these names.
// rs485 comes from CFG/Line.INI.
struct PortSettings {
    QString gCommPort;     // "COM3", "ttyUSB0", "/dev/pts/4", ...
    QString gCommBaud = QStringLiteral("9600");
    QString gCommParity = QStringLiteral("N"); // N, E, O
    QString gCommDataBits = QStringLiteral("8");
    QString gCommStopBits = QStringLiteral("1");
    QString gCommProtocol = QStringLiteral("Modbus RTU");
    Rs485Mode rs485 = Rs485Mode::None;

    // Serial settings text such as 9600,N,8,1.
    QString settingsText() const;
    // Bits of one character on the wire (start, data, parity, stop); 0 when
    // the texts are not valid.
    int bitsPerChar() const;
    // Microseconds of `chars` characters at these settings, rounded up; 0 when not valid.
    qint64 charsUs(double chars) const;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Opens the port; on failure returns false and says why in *error.
    virtual bool open(const PortSettings& settings, QString* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Drops every byte received and not yet read.
    virtual void discardInput() = 0;
    // Switches RTS; false when the port has no RTS line (the port stays usable).
    virtual bool setRts(bool on) = 0;
    virtual void write(const QByteArray& bytes) = 0;
    // Waits until every byte written has left the port's buffers.
    virtual void drain() {}
    virtual QByteArray readAll() = 0;
    virtual qsizetype bytesAvailable() const = 0;

    // Called when bytes have arrived (never from inside write()).
    std::function<void()> onReadyRead;
    // Called when the port became unusable while open (adapter unplugged).
    std::function<void(const QString& why)> onFatalError;
};

// A one-shot timer: start() arms it (restarting if armed), it fires once.
class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;
    // Milliseconds from start() to the timeout; takes effect at the next start().
    virtual void setInterval(int ms) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    std::function<void()> onTimeout;
};
