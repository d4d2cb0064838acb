#include "ui/SpanHeaderView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QSet>
#include <QStyleOptionHeader>
#include <QTableView>

SpanHeaderView::SpanHeaderView(int rows, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_rows(qMax(rows, 1))
{
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignCenter);
    // A span's text is centred over all its sections, so any change of
    // section geometry may move text outside the section that changed.
    auto repaint = [this] { viewport()->update(); };
    connect(this, &QHeaderView::sectionResized, this, repaint);
    connect(this, &QHeaderView::sectionCountChanged, this, repaint);
    connect(this, &QHeaderView::geometriesChanged, this, repaint);
}

SpanHeaderView* SpanHeaderView::install(QTableView* view, int rows)
{
    auto* header = new SpanHeaderView(rows, view);
    const QHeaderView* old = view->horizontalHeader();
    header->setDefaultSectionSize(old->defaultSectionSize());
    header->setMinimumSectionSize(old->minimumSectionSize());
    view->setHorizontalHeader(header);
    return header;
}

int SpanHeaderView::headerRowHeight() const
{
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    const int text = fontMetrics().height();
    const QSize s = style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(0, text), this);
    return qMax(s.height(), text + 6);
}

QSize SpanHeaderView::sizeHint() const
{
    return {QHeaderView::sizeHint().width(), m_rows * headerRowHeight()};
}

void SpanHeaderView::setCell(int row, int section, const QString& text, int rowSpan, int colSpan)
{
    if (row < 0 || row >= m_rows || section < 0)
        return;
    rowSpan = qBound(1, rowSpan, m_rows - row);
    colSpan = qMax(colSpan, 1);
    m_cells.removeIf([&](const Cell& c) { return c.row == row && c.section == section; });
    m_cells.append({row, section, rowSpan, colSpan, text});
    viewport()->update();
}

const SpanHeaderView::Cell* SpanHeaderView::cellAt(int row, int section) const
{
    // The latest cell wins where cells overlap.
    for (auto it = m_cells.crbegin(); it != m_cells.crend(); ++it)
        if (it->covers(row, section))
            return &*it;
    return nullptr;
}

QString SpanHeaderView::cellText(int row, int section) const
{
    const Cell* c = cellAt(row, section);
    return c ? c->text : QString();
}

QRect SpanHeaderView::cellRect(int row, int section) const
{
    const Cell* c = cellAt(row, section);
    return c ? spanRect(c->row, c->section, c->rowSpan, c->colSpan) : QRect();
}

QRect SpanHeaderView::spanRect(int row, int section, int rowSpan, int colSpan) const
{
    int left = INT_MAX, right = INT_MIN;
    const int end = qMin(section + colSpan, count());
    for (int s = section; s < end; ++s) {
        if (isSectionHidden(s) || sectionSize(s) <= 0)
            continue;
        const int x = sectionViewportPosition(s);
        left = qMin(left, x);
        right = qMax(right, x + sectionSize(s));
    }
    if (left >= right)
        return {};
    const int h = headerRowHeight();
    // The last row takes whatever height the view gives the header.
    const int bottom = row + rowSpan >= m_rows ? viewport()->height() : (row + rowSpan) * h;
    return QRect(left, row * h, right - left, bottom - row * h);
}

void SpanHeaderView::paintCell(QPainter& p, const QRect& rect, const QString& text, bool lastRow) const
{
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.text = text;
    opt.textAlignment = Qt::AlignCenter;
    opt.position = QStyleOptionHeader::Middle;
    opt.state |= QStyle::State_Enabled;
    if (window()->isActiveWindow())
        opt.state |= QStyle::State_Active;
    style()->drawControl(QStyle::CE_Header, &opt, &p, this);
    if (!lastRow) {
        // Styles draw only the bottom edge of the whole header: mark row boundaries.
        p.save();
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(rect.bottomLeft(), rect.bottomRight());
        p.restore();
    }
}

void SpanHeaderView::paintEvent(QPaintEvent* event)
{
    if (count() == 0)
        return;
    QPainter p(viewport());
    p.setClipRect(event->rect());
    int first = logicalIndexAt(event->rect().left());
    int last = logicalIndexAt(event->rect().right());
    if (first < 0)
        first = 0;
    if (last < 0)
        last = count() - 1;
    QSet<const Cell*> painted;
    for (int s = first; s <= last; ++s) {
        if (isSectionHidden(s))
            continue;
        for (int r = 0; r < m_rows; ++r) {
            const Cell* c = cellAt(r, s);
            if (c) {
                if (painted.contains(c))
                    continue;
                painted.insert(c);
                paintCell(p, spanRect(c->row, c->section, c->rowSpan, c->colSpan), c->text,
                          c->row + c->rowSpan >= m_rows);
            } else {
                paintCell(p, spanRect(r, s, 1, 1), QString(), r + 1 >= m_rows);
            }
        }
    }
}
