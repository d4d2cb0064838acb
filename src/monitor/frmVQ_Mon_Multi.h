#pragma once
// "Multi Monitoring": every device of the device list with its communication
// state, values, DIs, relays and alarms of channels 1..6.
#include "monitor/MultiMonitorDialog.h"

class frmVQ_Mon_Multi : public MultiMonitorDialog {
    Q_OBJECT
public:
    explicit frmVQ_Mon_Multi(const DataStore& store, QWidget* parent = nullptr);
};
