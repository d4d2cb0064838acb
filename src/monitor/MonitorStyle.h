#pragma once
// Look shared by the single-device monitor windows.
#include <QColor>
#include <QString>

class FitLabel;
class QWidget;

namespace monitorstyle {
// A value read-out: dark field, bright digits, right-aligned; long values shrink to fit.
FitLabel* ValueLabel(const QString& name, int pointSize, QWidget* parent);
// Solid background colour of a plain widget (swatches, panels).
void SetBackground(QWidget* w, const QColor& c);
// A value read-out of a device that does not answer: its last value, greyed.
void ShowStale(FitLabel* valueLabel, bool stale);
// What a greyed value says when pointed at.
QString StaleTip();
}
