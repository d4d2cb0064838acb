#include "ui/StatusPanel.h"

#include <QPainter>
#include <QStyle>

StatusPanel::StatusPanel(QWidget* parent)
    : QLabel(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setContentsMargins(4, 0, 4, 0);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void StatusPanel::setText(const QString& text)
{
    QLabel::setText(text);
    updateGeometry();
    updateTip();
}

void StatusPanel::setKeepWhole(bool keep)
{
    m_keepWhole = keep;
    updateGeometry();
}

bool StatusPanel::isElided() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

QSize StatusPanel::sizeHint() const
{
    const QMargins m = contentsMargins();
    const int frame = 2 * frameWidth();
    return {fontMetrics().horizontalAdvance(text()) + m.left() + m.right() + frame + 2,
            fontMetrics().height() + m.top() + m.bottom() + frame};
}

QSize StatusPanel::minimumSizeHint() const
{
    if (m_keepWhole)
        return sizeHint();
    // Room for a few characters and the ellipsis.
    return {qMin(sizeHint().width(), fontMetrics().horizontalAdvance(QStringLiteral("Port …")) + 16),
            sizeHint().height()};
}

void StatusPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect r = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), m_elide, r.width());
    style()->drawItemText(&p, r, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown, foregroundRole());
}

void StatusPanel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    updateTip();
}

void StatusPanel::updateTip()
{
    setToolTip(isElided() ? text() : QString());
}
