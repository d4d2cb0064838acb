// Draws the program's alarm and memory pictures and writes them as .ico
// files into the folder given on the command line; with --app-icons, the
// program's icon in the sizes of an icon theme.
#include "app/AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {

constexpr int S = 32;

QImage canvas()
{
    QImage img(S, S, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void speaker(QPainter& p)
{
    QPainterPath body;
    body.moveTo(4, 12);
    body.lineTo(10, 12);
    body.lineTo(17, 5);
    body.lineTo(17, 27);
    body.lineTo(10, 20);
    body.lineTo(4, 20);
    body.closeSubpath();
    p.setPen(QPen(QColor(20, 20, 20), 1.5));
    p.setBrush(QColor(250, 250, 250));
    p.drawPath(body);
}

QImage soundOn()
{
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    speaker(p);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(20, 20, 20), 2.2, Qt::SolidLine, Qt::RoundCap));
    for (int r : {5, 9, 13})
        p.drawArc(QRectF(17 - r, 16 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
    return img;
}

QImage soundOff()
{
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    speaker(p);
    p.setPen(QPen(QColor(20, 20, 20), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(21, 12), QPointF(29, 20));
    p.drawLine(QPointF(29, 12), QPointF(21, 20));
    return img;
}

// A memory card: notched outline with contacts; `fill` tells it is present.
QImage card(const QColor& fill, bool present, bool recording)
{
    QImage img = canvas();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.moveTo(7, 3);
    outline.lineTo(21, 3);
    outline.lineTo(26, 8);
    outline.lineTo(26, 29);
    outline.lineTo(7, 29);
    outline.closeSubpath();
    p.setPen(QPen(present ? QColor(30, 40, 60) : QColor(130, 130, 130), 1.6,
                  present ? Qt::SolidLine : Qt::DashLine));
    p.setBrush(present ? fill : QColor(235, 235, 235, 160));
    p.drawPath(outline);
    if (present) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 200, 60));
        for (int k = 0; k < 4; ++k)
            p.drawRect(QRectF(9.5 + k * 3.6, 5, 2.2, 5));
        p.setBrush(QColor(255, 255, 255, 220));
        p.drawRoundedRect(QRectF(10, 14, 13, 11), 1.5, 1.5);
    } else {
        p.setPen(QPen(QColor(200, 40, 40), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 27), QPointF(28, 5));
    }
    if (recording) {
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(QColor(230, 20, 20));
        p.drawEllipse(QPointF(16.5, 19.5), 4.5, 4.5);
    }
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR | --app-icons THEME_DIR\n", argv[0]);
        return 2;
    }
    // --app-icons DIR: the program's icon for the hicolor theme, DIR/NxN/apps/vq800.png.
    if (argc == 3 && QByteArray(argv[1]) == "--app-icons") {
        const QDir theme(QString::fromLocal8Bit(argv[2]));
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QString folder = QStringLiteral("%1x%1/apps").arg(size);
            const QString path = theme.filePath(folder + QStringLiteral("/vq800.png"));
            if (!theme.mkpath(folder) || !AppIconImage(size).save(path, "PNG")) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
        return 0;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const std::pair<const char*, std::function<QImage()>> pictures[] = {
        {"SoundON.ico", soundOn},
        {"SoundOFF.ico", soundOff},
        {"MEM00.ico", [] { return card(QColor(90, 110, 140), false, false); }},
        {"MEM01.ico", [] { return card(QColor(40, 90, 170), true, false); }},
        {"MEM02.ico", [] { return card(QColor(40, 90, 170), true, true); }},
    };
    for (const auto& [name, draw] : pictures) {
        const QString path = out.filePath(QString::fromLatin1(name));
        if (!draw().save(path, "ICO")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
