#include "ui/Grid.h"

#include "ui/TextTableModel.h"

#include <QHeaderView>

QTableView* MakeGridView(TextTable* table, const QString& objectName, QWidget* parent, TextTableModel** modelOut)
{
    auto* view = new QTableView(parent);
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
