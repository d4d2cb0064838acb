#pragma once
// "Multi Monitoring - PV": every device of the device list with an "O"/"X"
// communication mark and the values of channels 1..6.
#include "monitor/MultiMonitorDialog.h"

class frmVQ_Mon_MultiPV : public MultiMonitorDialog {
    Q_OBJECT
public:
    explicit frmVQ_Mon_MultiPV(const DataStore& store, QWidget* parent = nullptr);
};
