#include "view/ChannelLook.h"

#include "core/ChannelColours.h"
#include "core/Numbers.h"
#include "link/RegisterMap.h"
#include "monitor/DisplayRules.h"
#include "param/ParamImage.h"
#include "param/ParamTables.h"

#include <charconv>
#include <cmath>

ChannelLooks DefaultLooks()
{
    ChannelLooks looks;
    for (int k = 0; k < vqd::kChannels; ++k) {
        looks[k].name = QStringLiteral("CH%1").arg(k + 1, 2, 10, QLatin1Char('0'));
        looks[k].colour = colours::ChannelColour(k);
    }
    return looks;
}

bool ReadChannelLooks(const QString& path, ChannelLooks& looks, QString* error)
{
    ParamTables tables;
    ParamImage image;
    if (!tables.ReadParamFile(path, image, error))
        return false;
    const ChannelLooks defaults = DefaultLooks();
    for (int c = 1; c <= image.channelCount(); ++c) {
        const int col = ParamTables::ChannelCol(c);
        // Text fields are padded with NULs.
        auto cell = [&](int row) { return DisplayText(tables.sprdP_CH.text(col, row)).trimmed(); };
        ChannelLook& look = looks[c - 1];
        look.name = cell(regmap::ch::Name);
        if (look.name.isEmpty())
            look.name = defaults[c - 1].name;
        look.unit = rules::UnitText(LeadingInt32(cell(regmap::ch::UnitMode)).value_or(0),
                                    cell(regmap::ch::UnitName));
        look.decimals = -1;
        if (const auto fp = LeadingInt32(cell(regmap::ch::FpLocate)); fp && rules::ChannelFormat(*fp))
            look.decimals = *fp;
        const QString colour = cell(regmap::ch::Color);
        look.colour = colour.isEmpty() ? defaults[c - 1].colour : colours::ChannelColour(colour.toInt());
    }
    return true;
}

QString ValueText(float v, const ChannelLook& look, QChar decimalPoint)
{
    if (!std::isfinite(v))
        return {};
    QString text;
    if (look.decimals >= 0) {
        text = rules::FormatValue(double(v), *rules::ChannelFormat(look.decimals)).value_or(QString());
    } else {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        text = QString::fromLatin1(buf, r.ptr - buf);
    }
    if (decimalPoint != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), decimalPoint);
    return text;
}
