#include "monitor/frmVQ_Mon_MultiPV.h"

#include "ui/SpanHeaderView.h"

using namespace multimon;

frmVQ_Mon_MultiPV::frmVQ_Mon_MultiPV(const DataStore& store, QWidget* parent)
    : MultiMonitorDialog(store, MultiMonitor::Kind::ValuesOnly, 2, QStringLiteral("frmVQ_Mon_MultiPV"),
                         QStringLiteral("Multi Monitoring - PV"), parent)
{
    setColumnWidth(Comm, fontMetrics().horizontalAdvance(QStringLiteral("COMM")) + 22);
    setColumnWidth(Desc, fontMetrics().horizontalAdvance(QStringLiteral("Kiln line 2 (w")) + 12);
    for (int c = 1; c <= kChannels; ++c)
        setColumnWidth(Pv1 + c - 1, fontMetrics().horizontalAdvance(QStringLiteral("-000000.0")) + 22);
    // The values share whatever width the window gives them.
    for (int c = 1; c <= kChannels; ++c)
        header()->setSectionResizeMode(Pv1 + c - 2, QHeaderView::Stretch);
    refresh();
    sizeToColumns(14);
}
