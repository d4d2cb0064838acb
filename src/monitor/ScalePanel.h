#pragma once
// A vertical scale: max, mid and min labels, tick lines at tenths of the
// height, and a filled shape in the channel colour that is either a level
// marker (trend) or a bar rising from the bottom edge (bar gauge).
#include <QWidget>

#include <optional>

class FitLabel;

class ScalePanel : public QWidget {
    Q_OBJECT
public:
    enum class Style { Marker, Bar };
    ScalePanel(int index, Style style, QWidget* parent = nullptr);

    void setTexts(const QString& max, const QString& mid, const QString& min);
    void setColour(const QColor& c);
    // Marker style: centre of the marker at y; no y hides the marker.
    void setMarkerY(std::optional<double> y);
    // Bar style: the bar from top with the given height; cut at the panel's edges.
    void setBar(int top, int height);

    FitLabel* lblRowScale_Max = nullptr;
    FitLabel* lblRowScale_Mid = nullptr;
    FitLabel* lblRowScale_Min = nullptr;
    QWidget* shpRowScale_Bar = nullptr;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    QRect barColumn() const;
    void placeLabels();

    Style m_style;
    std::optional<double> m_markerY;
    int m_labelHeight = 0;
    int m_barTop = 0, m_barHeight = 0;
};
