#include "port/TcpPort.h"

#include "port/QtSerialPort.h"

#include <QUrl>

TcpPort::TcpPort()
{
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
        if (m_open && onReadyRead)
            onReadyRead();
    });
    QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] { lost(QStringLiteral("the connection was closed")); });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred, [this](QAbstractSocket::SocketError) {
        lost(m_socket.errorString());
    });
}

bool TcpPort::ParseName(const QString& name, QString* host, quint16* port)
{
    const QUrl url(name.trimmed());
    if (url.scheme().compare(QLatin1String("tcp"), Qt::CaseInsensitive) != 0 || url.host().isEmpty()
        || url.port() <= 0 || !url.path().isEmpty())
        return false;
    *host = url.host();
    *port = static_cast<quint16>(url.port());
    return true;
}

bool TcpPort::open(const PortSettings& settings, QString* error)
{
    close();
    QString host;
    quint16 port = 0;
    if (!ParseName(settings.gCommPort, &host, &port)) {
        if (error)
            *error = QStringLiteral("\"%1\" is not tcp://HOST:PORT").arg(settings.gCommPort);
        return false;
    }
    m_socket.connectToHost(host, port);
    if (!m_socket.waitForConnected(kConnectMs)) {
        if (error)
            *error = m_socket.error() == QAbstractSocket::SocketTimeoutError
                         ? QStringLiteral("no connection to %1:%2 within %3 s").arg(host).arg(port).arg(kConnectMs / 1000)
                         : m_socket.errorString();
        m_socket.abort();
        return false;
    }
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); // a request goes out as one segment, at once
    m_open = true;
    return true;
}

void TcpPort::close()
{
    m_open = false; // first: aborting emits disconnected
    m_socket.abort();
}

void TcpPort::discardInput()
{
    if (m_open)
        m_socket.readAll();
}

void TcpPort::write(const QByteArray& bytes)
{
    if (!m_open)
        return;
    m_socket.write(bytes);
    m_socket.flush();
}

void TcpPort::lost(const QString& why)
{
    if (!m_open)
        return;
    if (onFatalError)
        onFatalError(why);
    close();
}

LinePort::LinePort() : m_serial(std::make_unique<QtSerialPort>()), m_tcp(std::make_unique<TcpPort>())
{
    m_active = m_serial.get();
    for (SerialPort* p : {m_serial.get(), m_tcp.get()}) {
        p->onReadyRead = [this] {
            if (onReadyRead)
                onReadyRead();
        };
        p->onFatalError = [this](const QString& why) {
            if (onFatalError)
                onFatalError(why);
        };
    }
}

LinePort::~LinePort() = default;

bool LinePort::open(const PortSettings& settings, QString* error)
{
    m_active->close();
    m_active = TcpPort::IsTcpName(settings.gCommPort) ? m_tcp.get() : m_serial.get();
    return m_active->open(settings, error);
}
