#pragma once
// Paints the trend model's segments on the plot surface.
#include "monitor/TrendModel.h"

#include <QImage>

// Draws a tick's segments into the surface image (white background).
void DrawTrend(QImage& surface, const TrendTick& tick);
