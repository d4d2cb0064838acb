#include "param/ParamFormat.h"

#include "core/ChannelColours.h"

#include "core/Numbers.h"
#include "param/ParamImage.h"

#include <QStringList>
#include <cmath>
#include <limits>

namespace {

using E = ParamEnc;

ParamField two(int row, int offset, const char* t0, const char* t1)
{
    ParamField f{row, offset, E::TwoText};
    f.text0 = t0;
    f.text1 = t1;
    return f;
}

ParamField chars(int row, int offset, int width)
{
    ParamField f{row, offset, E::Chars};
    f.width = width;
    return f;
}

QList<ParamField> makeCommon()
{
    QList<ParamField> f{
        {1, 788, E::OnOff},
        {2, 1024, E::DisplayMode},
        {3, 1026, E::OnOff},
        {4, 1028, E::OnOff},
        {5, 1036, E::OnOff},
        {6, 1038, E::Number},
        {7, 1030, E::Number},
        two(8, 1050, "HORIZON", "VERTICAL"),
        two(9, 1048, "MEMORY", "SD CARD"),
        {10, 1040, E::Number},
        {11, 1042, E::OnOff},
        {12, 1044, E::OnOff},
        {13, 1046, E::Number},
        {14, 1034, E::OnOff},
        two(15, 1066, "BLACK", "WHITE"),
        two(16, 1068, "KOREAN", "ENGLISH"),
        {18, 1064, E::OnOff},
    };
    for (int k = 0; k < 6; ++k) // RESERVE_RUN_YEAR .. _SECOND
        f.append({19 + k, 1052 + 2 * k, E::Number});
    for (int port = 0; port < 2; ++port) { // RS232, RS485
        const int row = 31 + 7 * port, off = 1100 + 14 * port;
        f.append({row, off, E::Number});
        f.append({row + 1, off + 2, E::Protocol});
        f.append({row + 2, off + 4, E::Baud});
        f.append({row + 3, off + 6, E::Parity});
        f.append({row + 4, off + 8, E::Number});
        f.append({row + 5, off + 10, E::Number});
        f.append({row + 6, off + 12, E::Number});
    }
    for (int i = 0; i < 6; ++i) { // DI01 .. DI06
        const int row = 45 + 4 * i, off = 1128 + 12 * i;
        f.append({row, off, E::DiLevel});
        f.append({row + 1, off + 2, E::RecordAction});
        f.append({row + 2, off + 6, E::Number});
        f.append({row + 3, off + 8, E::Number32});
    }
    return f;
}

QList<ParamField> makeChannel()
{
    QList<ParamField> f{
        chars(1, 216, 10),
        chars(2, 204, 6),
        {3, 0, E::OnOff},
        {4, 4, E::Number},
        {5, 6, E::OnOff},
        {6, 14, E::Number},
        {7, 8, E::Number},
        {8, 10, E::ReadMethod},
        {9, 12, E::Number},
        {10, 2, E::Colour},
        {11, 56, E::OnOff},
        {12, 58, E::Number},
        {13, 60, E::Number},
        two(14, 64, "CHANNEL", "CONSTANT"),
        {15, 62, E::Number},
        {16, 52, E::Real},
    };
    for (int k = 0; k < 9; ++k) // USER_RANGE_MAX .. LOWPOINT_ERROR
        f.append({17 + k, 16 + 4 * k, E::Real});
    for (int a = 0; a < 4; ++a) {
        const int row = 26 + 9 * a, off = 92 + 28 * a;
        f.append({row, off + 16, E::Real});     // SV
        f.append({row + 1, off + 20, E::Real}); // HYS
        f.append({row + 2, off + 24, E::Real}); // RATE
        f.append({row + 3, off, E::Number});    // TYPE
        f.append({row + 4, off + 2, E::Number}); // CCH
        f.append({row + 5, off + 4, E::TimeUnit});
        f.append({row + 6, off + 6, E::RecordAction});
        f.append({row + 7, off + 10, E::Number});   // RYO
        f.append({row + 8, off + 12, E::Number32}); // RYT
    }
    return f;
}

const ParamField* byRow(const QList<ParamField>& fields, int row)
{
    for (const ParamField& f : fields)
        if (f.row == row)
            return &f;
    return nullptr;
}

struct Coded {
    int value;
    const char* text;
};
const Coded kDisplayModes[] = {{1, "H.TREND"}, {3, "V.TREND"}, {5, "TEXT-VIEW"}, {6, "BAR GRAPH"}, {17, "HISTORY-VIEW"}};
const Coded kBauds[] = {{0, "9600"}, {1, "19200"}, {2, "38400"}, {3, "57600"}};
const Coded kParities[] = {{0, "NONE"}, {1, "ODD"}, {2, "EVEN"}};
const Coded kReadMethods[] = {{0, "DIRECT"}, {1, "MAX"}, {2, "MIN"}, {3, "AVG"}};
const Coded kRecordActions[] = {{0, "STOP"}, {1, "START"}, {127, "BYPASS"}};
const Coded kTimeUnits[] = {{0, "HOUR"}, {1, "MIN."}, {2, "SEC."}};

template <size_t N>
std::optional<QString> textOf(const Coded (&table)[N], int v)
{
    for (const Coded& c : table)
        if (c.value == v)
            return QString::fromLatin1(c.text);
    return std::nullopt;
}

template <size_t N>
std::optional<int> valueOf(const Coded (&table)[N], const QString& text)
{
    for (const Coded& c : table)
        if (text == QLatin1String(c.text))
            return c.value;
    return std::nullopt;
}

// Rounded numeric value of a cell text (halves to even); empty when it does not fit.
std::optional<qint64> numberOf(const QString& text, qint64 lo, qint64 hi)
{
    const double v = RoundHalfEven(LeadingNumber(text));
    if (!std::isfinite(v) || v < static_cast<double>(lo) || v > static_cast<double>(hi))
        return std::nullopt;
    return static_cast<qint64>(v);
}

} // namespace

int ParamField::size() const
{
    switch (enc) {
    case E::Number32:
    case E::Real: return 4;
    case E::Chars: return 2 * width;
    default: return 2;
    }
}

const QList<ParamField>& CommonFields()
{
    static const QList<ParamField> f = makeCommon();
    return f;
}

const QList<ParamField>& ChannelFields()
{
    static const QList<ParamField> f = makeChannel();
    return f;
}

const ParamField* CommonFieldOfRow(int row) { return byRow(CommonFields(), row); }
const ParamField* ChannelFieldOfRow(int row) { return byRow(ChannelFields(), row); }

std::optional<QString> DecodeField(const ParamField& f, const ParamImage& image, int base)
{
    const int at = base + f.offset;
    const int v = f.size() == 2 ? image.i16(at) : 0;
    switch (f.enc) {
    case E::OnOff: return QString::fromLatin1(v > 0 ? "ON" : "OFF");
    case E::DisplayMode: return textOf(kDisplayModes, v);
    case E::TwoText: return QString::fromLatin1(v > 0 ? f.text1 : f.text0);
    case E::Protocol: return QStringLiteral("Modbus RTU");
    case E::Baud: return textOf(kBauds, v);
    case E::Parity: return textOf(kParities, v);
    case E::RecordAction: return QString::fromLatin1(v == 0 ? "STOP" : v == 1 ? "START" : "BYPASS");
    case E::TimeUnit: return QString::fromLatin1(v == 0 ? "HOUR" : v == 1 ? "MIN." : "SEC.");
    case E::ReadMethod: return textOf(kReadMethods, v);
    case E::DiLevel:
    case E::Number: return QString::number(v);
    case E::Number32: return QString::number(image.i32(at));
    case E::Real: return FloatText(image.f32(at));
    case E::Chars: return image.chars(at, f.width);
    case E::Colour: {
        const auto n = colours::NumberOfRgb565(static_cast<quint16>(v));
        return n ? QString::number(*n) : QString();
    }
    }
    return std::nullopt;
}

bool EncodeField(const ParamField& f, const QString& text, ParamImage& image, int base)
{
    const int at = base + f.offset;
    std::optional<qint64> v;
    switch (f.enc) {
    case E::OnOff:
        v = text == QLatin1String("ON") ? 1 : text == QLatin1String("OFF") ? 0 : std::optional<qint64>();
        break;
    case E::TwoText:
        v = text == QLatin1String(f.text0) ? 0 : text == QLatin1String(f.text1) ? 1 : std::optional<qint64>();
        break;
    case E::DisplayMode: v = valueOf(kDisplayModes, text); break;
    case E::Protocol: v = 0; break;
    case E::Baud: v = valueOf(kBauds, text); break;
    case E::Parity: v = valueOf(kParities, text); break;
    case E::RecordAction: v = valueOf(kRecordActions, text); break;
    case E::TimeUnit: v = valueOf(kTimeUnits, text); break;
    case E::ReadMethod: v = valueOf(kReadMethods, text); break;
    case E::DiLevel:
        if (text == QLatin1String("HIGH"))
            v = 1;
        else if (text == QLatin1String("LOW"))
            v = 0;
        else
            v = numberOf(text, std::numeric_limits<qint16>::min(), std::numeric_limits<quint16>::max());
        break;
    case E::Number:
        // The store keeps registers unsigned: 65535 is the register of -1.
        v = numberOf(text, std::numeric_limits<qint16>::min(), std::numeric_limits<quint16>::max());
        break;
    case E::Number32: {
        const std::optional<qint64> n = numberOf(text, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
        if (!n)
            return false;
        image.setI32(at, static_cast<qint32>(*n));
        return true;
    }
    case E::Real: {
        const float r = static_cast<float>(LeadingNumber(text));
        if (!std::isfinite(r))
            return false;
        image.setF32(at, r);
        return true;
    }
    case E::Chars: image.setChars(at, f.width, text); return true;
    case E::Colour: {
        const QStringList numbers = [] {
            QStringList l;
            for (int n = 0; n < colours::kCount; ++n)
                l << QString::number(n);
            return l;
        }();
        const int n = numbers.indexOf(text);
        if (n < 0)
            return false;
        v = *colours::Rgb565(n);
        break;
    }
    }
    if (!v)
        return false;
    image.setI16(at, static_cast<qint16>(static_cast<quint16>(*v)));
    return true;
}
