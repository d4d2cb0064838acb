#pragma once
// The twelve channel colours of the recorders (COLOR 0..11), as the screen
// shows them and as the parameter file stores them (RGB565).
#include "core/Rgb.h"

#include <optional>

namespace colours {

constexpr int kCount = 12;

// Screen colour of a colour number; white for any other number.
Rgb ChannelColour(int number);
// RGB565 value the parameter file keeps for a colour number.
std::optional<quint16> Rgb565(int number);
// Colour number of an RGB565 value of the table.
std::optional<int> NumberOfRgb565(quint16 value);

} // namespace colours
