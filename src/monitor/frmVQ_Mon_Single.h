#pragma once
// Trend monitor of the selected device: its six or twelve channels as
// scrolling lines, a caption each with its value and unit (twelve in two
// rows), six scale panels (for twelve channels, of CH.01..06 or CH.07..12 as
// chosen), and the header marks.
#include "monitor/TrendModel.h"

#include "monitor/SingleMonitorWindow.h"

#include <QImage>
#include <array>

class FitLabel;
class ScalePanel;
class QFrame;
class QLabel;
class QPushButton;
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
    // The scale panels show CH.07..12 instead of CH.01..06, or back (twelve channels).
    void toggleScales();

    // The drawing surface as drawn so far (trend lines only, without grid and labels).
    const QImage& plotImage() const { return m_image; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showChannels();
    void layOut(int channels);
    void showScaleGroup();

    static constexpr int kN = TrendModel::kChannels;
    QFrame* picBGraph = nullptr;
    QWidget* picGraph = nullptr;
    QPushButton* btnScales = nullptr;
    std::array<QLabel*, 6> lblGTime{};
    std::array<ScalePanel*, 6> picRowScale{};
    std::array<QFrame*, kN> fraCH{};
    std::array<QFrame*, kN> picCH{};
    std::array<QLabel*, kN> lblCH{};
    std::array<FitLabel*, kN> lblCH_Val{};
    std::array<FitLabel*, kN> lblCH_Unit{};
    int m_shown = 0;
    int m_scaleGroup = 0; // the scales show channels 6 * group + 1 ..

    TrendModel m_model;
    QImage m_image;
};
