#pragma once
// Colours in logic code: 0xAARRGGBB, the value a QRgb holds, without the
// GUI module. Windows hand them to QColor as they are.
#include <QtGlobal>

using Rgb = quint32;

constexpr Rgb RgbOf(int r, int g, int b)
{
    return 0xFF000000u | (quint32(r & 0xFF) << 16) | (quint32(g & 0xFF) << 8) | quint32(b & 0xFF);
}
constexpr int RedOf(Rgb c) { return int((c >> 16) & 0xFF); }
constexpr int GreenOf(Rgb c) { return int((c >> 8) & 0xFF); }
constexpr int BlueOf(Rgb c) { return int(c & 0xFF); }

// Contrast ratio of two colours (1..21), by their relative luminance.
double ContrastRatio(Rgb a, Rgb b);
// Black or white, whichever reads better on `background`.
Rgb ReadableTextOn(Rgb background);
