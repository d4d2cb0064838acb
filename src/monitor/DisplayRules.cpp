#include "monitor/DisplayRules.h"

#include "core/Numbers.h"
#include "core/PictureFolders.h"
#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/RegisterMap.h"
#include "monitor/ChannelMeta.h"
#include "monitor/MonitorState.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <limits>

namespace rules {

namespace {

constexpr double kPow10[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};

// A channel parameter of channel ch (0-based) as text; the 12 columns always exist.
QString chText(const DataStore& store, int ch, int key)
{
    return store.sprdP_CH.text(ch + 1, key);
}

bool fitsInt32(double v)
{
    return std::isfinite(v) && v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max();
}

} // namespace

std::optional<int> MonitoredRow(const LinkState& link, const DataStore& store)
{
    const int row = link.gSelMC_Index + 1;
    if (row < 1 || row > store.sprdMon.rowCount())
        return std::nullopt;
    return row;
}

std::optional<QString> MonCell(const DataStore& store, std::optional<int> row, int col)
{
    if (!row || !store.sprdMon.hasCell(col, *row) || col < 1)
        return std::nullopt;
    return store.sprdMon.text(col, *row);
}

std::optional<qint32> MonInt(const DataStore& store, std::optional<int> row, int col)
{
    const auto text = MonCell(store, row, col);
    return text ? LeadingInt32(*text) : std::nullopt;
}

std::optional<QString> ChannelFormat(int fpLocate)
{
    if (fpLocate < 0 || fpLocate > 4)
        return std::nullopt;
    QString f = QStringLiteral("0");
    if (fpLocate > 0)
        f += QLatin1Char('.') + QString(fpLocate, QLatin1Char('0'));
    return f;
}

int FormatDecimals(const QString& format)
{
    const qsizetype dot = format.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : int(qMin<qsizetype>(format.size() - dot - 1, 4));
}

std::optional<QString> FormatValue(double v, const QString& format)
{
    const int d = FormatDecimals(format);
    const double scaled = v * kPow10[d];
    if (!std::isfinite(scaled))
        return std::nullopt;
    // Round the decimal digits as written (15 significant), so that 12.35
    // shows 12.4 although its binary value lies just below.
    const double r = std::round(QString::number(scaled, 'g', 15).toDouble());
    if (std::fabs(r) >= 1e15)
        return QString::number(r / kPow10[d], 'f', d);
    const qint64 whole = static_cast<qint64>(std::fabs(r));
    QString digits = QString::number(whole).rightJustified(d + 1, QLatin1Char('0'));
    if (d > 0)
        digits.insert(digits.size() - d, QLatin1Char('.'));
    return whole != 0 && r < 0 ? QLatin1Char('-') + digits : digits;
}

QString BurnOutPlaceholder(const QString& format)
{
    switch (FormatDecimals(format)) {
    case 0: return QStringLiteral("-----");
    case 1: return QStringLiteral("----.-");
    case 2: return QStringLiteral("---.--");
    case 3: return QStringLiteral("--.---");
    default: return QStringLiteral("-.----");
    }
}

QString UnitText(int unitMode, const QString& unitName)
{
    switch (unitMode) {
    case 1: return QStringLiteral("mV");
    case 2: return QStringLiteral("%");
    case 3: return QStringLiteral("\u00B0C");
    case 4: return QStringLiteral("\u00B0F");
    case 5: {
        // The recorder pads short names with zero bytes; a label ends at the first.
        const qsizetype nul = unitName.indexOf(QChar(0));
        return nul < 0 ? unitName : unitName.left(nul);
    }
    default: return QStringLiteral("V");
    }
}

bool InBurnOut(qint32 boWord, int ch)
{
    return (boWord >> (2 * (ch % 6))) & 3;
}

int ShownChannels(const LinkState& link)
{
    return link.gChCount > 6 ? kMaxChannels : 6;
}

bool DiOn(qint32 sdDiWord, int k)
{
    return (sdDiWord >> k) & 1;
}

std::pair<Rgb, Rgb> DiColours(bool on)
{
    return on ? std::pair{RgbOf(255, 128, 128), RgbOf(255, 0, 0)} : std::pair{RgbOf(128, 255, 128), RgbOf(0, 255, 0)};
}

Rgb GradientPartner(Rgb colour)
{
    const int to = ReadableTextOn(colour) == RgbOf(0, 0, 0) ? 255 : 0;
    return RgbOf((RedOf(colour) + to) / 2, (GreenOf(colour) + to) / 2, (BlueOf(colour) + to) / 2);
}

QString MemoryPicture(qint32 sdDiWord, double recordStatus)
{
    if (!(sdDiWord & 0x8000))
        return QStringLiteral("MEM00.ico");
    return recordStatus > 0 ? QStringLiteral("MEM02.ico") : QStringLiteral("MEM01.ico");
}

DateTimeParts SplitDateTime(const QString& text)
{
    DateTimeParts p;
    if (text.isEmpty())
        return p;
    const QStringList parts = text.split(QLatin1Char(' '));
    p.date = parts[0];
    if (parts.size() > 1)
        p.time = parts[1];
    return p;
}

QString PercentText(double wholePercent)
{
    const double r = std::round(wholePercent);
    const QString digits = QString::number(std::fabs(r), 'f', 0).rightJustified(3, QLatin1Char('0'));
    return r < 0 ? QLatin1Char('-') + digits : digits;
}

std::optional<QString> SdcRatioText(double used, double total)
{
    const float t = static_cast<float>(total);
    if (t == 0.0f)
        return std::nullopt;
    const float ratio = static_cast<float>(used) / t * 100.0f;
    if (!std::isfinite(ratio))
        return std::nullopt;
    return PercentText(ratio);
}

std::optional<QString> MemRatioText(double used)
{
    if (!fitsInt32(used))
        return std::nullopt;
    return PercentText(RoundHalfEven(used));
}

std::optional<double> ScaleY(double v, double max, double min, double h)
{
    if (max == min)
        return std::nullopt;
    const double y = h - (v - min) / (max - min) * h;
    return std::isfinite(y) ? std::optional(y) : std::nullopt;
}

std::optional<int> PositionPercent(double p, double h, double l)
{
    if (h == l)
        return std::nullopt;
    const double r = RoundHalfEven((p - l) / (h - l) * 100.0);
    return fitsInt32(r) ? std::optional(int(r)) : std::nullopt;
}

QString PicturePath(const QString& programDir, const QString& name)
{
    for (const QString& dir : PictureFolders(programDir)) {
        const QString path = QDir(dir).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

double ChannelDisplay::max() const
{
    return LeadingNumber(maxText);
}

double ChannelDisplay::min() const
{
    return LeadingNumber(minText);
}

void SingleDisplay::readChannelTexts(MonitorState& state, const DataStore& store)
{
    using namespace regmap::ch;
    for (int i = 0; i < kMaxChannels; ++i) {
        ChannelDisplay& c = ch[i];
        if (const auto colour = ChannelColourOf(store.sprdP_CH, i + 1))
            c.colour = *colour;
        if (const auto f = ChannelFormatOf(store.sprdP_CH, i + 1))
            state.gChFormat[i] = *f;
        const QString& format = state.gChFormat[i];
        if (const auto unit = ChannelUnitOf(store.sprdP_CH, i + 1))
            c.unit = *unit;
        if (const auto t = FormatValue(LeadingNumber(chText(store, i, DispRangeMax)), format))
            c.maxText = *t;
        if (const auto t = FormatValue(LeadingNumber(chText(store, i, DispRangeMin)), format))
            c.minText = *t;
        if (const auto t = FormatValue((c.max() + c.min()) / 2.0, format))
            c.midText = *t;
    }
}

void SingleDisplay::readHeader(const DataStore& store, std::optional<int> row)
{
    using namespace regmap::mon;
    HeaderDisplay& h = header;
    if (const auto dt = MonCell(store, row, SysDateTime)) {
        const DateTimeParts parts = SplitDateTime(*dt);
        if (parts.date)
            h.date = *parts.date;
        if (parts.time)
            h.time = *parts.time;
    }
    const auto a912 = MonInt(store, row, Alarm912), a58 = MonInt(store, row, Alarm58),
               a14 = MonInt(store, row, Alarm14);
    if (a912 && a58 && a14)
        h.alarm = *a912 > 0 || *a58 > 0 || *a14 > 0;
    const auto sdDi = MonInt(store, row, SdDiStatus);
    if (sdDi)
        for (int k = 0; k < 6; ++k)
            h.di[k] = DiOn(*sdDi, k);
    const auto record = MonCell(store, row, RecordStatus);
    if (sdDi && record)
        h.memPicture = MemoryPicture(*sdDi, LeadingNumber(*record));
    const auto total = MonCell(store, row, SdcTotal), used = MonCell(store, row, SdcUsed);
    if (total && used)
        if (const auto t = SdcRatioText(LeadingNumber(*used), LeadingNumber(*total)))
            h.sdcRatio = *t;
    if (const auto mem = MonCell(store, row, IntMemUsed))
        if (const auto t = MemRatioText(LeadingNumber(*mem)))
            h.memRatio = *t;
}

void SingleDisplay::readValues(const MonitorState& state, const DataStore& store, std::optional<int> row)
{
    // NG, or "--" with the port closed: the values are old.
    const QString comm = MonCell(store, row, regmap::mon::Comm).value_or(QString());
    stale = comm == QLatin1String("NG") || comm == QLatin1String("--");
    const auto bo16 = MonInt(store, row, regmap::mon::Bo16), bo712 = MonInt(store, row, regmap::mon::Bo712);
    for (int i = 0; i < kMaxChannels; ++i) {
        ChannelDisplay& c = ch[i];
        const QString& format = state.gChFormat[i];
        if (const auto& bo = i < 6 ? bo16 : bo712)
            c.burnOut = InBurnOut(*bo, i);
        if (c.burnOut) {
            c.value = kBurnOutValue;
            c.valueText = BurnOutPlaceholder(format);
            continue;
        }
        if (const auto pv = MonCell(store, row, regmap::mon::Pv01 + i)) {
            c.value = LeadingNumber(*pv);
            if (const auto t = FormatValue(c.value, format))
                c.valueText = *t;
        }
    }
}

void SingleDisplay::tick(MonitorState& state, const DataStore& store, const LinkState& link)
{
    const auto row = MonitoredRow(link, store);
    channels = ShownChannels(link);
    readChannelTexts(state, store);
    readHeader(store, row);
    readValues(state, store, row);
}

} // namespace rules
