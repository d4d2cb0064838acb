#pragma once
// A one-shot timer that fires only when a test says so.
#include "link/SerialPort.h"

class ManualTimer : public OneShotTimer {
public:
    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    // Fires the timer if it is armed; false when it was not.
    bool fire()
    {
        if (!m_active)
            return false;
        m_active = false;
        if (onTimeout)
            onTimeout();
        return true;
    }

private:
    bool m_active = false;
};
