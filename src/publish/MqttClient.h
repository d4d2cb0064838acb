#pragma once
// One connection to an MQTT broker through the broker's own client library,
// run on a thread of its own: connecting (name look-up and TLS included),
// reconnecting after 1 s doubling to 60 s, and the socket never hold the line.
// What happens is told on the Qt thread by signals.
#include <QByteArray>
#include <QObject>
#include <QList>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

struct mosquitto;

struct MqttOptions {
    QString host;
    int port = 1883;
    bool tls = false;
    QString caFile;        // empty: the system's CAs
    QString clientId;
    QString username, password;
    QString willTopic;     // retained at QoS 1 when the connection dies
    QByteArray willPayload;
    int keepAliveS = 10;
};

class MqttClient : public QObject {
    Q_OBJECT
public:
    explicit MqttClient(QObject* parent = nullptr);
    ~MqttClient() override;
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Starts connecting and keeps at it until stop(); false and why when the
    // options cannot work (a CA file the library refuses, ...).
    bool start(const MqttOptions& options, QString* why = nullptr);
    // Publishes `last` (retained, QoS 1) when connected and waits up to
    // waitMs for the broker to take it, then disconnects.
    void stop(const QString& lastTopic = QString(), const QByteArray& last = QByteArray(), int waitMs = 2000);
    bool isConnected() const { return m_connected.load(); }
    // The message id, or -1 when it could not be queued (not connected).
    int publish(const QString& topic, const QByteArray& payload, int qos, bool retain);
    // Subscribes to `pattern` (QoS 0) on every connection; set before start().
    // Only the plant overview does: a logger never subscribes.
    void setSubscription(const QString& pattern) { m_subscription = pattern.toUtf8(); }
    struct Message {
        QString topic;
        QByteArray payload;
        qint64 arrivedNs = 0; // steady clock, when the client's thread took it
    };
    // The messages that arrived since the last call, in order.
    QList<Message> takeMessages();

signals:
    void connected();
    // A connection that could not be made, was refused or was lost, with the
    // library's or the broker's own reason.
    void troubled(const QString& why);
    // The broker has taken the QoS 1 message `mid`.
    void delivered(int mid);
    // Messages wait for takeMessages(); told once until they are taken.
    void messagesArrived();

private:
    enum class Event { Connected, Troubled, Delivered, Messages };
    void run();
    void tell(Event event, const QString& why = QString(), int mid = 0);
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onMessage(mosquitto*, void* self, const struct mosquitto_message* message);

    MqttOptions m_options;
    mosquitto* m_mosq = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_stop{false}, m_connected{false}, m_refused{false};
    std::atomic<int> m_lastMid{0}, m_ackedMid{0};
    QByteArray m_subscription;
    std::mutex m_inboxMutex;
    QList<Message> m_inbox;
};
