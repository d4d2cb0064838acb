#include "ui/Grid.h"

#include "ui/TextTableModel.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

QTableView* MakeGridView(TextTable* table, const QString& objectName, QWidget* parent, TextTableModel** modelOut,
                         QTableView* view)
{
    if (!view)
        view = new QTableView(parent);
    view->setObjectName(objectName);
    auto* model = new TextTableModel(table, view);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setHighlightSections(false);
    view->verticalHeader()->setHighlightSections(false);
    view->setWordWrap(false);
    if (modelOut)
        *modelOut = model;
    return view;
}

namespace {

class FramedRow : public QStyledItemDelegate {
public:
    explicit FramedRow(QTableView* view)
        : QStyledItemDelegate(view)
        , m_view(view)
        , m_frame(view->palette().color(QPalette::Highlight))
    {
        // The view paints no highlight under the cells.
        QPalette p = view->palette();
        p.setColor(QPalette::Highlight, Qt::transparent);
        p.setColor(QPalette::HighlightedText, p.color(QPalette::Text));
        view->setPalette(p);
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem o(option);
        const bool selected = o.state & QStyle::State_Selected;
        // The keyboard's place, when it is not the selected row: a dashed frame.
        const bool cursor = !selected && m_view->hasFocus() && index.row() == m_view->currentIndex().row();
        o.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (selected)
            o.font.setBold(true);
        QStyledItemDelegate::paint(p, o, index);
        if (!selected && !cursor)
            return;
        // One frame around the row: top and bottom on every cell, the sides at its ends.
        const QHeaderView* h = m_view->horizontalHeader();
        int first = -1, last = -1;
        for (int v = 0; v < h->count(); ++v) {
            if (h->isSectionHidden(h->logicalIndex(v)))
                continue;
            if (first < 0)
                first = v;
            last = v;
        }
        const int at = h->visualIndex(index.column());
        const QRect r = option.rect.adjusted(0, 0, -1, -1);
        p->save();
        p->setPen(selected ? QPen(m_frame, 2) : QPen(m_frame, 1, Qt::DashLine));
        p->drawLine(r.topLeft() + QPoint(0, 1), r.topRight() + QPoint(0, 1));
        p->drawLine(r.bottomLeft(), r.bottomRight());
        if (at == first)
            p->drawLine(r.topLeft() + QPoint(1, 0), r.bottomLeft() + QPoint(1, 0));
        if (at == last)
            p->drawLine(r.topRight(), r.bottomRight());
        p->restore();
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        const QString text = index.data(Qt::DisplayRole).toString();
        if (event->type() == QEvent::ToolTip && index.data(Qt::ToolTipRole).isNull()
            && option.fontMetrics.horizontalAdvance(text) + 8 > option.rect.width()) {
            QToolTip::showText(event->globalPos(), text, view);
            return true;
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

private:
    QTableView* m_view;
    QColor m_frame;
};

} // namespace

void FrameSelectedRow(QTableView* view)
{
    view->setItemDelegate(new FramedRow(view));
    // The dashed frame follows the keyboard's place and the focus.
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, view->viewport(),
                     qOverload<>(&QWidget::update));
}

QItemSelectionModel::SelectionFlags PickRowView::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    // Only a pick moves the selection (by selectRow), never the cursor keys.
    if (event && (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress
                  || event->type() == QEvent::MouseMove))
        return QItemSelectionModel::NoUpdate;
    return QTableView::selectionCommand(index, event);
}

void PickRowView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (currentIndex().isValid())
            emit rowPicked(currentIndex().row());
        event->accept();
        return;
    default:
        QTableView::keyPressEvent(event);
    }
}

void PickRowView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    const QModelIndex i = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && i.isValid())
        emit rowPicked(i.row());
}
