#pragma once
// The list beside the plot: a switch per channel in its colour, the value
// at the cursor, the channel's four alarms, and the digital inputs and
// relays of the record under the cursor.
#include "view/ChannelLook.h"
#include "view/Timeline.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QLabel;

class ChannelPanel : public QWidget {
    Q_OBJECT
public:
    explicit ChannelPanel(QWidget* parent = nullptr);

    // Channels 1..count with their looks; each keeps its switch.
    void setChannels(int count, const ChannelLooks& looks);
    // The record at `index` of tl; -1 clears the readout.
    void showRecord(const Timeline* tl, qsizetype index);

signals:
    void shownChanged(int channel, bool shown); // 0-based

private:
    static void setLamp(QLabel* lamp, bool on, const QColor& colour);

    ChannelLooks m_looks;
    int m_count = 0;
    QLabel* m_time = nullptr;
    std::array<QCheckBox*, vqd::kChannels> m_switch{};
    std::array<QLabel*, vqd::kChannels> m_value{};
    std::array<std::array<QLabel*, 4>, vqd::kChannels> m_alarm{};
    std::array<QLabel*, 6> m_di{};
    std::array<QLabel*, vqd::kChannels> m_relay{};
    QWidget* m_relayRow2 = nullptr;
};
