#include "param/ParamTables.h"

#include "core/ChannelColours.h"

#include "core/Numbers.h"
#include "link/DataStore.h"
#include "link/RegisterMap.h"
#include "param/ParamFormat.h"
#include "param/ParamImage.h"

#include <QStringList>

namespace {

QStringList commonDescriptions()
{
    QStringList d{"RECORD TO SD CARD", "SCREEN_DISPLAY_MODE", "RULER", "TEXTBAR", "AL. MARK", "SCROLL SPEED(sec)",
                  "TEXT-VIEW : WINDOW NUMBER", "HISTORY-VIEW : TREND DIRECTION", "HISTORY-VIEW : READ FROM",
                  "RECORD PERIOD(sec)", "BLACKOUT RESUME", "BEEP SOUND", "SCREEN SAVER(min)", "REC. WITH BUFFER",
                  "SCREEN COLOR", "LANGUAGE", "RESERVED (X)", "RESERVE RUN - ONOFF"};
    const QStringList parts{"YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND"};
    for (const QString& p : parts)
        d << "RESERVE RUN - " + p;
    for (const QString& p : parts)
        d << "SYSTEM DATE - " + p;
    d << "RS232 - MACHINE ADDRESS" << "RS232 - PROTOCOL" << "RS232 - BAUDRATE" << "RS232 - PARITY BIT"
      << "RS232 -  D.LENGTH" << "RS232 - STOP BIT" << "RS232 - RESP.TIME(ms)";
    d << "RS422/485 - MACHINE ADDRESS" << "RS422/485 - PROTOCOL" << "RS422/485 - BAUDRATE"
      << "RS422/485 - PARITY BIT" << "RS422/485 - D.LENGTH" << "RS422/485 - STOP BIT"
      << "RS422/485 - RESP.TIME(ms)";
    for (int n = 1; n <= 6; ++n) {
        const QString p = QStringLiteral("DI%1 - ").arg(n, 2, 10, QLatin1Char('0'));
        d << p + "LEVEL" << p + "RECORD" << p + "OUTPUT RELAY NO." << p + "OUTPUT ON-TIME(sec)";
    }
    return d;
}

QStringList commonKeys()
{
    QStringList k = regmap::CommonKeys();
    // The editor names three keys as the parameter file does.
    k[10] = QStringLiteral("BLOCKOUT_RESUME_ONOFF");
    k[32] = QStringLiteral("RS232_BAUDRATE_CODE");
    k[39] = QStringLiteral("RS485_BAUDRATE_CODE");
    return k;
}

QStringList channelDescriptions()
{
    QStringList d{"CHANNEL NAME", "UNIT", "DISPLAY ON/OFF", "INPUT TYPE CODE", "SCALE ON/OFF", "POINT", "UNIT CODE",
                  "READ METHOD", "READ TIME(sec)", "CHANNEL COLOR", "MATH. FUNCTION", "MATH. TYPE",
                  QStringLiteral("MATH. α CH."), QStringLiteral("MATH. β TYPE"), QStringLiteral("MATH. β CH."),
                  QStringLiteral("MATH. β CONST"), "USER RANGE MAX", "USER RANGE MIN", "SCALE RANGE MAX",
                  "SCALE RANGE MIN", "DISP. RANGE MAX", "DISP. RANGE MIN", "INPUT ADJUST - OFFSET",
                  "INPUT ADJUST - HIGH POINT", "INPUT ADJUST - LOW POINT"};
    for (int a = 1; a <= 4; ++a) {
        const QString p = QStringLiteral("ALARM %1 - ").arg(a);
        d << p + "SET VALUE" << (a == 1 ? QStringLiteral("ALARM1 - HYST.") : p + "HYST.") << p + "RATE"
          << p + "TYPE" << p + "WITH CH." << p + "TIME UNIT" << p + "RECORD" << p + "OUTPUT RELAY NO."
          << p + "OUTPUT ON-TIME(sec)";
    }
    return d;
}

QString offOn(int v) { return QString::fromLatin1(v < 1 ? "OFF" : "ON"); }
QString pick(int v, const char* below1, const char* other) { return QString::fromLatin1(v < 1 ? below1 : other); }
QString recordAction(int v) { return QString::fromLatin1(v == 0 ? "STOP" : v == 1 ? "START" : "BYPASS"); }

// Text of a listed code; the cell's own text for any other value.
QString listed(int v, std::initializer_list<const char*> texts, const QString& keep)
{
    return v >= 0 && v < static_cast<int>(texts.size()) ? QString::fromLatin1(texts.begin()[v]) : keep;
}

QString commonText(int row, int v, const QString& storeText, const QString& cell)
{
    switch (row) {
    case 1: case 3: case 4: case 5: case 11: case 12: case 14: case 18: return offOn(v);
    case 2:
        switch (v) {
        case 1: return QStringLiteral("H.TREND");
        case 3: return QStringLiteral("V.TREND");
        case 5: return QStringLiteral("TEXT-VIEW");
        case 6: return QStringLiteral("BAR GRAPH");
        case 17: return QStringLiteral("HISTORY-VIEW");
        default: return cell;
        }
    case 8: return pick(v, "HORIZON", "VERTICAL");
    case 9: return pick(v, "MEMORY", "SD CARD");
    case 15: return pick(v, "BLACK", "WHITE");
    case 16: return pick(v, "KOREAN", "ENGLISH");
    case 32: case 39: return QStringLiteral("Modbus-RTU");
    case 33: case 40: return listed(v, {"9600", "19200", "38400", "57600"}, cell);
    case 34: case 41: return listed(v, {"NONE", "ODD", "EVEN"}, cell);
    default: break;
    }
    if (row >= 45 && (row - 45) % 4 == 0)
        return pick(v, "LOW", "HIGH");
    if (row >= 46 && (row - 46) % 4 == 0)
        return recordAction(v);
    return storeText;
}

QString channelText(int row, int v, const QString& storeText, const QString& cell)
{
    switch (row) {
    case 3: case 5: case 11: return offOn(v);
    case 8: return listed(v, {"DIRECT", "MAX", "MIN", "AVG"}, cell);
    case 14: return pick(v, "CHANNEL", "CONSTANT");
    default: break;
    }
    if (row >= 26 && (row - 26) % 9 == 5) // TUNIT
        return listed(v, {"HOUR", "MIN.", "SEC."}, cell);
    if (row >= 26 && (row - 26) % 9 == 6) // RCD
        return recordAction(v);
    return storeText;
}

int integerOf(const QString& text)
{
    return LeadingInt32(text).value_or(0);
}

// What a new set holds: zeros, and colour 0 (zero is no colour code).
ParamImage NewImage(int channels)
{
    ParamImage image;
    image.setChannelCount(channels);
    const ParamField* colour = ChannelFieldOfRow(regmap::ch::Color);
    for (int c = 0; c < channels; ++c)
        image.setI16(ParamImage::ChannelOffset(c) + colour->offset, static_cast<qint16>(*colours::Rgb565(0)));
    return image;
}

// Names are padded with NULs: the cell shows the name alone, and a save pads
// it again to the same bytes.
QString shownText(QString text)
{
    while (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

constexpr int kValueCount = ParamTables::kCommonRows + regmap::kMaxChannels * ParamTables::kChannelRows;
constexpr int ChannelValue(int c, int row)
{
    return ParamTables::kCommonRows + (c - 1) * ParamTables::kChannelRows + row - 1;
}

} // namespace

ParamTables::ParamTables()
    : sprdP(3, kCommonRows)
    , sprdP_CH(2 + regmap::kMaxChannels, kChannelRows)
{
    const QStringList cd = commonDescriptions(), ck = commonKeys();
    for (int r = 1; r <= kCommonRows; ++r) {
        sprdP.setText(0, r, QString::number(r));
        sprdP.setText(1, r, cd[r - 1]);
        sprdP.setText(2, r, ck[r - 1]);
    }
    sprdP.setText(1, 0, QStringLiteral("COMMON"));
    const QStringList hd = channelDescriptions(), hk = regmap::ChannelKeys();
    for (int r = 1; r <= kChannelRows; ++r) {
        sprdP_CH.setText(0, r, QString::number(r));
        sprdP_CH.setText(1, r, hd[r - 1]);
        sprdP_CH.setText(2, r, r == 1 ? QStringLiteral("CH_NAME") : hk[r - 1]);
    }
    sprdP_CH.setText(1, 0, QStringLiteral("DESCRIPTION"));
    sprdP_CH.setText(2, 0, QStringLiteral("KEY"));
    for (int c = 1; c <= regmap::kMaxChannels; ++c)
        sprdP_CH.setText(ChannelCol(c), 0, QStringLiteral("CH.%1").arg(c, 2, 10, QLatin1Char('0')));

    m_clean = values();
    QObject::connect(&sprdP, &TextTable::cellChanged, &sprdP, [this](int col, int row) {
        if (col == kValueCol && row >= 1)
            track(row - 1, sprdP.text(col, row));
    });
    QObject::connect(&sprdP_CH, &TextTable::cellChanged, &sprdP_CH, [this](int col, int row) {
        if (ChannelOfCol(col) >= 1 && row >= 1)
            track(ChannelValue(ChannelOfCol(col), row), sprdP_CH.text(col, row));
    });
}

void ParamTables::setChannelCount(int n)
{
    const int cols = 2 + qBound(1, n, regmap::kMaxChannels);
    if (cols == sprdP_CH.colCount())
        return;
    const int old = sprdP_CH.colCount();
    sprdP_CH.setColCount(cols);
    for (int col = old + 1; col <= cols; ++col)
        sprdP_CH.setText(col, 0, QStringLiteral("CH.%1").arg(ChannelOfCol(col), 2, 10, QLatin1Char('0')));
}

void ParamTables::RefreshFromStore(const DataStore& store)
{
    for (int r = 1; r <= store.sprdP_Common.rowCount() && r <= kCommonRows; ++r) {
        const QString text = store.sprdP_Common.text(1, r);
        sprdP.setText(kValueCol, r, commonText(r, integerOf(text), text, sprdP.text(kValueCol, r)));
    }
    for (int c = 1; c <= channelCount() && c <= store.sprdP_CH.colCount(); ++c)
        refreshChannel(store, c);
}

void ParamTables::refreshChannel(const DataStore& store, int c)
{
    const int col = ChannelCol(c);
    for (int r = 1; r <= store.sprdP_CH.rowCount() && r <= kChannelRows; ++r) {
        const QString text = store.sprdP_CH.text(c, r);
        const int v = integerOf(text);
        sprdP_CH.setText(col, r, channelText(r, v, text, sprdP_CH.text(col, r)));
        if (r == regmap::ch::Color)
            sprdP_CH.setBackground(col, r, colours::ChannelColour(v));
    }
}

void ParamTables::FillChannels(const DataStore& store, int from, int to)
{
    const ParamImage fresh = NewImage(regmap::kMaxChannels);
    for (int c = qMax(from, 1); c <= qMin(to, channelCount()); ++c) {
        bool read = false;
        for (int r = 1; r <= kChannelRows && !read; ++r)
            read = !store.sprdP_CH.text(c, r).isEmpty();
        if (read) {
            refreshChannel(store, c);
            continue;
        }
        for (const ParamField& f : ChannelFields()) {
            const QString text = DecodeField(f, fresh, ParamImage::ChannelOffset(c - 1)).value_or(QString());
            sprdP_CH.setText(ChannelCol(c), f.row, shownText(text));
            if (f.enc == ParamEnc::Colour)
                sprdP_CH.setBackground(ChannelCol(c), f.row, colours::ChannelColour(0));
        }
    }
}

void ParamTables::NewSet(ParamImage& image)
{
    image.setBytes(NewImage(channelCount()).bytes());
    for (int r = 1; r <= kCommonRows; ++r)
        if (!CommonFieldOfRow(r))
            sprdP.setText(kValueCol, r, QString());
    ImageToGrid(image);
}

void ParamTables::ImageToGrid(const ParamImage& image)
{
    for (const ParamField& f : CommonFields())
        if (const auto text = DecodeField(f, image, 0))
            sprdP.setText(kValueCol, f.row, shownText(*text));
    const int channels = qMin(image.channelCount(), channelCount());
    for (int c = 1; c <= channels; ++c) {
        const int base = ParamImage::ChannelOffset(c - 1);
        for (const ParamField& f : ChannelFields()) {
            const auto text = DecodeField(f, image, base);
            if (!text)
                continue;
            sprdP_CH.setText(ChannelCol(c), f.row, shownText(*text));
            if (f.enc == ParamEnc::Colour)
                sprdP_CH.setBackground(ChannelCol(c), f.row,
                                       colours::ChannelColour(text->isEmpty() ? -1 : text->toInt()));
        }
    }
}

void ParamTables::GridToImage(ParamImage& image) const
{
    for (const ParamField& f : CommonFields())
        EncodeField(f, sprdP.text(kValueCol, f.row), image, 0);
    const int channels = qMin(image.channelCount(), channelCount());
    for (int c = 1; c <= channels; ++c)
        for (const ParamField& f : ChannelFields())
            EncodeField(f, sprdP_CH.text(ChannelCol(c), f.row), image, ParamImage::ChannelOffset(c - 1));
}

bool ParamTables::ReadParamFile(const QString& path, ParamImage& image, QString* error)
{
    if (!ReadImageFile(path, image, error))
        return false;
    ImageToGrid(image);
    return true;
}

bool ParamTables::WriteParamFile(const QString& path, ParamImage& image, QString* error) const
{
    GridToImage(image);
    return WriteImageFile(path, image, error);
}

ParamTables::Values ParamTables::values() const
{
    Values v(kValueCount);
    for (int r = 1; r <= kCommonRows; ++r)
        v[r - 1] = sprdP.text(kValueCol, r);
    for (int c = 1; c <= regmap::kMaxChannels; ++c)
        for (int r = 1; r <= kChannelRows; ++r)
            v[ChannelValue(c, r)] = sprdP_CH.text(ChannelCol(c), r);
    return v;
}

void ParamTables::setClean(const Values& clean)
{
    m_clean = clean;
    m_changed.clear();
    const Values now = values();
    for (int i = 0; i < now.size(); ++i)
        if (now[i] != m_clean.value(i))
            m_changed.insert(i);
}

QStringList ParamTables::differencesFrom(const ParamTables& from, int channels) const
{
    QStringList out;
    const auto line = [](const QString& what, const QString& was, const QString& now) {
        return QStringLiteral("%1: %2 -> %3").arg(what.trimmed(), DisplayText(was).trimmed(), DisplayText(now).trimmed());
    };
    for (int r = 1; r <= kCommonRows; ++r) {
        const int reg = 40000 + r; // rows 17..30, the clock and reserved start, are never sent
        if (reg >= 40017 && reg <= 40030)
            continue;
        if (sprdP.text(kValueCol, r) != from.sprdP.text(kValueCol, r))
            out << line(sprdP.text(1, r), from.sprdP.text(kValueCol, r), sprdP.text(kValueCol, r));
    }
    for (int c = 1; c <= qMin(channels, channelCount()); ++c)
        for (int r = 1; r <= kChannelRows; ++r)
            if (sprdP_CH.text(ChannelCol(c), r) != from.sprdP_CH.text(ChannelCol(c), r))
                out << line(QStringLiteral("CH.%1 %2").arg(c, 2, 10, QLatin1Char('0')).arg(sprdP_CH.text(1, r)),
                            from.sprdP_CH.text(ChannelCol(c), r), sprdP_CH.text(ChannelCol(c), r));
    return out;
}

bool ParamTables::commonRowsDiffer(const Values& values, int first, int last) const
{
    for (int r = first; r <= last; ++r)
        if (sprdP.text(kValueCol, r) != values.value(r - 1))
            return true;
    return false;
}

void ParamTables::track(int index, const QString& text)
{
    if (text != m_clean.value(index))
        m_changed.insert(index);
    else
        m_changed.remove(index);
}
