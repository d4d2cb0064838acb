#include "view/PlotWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

namespace {

const Timeline& NoTimeline()
{
    static const Timeline empty;
    return empty;
}

} // namespace

PlotWidget::PlotWidget(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("plot"));
    setAccessibleName(QStringLiteral("Plot"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_scene.range = FitRange(Timeline(), m_scene.shown);
}

void PlotWidget::setTimeline(const Timeline* tl)
{
    m_scene.timeline = tl;
    m_history.clear();
    m_scene.range = FitRange(tl ? *tl : NoTimeline(), m_scene.shown);
    setCursorRecord(-1);
    changed();
}

void PlotWidget::setLooks(const ChannelLooks& looks)
{
    m_scene.looks = looks;
    changed();
}

void PlotWidget::setShown(int channel, bool shown)
{
    if (channel < 0 || channel >= int(m_scene.shown.size()) || m_scene.shown[channel] == shown)
        return;
    m_scene.shown[channel] = shown;
    changed();
}

void PlotWidget::setEmptyText(const QString& text)
{
    m_scene.emptyText = text;
    changed();
}

void PlotWidget::setNote(const QString& text)
{
    if (m_scene.note == text)
        return;
    m_scene.note = text;
    changed();
}

void PlotWidget::changed()
{
    m_stale = true;
    update();
}

void PlotWidget::showRange(const PlotRange& r, bool remember)
{
    if (r == m_scene.range)
        return;
    if (remember) {
        m_history.append(m_scene.range);
        if (m_history.size() > 100)
            m_history.removeFirst();
    }
    m_scene.range = r;
    changed();
    emit rangeChanged();
}

void PlotWidget::setRange(const PlotRange& r)
{
    m_wheeling = false;
    showRange(r, true);
}

void PlotWidget::resetRange()
{
    setRange(FitRange(m_scene.timeline ? *m_scene.timeline : NoTimeline(), m_scene.shown));
}

void PlotWidget::zoom(double factor)
{
    const PlotRange& r = m_scene.range;
    setRange(ZoomTime(r, (r.t0 + r.t1) / 2, factor));
}

void PlotWidget::pan(double fx, double fy)
{
    const PlotRange& r = m_scene.range;
    setRange(Panned(r, (r.t1 - r.t0) * fx, (r.y1 - r.y0) * fy));
}

void PlotWidget::back()
{
    m_wheeling = false;
    if (!m_history.isEmpty())
        showRange(m_history.takeLast(), false);
}

void PlotWidget::setCursorRecord(qsizetype index)
{
    if (!m_scene.timeline || index < 0 || index >= m_scene.timeline->size())
        index = -1;
    if (index == m_cursor)
        return;
    m_cursor = index;
    update();
    emit cursorChanged(index);
}

QRectF PlotWidget::plotArea() const
{
    return PlotArea(font(), QRectF(rect()), m_scene);
}

void PlotWidget::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    if (m_stale || m_picture.size() != size() * dpr) {
        m_picture = QImage(size() * dpr, QImage::Format_RGB32);
        m_picture.setDevicePixelRatio(dpr);
        QPainter p(&m_picture);
        p.setFont(font());
        PaintPlot(p, QRectF(rect()), m_scene);
        m_stale = false;
    }
    QPainter p(this);
    p.drawImage(0, 0, m_picture);
    const QRectF area = plotArea();
    PaintCursor(p, area, m_scene, m_cursor);
    if (m_drag == Drag::Box) {
        const QRectF box = QRectF(m_from, m_to).normalized().intersected(area);
        p.setPen(QPen(palette().highlight().color(), 1));
        QColor fill = palette().highlight().color();
        fill.setAlpha(40);
        p.setBrush(fill);
        p.drawRect(box);
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

void PlotWidget::resizeEvent(QResizeEvent*)
{
    m_stale = true;
}

void PlotWidget::mousePressEvent(QMouseEvent* e)
{
    m_from = m_to = e->position();
    m_dragStart = m_scene.range;
    if (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier))) {
        m_drag = Drag::Pan;
        setCursor(Qt::ClosedHandCursor);
    } else if (e->button() == Qt::LeftButton) {
        m_drag = Drag::Box;
    }
}

void PlotWidget::mouseMoveEvent(QMouseEvent* e)
{
    m_to = e->position();
    const PlotMap m{plotArea(), m_dragStart};
    if (m_drag == Drag::Pan) {
        const double dt = m.t(m_from.x()) - m.t(m_to.x());
        const double dv = m.value(m_from.y()) - m.value(m_to.y());
        showRange(Panned(m_dragStart, dt, dv), false);
    } else if (m_drag == Drag::Box) {
        update();
    }
    if (m_scene.timeline)
        setCursorRecord(NearestRecord(*m_scene.timeline, map().t(m_to.x())));
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* e)
{
    m_to = e->position();
    const Drag drag = m_drag;
    m_drag = Drag::None;
    unsetCursor();
    if (drag == Drag::Pan && m_scene.range != m_dragStart) {
        const PlotRange now = m_scene.range;
        m_scene.range = m_dragStart;
        setRange(now);
    } else if (drag == Drag::Box) {
        const QRectF box = QRectF(m_from, m_to).normalized();
        if (box.width() >= 4)
            setRange(RangeOfRect(map(), box, box.height() >= 4));
        update();
    }
}

void PlotWidget::wheelEvent(QWheelEvent* e)
{
    const QPoint d = e->angleDelta();
    const PlotMap m = map();
    const bool values = e->modifiers() & Qt::ShiftModifier; // some platforms turn Shift+wheel sideways
    const int steps = values ? (d.y() ? d.y() : d.x()) : d.y();
    const bool remember = !m_wheeling;
    if (steps) {
        const double factor = std::pow(0.8, steps / 120.0);
        showRange(values ? ZoomValue(m.r, m.value(e->position().y()), factor)
                         : ZoomTime(m.r, m.t(e->position().x()), factor),
                  remember);
    } else if (d.x()) {
        showRange(Panned(m.r, -(m.r.t1 - m.r.t0) * d.x() / 1200.0, 0), remember);
    }
    m_wheeling = true;
    e->accept();
}

void PlotWidget::keyPressEvent(QKeyEvent* e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Home: resetRange(); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoom(0.5); break;
    case Qt::Key_Minus: zoom(2.0); break;
    case Qt::Key_Backspace: back(); break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int dir = e->key() == Qt::Key_Left ? -1 : 1;
        if (ctrl && m_scene.timeline && !m_scene.timeline->isEmpty()) // the cursor, record by record
            setCursorRecord(qBound<qsizetype>(0, m_cursor < 0 ? 0 : m_cursor + dir, m_scene.timeline->size() - 1));
        else
            pan(0.1 * dir, 0);
        break;
    }
    case Qt::Key_Up: pan(0, 0.1); break;
    case Qt::Key_Down: pan(0, -0.1); break;
    default: QWidget::keyPressEvent(e); return;
    }
    e->accept();
}
