#include "channel/AlarmRules.h"

#include "core/Numbers.h"

#include <QDir>
#include <QFileInfo>

namespace armrules {

namespace {
struct Limits {
    double lo, hi;
    const char* loText;
    const char* hiText;
};

// The alarm characteristics this program documents and draws (Image/ARMnn.BMP).
const char* const kTypeNames[kAlarmTypes] = {
    "NONE",            //  0 no alarm
    "HIGH",            //  1 value at or above SV
    "LOW",             //  2 value at or below SV
    "DEV. HIGH",       //  3 value minus WITH CH. at or above SV
    "DEV. LOW",        //  4 value minus WITH CH. at or below -SV
    "BAND OUT",        //  5 |value minus WITH CH.| at or above SV
    "BAND IN",         //  6 |value minus WITH CH.| at or below SV
    "UP RATE",         //  7 rise within TIME UNIT at or above RATE
    "DOWN RATE",       //  8 fall within TIME UNIT at or above RATE
    "UP RATE > SV",    //  9 rise at or above RATE while above SV
    "DOWN RATE < SV",  // 10 fall at or above RATE while below SV
    "HIGH, STANDBY",   // 11 as 1, armed once the value was below SV
    "LOW, STANDBY",    // 12 as 2, armed once the value was above SV
    "DEV. HIGH, STBY", // 13 as 3 with standby
    "DEV. LOW, STBY",  // 14 as 4 with standby
    "BAND OUT, STBY",  // 15 as 5 with standby
};
} // namespace

QString ClampBox(Box box, const QString& typed, int chCount)
{
    const double v = LeadingNumber(typed);
    const QString count = QString::number(chCount);
    Limits l{};
    switch (box) {
    case Box::SetValue: l = {-999.99, 999.99, "-999.99", "999.99"}; break;
    case Box::Hysteresis:
    case Box::Rate: l = {0, 1999.99, "0.00", "1999.99"}; break;
    case Box::WithChannel:
        if (v < 1)
            return QStringLiteral("1");
        return v > chCount ? count : typed;
    case Box::Relay:
        if (v <= 0)
            return QStringLiteral("--");
        l = {1, 6, "1", "6"};
        break;
    case Box::OnTime: l = {0, 999999, "0", "999999"}; break;
    }
    if (v < l.lo)
        return QString::fromLatin1(l.loText);
    if (v > l.hi)
        return QString::fromLatin1(l.hiText);
    return typed;
}

QString RelayText(const QString& stored)
{
    return LeadingNumber(stored) <= 0 ? QStringLiteral("--") : stored;
}

int ClampNumber(const QString& typed, int count)
{
    const double v = LeadingNumber(typed);
    if (v < 1)
        return 1;
    if (v > count)
        return count;
    return static_cast<int>(v);
}

QString AlarmTypeName(int code)
{
    if (code < 0 || code >= kAlarmTypes)
        return {};
    return QString::fromLatin1(kTypeNames[code]);
}

int AlarmPanel(int code)
{
    switch (code) {
    case 0: return 3;
    case 1: case 2: case 11: case 12: return 0;
    case 3: case 4: case 5: case 6: case 13: case 14: case 15: return 1;
    case 7: case 8: case 9: case 10: return 2;
    default: return -1;
    }
}

QString RateLabel(int code)
{
    if (code == 7 || code == 9)
        return QStringLiteral("UP RATE");
    if (code == 8 || code == 10)
        return QStringLiteral("DOWN RATE");
    return QStringLiteral("RATE");
}

QStringList TimeUnitTexts()
{
    return {QStringLiteral("HOUR"), QStringLiteral("MIN."), QStringLiteral("SEC.")};
}

QStringList RecordTexts()
{
    return {QStringLiteral("START"), QStringLiteral("STOP"), QStringLiteral("BYPASS")};
}

QStringList LevelTexts()
{
    return {QStringLiteral("LOW"), QStringLiteral("HIGH")};
}

int TimeUnitIndex(const QString& stored)
{
    const int i = TimeUnitTexts().indexOf(stored);
    if (i >= 0)
        return i;
    bool ok = false;
    const int n = stored.trimmed().toInt(&ok);
    return ok && n >= 0 && n <= 2 ? n : -1;
}

int RecordIndex(const QString& stored)
{
    const int i = RecordTexts().indexOf(stored);
    return i < 0 ? 2 : i;
}

int LevelIndex(const QString& stored)
{
    const int i = LevelTexts().indexOf(stored);
    if (i >= 0)
        return i;
    return LeadingNumber(stored) >= 1 ? 1 : 0;
}

QString AlarmPicturePath(int code, const QStringList& folders)
{
    if (code < 0 || code >= kAlarmTypes)
        return {};
    const QString name = QStringLiteral("ARM%1.BMP").arg(code, 2, 10, QLatin1Char('0'));
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace armrules
