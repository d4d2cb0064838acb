#include "ui/WindowPlaces.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace {

QSettings settings()
{
    return QSettings(QStringLiteral("vq800"), QStringLiteral("vq800"));
}

QString key(const QWidget* w)
{
    return QStringLiteral("windows/") + w->objectName();
}

bool isProgramWindow(const QObject* o)
{
    const auto* w = qobject_cast<const QWidget*>(o);
    return w && w->isWindow() && w->objectName().startsWith(QLatin1String("frm"));
}

// Room for the frame the window manager adds around a window moved back.
constexpr QMargins kFrame(8, 32, 8, 8);

} // namespace

QSize FittingSize(const QWidget* window, const QSize& wanted)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? wanted.boundedTo(screen->availableSize() - kWindowFrame) : wanted;
}

bool WindowPlaces::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && isProgramWindow(watched)) {
        auto* w = static_cast<QWidget*>(watched);
        if (type == QEvent::Show && !w->property("vq800Placed").toBool()) {
            w->setProperty("vq800Placed", true);
            restore(w);
        } else if (type == QEvent::Hide) {
            save(w);
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowPlaces::restore(QWidget* window)
{
    QSettings s = settings();
    const QRect saved = s.value(key(window) + QStringLiteral("/geometry")).toRect();
    if (!saved.isValid())
        return;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    window->setGeometry(OnScreen(saved, screens));
    if (s.value(key(window) + QStringLiteral("/maximized")).toBool())
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void WindowPlaces::save(const QWidget* window)
{
    QSettings s = settings();
    s.setValue(key(window) + QStringLiteral("/geometry"), window->normalGeometry());
    s.setValue(key(window) + QStringLiteral("/maximized"), window->isMaximized());
}

QRect WindowPlaces::OnScreen(const QRect& r, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return r;
    QRect best = screens.first();
    qint64 bestArea = 0;
    for (const QRect& s : screens) {
        if (s.contains(r))
            return r;
        const QRect common = s.intersected(r);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = s;
        }
    }
    const QRect room = best.marginsRemoved(kFrame);
    QRect placed(r.topLeft(), r.size().boundedTo(room.size()));
    placed.moveLeft(qBound(room.left(), placed.left(), room.right() - placed.width() + 1));
    placed.moveTop(qBound(room.top(), placed.top(), room.bottom() - placed.height() + 1));
    return placed;
}
