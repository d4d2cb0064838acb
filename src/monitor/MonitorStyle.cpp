#include "monitor/MonitorStyle.h"

#include "ui/FitLabel.h"

#include <QVariant>
#include <QWidget>

namespace monitorstyle {

namespace {
QString valueStyle(const char* ink)
{
    return QStringLiteral("QLabel { background: #0b1520; color: %1; border: 1px solid #44556a; padding: 1px 6px; }")
        .arg(QLatin1String(ink));
}
}

FitLabel* ValueLabel(const QString& name, int pointSize, QWidget* parent)
{
    auto* l = new FitLabel(QStringLiteral("----.-"), parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(pointSize * 9);
    l->setStyleSheet(valueStyle("#7CFC9A"));
    QFont f(QStringLiteral("monospace"));
    f.setStyleHint(QFont::TypeWriter);
    f.setBold(true);
    f.setPointSize(pointSize);
    l->setFont(f);
    l->setFitRange(8);
    return l;
}

void SetBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    if (p.color(QPalette::Window) == c && w->autoFillBackground())
        return;
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QString StaleTip()
{
    return QStringLiteral("No fresh values: the recorder does not answer (NG); its last values are shown greyed");
}

void ShowStale(FitLabel* valueLabel, bool stale)
{
    if (valueLabel->property("stale").toBool() == stale)
        return;
    valueLabel->setProperty("stale", stale);
    valueLabel->setStyleSheet(valueStyle(stale ? "#6b7785" : "#7CFC9A"));
    valueLabel->setToolTip(stale ? StaleTip() : QString());
}

} // namespace monitorstyle
