#include "monitor/MultiMonitor.h"

#include "core/Numbers.h"
#include "link/DataStore.h"
#include "link/RegisterMap.h"

using namespace multimon;
namespace mon = regmap::mon;

int BoValue(qint32 boWord, int channel)
{
    const int k = channel - 1;
    return ((boWord >> (2 * k)) & 1) + 2 * ((boWord >> (2 * k + 1)) & 1);
}

MultiMonitor::MultiMonitor(Kind kind)
    : m_kind(kind)
    , m_table(kind == Kind::Full ? kColumns : kPvColumns, 0)
{
}

QList<int> MultiMonitor::hiddenColumns() const
{
    // A recorder has six digital inputs and six relays, whatever its channels.
    QList<int> cols;
    for (int c = 7; c <= kChannels; ++c) {
        if (c > m_shown)
            cols.append(Pv1 + c - 1);
        if (m_kind == Kind::Full) {
            cols.append(Di1 + c - 1);
            cols.append(Relay1 + c - 1);
            for (int a = 1; a <= 4 && c > m_shown; ++a)
                cols.append(AlarmColumn(c, a));
        }
    }
    std::sort(cols.begin(), cols.end());
    return cols;
}

void MultiMonitor::refresh(const DataStore& store)
{
    m_table.setRowCount(store.sprdMon.rowCount());
    m_shown = 6;
    for (int r = 1; r <= m_table.rowCount(); ++r)
        if (regmap::ChannelsOfModel(static_cast<int>(LeadingNumber(store.sprdMon.text(mon::Model, r)))) > 6)
            m_shown = kChannels;
    for (int r = 1; r <= m_table.rowCount(); ++r)
        refreshRow(store, r);
}

void MultiMonitor::refreshRow(const DataStore& store, int r)
{
    const TextTable& mon = store.sprdMon;
    m_table.setText(0, r, store.sprdStatus.text(status::DeviceNo, r));
    m_table.setText(Desc, r, store.sprdStatus.text(status::Description, r));
    // Channels of this device; one whose model is not known yet counts six.
    const int own = regmap::ChannelsOfModel(static_cast<int>(LeadingNumber(mon.text(mon::Model, r)))) > 6 ? kChannels : 6;

    // OK, NG, or nothing known (the port closed: "--", grey without fill).
    const QString comm = mon.text(mon::Comm, r);
    const bool ok = comm == QLatin1String("OK");
    const bool ng = comm == QLatin1String("NG");
    if (m_kind == Kind::Full) {
        m_table.setText(Comm, r, comm);
        m_table.setBackground(Comm, r, ok ? kGreen : ng ? kRed : TextTable::kNoColour);
        m_table.setForeground(Comm, r, ok || ng ? TextTable::kNoColour : kStaleInk);
    } else {
        m_table.setText(Comm, r, ok ? QStringLiteral("O") : ng ? QStringLiteral("X") : QStringLiteral("-"));
    }

    // Values depend on the BO word: without it they stay as they were. The
    // values of a device that does not answer, or of a closed port, are its
    // last ones: greyed.
    const bool stale = !ok;
    const auto bo16 = LeadingInt32(mon.text(mon::Bo16, r)), bo712 = LeadingInt32(mon.text(mon::Bo712, r));
    for (int k = 1; k <= m_shown; ++k) {
        const auto& bo = k <= 6 ? bo16 : bo712;
        if (k > own)
            m_table.setText(Pv1 + k - 1, r, QString()); // a channel the device does not have
        else if (bo)
            m_table.setText(Pv1 + k - 1, r, BoValue(*bo, (k - 1) % 6 + 1) == 0 ? mon.text(mon::Pv01 + k - 1, r) : kBurnOut);
        m_table.setForeground(Pv1 + k - 1, r, stale ? kStaleInk : TextTable::kNoColour);
    }
    if (m_kind == Kind::ValuesOnly)
        return;

    // Each alarm word holds four alarms of four channels, channel by channel.
    paintBits(mon, mon::Alarm14, r, AlarmColumn(1, 1), 16, kRed);
    paintBits(mon, mon::Alarm58, r, AlarmColumn(5, 1), 16, kRed);
    paintBits(mon, mon::Alarm912, r, AlarmColumn(9, 1), 16, kRed);
    paintBits(mon, mon::SdDiStatus, r, Di1, 6, kGreen);
    paintBits(mon, mon::RelayStatus, r, Relay1, 6, kGreen);
    // A six-channel device in a twelve-channel table: nothing lit for channels it does not have.
    for (int k = own + 1; k <= m_shown; ++k)
        for (int a = 1; a <= 4; ++a)
            m_table.setBackground(AlarmColumn(k, a), r, kWhite);
}

// Bits 0..bits-1 of a status word colour the cells from firstCol on.
void MultiMonitor::paintBits(const TextTable& mon, int monCol, int r, int firstCol, int bits, Rgb on)
{
    const auto word = LeadingInt32(mon.text(monCol, r));
    if (!word)
        return;
    for (int b = 0; b < bits; ++b)
        m_table.setBackground(firstCol + b, r, (*word >> b) & 1 ? on : kWhite);
}
