#include "param/PageRules.h"

#include "core/Numbers.h"

#include <QStringList>
#include <cmath>

namespace pagerules {

QString ClampTyped(const QString& typed, int lo, int hi)
{
    const double v = std::round(LeadingNumber(typed));
    return QString::number(static_cast<int>(qBound<double>(lo, v, hi)));
}

namespace {
QString stepIn(const QStringList& cycle, const QString& text, bool up)
{
    const int i = cycle.indexOf(text.trimmed());
    if (i < 0)
        return text;
    const int n = static_cast<int>(cycle.size());
    return cycle[(i + (up ? 1 : n - 1)) % n];
}
}

QString StepBaud(const QString& text, bool up)
{
    return stepIn({"9600", "19200", "38400", "57600"}, text, up);
}

QString StepParity(const QString& text, bool up)
{
    return stepIn({"NONE", "ODD", "EVEN"}, text, up);
}

QString StepDataLength(const QString& text)
{
    return text.trimmed() == QLatin1String("7") ? QStringLiteral("8") : QStringLiteral("7");
}

QString StepStopBit(const QString& text)
{
    return text.trimmed() == QLatin1String("1") ? QStringLiteral("2") : QStringLiteral("1");
}

int StepWindowNumber(int value, bool up)
{
    if (up) {
        switch (value) {
        case 1: return 2;
        case 2: return 3;
        case 3: return 4;
        case 4: return 6;
        default: return 1;
        }
    }
    switch (value) {
    case 1: return 6;
    case 6: return 4;
    case 4: return 3;
    case 3: return 2;
    case 2: return 1;
    default: return 6;
    }
}

ScreenSaver ClampScreenSaver(const QString& typed)
{
    const double v = std::round(LeadingNumber(typed));
    if (v <= 0)
        return {QStringLiteral("--"), QStringLiteral("0")};
    const QString t = QString::number(static_cast<int>(qMin(v, 120.0)));
    return {t, t};
}

DisplayPanels PanelsForMode(const QString& mode)
{
    DisplayPanels p;
    if (mode == QLatin1String("H.TREND") || mode == QLatin1String("V.TREND"))
        p.trend = true;
    else if (mode == QLatin1String("TEXT-VIEW"))
        p.textView = true;
    else if (mode == QLatin1String("HISTORY-VIEW"))
        p.history = true;
    return p;
}

} // namespace pagerules
