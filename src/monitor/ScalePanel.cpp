#include "monitor/ScalePanel.h"

#include "ui/FitLabel.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kMarkerW = 12, kMarkerH = 8;

class Shape : public QWidget {
public:
    using QWidget::QWidget;
    QColor colour = Qt::white;
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), colour);
        p.setPen(colour.darker(160));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

} // namespace

ScalePanel::ScalePanel(int index, Style style, QWidget* parent) : QWidget(parent), m_style(style)
{
    setObjectName(QStringLiteral("picRowScale%1").arg(index));
    auto label = [&](const char* name, Qt::Alignment align) {
        auto* l = new FitLabel(QString(), this);
        l->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(index));
        l->setAlignment(align | Qt::AlignVCenter);
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * 0.85);
        l->setFont(f);
        m_labelHeight = l->sizeHint().height();
        l->setFitRange(7); // long scale texts shrink rather than lose digits
        return l;
    };
    lblRowScale_Max = label("lblRowScale_Max", Qt::AlignLeft);
    lblRowScale_Mid = label("lblRowScale_Mid", Qt::AlignLeft);
    lblRowScale_Min = label("lblRowScale_Min", Qt::AlignLeft);
    auto* shape = new Shape(this);
    shape->setObjectName(QStringLiteral("shpRowScale_Bar%1").arg(index));
    shpRowScale_Bar = shape;
    if (style == Style::Bar) {
        shape->setGeometry(barColumn().left(), height(), barColumn().width(), 0);
    } else {
        shape->setGeometry(width() - kMarkerW, height(), kMarkerW, kMarkerH);
        shape->hide(); // until there is a value to mark
    }
}

QRect ScalePanel::barColumn() const
{
    // The labels take the left part, the bar a column of at most 60 pixels.
    const int left = std::max(width() / 2, width() - 66);
    return QRect(left, 0, width() - left - 6, height());
}

void ScalePanel::placeLabels()
{
    const int lh = m_labelHeight;
    const int lw = m_style == Style::Bar ? barColumn().left() - 10 : width() - kMarkerW - 4;
    lblRowScale_Max->setGeometry(3, 1, lw, lh);
    // The mid label sits a third of its height above the centre line.
    lblRowScale_Mid->setGeometry(3, height() / 2 - lh / 3, lw, lh);
    lblRowScale_Min->setGeometry(3, height() - lh - 1, lw, lh);
}

void ScalePanel::setTexts(const QString& max, const QString& mid, const QString& min)
{
    lblRowScale_Max->setText(max);
    lblRowScale_Mid->setText(mid);
    lblRowScale_Min->setText(min);
}

void ScalePanel::setColour(const QColor& c)
{
    auto* shape = static_cast<Shape*>(shpRowScale_Bar);
    if (shape->colour != c) {
        shape->colour = c;
        shape->update();
    }
}

void ScalePanel::setMarkerY(std::optional<double> y)
{
    m_markerY = y;
    shpRowScale_Bar->setVisible(y.has_value());
    if (!y)
        return;
    const double top = std::clamp(*y - kMarkerH / 2.0, -1000.0, height() + 1000.0);
    shpRowScale_Bar->move(width() - kMarkerW, int(std::lround(top)));
}

void ScalePanel::setBar(int top, int height)
{
    m_barTop = top;
    m_barHeight = height;
    const int h = this->height();
    const int visibleTop = std::clamp(top, 0, h);
    const int bottom = std::clamp(top + height, 0, h);
    const QRect col = barColumn();
    shpRowScale_Bar->setGeometry(col.left(), visibleTop, col.width(), std::max(0, bottom - visibleTop));
}

void ScalePanel::resizeEvent(QResizeEvent*)
{
    placeLabels();
    if (m_style == Style::Bar)
        setBar(m_barTop, m_barHeight);
    else
        setMarkerY(m_markerY);
}

void ScalePanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_style == Style::Bar ? QColor(250, 251, 253) : QColor(244, 246, 250));
    p.setPen(QColor(170, 176, 186));
    const int w = width(), h = height();
    // The nine tick lines (lineRowScale) at tenths of the height.
    for (int k = 1; k <= 9; ++k) {
        const int y = h * k / 10;
        if (m_style == Style::Bar) {
            const QRect col = barColumn();
            p.setPen(QColor(215, 219, 226));
            p.drawLine(col.left(), y, col.right(), y);
            p.setPen(QColor(120, 126, 136));
            p.drawLine(col.left() - (k == 5 ? 10 : 6), y, col.left() - 1, y);
        } else {
            p.drawLine(w - (k == 5 ? 10 : 6), y, w - 1, y);
        }
    }
    p.setPen(QColor(120, 126, 136));
    if (m_style == Style::Bar)
        p.drawRect(barColumn().adjusted(-1, -1, 0, 0));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
