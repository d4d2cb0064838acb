#include "publish/Publisher.h"

#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/PollingEngine.h"
#include "link/RegisterMap.h"
#include "logging/DataLogger.h"
#include "monitor/ChannelMeta.h"
#include "publish/MqttClient.h"
#include "publish/Payloads.h"
#include "publish/PublishSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// The device of a data file: STEM_NN.VQD or STEM_NN_YYYYMMDD.VQD.
int DeviceOfFile(const QString& path)
{
    static const QRegularExpression re(QStringLiteral("_(\\d\\d)(_\\d{8})?\\.VQD$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(path);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString Colour(Rgb c)
{
    return QStringLiteral("#%1").arg(c & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

} // namespace

Publisher::Publisher(const QString& programDir, const LinkState& link, const DataStore& store, QObject* parent)
    : QObject(parent)
    , m_programDir(programDir)
    , m_link(link)
    , m_store(store)
{
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, [this] {
        if (!m_records)
            return;
        m_records->saveCursors();
        m_records->wake();
        pump();
    });
}

Publisher::~Publisher()
{
    stop();
}

void Publisher::attach(PollingEngine& engine, DataLogger& logger)
{
    m_engine = &engine;
    connect(&engine, &PollingEngine::deviceStateChanged, this, [this](int device) { publishState(device); });
    connect(&engine, &PollingEngine::scanFinished, this, &Publisher::publishStates);
    connect(&engine, &PollingEngine::portClosed, this, &Publisher::publishStates);
    connect(&engine, &PollingEngine::deviceParametersRead, this, [this](int device) {
        // Entries are replaced whole: the one taken here is a consistent set.
        if (const auto set = m_store.deviceParams.value(device))
            publishMeta(device, set->channels);
    });
    connect(&engine, &PollingEngine::liveValues, this, &Publisher::publishLive);
    connect(&logger, &DataLogger::saved, this, [this](const QDateTime&, const QStringList& paths) {
        if (!m_records)
            return;
        for (const QString& p : paths)
            if (const int device = DeviceOfFile(p))
                m_records->saved(device, p);
        pump();
    });
}

void Publisher::configure()
{
    stop();
    QString note;
    const PublishSettings s = ReadPublishSettings(m_programDir, &note);
    if (!note.isEmpty())
        say(note);
    if (m_engine)
        m_engine->setReadEveryDevice(s.enabled());
    if (!s.enabled())
        return;
    QString why;
    const auto address = ParseBroker(s.broker, &why);
    if (!address) {
        say(QStringLiteral("Publish.INI: broker %1: %2; not publishing").arg(s.broker, why));
        return;
    }
    MqttOptions o;
    o.host = address->host;
    o.port = address->port;
    o.tls = address->tls;
    o.caFile = s.caFile;
    o.clientId = ClientIdInUse(s, m_programDir);
    o.username = s.username;
    if (!s.passwordFile.isEmpty()) {
        const auto password = ReadPasswordFile(s.passwordFile, &why);
        if (!password) {
            say(QStringLiteral("Publish.INI: %1; not publishing").arg(why));
            return;
        }
        o.password = *password;
    }
    m_prefix = PrefixInUse(s, m_programDir);
    o.willTopic = m_prefix + QStringLiteral("/status");
    o.willPayload = "offline";
    m_broker = QStringLiteral("%1:%2").arg(address->host).arg(address->port);
    m_live = s.live;
    auto client = std::make_unique<MqttClient>();
    connect(client.get(), &MqttClient::connected, this, &Publisher::onConnected);
    connect(client.get(), &MqttClient::troubled, this, &Publisher::onTroubled);
    connect(client.get(), &MqttClient::delivered, this, [this](int mid) {
        if (m_records) {
            m_records->delivered(mid);
            pump();
        }
    });
    if (!client->start(o, &why)) {
        say(QStringLiteral("MQTT broker %1: %2; not publishing").arg(m_broker, why));
        return;
    }
    m_client = std::move(client);
    if (s.records)
        m_records = std::make_unique<RecordForwarder>(m_programDir);
    m_lastTrouble.clear();
    m_everConnected = false;
    m_tick.start();
}

void Publisher::stop()
{
    m_tick.stop();
    if (m_client) {
        m_client->stop(m_prefix + QStringLiteral("/status"), "offline");
        m_client.reset();
    }
    if (m_records) {
        m_records->saveCursors();
        m_records.reset();
    }
}

int Publisher::modelOf(int row) const
{
    // The engine knows it from the scan's answer, before any live values.
    const int known = m_engine ? m_engine->modelOf(row - 1) : 0;
    return known ? known : m_store.sprdMon.text(regmap::mon::Model, row).toInt();
}

QString Publisher::topic(int device, const char* leaf) const
{
    return QStringLiteral("%1/%2/%3").arg(m_prefix).arg(device, 2, 10, QLatin1Char('0')).arg(QLatin1String(leaf));
}

void Publisher::publishState(int device)
{
    const int row = m_link.indexOfDevice(device) + 1;
    if (!m_client || row <= 0)
        return;
    DeviceFacts d;
    d.device = device;
    d.description = m_store.sprdStatus.text(status::Description, row);
    d.online = m_store.sprdStatus.text(status::Online, row) == QLatin1String("OK");
    d.model = modelOf(row);
    d.channels = regmap::ChannelsOfModel(d.model) > 6 ? 12 : 6;
    m_client->publish(topic(device, "state"), StatePayload(d, now()), 1, true);
}

void Publisher::publishStates()
{
    for (int i = 0; i < m_link.deviceCount(); ++i)
        publishState(m_link.gMC_No.value(i));
}

void Publisher::publishMeta(int device, const TextTable& channels)
{
    const int row = m_link.indexOfDevice(device) + 1;
    if (row <= 0)
        return;
    const QList<ChannelMeta> metas = ChannelMetas(channels, regmap::ChannelsOfModel(modelOf(row)) > 6 ? 12 : 6);
    QJsonArray list;
    QList<int> decimals;
    for (const ChannelMeta& c : metas) {
        list.append(QJsonObject{{QStringLiteral("name"), c.name},
                                {QStringLiteral("unit"), c.unit},
                                {QStringLiteral("decimals"), c.decimals},
                                {QStringLiteral("colour"), Colour(c.colour)}});
        decimals << c.decimals;
    }
    m_decimals[device] = decimals;
    m_metas[device] = QJsonDocument(QJsonObject{{QStringLiteral("device"), device},
                                                {QStringLiteral("time"), IsoTime(now())},
                                                {QStringLiteral("channels"), list}})
                          .toJson(QJsonDocument::Compact);
    if (m_client)
        m_client->publish(topic(device, "meta"), m_metas[device], 1, true);
}

void Publisher::publishLive(int device)
{
    const int row = m_link.indexOfDevice(device) + 1;
    if (!m_client || !m_live || row <= 0 || !m_client->isConnected())
        return;
    m_client->publish(topic(device, "live"),
                      LivePayload(m_store.sprdMon, row, regmap::ChannelsOfModel(modelOf(row)) > 6 ? 12 : 6,
                                  m_decimals.value(device), now()),
                      0, false);
}

void Publisher::onConnected()
{
    if (!m_everConnected || !m_lastTrouble.isEmpty())
        say(QStringLiteral("publishing to the MQTT broker %1 under %2").arg(m_broker, m_prefix));
    m_everConnected = true;
    m_lastTrouble.clear();
    m_client->publish(m_prefix + QStringLiteral("/status"), "online", 1, true);
    publishStates();
    for (auto it = m_metas.cbegin(); it != m_metas.cend(); ++it)
        m_client->publish(topic(it.key(), "meta"), it.value(), 1, true);
    pump();
}

void Publisher::onTroubled(const QString& why)
{
    if (m_records)
        m_records->lost();
    if (why == m_lastTrouble)
        return;
    m_lastTrouble = why;
    say(QStringLiteral("MQTT broker %1: %2; trying again (records wait in the data files)").arg(m_broker, why));
}

void Publisher::pump()
{
    if (!m_records || !m_client || !m_client->isConnected())
        return;
    m_records->pump([this](int device, const QByteArray& payload) {
        return m_client->publish(topic(device, "record"), payload, 1, false);
    });
    for (const QString& n : m_records->takeNotes())
        say(n);
}

void Publisher::say(const QString& text)
{
    emit said(text);
}
