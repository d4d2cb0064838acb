#pragma once
// Rules of the clock and reserved-start window: field clamping, days of a
// month, and the write frames it sends.
#include <QByteArray>
#include <QString>

namespace clockrules {

enum class Field { Year, Month, Day, Hour, Minute, Second };

int DaysInMonth(int year, int month);

struct Clamped {
    int value = 0;
    QString text;     // what the box shows afterwards
    bool changed = false; // the box held an out-of-range value
};
// Clamps a typed value; the day is held to the month of the given year and month.
Clamped Clamp(Field field, const QString& typed, int year, int month);
// Text of a value as the boxes show it: years "0000", the rest "00".
QString FieldText(Field field, int value);

// Register of a reserve field (40019..40024); 40018 is on/off.
constexpr int kReserveOnOff = 40018;
int ReserveRegister(Field field);
constexpr int kClockFirst = 40025;

// One reserve register with its value: 11 bytes with the CRC.
QByteArray ReserveFrame(int device, int reg, int value);
// The clock: year, month, day, hour, minute, second from 40025: 21 bytes.
QByteArray ClockFrame(int device, const int (&values)[6]);

} // namespace clockrules
