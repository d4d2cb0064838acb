#include "ui/PageLook.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QWidget>

void PaintButton(QAbstractButton* button, const QColor& colour)
{
    if (!colour.isValid()) {
        button->setStyleSheet(QString());
        return;
    }
    const double luminance = 0.299 * colour.red() + 0.587 * colour.green() + 0.114 * colour.blue();
    const QColor text = luminance < 140 ? QColor(Qt::white) : QColor(Qt::black);
    // A checked option (a chosen colour) gets a heavy frame.
    button->setStyleSheet(QStringLiteral("QAbstractButton { background-color: %1; color: %2; border: 1px solid #707070;"
                                         " border-radius: 3px; padding: 3px 8px; }"
                                         " QAbstractButton:checked { border: 3px solid #202020; font-weight: bold; }")
                              .arg(colour.name(), text.name()));
}

int PaintedButtonWidth(const QAbstractButton* button, const QString& text)
{
    QFont bold = button->font();
    bold.setBold(true);
    // Padding 8 and the chosen frame 3 on each side, and a pixel of air.
    return QFontMetrics(bold).horizontalAdvance(text.isEmpty() ? button->text() : text) + 2 * (8 + 3) + 2;
}

void LightButton(QAbstractButton* button, bool lit)
{
    PaintButton(button, lit ? QColor(0, 255, 0) : QColor());
}

void PaintSwatch(QWidget* swatch, const QColor& colour)
{
    swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #404040;").arg(colour.name()));
}
