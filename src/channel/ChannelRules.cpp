#include "channel/ChannelRules.h"

#include "core/Numbers.h"
#include "core/TextTable.h"
#include "link/RegisterMap.h"

#include <cmath>

namespace chanrules {

namespace {
using G = InputGroup;
const InputType kTypes[] = {
    {1, "TYPE K", G::Tc, "-270.0", "1372.0", 1, 3, 1},
    {2, "TYPE J", G::Tc, "-210.0", "1200.0", 1, 3, 1},
    {3, "TYPE E", G::Tc, "-270.0", "1000.0", 1, 3, 1},
    {4, "TYPE T", G::Tc, "-270.0", "400.0", 1, 3, 1},
    {5, "TYPE R", G::Tc, "-50.0", "1768.0", 1, 3, 1},
    {6, "TYPE S", G::Tc, "-50.0", "1768.0", 1, 3, 1},
    {7, "TYPE B", G::Tc, "0.0", "1820.0", 1, 3, 1},
    {8, "TYPE N", G::Tc, "-270.0", "1300.0", 1, 3, 1},
    {10, "TYPE PL2", G::Tc, "-0.0", "1395.0", 1, 3, 1},
    {11, "TYPE U", G::Tc, "-200.0", "600.0", 1, 3, 1},
    {12, "TYPE L", G::Tc, "-200.0", "900.0", 1, 3, 1},
    {13, "TYPE W", G::Tc, "-0.0", "2315.0", 1, 3, 1},
    {14, "Pt100(DIN)", G::Rtd, "-200.0", "850.0", 1, 3, 1},
    {16, "Pt100(JIS)", G::Rtd, "-200.0", "660.0", 1, 3, 1},
    {17, "±0.10000V", G::Vdc, "-100.00", "100.00", 2, 0, 2},
    {18, "±10.000V", G::Vdc, "-10.000", "10.000", 3, 1, 3},
    {19, "±30.00V", G::Vdc, "-30.00", "30.00", 2, 0, 2},
};

const char* const kMathNames[kMathFunctions] = {
    "α+β",   "α-β",     "β-α",     "α×β",     "α÷β",      "β÷α",       "\u2502α\u2502",
    "β·√α", "β·SIN()", "β·COS()", "β·TAN()", "β·LOG\u2469()", "\u2502β-α\u2502 %RH", "α [°C→°F]",
};
} // namespace

const InputType* FindInputType(int code)
{
    for (const InputType& t : kTypes)
        if (t.code == code)
            return &t;
    return nullptr;
}

QString InputTypeName(int code)
{
    const InputType* t = FindInputType(code);
    return t ? QString::fromUtf8(t->caption) : QString();
}

bool IsKnownRangeCode(int code)
{
    return code >= 1 && code <= 19;
}

InputGroup GroupOfCode(int code)
{
    if (code >= 14 && code <= 16)
        return InputGroup::Rtd;
    if (code >= 17 && code <= 19)
        return InputGroup::Vdc;
    return InputGroup::Tc;
}

int RangeDecimals(int code)
{
    if (code == 18)
        return 3;
    return GroupOfCode(code) == InputGroup::Vdc ? 2 : 1;
}

int GroupDefaultCode(InputGroup group)
{
    switch (group) {
    case InputGroup::Vdc: return 19;
    case InputGroup::Rtd: return 14;
    case InputGroup::Tc: break;
    }
    return 1;
}

int StepInputType(int code, int dir)
{
    if (!IsKnownRangeCode(code))
        return code;
    switch (GroupOfCode(code)) {
    case InputGroup::Tc:
        // 9 has no type and is stepped over.
        if (dir > 0)
            return code == 8 ? 10 : code >= 13 ? 1 : code + 1;
        return code == 10 ? 8 : code <= 1 ? 13 : code - 1;
    case InputGroup::Rtd:
        return code == 14 ? 16 : code == 16 ? 14 : code;
    case InputGroup::Vdc:
        if (dir > 0)
            return code >= 19 ? 17 : code + 1;
        return code <= 17 ? 19 : code - 1;
    }
    return code;
}

std::pair<int, int> DefaultUnitAndPoint(int code)
{
    if (code >= 1 && code <= 16)
        return {3, 1};
    if (code == 18)
        return {1, 3};
    return {0, 2};
}

QStringList UnitCaptions()
{
    return {QStringLiteral("V"), QStringLiteral("㎷"), QStringLiteral("%"), QStringLiteral("°C"),
            QStringLiteral("°F"), QStringLiteral("USER")};
}

QStringList PointCaptions()
{
    return {QStringLiteral("00000"), QStringLiteral("0000.0"), QStringLiteral("000.00"), QStringLiteral("00.000"),
            QStringLiteral("0.0000")};
}

QStringList ReadModeTexts()
{
    return {QStringLiteral("DIRECT"), QStringLiteral("MAX"), QStringLiteral("MIN"), QStringLiteral("AVG")};
}

int ReadModeIndex(const QString& text)
{
    return ReadModeTexts().indexOf(text);
}

QString FormatDecimals(double value, int d)
{
    if (d < 0 || d > 4)
        d = 0;
    QString s = QString::number(value, 'f', d);
    // A value that rounds to zero shows no sign.
    if (s.startsWith(u'-') && s.count(u'0') + s.count(u'.') == s.size() - 1)
        s.remove(0, 1);
    return s;
}

std::pair<QString, QString> DisplayLimits(int d)
{
    const int dd = (d < 0 || d > 4) ? 0 : d;
    const double scale = std::pow(10.0, dd);
    return {FormatDecimals(-99999 / scale, dd), FormatDecimals(99999 / scale, dd)};
}

QString MathFunctionName(int code)
{
    if (code < 1 || code > kMathFunctions)
        return {};
    return QString::fromUtf8(kMathNames[code - 1]);
}

ChannelSettings::ChannelSettings(TextTable& sprdP_CH, int channel)
    : m_table(sprdP_CH)
    , m_channel(channel)
{
}

QString ChannelSettings::text(int row) const
{
    return m_table.text(col(), row);
}

int ChannelSettings::number(int row) const
{
    return LeadingInt32(text(row)).value_or(0);
}

void ChannelSettings::write(int row, const QString& text)
{
    m_table.setText(col(), row, text);
}

void ChannelSettings::applyInputType(int code)
{
    using namespace regmap::ch;
    write(RangeCode, QString::number(code));
    const auto [unit, point] = DefaultUnitAndPoint(code);
    write(UnitMode, QString::number(unit));
    write(FpLocate, QString::number(point));
    if (const InputType* t = FindInputType(code)) {
        const QString lo = QString::fromLatin1(t->rangeMin), hi = QString::fromLatin1(t->rangeMax);
        write(UserRangeMax, hi);
        write(UserRangeMin, lo);
        write(DispRangeMax, hi);
        write(DispRangeMin, lo);
    }
}

bool ChannelSettings::repairRangeCode()
{
    const double v = LeadingNumber(text(regmap::ch::RangeCode));
    if (v == std::floor(v) && IsKnownRangeCode(static_cast<int>(v)))
        return false;
    write(regmap::ch::RangeCode, QStringLiteral("1"));
    return true;
}

void ChannelSettings::maxRange()
{
    const InputType* t = FindInputType(number(regmap::ch::RangeCode));
    if (!t)
        return;
    write(regmap::ch::UserRangeMin, QString::fromLatin1(t->rangeMin));
    write(regmap::ch::UserRangeMax, QString::fromLatin1(t->rangeMax));
}

} // namespace chanrules
