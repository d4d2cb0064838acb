#include "core/Numbers.h"

#include <cmath>
#include <limits>

double LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool digits = false;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    // An exponent is part of the number only when digits follow it.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (j < n && text[j].isDigit()) {
            while (j < n && text[j].isDigit())
                ++j;
            i = j;
        }
    }
    bool ok = false;
    const double v = text.mid(start, i - start).toString().toDouble(&ok);
    return ok ? v : 0.0;
}

std::optional<qint32> LeadingInt32(QStringView text)
{
    const double v = std::nearbyint(LeadingNumber(text));
    if (!std::isfinite(v) || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(v);
}

double RoundHalfEven(double v)
{
    // nearbyint follows the current rounding mode, which is to-nearest-even.
    return std::nearbyint(v);
}

QString FloatText(float v)
{
    if (v == 0.0f || std::isnan(v))
        return v == 0.0f ? QStringLiteral("0") : QStringLiteral("NaN");
    QString s = QString::number(static_cast<double>(v), 'G', 7);
    return s;
}

int StepWrap(int value, int delta, int lo, int hi)
{
    const int v = value + delta;
    if (v > hi)
        return lo;
    if (v < lo)
        return hi;
    return v;
}
