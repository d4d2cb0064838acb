#pragma once
// OneShotTimer over a precise QTimer.
#include "link/SerialPort.h"

#include <QTimer>

class QtOneShotTimer : public OneShotTimer {
public:
    explicit QtOneShotTimer(int intervalMs, QObject* parent = nullptr) : OneShotTimer(parent)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, this, &OneShotTimer::timeout);
    }
    void setInterval(int ms) override { m_timer.setInterval(ms); }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};
