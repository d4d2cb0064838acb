#include "publish/MqttClient.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>
#include <mosquitto.h>

namespace {

// The library is set up once for the process and left so.
void InitLibrary()
{
    static const int once = mosquitto_lib_init();
    (void)once;
}

QString LibraryError(int rc)
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

} // namespace

MqttClient::MqttClient(QObject* parent)
    : QObject(parent)
{
}

MqttClient::~MqttClient()
{
    stop(QString(), QByteArray(), 0);
}

bool MqttClient::start(const MqttOptions& options, QString* why)
{
    stop(QString(), QByteArray(), 0);
    InitLibrary();
    m_options = options;
    auto fail = [&](const QString& text) {
        if (why)
            *why = text;
        if (m_mosq)
            mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
        return false;
    };
    // A session of its own that the broker forgets: what must arrive is
    // published again from the data files, never kept by the broker for us.
    m_mosq = mosquitto_new(options.clientId.toUtf8().constData(), true, this);
    if (!m_mosq)
        return fail(QStringLiteral("the MQTT client cannot be made"));
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttClient::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttClient::onPublish);
    mosquitto_message_callback_set(m_mosq, &MqttClient::onMessage);
    int rc = MOSQ_ERR_SUCCESS;
    if (!options.username.isEmpty())
        rc = mosquitto_username_pw_set(m_mosq, options.username.toUtf8().constData(),
                                       options.password.isNull() ? nullptr : options.password.toUtf8().constData());
    if (rc == MOSQ_ERR_SUCCESS && !options.willTopic.isEmpty())
        rc = mosquitto_will_set(m_mosq, options.willTopic.toUtf8().constData(), int(options.willPayload.size()),
                                options.willPayload.constData(), 1, true);
    if (rc != MOSQ_ERR_SUCCESS)
        return fail(LibraryError(rc));
    if (options.tls) {
        const QByteArray ca = options.caFile.toLocal8Bit();
        rc = mosquitto_tls_set(m_mosq, ca.isEmpty() ? nullptr : ca.constData(), ca.isEmpty() ? "/etc/ssl/certs" : nullptr,
                               nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("the CA file %1 cannot be used: %2")
                            .arg(options.caFile.isEmpty() ? QStringLiteral("/etc/ssl/certs") : options.caFile,
                                 LibraryError(rc)));
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void MqttClient::run()
{
    using namespace std::chrono;
    const QByteArray host = m_options.host.toUtf8();
    int delayS = 1;
    bool first = true;
    while (!m_stop) {
        // Connecting without blocking: an unreachable host never holds a stop.
        int rc = first ? mosquitto_connect_async(m_mosq, host.constData(), m_options.port, m_options.keepAliveS)
                       : mosquitto_reconnect_async(m_mosq);
        first = rc != MOSQ_ERR_SUCCESS && first;
        bool reached = false;
        if (rc == MOSQ_ERR_SUCCESS) {
            while (!m_stop && (rc = mosquitto_loop(m_mosq, 500, 1)) == MOSQ_ERR_SUCCESS) {
                if (m_connected) {
                    reached = true;
                    delayS = 1;
                }
            }
            if (m_stop)
                break;
        }
        // A refused login was said with the broker's reason already.
        m_connected = false;
        if (!m_refused.exchange(false))
            tell(Event::Troubled, reached ? QStringLiteral("the connection was lost (%1)").arg(LibraryError(rc))
                                          : QStringLiteral("cannot be reached (%1)").arg(LibraryError(rc)));
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, seconds(delayS), [this] { return m_stop.load(); });
        delayS = std::min(delayS * 2, 60);
    }
    // Whatever the stop published goes out before the goodbye.
    if (m_connected) {
        for (int i = 0; i < 40 && m_ackedMid.load() != m_lastMid.load(); ++i)
            mosquitto_loop(m_mosq, 50, 1);
        mosquitto_disconnect(m_mosq);
        mosquitto_loop(m_mosq, 100, 1);
    }
    m_connected = false;
}

void MqttClient::stop(const QString& lastTopic, const QByteArray& last, int waitMs)
{
    if (!m_mosq)
        return;
    if (m_thread.joinable()) {
        if (!lastTopic.isEmpty() && m_connected) {
            const int mid = publish(lastTopic, last, 1, true);
            for (int waited = 0; mid > 0 && waited < waitMs && m_ackedMid.load() != mid && m_connected; waited += 20)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        m_stop = true;
        m_wake.notify_all();
        m_thread.join();
    }
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
}

int MqttClient::publish(const QString& topic, const QByteArray& payload, int qos, bool retain)
{
    if (!m_mosq || !m_connected)
        return -1;
    int mid = 0;
    const int rc = mosquitto_publish(m_mosq, &mid, topic.toUtf8().constData(), int(payload.size()), payload.constData(),
                                     qos, retain);
    if (rc != MOSQ_ERR_SUCCESS)
        return -1;
    m_lastMid = mid;
    return mid;
}

void MqttClient::tell(Event event, const QString& why, int mid)
{
    // From the client's thread to the Qt thread.
    switch (event) {
    case Event::Connected:
        QMetaObject::invokeMethod(this, [this] { emit connected(); }, Qt::QueuedConnection);
        break;
    case Event::Troubled:
        QMetaObject::invokeMethod(this, [this, why] { emit troubled(why); }, Qt::QueuedConnection);
        break;
    case Event::Delivered:
        QMetaObject::invokeMethod(this, [this, mid] { emit delivered(mid); }, Qt::QueuedConnection);
        break;
    case Event::Messages:
        QMetaObject::invokeMethod(this, [this] { emit messagesArrived(); }, Qt::QueuedConnection);
        break;
    }
}

void MqttClient::onConnect(mosquitto*, void* self, int rc)
{
    auto* c = static_cast<MqttClient*>(self);
    if (rc == 0) {
        c->m_connected = true;
        if (!c->m_subscription.isEmpty())
            mosquitto_subscribe(c->m_mosq, nullptr, c->m_subscription.constData(), 0);
        c->tell(Event::Connected);
    } else {
        c->m_refused = true;
        c->tell(Event::Troubled, QStringLiteral("the broker refused the connection: %1")
                                .arg(QString::fromUtf8(mosquitto_connack_string(rc))));
    }
}

void MqttClient::onDisconnect(mosquitto*, void* self, int)
{
    static_cast<MqttClient*>(self)->m_connected = false;
}

void MqttClient::onPublish(mosquitto*, void* self, int mid)
{
    auto* c = static_cast<MqttClient*>(self);
    c->m_ackedMid = mid;
    c->tell(Event::Delivered, QString(), mid);
}

void MqttClient::onMessage(mosquitto*, void* self, const struct mosquitto_message* message)
{
    auto* c = static_cast<MqttClient*>(self);
    Message m{QString::fromUtf8(message->topic),
              QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
              std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                  .count()};
    bool first = false;
    {
        std::lock_guard lock(c->m_inboxMutex);
        first = c->m_inbox.isEmpty();
        c->m_inbox.append(std::move(m));
    }
    // One wake-up for a burst: the Qt thread takes them all at once.
    if (first)
        c->tell(Event::Messages);
}

QList<MqttClient::Message> MqttClient::takeMessages()
{
    std::lock_guard lock(m_inboxMutex);
    return std::exchange(m_inbox, {});
}
