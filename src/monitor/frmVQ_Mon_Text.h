#pragma once
// Text monitor of the selected device: channels 1..6 as large numeric panels
// with title, value, unit, display range and a position bar.
#include "monitor/DisplayRules.h"

#include "monitor/SingleMonitorWindow.h"

#include <array>

class FitLabel;
class GradientLabel;
class TextProgressBar;

class frmVQ_Mon_Text : public SingleMonitorWindow {
    Q_OBJECT
public:
    frmVQ_Mon_Text(MonitorState& state, const DataStore& store, const LinkState& link, const QString& programDir,
                   QWidget* parent = nullptr);

    void tmrDispGraph_Tick() override;

private:
    std::array<GradientLabel*, 6> lblCH_Name{};
    std::array<GradientLabel*, 6> lblPV{};
    std::array<GradientLabel*, 6> lblUnit{};
    std::array<FitLabel*, 6> lblRangeH{};
    std::array<FitLabel*, 6> lblRangeL{};
    std::array<TextProgressBar*, 6> XProgress1{};

    MonitorState& m_state;
    const DataStore& m_store;
    const LinkState& m_link;
    rules::SingleDisplay m_display;
};
