#include "common/Find.h"
#include "link/DataStore.h"
#include "link/RegisterMap.h"
#include "monitor/MultiMonitor.h"
#include "monitor/frmVQ_Mon_Multi.h"
#include "monitor/frmVQ_Mon_MultiPV.h"
#include "ui/SpanHeaderView.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace multimon;
namespace mon = regmap::mon;

namespace {

// A store with n more devices, all answered, every status word clear;
// PV k of row r reads "r.k-1".
void addDevices(DataStore& s, int n)
{
    for (int i = 0; i < n; ++i) {
        const int r = s.sprdMon.rowCount() + 1;
        s.appendDeviceRow(r);
        s.sprdMon.setText(mon::Comm, r, "OK");
        for (int c = mon::Bo712; c <= mon::RelayStatus; ++c)
            s.sprdMon.setText(c, r, "0");
        for (int k = 0; k < 12; ++k)
            s.sprdMon.setText(mon::Pv01 + k, r, QString("%1.%2").arg(r).arg(k));
    }
}

QStringList values(const MultiMonitor& m, int row)
{
    QStringList v;
    for (int k = 1; k <= 6; ++k)
        v << m.table().text(Pv1 + k - 1, row);
    return v;
}

// A header cell, the shown columns and the rows it covers.
struct HeaderCell { int row, col; QString text; int firstCol, lastCol, rows; };

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

TEST(MultiMonitor, StatusWordsColourTheirColumns)
{
    const QList<std::tuple<int, QString, QList<int>>> cases{
        {mon::Alarm14, "18", {AlarmColumn(1, 2), AlarmColumn(2, 1)}}, // 0x0012
        {mon::Alarm58, "1", {AlarmColumn(5, 1)}},
        {mon::Alarm912, "32768", {AlarmColumn(12, 4)}}, // hidden column, still written
        {mon::SdDiStatus, "32805", {Di1, Di1 + 2, Di1 + 5}}, // bit 15 (card) is no DI
        {mon::RelayStatus, "96", {Relay1 + 5}},             // bit 6: no seventh relay
        {mon::SdDiStatus, " 3 kW", {Di1, Di1 + 1}},          // leading number
    };
    for (const auto& [monCol, text, lit] : cases) {
        DataStore s;
        addDevices(s, 1);
        s.sprdMon.setText(monCol, 1, text);
        MultiMonitor m(MultiMonitor::Kind::Full);
        m.refresh(s);
        for (int col = Di1; col <= kColumns; ++col) {
            const bool painted = col < Di1 + 6 || (col >= Relay1 && col < Relay1 + 6) || col >= Alarm1;
            const Rgb on = col >= Alarm1 ? kRed : kGreen;
            const Rgb want = lit.contains(col) ? on : painted ? kWhite : TextTable::kNoColour;
            EXPECT_EQ(m.table().background(col, 1), want) << text.toStdString() << " column " << col;
        }
    }
}

TEST(MultiMonitor, BurntOutChannelsShowPlaceholder)
{
    const QList<std::pair<QString, QList<int>>> cases{
        {"0", {}}, {"4", {2}}, {"12", {2}}, {"3", {1}}, {"2048", {6}}, {"4095", {1, 2, 3, 4, 5, 6}}, {"4096", {}},
    };
    for (const auto& [bo, burnt] : cases) {
        for (auto kind : {MultiMonitor::Kind::Full, MultiMonitor::Kind::ValuesOnly}) {
            DataStore s;
            addDevices(s, 1);
            s.sprdMon.setText(mon::Bo16, 1, bo);
            MultiMonitor m(kind);
            m.refresh(s);
            for (int k = 1; k <= 6; ++k)
                EXPECT_EQ(values(m, 1)[k - 1], burnt.contains(k) ? kBurnOut : QString("1.%1").arg(k - 1))
                    << bo.toStdString() << " channel " << k;
        }
    }
}

TEST(MultiMonitor, RowsFollowTheDeviceListAndItsCommunicationState)
{
    DataStore s;
    addDevices(s, 2);
    MultiMonitor full(MultiMonitor::Kind::Full);
    MultiMonitor pv(MultiMonitor::Kind::ValuesOnly);
    full.refresh(s);
    s.sprdMon.setText(mon::Comm, 2, "NG"); // its values stay in the store
    s.appendDeviceRow(7);                  // never answered: the store holds nothing for it
    EXPECT_EQ(full.table().rowCount(), 2); // until the next tick
    full.refresh(s);
    pv.refresh(s);

    ASSERT_EQ(full.table().rowCount(), 3);
    EXPECT_EQ(full.table().text(0, 3), "7");
    const QList<Rgb> comm{full.table().background(Comm, 1), full.table().background(Comm, 2),
                          full.table().background(Comm, 3)};
    EXPECT_EQ(comm, (QList<Rgb>{kGreen, kRed, TextTable::kNoColour})) << "nothing known: no colour";
    EXPECT_EQ(values(full, 2), (QStringList{"2.0", "2.1", "2.2", "2.3", "2.4", "2.5"}));
    EXPECT_EQ(values(full, 3), QStringList(6));
    EXPECT_EQ(full.table().background(Di1, 3), kWhite);

    const QStringList marks{pv.table().text(Comm, 1), pv.table().text(Comm, 2), pv.table().text(Comm, 3)};
    EXPECT_EQ(marks, (QStringList{"O", "X", "-"}));
    EXPECT_EQ(values(pv, 3), QStringList(6));
}

TEST(MultiMonitor, WordTooLargeSkipsOnlyItsStep)
{
    DataStore s;
    addDevices(s, 1);
    s.sprdMon.setText(mon::Alarm14, 1, "18");
    s.sprdMon.setText(mon::Bo16, 1, "4");
    MultiMonitor m(MultiMonitor::Kind::Full);
    m.refresh(s);

    s.sprdMon.setText(mon::Alarm14, 1, "4294967296");
    s.sprdMon.setText(mon::Bo16, 1, "1e300");
    s.sprdMon.setText(mon::SdDiStatus, 1, "1");
    s.sprdMon.setText(mon::Pv01 + 2, 1, "9.9");
    m.refresh(s);

    EXPECT_EQ(m.table().background(AlarmColumn(1, 2), 1), kRed); // as it was
    EXPECT_EQ(values(m, 1).mid(1, 2), (QStringList{kBurnOut, "1.2"})); // as they were: BO unknown
    EXPECT_EQ(m.table().background(Di1, 1), kGreen); // later steps still run
}

TEST(MultiMonitor, TickOverManyDevicesRewritesOnlyWhatChanged)
{
    DataStore s;
    addDevices(s, 99);
    MultiMonitor m(MultiMonitor::Kind::Full);
    m.refresh(s);
    QSignalSpy spy(&m.table(), &TextTable::cellChanged);
    m.refresh(s);
    EXPECT_EQ(spy.count(), 0);

    s.sprdMon.setText(mon::Pv01 + 3, 50, "12.5");
    s.sprdMon.setText(mon::Alarm58, 99, "16"); // alarm 1 of CH.06
    s.sprdMon.setText(mon::Comm, 1, "NG");
    m.refresh(s);
    QList<std::pair<int, int>> changed;
    for (const auto& args : spy)
        changed.append({args[0].toInt(), args[1].toInt()});
    std::sort(changed.begin(), changed.end());
    QList<std::pair<int, int>> want{{Comm, 1}, {Comm, 1}, {Pv1 + 3, 50}, {AlarmColumn(6, 1), 99}};
    for (int k = 0; k < 6; ++k)
        want.append({Pv1 + k, 1}); // the values of a device that does not answer are greyed
    std::sort(want.begin(), want.end());
    EXPECT_EQ(changed, want); // COMM: text and colour
    EXPECT_EQ(m.table().foreground(Pv1, 1), kStaleInk);
    EXPECT_EQ(m.table().foreground(Pv1, 2), TextTable::kNoColour);
}

TEST(MultiMonitorWindow, GroupedHeadersATableTheWindowsSizeAndAHalfSecondRefresh)
{
    DataStore s;
    addDevices(s, 12);
    frmVQ_Mon_Multi w(s);
    w.show();
    checkHeaders(w,
                 {
                     {2, Comm, "COMM", Comm, Comm, 3},
                     {0, Relay1 + 4, "RELAY", Relay1, Relay1 + 5, 1},
                     {0, AlarmColumn(6, 4), "ALARM", AlarmColumn(1, 1), AlarmColumn(6, 4), 1},
                     {1, AlarmColumn(2, 3), "CH.02", AlarmColumn(2, 1), AlarmColumn(2, 4), 1},
                     {2, AlarmColumn(6, 3), "3", AlarmColumn(6, 3), AlarmColumn(6, 3), 1},
                 },
                 [](int col) {
                     return (col >= Pv1 + 6 && col < Di1) || (col >= Di1 + 6 && col < Relay1)
                            || (col >= Relay1 + 6 && col < Alarm1) || col >= AlarmColumn(7, 1);
                 });
    EXPECT_TRUE(header(w)->cellRect(1, AlarmColumn(12, 1) - 1).isNull()); // all its columns hidden

    frmVQ_Mon_MultiPV pv(s);
    pv.show();
    checkHeaders(pv,
                 {
                     {1, Comm, "COMM", Comm, Comm, 2},
                     {0, Pv1 + 5, "PV", Pv1, Pv1 + 5, 1},
                 },
                 [](int col) { return col >= Pv1 + 6; });

    // A twelve-channel recorder in the list: CH.07..12 of values and alarms (a
    // recorder has six DIs and relays), empty for the six-channel ones.
    s.sprdMon.setText(mon::Model, 3, "20");
    s.sprdStatus.setText(status::Description, 3, "Kiln line 2");
    w.refresh();
    pv.refresh();
    checkHeaders(w, {{1, AlarmColumn(12, 1), "CH.12", AlarmColumn(12, 1), AlarmColumn(12, 4), 1}},
                 [](int col) { return (col >= Di1 + 6 && col < Relay1) || (col >= Relay1 + 6 && col < Alarm1); });
    checkHeaders(pv, {{0, Pv1 + 11, "PV", Pv1, Pv1 + 11, 1}}, [](int) { return false; });
    auto* table = Find<QTableView>(&pv, "sprdMon");
    EXPECT_EQ(table->model()->index(2, Pv1 + 10).data().toString(), "3.11");
    EXPECT_EQ(table->model()->index(1, Pv1 + 10).data().toString(), "") << "device 2 has six channels";
    EXPECT_EQ(table->model()->index(2, Desc - 1).data(Qt::ToolTipRole).toString(), "Kiln line 2");
    s.sprdMon.setText(mon::Model, 3, "10");

    for (MultiMonitorDialog* d : std::initializer_list<MultiMonitorDialog*>{&w, &pv}) {
        auto* table = Find<QTableView>(d, "sprdMon");
        auto* timer = Find<QTimer>(d, "tmrRefresh");
        EXPECT_EQ(timer->interval(), 500);
        EXPECT_TRUE(timer->isActive());
        for (QSize size : {QSize(900, 500), QSize(20, 20)}) {
            d->resize(size);
            EXPECT_EQ(table->size(), QSize(qMax(0, size.width() - 23), qMax(0, size.height() - 79)));
        }
        s.sprdMon.setText(mon::Pv01, 1, "77.7");
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
        EXPECT_EQ(table->model()->index(0, Pv1 - 1).data().toString(), "77.7");
        Click(d, "btnClose");
        EXPECT_FALSE(d->isVisible());
    }
}
