#include "port/TcpPort.h"

#include "port/QtSerialPort.h"

#include <QUrl>

TcpPort::TcpPort()
{
    m_connectLimit.setSingleShot(true);
    m_connectLimit.setInterval(kConnectMs);
    connect(&m_connectLimit, &QTimer::timeout, this, [this] {
        failed(QStringLiteral("no connection to %1 within %2 s").arg(m_target).arg(kConnectMs / 1000));
    });
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        if (!m_connecting)
            return;
        m_connecting = false;
        m_connectLimit.stop();
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1); // a request goes out as one segment, at once
        m_open = true;
        emit opened();
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
        if (m_open)
            emit readyRead();
    });
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { lost(QStringLiteral("the connection was closed")); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (m_connecting)
            failed(m_socket.errorString());
        else
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
    // The window stays responsive while the server answers (or does not).
    m_target = QStringLiteral("%1:%2").arg(host).arg(port);
    m_connecting = true;
    m_connectLimit.start();
    m_socket.connectToHost(host, port);
    return true;
}

void TcpPort::close()
{
    m_open = false; // first: aborting emits disconnected
    m_connecting = false;
    m_connectLimit.stop();
    m_socket.abort();
}

void TcpPort::failed(const QString& why)
{
    if (!m_connecting)
        return;
    close();
    emit openFailed(why);
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
    emit fatalError(why);
    close();
}

LinePort::LinePort() : m_serial(std::make_unique<QtSerialPort>()), m_tcp(std::make_unique<TcpPort>())
{
    m_active = m_serial.get();
    for (SerialPort* p : {m_serial.get(), m_tcp.get()}) {
        connect(p, &SerialPort::readyRead, this, &SerialPort::readyRead);
        connect(p, &SerialPort::fatalError, this, &SerialPort::fatalError);
        connect(p, &SerialPort::opened, this, &SerialPort::opened);
        connect(p, &SerialPort::openFailed, this, &SerialPort::openFailed);
    }
}

LinePort::~LinePort() = default;

QString LinePort::SettingsProblem(const PortSettings& settings)
{
    if (!TcpPort::IsTcpName(settings.gCommPort))
        return QtSerialPort::SettingsProblem(settings);
    QString host;
    quint16 port = 0;
    return TcpPort::ParseName(settings.gCommPort, &host, &port)
        ? QString()
        : QStringLiteral("\"%1\" is not tcp://HOST:PORT").arg(settings.gCommPort);
}

bool LinePort::open(const PortSettings& settings, QString* error)
{
    m_active->close();
    m_active = TcpPort::IsTcpName(settings.gCommPort) ? m_tcp.get() : m_serial.get();
    return m_active->open(settings, error);
}
