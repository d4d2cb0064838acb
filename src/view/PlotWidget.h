#pragma once
// The plot of a timeline on screen: zoom to a dragged rectangle or with the
// wheel, pan with Ctrl or the middle button held, a cursor that follows the
// mouse. The picture is kept between paints, so the cursor costs no redraw.
#include "view/PlotPainter.h"

#include <QImage>
#include <QList>
#include <QWidget>

class PlotWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kHint =
        "Drag: zoom · Wheel: time, with Shift: values · Ctrl- or middle-drag: pan · Home: all";

    explicit PlotWidget(QWidget* parent = nullptr);

    // A new timeline (kept by the caller) shown whole.
    void setTimeline(const Timeline* tl);
    void setLooks(const ChannelLooks& looks);
    void setShown(int channel, bool shown); // 0-based
    void setEmptyText(const QString& text);
    void setNote(const QString& text); // framed over the plot; empty for none
    const PlotScene& scene() const { return m_scene; }

    PlotRange range() const { return m_scene.range; }
    // Shows a range; the one before is kept for back().
    void setRange(const PlotRange& r);
    void resetRange();
    void zoom(double factor); // about the middle; < 1 zooms in
    void pan(double fractionX, double fractionY);
    void back();

    // The record under the cursor; -1 for none.
    qsizetype cursorRecord() const { return m_cursor; }
    void setCursorRecord(qsizetype index);
    QRectF plotArea() const;

signals:
    void rangeChanged();
    void cursorChanged(qsizetype index);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void changed();
    void showRange(const PlotRange& r, bool remember);
    PlotMap map() const { return {plotArea(), m_scene.range}; }

    PlotScene m_scene;
    QImage m_picture;
    bool m_stale = true;
    qsizetype m_cursor = -1;
    enum class Drag { None, Box, Pan } m_drag = Drag::None;
    QPointF m_from, m_to;
    PlotRange m_dragStart;
    bool m_wheeling = false; // a run of wheel steps is one step back
    QList<PlotRange> m_history;
};
