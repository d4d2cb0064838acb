#pragma once
// Look shared by the single-device monitor windows.
#include <QColor>
#include <QString>

class QLabel;
class QWidget;

namespace monitorstyle {
// A value read-out: dark field, bright digits, right-aligned.
QLabel* ValueLabel(const QString& name, int pointSize, QWidget* parent);
// Solid background colour of a plain widget (swatches, panels).
void SetBackground(QWidget* w, const QColor& c);
}
