#pragma once
// What the monitors show of a recorder's channels, taken from a table in the
// layout of the store's sprdP_CH: name, unit, decimal places and colour. The
// single-device monitors and the per-device metadata follow the same rules.
#include "core/Rgb.h"

#include <QList>
#include <QString>
#include <optional>

class TextTable;

// A cell is read by the leading-number rule, so an empty one counts as 0.
struct ChannelMeta {
    QString name;            // the recorder's name for it; "CH01".. when it has none
    QString unit;
    int decimals = -1;       // 0..4; -1 for a decimal point code out of that range
    Rgb colour = 0xFFFFFFFF; // white for a colour number out of 0..11
};

// Channels 1..channelCount (at most 12) of a channel table.
QList<ChannelMeta> ChannelMetas(const TextTable& channels, int channelCount);

namespace rules {

// Of channel ch (1..12); empty when its cell holds no usable number.
std::optional<Rgb> ChannelColourOf(const TextTable& channels, int ch);
std::optional<QString> ChannelFormatOf(const TextTable& channels, int ch);
std::optional<QString> ChannelUnitOf(const TextTable& channels, int ch);

} // namespace rules
