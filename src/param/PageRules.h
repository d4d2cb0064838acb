#pragma once
// Stepping and clamping rules of the display and system pages. Every rule
// takes the cell's text and gives the text to write back.
#include <QString>

namespace pagerules {

// A typed number held to lo..hi (no number counts as 0).
QString ClampTyped(const QString& typed, int lo, int hi);

// 9600 -> 19200 -> 38400 -> 57600 -> 9600 (down the other way); other texts stay.
QString StepBaud(const QString& text, bool up);
// NONE -> ODD -> EVEN -> NONE (down the other way); other texts stay.
QString StepParity(const QString& text, bool up);
// 7 <-> 8; anything else becomes 7.
QString StepDataLength(const QString& text);
// 1 <-> 2; anything else becomes 1.
QString StepStopBit(const QString& text);
// Text-view windows: 1 -> 2 -> 3 -> 4 -> 6 -> 1 up; down the other way; 5 never occurs.
int StepWindowNumber(int value, bool up);

// Screen saver minutes: 0 or less (or no number) is off.
struct ScreenSaver {
    QString box;  // "--" when off
    QString cell; // "0" when off
};
ScreenSaver ClampScreenSaver(const QString& typed);

// Which panels of the display page a display mode shows.
struct DisplayPanels {
    bool trend = false, textView = false, history = false;
};
DisplayPanels PanelsForMode(const QString& mode);

} // namespace pagerules
