#pragma once
// CFG/Line.INI: options of the line, one key=value a line ("reopen=on").
// Keys this program does not know are kept when the file is rewritten.
#include <QString>
#include <QStringList>

class LineFile {
public:
    static QString path(const QString& programDir);
    // Reads the file (a missing one holds no keys); *note says what was cut.
    static LineFile read(const QString& programDir, QString* note = nullptr);
    bool write(const QString& programDir, QString* error = nullptr) const;

    // The value of a key (keys and "on"/"off" in any case); empty when absent.
    QString value(const QString& key) const;
    // Replaces the key's line, or adds one.
    void setValue(const QString& key, const QString& value);

    // "Reopen a lost port": off unless the file says on.
    bool reopen() const { return value(QStringLiteral("reopen")).compare(QLatin1String("on"), Qt::CaseInsensitive) == 0; }
    void setReopen(bool on) { setValue(QStringLiteral("reopen"), on ? QStringLiteral("on") : QStringLiteral("off")); }

    QStringList lines;
};
