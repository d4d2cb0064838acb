#pragma once
// Text monitor of the selected device: its six or twelve channels as large
// numeric panels with title, value, unit, display range and a position bar
// (three a row for six channels, four for twelve).
#include "monitor/DisplayRules.h"

#include "monitor/SingleMonitorWindow.h"

#include <array>

class FitLabel;
class GradientLabel;
class QFrame;
class QGridLayout;
class TextProgressBar;

class frmVQ_Mon_Text : public SingleMonitorWindow {
    Q_OBJECT
public:
    frmVQ_Mon_Text(MonitorState& state, const DataStore& store, const LinkState& link, const QString& programDir,
                   QWidget* parent = nullptr);

    void tmrDispGraph_Tick() override;

private:
    // Shows the panels of `channels` channels.
    void layOut(int channels);

    static constexpr int kN = rules::kMaxChannels;
    std::array<QFrame*, kN> fraCH{};
    std::array<GradientLabel*, kN> lblCH_Name{};
    std::array<GradientLabel*, kN> lblPV{};
    std::array<GradientLabel*, kN> lblUnit{};
    std::array<FitLabel*, kN> lblRangeH{};
    std::array<FitLabel*, kN> lblRangeL{};
    std::array<TextProgressBar*, kN> XProgress1{};
    QGridLayout* m_panels = nullptr;
    int m_shown = 0;

    MonitorState& m_state;
    const DataStore& m_store;
    const LinkState& m_link;
    rules::SingleDisplay m_display;
};
