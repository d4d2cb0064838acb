#include "monitor/frmVQ_Mon_MultiPV.h"

#include "ui/SpanHeaderView.h"

using namespace multimon;

frmVQ_Mon_MultiPV::frmVQ_Mon_MultiPV(const DataStore& store, QWidget* parent)
    : MultiMonitorDialog(store, MultiMonitor::Kind::ValuesOnly, 2, parent)
{
    setObjectName(QStringLiteral("frmVQ_Mon_MultiPV"));
    setWindowTitle(QStringLiteral("Multi Monitoring - PV"));

    headerCell(0, Comm, QStringLiteral("COMM"), 2);
    headerCell(0, Pv1, QStringLiteral("PV"), 1, kChannels);
    for (int c = 1; c <= kChannels; ++c)
        headerCell(1, Pv1 + c - 1, QString::number(c));

    setColumnWidth(Comm, fontMetrics().horizontalAdvance(QStringLiteral("COMM")) + 22);
    for (int c = 1; c <= kChannels; ++c)
        setColumnWidth(Pv1 + c - 1, fontMetrics().horizontalAdvance(QStringLiteral("-000000.0")) + 22);
    // The values share whatever width the window gives them.
    for (int c = 1; c <= kShownChannels; ++c)
        header()->setSectionResizeMode(Pv1 + c - 2, QHeaderView::Stretch);
    refresh();
    sizeToColumns(14);
}
