#include "monitor/frmVQ_Mon_Multi.h"

using namespace multimon;

frmVQ_Mon_Multi::frmVQ_Mon_Multi(const DataStore& store, QWidget* parent)
    : MultiMonitorDialog(store, MultiMonitor::Kind::Full, 3, QStringLiteral("frmVQ_Mon_Multi"),
                         QStringLiteral("Multi Monitoring"), parent)
{
    headerCell(0, Di1, QStringLiteral("DI"), 1, kChannels);
    headerCell(0, Relay1, QStringLiteral("RELAY"), 1, kChannels);
    headerCell(0, Alarm1, QStringLiteral("ALARM"), 1, 4 * kChannels);
    for (int c = 1; c <= kChannels; ++c) {
        const QString n = QString::number(c);
        headerCell(1, Di1 + c - 1, n, 2);
        headerCell(1, Relay1 + c - 1, n, 2);
        headerCell(1, AlarmColumn(c, 1), QStringLiteral("CH.%1").arg(c, 2, 10, QLatin1Char('0')), 1, 4);
        for (int a = 1; a <= 4; ++a)
            headerCell(2, AlarmColumn(c, a), QString::number(a));
    }

    // Narrow state columns so that six channels fit a 1366 pixel screen; twelve scroll.
    const int bit = qMax(17, fontMetrics().horizontalAdvance(QStringLiteral("CH.00")) / 4 + 4);
    const int value = fontMetrics().horizontalAdvance(QStringLiteral("-00000.000")) + 8;
    setColumnWidth(Comm, fontMetrics().horizontalAdvance(QStringLiteral("COMM")) + 14);
    setColumnWidth(Desc, fontMetrics().horizontalAdvance(QStringLiteral("Kiln line 2 (w")) + 12);
    for (int c = 1; c <= kChannels; ++c) {
        setColumnWidth(Pv1 + c - 1, value);
        setColumnWidth(Di1 + c - 1, bit);
        setColumnWidth(Relay1 + c - 1, bit);
        for (int a = 1; a <= 4; ++a)
            setColumnWidth(AlarmColumn(c, a), bit);
    }
    refresh();
    sizeToColumns(12);
}
