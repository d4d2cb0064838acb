#include "core/ChannelColours.h"

#include <array>

namespace colours {
namespace {
struct Entry {
    int r, g, b;
    quint16 rgb565;
};
constexpr std::array<Entry, kCount> kTable{{{0, 0, 255, 0x001F},     {0, 255, 0, 0x07E0},   {0, 255, 255, 0x07FF},
                                            {255, 0, 0, 0xF800},     {255, 128, 255, 0xF81F}, {255, 192, 128, 0xFDA0},
                                            {0, 0, 128, 0x000F},     {0, 128, 0, 0x03E0},   {0, 128, 128, 0x03EF},
                                            {128, 0, 0, 0x7800},     {128, 0, 128, 0xE01C}, {192, 192, 0, 0x7BE0}}};
}

Rgb ChannelColour(int number)
{
    if (number < 0 || number >= kCount)
        return RgbOf(255, 255, 255);
    const Entry& e = kTable[number];
    return RgbOf(e.r, e.g, e.b);
}

std::optional<quint16> Rgb565(int number)
{
    if (number < 0 || number >= kCount)
        return std::nullopt;
    return kTable[number].rgb565;
}

std::optional<int> NumberOfRgb565(quint16 value)
{
    for (int i = 0; i < kCount; ++i)
        if (kTable[i].rgb565 == value)
            return i;
    return std::nullopt;
}

} // namespace colours
