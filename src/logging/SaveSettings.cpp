#include "logging/SaveSettings.h"

#include "core/ConfigText.h"
#include "core/Numbers.h"

#include <QDir>
#include <cmath>

QString SaveSettingsPath(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("CFG/SaveData.INI"));
}

DSaveSettings ReadSaveSettings(const QString& programDir, QString* note)
{
    QDir(programDir).mkpath(QStringLiteral("CFG"));
    const ConfigLimits limits{8, {32, 32, 32, 1024, 255, 32}, false};
    const ConfigLines read = ReadConfigFile(SaveSettingsPath(programDir), limits);
    const QStringList& lines = read.lines;
    if (note)
        *note = read.note(QStringLiteral("SaveData.INI"), limits);
    DSaveSettings s;
    s.gDSaveFolder = QDir::toNativeSeparators(QDir(programDir).absolutePath());
    auto line = [&](int i) { return lines.value(i).trimmed(); };
    auto number = [&](int i, int lo, int hi, int fallback) {
        if (i >= lines.size() || line(i).isEmpty())
            return fallback;
        return static_cast<int>(qBound<double>(lo, std::round(LeadingNumber(line(i))), hi));
    };
    if (!line(0).isEmpty())
        s.gDSaveEnable = line(0);
    s.gDSaveInterval = number(1, 1, 60, s.gDSaveInterval);
    // A unit of neither kind has always meant seconds: said so, and shown so.
    if (!line(2).isEmpty())
        s.gDSaveUnit = line(2);
    if (s.gDSaveUnit != QLatin1String("sec") && s.gDSaveUnit != QLatin1String("min")) {
        const QString said = QStringLiteral("SaveData.INI: unit '%1' not known; saving every %2 sec")
                                 .arg(s.gDSaveUnit)
                                 .arg(s.gDSaveInterval);
        if (note)
            *note = note->isEmpty() ? said : *note + QStringLiteral("; ") + said;
        s.gDSaveUnit = QStringLiteral("sec");
    }
    if (!line(3).isEmpty())
        s.gDSaveFolder = line(3);
    if (!line(4).isEmpty())
        s.gDSaveFileName = line(4);
    s.gDaySave = LeadingNumber(line(5)) == 1.0;
    s.gDaySaveHour = number(6, 0, 23, 0);
    s.gDaySaveMinute = number(7, 0, 59, 0);
    return s;
}

bool WriteSaveSettings(const QString& programDir, const DSaveSettings& s, QString* error)
{
    return WriteConfigLines(SaveSettingsPath(programDir),
                            {s.gDSaveEnable, QString::number(s.gDSaveInterval), s.gDSaveUnit, s.gDSaveFolder,
                             s.gDSaveFileName, s.gDaySave ? QStringLiteral("1") : QStringLiteral("0"),
                             QString::number(s.gDaySaveHour), QString::number(s.gDaySaveMinute)},
                            error);
}
