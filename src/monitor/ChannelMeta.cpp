#include "monitor/ChannelMeta.h"

#include "core/ChannelColours.h"
#include "core/Numbers.h"
#include "core/TextTable.h"
#include "link/RegisterMap.h"
#include "monitor/DisplayRules.h"

namespace rules {

namespace {

std::optional<qint32> chInt(const TextTable& channels, int ch, int key)
{
    return LeadingInt32(channels.text(ch, key));
}

} // namespace

std::optional<Rgb> ChannelColourOf(const TextTable& channels, int ch)
{
    const auto code = chInt(channels, ch, regmap::ch::Color);
    return code ? std::optional(colours::ChannelColour(*code)) : std::nullopt;
}

std::optional<QString> ChannelFormatOf(const TextTable& channels, int ch)
{
    const auto fp = chInt(channels, ch, regmap::ch::FpLocate);
    return fp ? ChannelFormat(*fp) : std::nullopt;
}

std::optional<QString> ChannelUnitOf(const TextTable& channels, int ch)
{
    const auto mode = chInt(channels, ch, regmap::ch::UnitMode);
    return mode ? std::optional(UnitText(*mode, channels.text(ch, regmap::ch::UnitName))) : std::nullopt;
}

} // namespace rules

QList<ChannelMeta> ChannelMetas(const TextTable& channels, int channelCount)
{
    QList<ChannelMeta> metas;
    for (int ch = 1; ch <= qMin(channelCount, rules::kMaxChannels); ++ch) {
        ChannelMeta m;
        // Names are padded with NUL bytes (and often blanks).
        m.name = DisplayText(channels.text(ch, regmap::ch::Name)).trimmed();
        if (m.name.isEmpty())
            m.name = QStringLiteral("CH%1").arg(ch, 2, 10, QLatin1Char('0'));
        m.unit = rules::ChannelUnitOf(channels, ch).value_or(QString());
        if (const auto format = rules::ChannelFormatOf(channels, ch))
            m.decimals = rules::FormatDecimals(*format);
        m.colour = rules::ChannelColourOf(channels, ch).value_or(m.colour);
        metas.append(m);
    }
    return metas;
}
