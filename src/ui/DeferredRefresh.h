#pragma once
// A page's refresh timer: single-shot, named tmrRefresh, calling `refresh` on
// the page `delayMs` after the last start(), so that a burst of changes is
// shown once. The page starts it; it is not started here.
#include <QTimer>

template <typename Page, typename Slot>
QTimer* DeferredRefresh(Page* page, Slot refresh, int delayMs = 50)
{
    auto* timer = new QTimer(page);
    timer->setObjectName(QStringLiteral("tmrRefresh"));
    timer->setSingleShot(true);
    timer->setInterval(delayMs);
    QObject::connect(timer, &QTimer::timeout, page, refresh);
    return timer;
}
