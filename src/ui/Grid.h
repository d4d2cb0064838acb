#pragma once
// The look every table of the program shares.
#include <QTableView>

class TextTable;
class TextTableModel;

// A table view over a TextTable, named, read-only, with compact rows.
QTableView* MakeGridView(TextTable* table, const QString& objectName, QWidget* parent,
                         TextTableModel** modelOut = nullptr);

// The selected row of `view` keeps its cell colours (a green "OK" stays
// green): it shows in bold inside a frame instead of the highlight. A cell
// whose text does not fit shows it whole in its tooltip.
void FrameSelectedRow(QTableView* view);
