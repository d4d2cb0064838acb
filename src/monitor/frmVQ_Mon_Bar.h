#pragma once
// Bar monitor of the selected device: its six or twelve channels as vertical
// gauges with their scales, values and units (twelve in two rows of lower
// gauges), and the header marks.
#include "monitor/BarModel.h"

#include "monitor/SingleMonitorWindow.h"

#include <array>

class FitLabel;
class QFrame;
class ScalePanel;
class QLabel;

class frmVQ_Mon_Bar : public SingleMonitorWindow {
    Q_OBJECT
public:
    static constexpr int kPanelHeight = 330;   // six channels
    static constexpr int kPanelHeight12 = 190; // twelve, in two rows

    frmVQ_Mon_Bar(MonitorState& state, const DataStore& store, const LinkState& link, const QString& programDir,
                  QWidget* parent = nullptr);

    void tmrDispGraph_Tick() override;

private:
    // Shows the gauges of `channels` channels; true when that changed them.
    bool layOut(int channels);

    static constexpr int kN = rules::kMaxChannels;
    std::array<QFrame*, kN> fraCH{};
    std::array<ScalePanel*, kN> picRowScale{};
    std::array<QLabel*, kN> lblCH{};
    std::array<FitLabel*, kN> lblCH_Val{};
    std::array<FitLabel*, kN> lblCH_Unit{};
    int m_shown = 0;

    BarModel m_model;
};
