#pragma once
// Bar monitor of the selected device: channels 1..6 as vertical gauges with
// their scales, values and units, and the header marks.
#include "monitor/BarModel.h"

#include "monitor/SingleMonitorWindow.h"

#include <array>

class FitLabel;
class ScalePanel;
class QLabel;

class frmVQ_Mon_Bar : public SingleMonitorWindow {
    Q_OBJECT
public:
    static constexpr int kPanelHeight = 330;

    frmVQ_Mon_Bar(MonitorState& state, const DataStore& store, const LinkState& link, const QString& programDir,
                  QWidget* parent = nullptr);

    void tmrDispGraph_Tick() override;

private:
    std::array<ScalePanel*, 6> picRowScale{};
    std::array<QLabel*, 6> lblCH{};
    std::array<FitLabel*, 6> lblCH_Val{};
    std::array<FitLabel*, 6> lblCH_Unit{};

    BarModel m_model;
};
