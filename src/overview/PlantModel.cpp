#include "overview/PlantModel.h"

#include "monitor/DisplayRules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <utility>

bool PlantDevice::stale(qint64 nowMs) const
{
    if (lastLiveMs < 0)
        return true;
    return nowMs - lastLiveMs > std::max(10'000.0, 3 * usualGapMs);
}

QString PlantDevice::valueText(int c) const
{
    const PlantChannel& ch = channels[c];
    const QString format = rules::ChannelFormat(std::clamp(ch.decimals, 0, 4)).value_or(QStringLiteral("0.0"));
    if (ch.burnOut)
        return rules::BurnOutPlaceholder(format);
    if (!ch.hasValue)
        return QString();
    return ch.decimals >= 0 ? QString::number(ch.value, 'f', ch.decimals) : QString::number(ch.value);
}

bool PlantModel::take(const QString& topic, const QByteArray& payload, qint64 nowMs)
{
    const QStringList levels = topic.split(QLatin1Char('/'));
    const QString leaf = levels.last();
    if (leaf == QLatin1String("status") && levels.size() >= 2) {
        PlantLine& line = m_lines[topic.left(topic.size() - 7)];
        line.prefix = topic.left(topic.size() - 7);
        line.statusKnown = true;
        line.online = payload == "online";
        line.lastMessageMs = nowMs;
        ++m_changes;
        return true;
    }
    if (levels.size() < 3 || (leaf != QLatin1String("state") && leaf != QLatin1String("meta")
                              && leaf != QLatin1String("live") && leaf != QLatin1String("record")))
        return false;
    const QString nn = levels[levels.size() - 2];
    bool ok = false;
    const int number = nn.toInt(&ok);
    if (nn.size() != 2 || !ok || number < 1 || number > 99)
        return false;
    const QString prefix = levels.mid(0, levels.size() - 2).join(QLatin1Char('/'));
    PlantLine& line = m_lines[prefix];
    line.prefix = prefix;
    line.lastMessageMs = nowMs;
    if (leaf == QLatin1String("record"))
        return true; // the line is alive; records are the historian's
    const QJsonObject o = QJsonDocument::fromJson(payload).object();
    PlantDevice& d = line.devices[number];
    d.number = number;
    d.changedMs = nowMs;
    ++m_changes;
    if (leaf == QLatin1String("state")) {
        d.description = o.value(QStringLiteral("description")).toString();
        d.online = o.value(QStringLiteral("online")).toBool();
        d.model = o.value(QStringLiteral("model")).toInt();
        d.channelCount = std::clamp(o.value(QStringLiteral("channels")).toInt(6), 1, 12);
    } else if (leaf == QLatin1String("meta")) {
        const QJsonArray list = o.value(QStringLiteral("channels")).toArray();
        for (int c = 0; c < std::min<qsizetype>(list.size(), 12); ++c) {
            const QJsonObject m = list[c].toObject();
            d.channels[c].name = m.value(QStringLiteral("name")).toString();
            d.channels[c].unit = m.value(QStringLiteral("unit")).toString();
            d.channels[c].decimals = m.value(QStringLiteral("decimals")).toInt(-1);
        }
    } else {
        const QJsonArray values = o.value(QStringLiteral("values")).toArray();
        const QJsonArray burnout = o.value(QStringLiteral("burnout")).toArray();
        const QJsonArray alarms = o.value(QStringLiteral("alarms")).toArray();
        d.channelCount = std::clamp<int>(values.size(), 1, 12);
        for (int c = 0; c < d.channelCount; ++c) {
            PlantChannel& ch = d.channels[c];
            ch.hasValue = values[c].isDouble();
            ch.value = values[c].toDouble();
            ch.burnOut = burnout[c].toBool();
            const QJsonArray a = alarms[c].toArray();
            ch.alarm = std::any_of(a.begin(), a.end(), [](const QJsonValue& v) { return v.toBool(); });
        }
        if (d.lastLiveMs >= 0) {
            const double gap = double(nowMs - d.lastLiveMs);
            d.usualGapMs = d.usualGapMs > 0 ? 0.8 * d.usualGapMs + 0.2 * gap : gap;
        }
        d.lastLiveMs = nowMs;
        d.online = true;
    }
    return true;
}

int PlantModel::takeChanges()
{
    return std::exchange(m_changes, 0);
}
