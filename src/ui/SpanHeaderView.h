#pragma once
// A horizontal table header with several rows whose cells may span rows and
// columns, for tables whose column titles are grouped ("PV" over twelve value
// columns, "COMMON" over three).
//
// Usage:
//   auto* header = SpanHeaderView::install(view, 2);   // two header rows
//   header->setCell(0, 0, "NAME", 2, 1);              // row 0, section 0, two rows high
//   header->setCell(0, 1, "COMMON", 1, 3);            // three sections wide
//   header->setCell(1, 1, "A"); ...
//
// Rows count from 0 (top); sections are the model's column numbers. Positions
// no cell covers are painted as empty header cells. Hidden sections take no
// room: a cell spanning hidden and shown sections covers only the shown ones,
// and a cell whose sections are all hidden is not painted. Section sizes,
// hiding and scrolling are those of QHeaderView.
#include <QHeaderView>
#include <QList>

class QTableView;

class SpanHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit SpanHeaderView(int rows, QWidget* parent = nullptr);

    // Replaces the horizontal header of a view by a new SpanHeaderView.
    static SpanHeaderView* install(QTableView* view, int rows);

    // Height of one header row in pixels.
    int headerRowHeight() const;

    // Adds a cell; it replaces any earlier cell that starts at the same position.
    void setCell(int row, int section, const QString& text, int rowSpan = 1, int colSpan = 1);

    // Text of the cell covering (row, section); empty when none does.
    QString cellText(int row, int section) const;
    // Rectangle of the cell covering (row, section), in viewport coordinates;
    // null when no cell covers it or all its sections are hidden.
    QRect cellRect(int row, int section) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Cell {
        int row, section, rowSpan, colSpan;
        QString text;
        bool covers(int r, int s) const
        {
            return r >= row && r < row + rowSpan && s >= section && s < section + colSpan;
        }
    };
    const Cell* cellAt(int row, int section) const;
    QRect spanRect(int row, int section, int rowSpan, int colSpan) const;
    void paintCell(QPainter& p, const QRect& rect, const QString& text, bool lastRow) const;

    int m_rows;
    QList<Cell> m_cells;
};
