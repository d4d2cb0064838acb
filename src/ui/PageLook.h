#pragma once
// The look shared by the parameter pages: the chosen option lit green,
// the current display mode painted blue, swatches of a colour.
#include <QColor>

class QAbstractButton;
class QWidget;

// Lights a button green (0,255,0) or gives it back the button-face colour.
void LightButton(QAbstractButton* button, bool lit);
// Paints a button in a colour, or gives it back the button-face colour (invalid colour).
void PaintButton(QAbstractButton* button, const QColor& colour);
// Width a painted button needs to show its text (or `text`) whole, chosen
// (bold, heavy frame) or not.
int PaintedButtonWidth(const QAbstractButton* button, const QString& text = QString());
// Fills a widget's background (a swatch label).
void PaintSwatch(QWidget* swatch, const QColor& colour);
