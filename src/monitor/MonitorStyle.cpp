#include "monitor/MonitorStyle.h"

#include <QLabel>
#include <QWidget>

namespace monitorstyle {

QLabel* ValueLabel(const QString& name, int pointSize, QWidget* parent)
{
    auto* l = new QLabel(QStringLiteral("----.-"), parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(pointSize * 9);
    l->setStyleSheet(QStringLiteral("QLabel { background: #0b1520; color: #7CFC9A; border: 1px solid #44556a;"
                                    " font-family: monospace; font-weight: bold; font-size: %1pt; padding: 1px 6px; }")
                         .arg(pointSize));
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

} // namespace monitorstyle
