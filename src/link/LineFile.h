#pragma once
// CFG/Line.INI: options of the line, one key=value a line ("reopen=on").
// Keys this program does not know are kept when the file is rewritten.
#include "link/SerialPort.h"

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

    // The pause between a good answer and the next request: 0 is the
    // shortest the line allows; a missing or bad value is the default.
    static constexpr int kDefaultGapMs = 50;
    static constexpr int kMaxGapMs = 10000;
    int gapMs() const;
    void setGapMs(int ms) { setValue(QStringLiteral("gap_ms"), QString::number(ms)); }

    // rs485=none|rts|kernel; none when absent or not one of them.
    Rs485Mode rs485() const;
    void setRs485(Rs485Mode mode);

    QStringList lines;
};
