#pragma once
// What the engine needs of a serial port. The real one wraps QSerialPort;
// tests use the in-process simulated line.
#include <QByteArray>
#include <QObject>
#include <QString>

// Who switches an RS-485 driver between sending and receiving: nobody (the
// adapter does), the program by RTS, or the serial driver (Linux).
enum class Rs485Mode { None, Rts, Kernel };

// The six texts of Comm.CFG, as the link state carries them (LinkState::port).
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

class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Opens the port; on failure returns false and says why in *error. A port
    // that connects in the background (a device server) returns true while
    // connecting(): opened() or openFailed() follows.
    virtual bool open(const PortSettings& settings, QString* error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool connecting() const { return false; }
    // Drops every byte received and not yet read.
    virtual void discardInput() = 0;
    // Switches RTS; false when the port has no RTS line (the port stays usable).
    virtual bool setRts(bool on) = 0;
    virtual void write(const QByteArray& bytes) = 0;
    // Waits until every byte written has left the port's buffers.
    virtual void drain() {}
    virtual QByteArray readAll() = 0;
    virtual qsizetype bytesAvailable() const = 0;

signals:
    // Bytes have arrived (never from inside write()).
    void readyRead();
    // The port became unusable while open (adapter unplugged, connection lost).
    void fatalError(const QString& why);
    // A background connection is up, or could not be made.
    void opened();
    void openFailed(const QString& why);
};

// A one-shot timer: start() arms it (restarting if armed), it fires once.
class OneShotTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Milliseconds from start() to the timeout; takes effect at the next start().
    virtual void setInterval(int ms) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

signals:
    void timeout();
};
