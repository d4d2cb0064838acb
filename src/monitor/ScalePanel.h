#pragma once
// A vertical scale: max, mid and min labels, tick lines at tenths of the
// height, and a filled shape in the channel colour that is either a level
// marker (trend) or a bar rising from the bottom edge (bar gauge).
#include <QWidget>

class QLabel;

class ScalePanel : public QWidget {
    Q_OBJECT
public:
    enum class Style { Marker, Bar };
    ScalePanel(int index, Style style, QWidget* parent = nullptr);

    void setTexts(const QString& max, const QString& mid, const QString& min);
    void setColour(const QColor& c);
    // Marker style: centre of the marker at y.
    void setMarkerY(double y);
    // Bar style: the bar from top with the given height; cut at the panel's edges.
    void setBar(int top, int height);

    QLabel* lblRowScale_Max = nullptr;
    QLabel* lblRowScale_Mid = nullptr;
    QLabel* lblRowScale_Min = nullptr;
    QWidget* shpRowScale_Bar = nullptr;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    QRect barColumn() const;
    void placeLabels();

    Style m_style;
    double m_markerY = 0;
    int m_barTop = 0, m_barHeight = 0;
};
