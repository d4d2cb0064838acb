#include "monitor/MonitorStyle.h"

#include "ui/FitLabel.h"

#include <QWidget>

namespace monitorstyle {

FitLabel* ValueLabel(const QString& name, int pointSize, QWidget* parent)
{
    auto* l = new FitLabel(QStringLiteral("----.-"), parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(pointSize * 9);
    l->setStyleSheet(QStringLiteral("QLabel { background: #0b1520; color: #7CFC9A; border: 1px solid #44556a;"
                                    " padding: 1px 6px; }"));
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

} // namespace monitorstyle
