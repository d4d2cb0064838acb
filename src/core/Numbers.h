#pragma once
// Reading numbers out of cell texts, and the texts the store keeps for numbers.
#include <QString>
#include <optional>

// The leading number of a text: optional blanks and sign, digits with an
// optional decimal point. Anything after it is ignored; no number gives 0.
double LeadingNumber(QStringView text);

// LeadingNumber rounded to a 32-bit integer; empty when it does not fit.
std::optional<qint32> LeadingInt32(QStringView text);

// value + delta, wrapping past either end of lo..hi to the other end (the
// stepping arrows of the parameter pages).
int StepWrap(int value, int delta, int lo, int hi);

// Rounds halves to even (2.5 -> 2, 3.5 -> 4), as the parameter file wants.
double RoundHalfEven(double v);

// Default text of a single-precision value: up to 7 significant digits,
// no fixed decimals, exponent form only for very large or small values.
QString FloatText(float v);
