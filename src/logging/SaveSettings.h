#pragma once
// CFG/SaveData.INI: whether, how often, where and under which name the
// data file writer stores records.
#include <QString>

struct DSaveSettings {
    QString gDSaveEnable = QStringLiteral("No"); // saving is on only when "Yes"
    int gDSaveInterval = 1;                      // 1..60
    QString gDSaveUnit = QStringLiteral("min");  // "sec" or "min"
    QString gDSaveFolder;                        // without trailing separator
    QString gDSaveFileName = QStringLiteral("DATA");
    bool gDaySave = false;                       // one file per recorder and day
    int gDaySaveHour = 0;
    int gDaySaveMinute = 0;

    bool enabled() const { return gDSaveEnable == QLatin1String("Yes"); }
    int intervalSeconds() const { return gDSaveUnit == QLatin1String("min") ? gDSaveInterval * 60 : gDSaveInterval; }
};

QString SaveSettingsPath(const QString& programDir);

// Reads SaveData.INI (creating CFG when missing). Missing lines keep the
// defaults; the folder defaults to the program folder. Numbers are held to
// their ranges (interval 1..60, hour 0..23, minute 0..59).
// Lines are read up to what they can hold (a folder 1024 characters, the stem
// 255, the others 32); *note says what was cut.
DSaveSettings ReadSaveSettings(const QString& programDir, QString* note = nullptr);
bool WriteSaveSettings(const QString& programDir, const DSaveSettings& s, QString* error = nullptr);
