#pragma once
// What the broker says about every line of the plant: each line by its
// `status` topic, its devices by `NN/state`, `NN/meta` and `NN/live` below the
// line's prefix. Times are the overview's own steady clock, since the PCs'
// clocks differ. Only reads: it never publishes.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <array>

struct PlantChannel {
    QString name;
    QString unit;
    int decimals = -1; // -1: not known yet
    double value = 0;
    bool hasValue = false;
    bool burnOut = false;
    bool alarm = false; // any of its four alarms
};

struct PlantDevice {
    int number = 0;
    QString description;
    bool online = false;
    int model = 0;
    int channelCount = 6;
    std::array<PlantChannel, 12> channels{};
    qint64 lastLiveMs = -1;    // when its last live message arrived
    double usualGapMs = 0;     // smoothed time between live messages
    qint64 changedMs = -1;     // when anything shown changed, for the window's refresh

    // Greyed: no live message for three times its usual gap, at least 10 s.
    bool stale(qint64 nowMs) const;
    // A value as the monitors show it: its decimals, burn-out as dashes.
    QString valueText(int channel) const;
};

struct PlantLine {
    QString prefix;
    bool online = false;
    bool statusKnown = false;
    qint64 lastMessageMs = -1;
    QMap<int, PlantDevice> devices;
};

class PlantModel {
public:
    // Takes one message; false when its topic is none of a line's.
    bool take(const QString& topic, const QByteArray& payload, qint64 nowMs);
    const QMap<QString, PlantLine>& lines() const { return m_lines; }
    // Messages taken that changed what is shown since the last call.
    int takeChanges();

private:
    QMap<QString, PlantLine> m_lines;
    int m_changes = 0;
};
