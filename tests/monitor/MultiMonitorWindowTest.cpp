#include "common/Find.h"
#include "link/DataStore.h"
#include "link/RegisterMap.h"
#include "monitor/frmVQ_Mon_Multi.h"
#include "monitor/frmVQ_Mon_MultiPV.h"
#include "ui/SpanHeaderView.h"

#include <QTableView>
#include <gtest/gtest.h>

using namespace multimon;
namespace mon = regmap::mon;

namespace {

// Devices 1..n with values, alarms, DIs, relays, a few silent or burnt out.
void fillStore(DataStore& s, int n)
{
    for (int d = 1; d <= n; ++d) {
        s.appendDeviceRow(d);
        s.sprdMon.setText(mon::Comm, d, d % 7 == 3 ? "NG" : "OK");
        s.sprdMon.setText(mon::Bo16, d, d % 5 == 0 ? "16" : "0");
        s.sprdMon.setText(mon::Alarm14, d, QString::number(d % 4 == 1 ? 0x0012 : 0));
        s.sprdMon.setText(mon::Alarm58, d, QString::number(d % 3 == 0 ? 0x0300 : 0));
        s.sprdMon.setText(mon::SdDiStatus, d, QString::number(d % 64));
        s.sprdMon.setText(mon::RelayStatus, d, QString::number((d * 5) % 64));
        for (int k = 0; k < 12; ++k)
            s.sprdMon.setText(mon::Pv01 + k, d, QString::number(20.0 + d * 0.7 + k * 3.1, 'f', 1));
    }
}

struct HeaderCell {
    int row, col;
    QString text;
    int firstCol, lastCol, rows; // the shown columns and the rows it covers
};

// Checks the header cells, and that exactly the columns `hidden` selects are hidden.
SpanHeaderView* header(QWidget& w)
{
    return qobject_cast<SpanHeaderView*>(Find<QTableView>(&w, "sprdMon")->horizontalHeader());
}

void checkHeaders(MultiMonitorDialog& w, const QList<HeaderCell>& cells, bool (*hidden)(int col))
{
    auto* table = Find<QTableView>(&w, "sprdMon");
    SpanHeaderView* h = header(w);
    ASSERT_NE(h, nullptr);
    const int rowH = h->headerRowHeight();
    for (const HeaderCell& c : cells) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(h->cellText(c.row, c.col - 1), c.text);
        const QRect r = h->cellRect(c.row, c.col - 1);
        EXPECT_EQ(r.left(), h->sectionViewportPosition(c.firstCol - 1));
        EXPECT_EQ(r.right() + 1, h->sectionViewportPosition(c.lastCol - 1) + h->sectionSize(c.lastCol - 1));
        EXPECT_TRUE(r.height() >= c.rows * rowH && r.height() < (c.rows + 1) * rowH);
    }
    for (int col = 1; col <= table->model()->columnCount(); ++col)
        EXPECT_EQ(table->isColumnHidden(col - 1), hidden(col)) << col;
}

} // namespace

TEST(MultiMonitorWindow, GroupedHeadersOverTheShownChannels)
{
    DataStore s;
    fillStore(s, 12);
    frmVQ_Mon_Multi w(s);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Multi Monitoring");
    checkHeaders(w,
                 {
                     {2, Comm, "COMM", Comm, Comm, 3},
                     {1, Pv1 + 3, "4", Pv1 + 3, Pv1 + 3, 2},
                     {0, Relay1 + 4, "RELAY", Relay1, Relay1 + 5, 1},
                     {0, AlarmColumn(6, 4), "ALARM", AlarmColumn(1, 1), AlarmColumn(6, 4), 1},
                     {1, AlarmColumn(2, 3), "CH.02", AlarmColumn(2, 1), AlarmColumn(2, 4), 1},
                     {2, AlarmColumn(6, 3), "3", AlarmColumn(6, 3), AlarmColumn(6, 3), 1},
                 },
                 [](int col) {
                     return (col >= 8 && col <= 13) || (col >= 20 && col <= 25) || (col >= 32 && col <= 37)
                            || col >= 62;
                 });
    EXPECT_TRUE(header(w)->cellRect(1, AlarmColumn(12, 1) - 1).isNull()); // all its columns hidden

    frmVQ_Mon_MultiPV pv(s);
    pv.show();
    EXPECT_EQ(pv.windowTitle(), "Multi Monitoring - PV");
    checkHeaders(pv,
                 {
                     {1, Comm, "COMM", Comm, Comm, 2},
                     {0, Pv1 + 5, "PV", Pv1, Pv1 + 5, 1},
                     {1, Pv1 + 3, "4", Pv1 + 3, Pv1 + 3, 1},
                 },
                 [](int col) { return col >= 8; });
}

TEST(MultiMonitorWindow, TableFollowsTheWindowSizeAndRefreshesEveryHalfSecond)
{
    DataStore s;
    fillStore(s, 3);
    frmVQ_Mon_Multi multi(s);
    frmVQ_Mon_MultiPV pv(s);
    for (MultiMonitorDialog* w : {static_cast<MultiMonitorDialog*>(&multi), static_cast<MultiMonitorDialog*>(&pv)}) {
        w->show();
        auto* table = Find<QTableView>(w, "sprdMon");
        auto* timer = Find<QTimer>(w, "tmrRefresh");
        EXPECT_EQ(timer->interval(), 500);
        EXPECT_TRUE(timer->isActive());
        for (QSize size : {QSize(900, 500), QSize(20, 20)}) {
            w->resize(size);
            EXPECT_EQ(table->size(), QSize(qMax(0, size.width() - 23), qMax(0, size.height() - 79)));
        }
        s.sprdMon.setText(mon::Pv01, 1, "77.7");
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
        EXPECT_EQ(table->model()->index(0, Pv1 - 1).data().toString(), "77.7");
        Click(w, "btnClose");
        EXPECT_FALSE(w->isVisible());
    }
}
