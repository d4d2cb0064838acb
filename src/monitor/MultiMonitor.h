#pragma once
// The multi-device monitors' tables: one row per device of the device list,
// refreshed from the data store at every tick. Only cells whose text or
// colour changed are written, so a tick over 99 idle devices costs no
// repaint.
#include "core/Rgb.h"
#include "core/TextTable.h"

#include <QList>

struct DataStore;

// Columns of the full monitor table (the values-only table uses the first 14).
namespace multimon {
constexpr int Comm = 1;
constexpr int Desc = 2;    // the description of Device Setup
constexpr int Pv1 = 3;     // PV of channel c at Pv1 + c - 1, c = 1..12
constexpr int Di1 = 15;    // DI 1..12
constexpr int Relay1 = 27; // relay 1..12
constexpr int Alarm1 = 39; // alarm a of channel c at AlarmColumn(c, a)
constexpr int kColumns = 86;
constexpr int kPvColumns = 14;
constexpr int kChannels = 12;
constexpr int AlarmColumn(int channel, int alarm) { return Alarm1 + (channel - 1) * 4 + (alarm - 1); }

constexpr Rgb kGreen = 0xFF00FF00;
constexpr Rgb kRed = 0xFFFF0000;
constexpr Rgb kWhite = 0xFFFFFFFF;
constexpr Rgb kStaleInk = 0xFF9A9A9A; // values of a device that does not answer (NG)
inline const QString kBurnOut = QStringLiteral("----.-");
} // namespace multimon

// BO value (0..3) of channel 1..6 in the word BO_STATUS(1-6).
int BoValue(qint32 boWord, int channel);

class MultiMonitor {
public:
    enum class Kind {
        Full,       // communication state in colour, values, DI, relays, alarms
        ValuesOnly, // "O"/"X" and values
    };
    explicit MultiMonitor(Kind kind);

    Kind kind() const { return m_kind; }
    TextTable& table() { return m_table; }
    const TextTable& table() const { return m_table; }

    // Channels the table shows: twelve when a device of the list has twelve
    // (a six-channel device's CH.07..12 stay empty), else six.
    int shownChannels() const { return m_shown; }
    // Columns the window does not show now: those of channels past shownChannels().
    QList<int> hiddenColumns() const;

    // One tick: the table takes the store's device rows and their state.
    // A status text that is no 32-bit number leaves what it drives unchanged.
    void refresh(const DataStore& store);

private:
    void refreshRow(const DataStore& store, int row);
    void paintBits(const TextTable& mon, int monCol, int row, int firstCol, int bits, Rgb on);

    Kind m_kind;
    TextTable m_table;
    int m_shown = 6;
};
