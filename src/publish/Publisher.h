#pragma once
// Publishes a line to an MQTT broker as CFG/Publish.INI says: the line's
// status, each device's state, channel meta data, live values and saved
// records (see the README's "Feeding a historian"). It only publishes: nothing
// is subscribed, so the broker can never make it write to a recorder.
#include "publish/RecordForwarder.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class DataLogger;
class MqttClient;
class PollingEngine;
class TextTable;
struct DataStore;
struct LinkState;

class Publisher : public QObject {
    Q_OBJECT
public:
    Publisher(const QString& programDir, const LinkState& link, const DataStore& store, QObject* parent = nullptr);
    ~Publisher() override;

    // Takes the engine's events and the logger's saves.
    void attach(PollingEngine& engine, DataLogger& logger);
    // Reads CFG/Publish.INI and starts, restarts or stops publishing.
    void configure();
    // A clean stop: "offline" published, the cursors written.
    void stop();
    bool active() const { return m_client != nullptr; }
    const QString& prefix() const { return m_prefix; }
    // The clock of the payloads; a seam for tests.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

signals:
    // Said once each: connection trouble and recovery, settings refused,
    // records that were gone when their turn came.
    void said(const QString& text);

private:
    QString topic(int device, const char* leaf) const;
    int modelOf(int row) const; // row of the device tables
    void publishState(int device);
    void publishStates();
    void publishMeta(int device, const TextTable& channels);
    void publishLive(int device);
    void onConnected();
    void onTroubled(const QString& why);
    void pump();
    void say(const QString& text);

    const QString m_programDir;
    const LinkState& m_link;
    const DataStore& m_store;
    PollingEngine* m_engine = nullptr;
    std::unique_ptr<MqttClient> m_client;
    std::unique_ptr<RecordForwarder> m_records;
    QString m_prefix, m_broker, m_lastTrouble;
    bool m_live = true, m_everConnected = false;
    QHash<int, QByteArray> m_metas;        // retained meta payloads, sent again on each connection
    QHash<int, QList<int>> m_decimals;     // per device, for the live values
    QTimer m_tick;                         // cursors written and records looked for once a second
};
