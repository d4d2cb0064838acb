#pragma once
// How the viewer names and shows each channel: by default "CH01".. in the
// recorders' colour table; a parameter file gives names, units, decimal
// places and colours.
#include "core/Rgb.h"
#include "logging/DataFile.h"

#include <QString>
#include <array>

struct ChannelLook {
    QString name;
    QString unit;      // empty without a parameter file
    int decimals = -1; // -1: as many as the value needs
    Rgb colour = 0;
};
using ChannelLooks = std::array<ChannelLook, vqd::kChannels>;

ChannelLooks DefaultLooks();
// The looks of the channels a parameter file (*.CFG) holds; the others keep
// theirs. False and why when it cannot be read (looks unchanged).
bool ReadChannelLooks(const QString& path, ChannelLooks& looks, QString* error = nullptr);

// A value with the channel's decimals (or as short as it reads back exactly)
// and the given decimal point; empty for a value that is not a number.
QString ValueText(float v, const ChannelLook& look, QChar decimalPoint = QLatin1Char('.'));
