#include "clock/ClockRules.h"

#include "core/Numbers.h"
#include "link/Framing.h"

#include <cmath>

namespace clockrules {

int DaysInMonth(int year, int month)
{
    switch (month) {
    case 4: case 6: case 9: case 11:
        return 30;
    case 2:
        return (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 29 : 28;
    default:
        return 31;
    }
}

QString FieldText(Field field, int value)
{
    return QStringLiteral("%1").arg(value, field == Field::Year ? 4 : 2, 10, QLatin1Char('0'));
}

Clamped Clamp(Field field, const QString& typed, int year, int month)
{
    const double v = LeadingNumber(typed);
    int lo = 0, hi = 59;
    switch (field) {
    case Field::Year: lo = 1; hi = 65535; break;
    case Field::Month: lo = 1; hi = 12; break;
    case Field::Day: lo = 1; hi = DaysInMonth(year, qBound(1, month, 12)); break;
    case Field::Hour: hi = 23; break;
    case Field::Minute:
    case Field::Second: break;
    }
    Clamped c;
    const double r = std::floor(v);
    if (r < lo || r > hi) {
        c.value = r < lo ? lo : hi;
        c.text = FieldText(field, c.value);
        c.changed = true;
    } else {
        c.value = static_cast<int>(r);
        c.text = typed;
    }
    return c;
}

int ReserveRegister(Field field)
{
    return 40019 + static_cast<int>(field);
}

QByteArray ReserveFrame(int device, int reg, int value)
{
    QByteArray data;
    AppendU16BE(data, static_cast<quint16>(value));
    return BuildWriteRequest(static_cast<quint8>(device), static_cast<quint16>(reg), data);
}

QByteArray ClockFrame(int device, const int (&values)[6])
{
    QByteArray data;
    for (int v : values)
        AppendU16BE(data, static_cast<quint16>(v));
    return BuildWriteRequest(static_cast<quint8>(device), kClockFirst, data);
}

} // namespace clockrules
