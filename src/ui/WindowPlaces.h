#pragma once
// Remembers where the operator put each window of the program (those named
// "frm..."), between runs: a window takes its saved place when it is first
// shown and saves it when it is hidden. A place on no screen (a monitor that
// was unplugged) is moved back onto one. Installed once on the application.
#include <QList>
#include <QObject>
#include <QRect>
#include <QSize>

class QWidget;

// Room a window's frame and title bar take around it.
inline constexpr QSize kWindowFrame(16, 48);
// `wanted`, or less where the window's screen has not that much room (frame included).
QSize FittingSize(const QWidget* window, const QSize& wanted);

class WindowPlaces : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;

    static void restore(QWidget* window);
    static void save(const QWidget* window);
    // `r` where it lies wholly on one of `screens`, or moved (and shrunk) onto
    // the one it overlaps most, the first when it overlaps none.
    static QRect OnScreen(const QRect& r, const QList<QRect>& screens);
};
