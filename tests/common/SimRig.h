#pragma once
// The polling engine on the simulated line, in process, driven step by step:
// each step fires the transmit timer, delivers the answer or fires the time-out.
#include "common/ManualTimer.h"
#include "link/CommLog.h"
#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/PollingEngine.h"
#include "sim/LineServer.h"
#include "sim/SimPort.h"

#include <QList>
#include <utility>

struct SimRig {
    LineServer server;
    SimPort port{server};
    LinkState link;
    DataStore store;
    CommLog log;
    ManualTimer tx, rx;
    PollingEngine engine{link, store, log, port, tx, rx};

    explicit SimRig(const QList<std::pair<int, int>>& devices)
    {
        server.setWireFormat({0, 10, 0});
        for (auto [n, model] : devices) {
            server.addDevice(n, model);
            link.gMC_No << n;
            link.gMC_Online << false;
            store.appendDeviceRow(n);
        }
        link.gMC_Last = static_cast<int>(devices.size()) - 1;
    }
    void step()
    {
        if (engine.quieting())
            rx.fire(); // the line has fallen quiet after a fault
        if (!tx.fire())
            return;
        port.deliver();
        if (engine.awaitingAnswer())
            rx.fire();
    }
    void steps(int n)
    {
        for (int i = 0; i < n; ++i)
            step();
    }
    void untilMonitoring(int limit = 60)
    {
        for (int i = 0; i < limit && !(link.gReqCode == 11 && link.gCommonReadDone); ++i)
            step();
    }
};
