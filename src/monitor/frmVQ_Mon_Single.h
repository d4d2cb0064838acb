#pragma once
// Trend monitor of the selected device: channels 1..6 as scrolling lines
// with a scale panel each, their values and units, and the header marks.
#include "monitor/TrendModel.h"

#include "monitor/SingleMonitorWindow.h"

#include <QImage>
#include <array>

class FitLabel;
class ScalePanel;
class QFrame;
class QLabel;
class TrendSurface;

class frmVQ_Mon_Single : public SingleMonitorWindow {
    Q_OBJECT
public:
    frmVQ_Mon_Single(MonitorState& state, const DataStore& store, const LinkState& link, const QString& programDir,
                     QWidget* parent = nullptr);

    // The 500 ms tick, at the PC's time.
    void tmrDispGraph_Tick() override;
    // One tick at a given time (tests, the timer).
    void tick(const QTime& now);
    // Hides or shows channel i's trend line, as a click on its caption does.
    void toggleChannel(int i);

    // The drawing surface as drawn so far (trend lines only, without grid and labels).
    const QImage& plotImage() const { return m_image; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showChannels();

    QFrame* picBGraph = nullptr;
    QWidget* picGraph = nullptr;
    std::array<QLabel*, 6> lblGTime{};
    std::array<ScalePanel*, 6> picRowScale{};
    std::array<QFrame*, 6> picCH{};
    std::array<QLabel*, 6> lblCH{};
    std::array<FitLabel*, 6> lblCH_Val{};
    std::array<FitLabel*, 6> lblCH_Unit{};

    TrendModel m_model;
    QImage m_image;
};
