#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QImage AppIconImage(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(QColor(20, 40, 70), s / 32));
    p.setBrush(QColor(28, 60, 110));
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.12, s * 0.12);
    p.setBrush(QColor(235, 245, 235));
    p.setPen(Qt::NoPen);
    const QRectF screen(s * 0.16, s * 0.18, s * 0.68, s * 0.5);
    p.drawRect(screen);
    QPainterPath trend;
    trend.moveTo(screen.left(), screen.bottom() - screen.height() * 0.3);
    trend.cubicTo(screen.left() + screen.width() * 0.3, screen.top(), screen.left() + screen.width() * 0.5,
                  screen.bottom(), screen.right(), screen.top() + screen.height() * 0.25);
    p.setPen(QPen(QColor(220, 40, 40), qMax<qreal>(1.2, s / 22)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trend);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 220, 80));
    p.drawEllipse(QRectF(s * 0.18, s * 0.74, s * 0.12, s * 0.12));
    p.setBrush(QColor(220, 200, 60));
    p.drawEllipse(QRectF(s * 0.36, s * 0.74, s * 0.12, s * 0.12));
    return img;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64, 128})
        icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}
