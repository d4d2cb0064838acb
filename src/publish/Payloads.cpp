#include "publish/Payloads.h"

#include "core/Numbers.h"
#include "core/TextTable.h"
#include "link/RegisterMap.h"
#include "logging/DataFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

namespace m = regmap::mon;

QByteArray Compact(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// A float as its shortest decimal text, so that 20.1 stays 20.1.
QJsonValue FloatValue(float f)
{
    if (!std::isfinite(f))
        return QJsonValue(QJsonValue::Null);
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text - 1, f).ptr;
    *end = '\0';
    return std::strtod(text, nullptr);
}

QJsonArray Bits(quint32 word, int first, int count)
{
    QJsonArray a;
    for (int k = first; k < first + count; ++k)
        a.append(bool((word >> k) & 1));
    return a;
}

// Four alarms of each channel from the three alarm words (16 bits, 4 channels each).
QJsonArray Alarms(int channels, quint32 a14, quint32 a58, quint32 a912)
{
    QJsonArray all;
    for (int c = 0; c < channels; ++c) {
        const quint32 word = c < 4 ? a14 : c < 8 ? a58 : a912;
        all.append(Bits(word, 4 * (c % 4), 4));
    }
    return all;
}

bool BurnOut(quint32 word, int c)
{
    return (word >> (2 * (c % 6))) & 3;
}

} // namespace

QString IsoTime(const QDateTime& t)
{
    const int offset = t.offsetFromUtc() / 60;
    const QString ms = t.time().msec() ? QStringLiteral(".zzz") : QString();
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss") + ms)
        + QStringLiteral("%1%2:%3")
              .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
              .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
              .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
}

QByteArray StatePayload(const DeviceFacts& d, const QDateTime& now)
{
    return Compact({{QStringLiteral("device"), d.device},
                    {QStringLiteral("description"), d.description},
                    {QStringLiteral("online"), d.online},
                    {QStringLiteral("model"), d.model},
                    {QStringLiteral("channels"), d.channels},
                    {QStringLiteral("time"), IsoTime(now)}});
}

QByteArray LivePayload(const TextTable& mon, int row, int channels, const QList<int>& decimals, const QDateTime& now)
{
    auto word = [&](int col) { return quint32(LeadingInt32(mon.text(col, row)).value_or(0)); };
    const quint32 bo16 = word(m::Bo16), bo712 = word(m::Bo712);
    QJsonArray values, burnout;
    for (int c = 0; c < channels; ++c) {
        const bool out = BurnOut(c < 6 ? bo16 : bo712, c);
        burnout.append(out);
        const QString text = mon.text(m::Pv01 + c, row).trimmed();
        bool ok = false;
        double v = text.toDouble(&ok);
        if (out || !ok || !std::isfinite(v)) {
            values.append(QJsonValue(QJsonValue::Null));
            continue;
        }
        if (c < decimals.size() && decimals[c] >= 0 && decimals[c] <= 6)
            v = QString::number(v, 'f', decimals[c]).toDouble();
        values.append(v);
    }
    return Compact({{QStringLiteral("time"), IsoTime(now)},
                    {QStringLiteral("values"), values},
                    {QStringLiteral("burnout"), burnout},
                    {QStringLiteral("alarms"), Alarms(channels, word(m::Alarm14), word(m::Alarm58), word(m::Alarm912))},
                    {QStringLiteral("di"), Bits(word(m::SdDiStatus), 0, 6)},
                    {QStringLiteral("relays"), Bits(word(m::RelayStatus), 0, 6)}});
}

QByteArray RecordPayload(int device, const QString& file, qint64 index, int modelCode, const DataRecord& r)
{
    const int channels = regmap::ChannelsOfModel(modelCode) > 6 ? 12 : 6;
    const QDateTime t = r.time();
    QJsonArray values;
    for (int c = 0; c < channels; ++c)
        values.append(FloatValue(r.pv[c]));
    // The burn-out bytes as the file packs them, as vq800-vqd shows them.
    const quint32 bo = r.bo[0] | quint32(r.bo[1]) << 8 | quint32(r.bo[2]) << 16;
    return Compact({{QStringLiteral("device"), device},
                    {QStringLiteral("file"), file},
                    {QStringLiteral("index"), index},
                    {QStringLiteral("time"), t.isValid() ? QJsonValue(IsoTime(t)) : QJsonValue(QJsonValue::Null)},
                    {QStringLiteral("stamp"), qint64(r.stamp)},
                    {QStringLiteral("values"), values},
                    {QStringLiteral("bo"), qint64(bo)},
                    {QStringLiteral("alarms"), Alarms(channels, r.alarm14, r.alarm58, r.alarm912)},
                    {QStringLiteral("di"), Bits(r.sdDi, 0, 6)},
                    {QStringLiteral("relays"), Bits(r.relay, 0, 6)}});
}
