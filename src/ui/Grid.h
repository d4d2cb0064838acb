#pragma once
// The look every table of the program shares.
#include <QTableView>

class TextTable;
class TextTableModel;

// A table view over a TextTable, named, read-only, with compact rows.
QTableView* MakeGridView(TextTable* table, const QString& objectName, QWidget* parent,
                         TextTableModel** modelOut = nullptr);
