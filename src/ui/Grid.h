#pragma once
// The look every table of the program shares.
#include <QTableView>

class TextTable;
class TextTableModel;

// A table view over a TextTable, named, read-only, with compact rows; `view`
// is the view to set up (a new QTableView when null).
QTableView* MakeGridView(TextTable* table, const QString& objectName, QWidget* parent,
                         TextTableModel** modelOut = nullptr, QTableView* view = nullptr);

// A table whose selected row is picked, not followed: the arrow keys move a
// focus mark, a click or Return, Enter or Space picks the row under it
// (rowPicked), and the framed row moves only with selectRow().
class PickRowView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

signals:
    void rowPicked(int row);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The selected row of `view` keeps its cell colours (a green "OK" stays
// green): it shows in bold inside a frame instead of the highlight. A cell
// whose text does not fit shows it whole in its tooltip.
void FrameSelectedRow(QTableView* view);
