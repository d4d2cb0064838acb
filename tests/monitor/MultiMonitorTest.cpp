#include "link/DataStore.h"
#include "link/RegisterMap.h"
#include "monitor/MultiMonitor.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace multimon;
namespace mon = regmap::mon;

namespace {

// A store with devices 1..n, all answered, every status word clear.
void addDevices(DataStore& s, int n)
{
    for (int i = 0; i < n; ++i) {
        s.appendDeviceRow(s.sprdMon.rowCount() + 1);
        const int r = s.sprdMon.rowCount();
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
    for (int k = 1; k <= kShownChannels; ++k)
        v << m.table().text(Pv1 + k - 1, row);
    return v;
}

} // namespace

TEST(MultiMonitor, StatusBitsColourTheirColumns)
{
    struct Case {
        int monCol;
        QString text;
        QList<int> lit;
        QColor on;
    };
    QList<int> firstFour; // every alarm of CH.01..CH.04
    for (int ch = 1; ch <= 4; ++ch)
        for (int a = 1; a <= 4; ++a)
            firstFour << AlarmColumn(ch, a);
    const QList<Case> cases{
        {mon::Alarm14, "18", {AlarmColumn(1, 2), AlarmColumn(2, 1)}, kRed}, // 0x0012
        {mon::Alarm58, "1", {AlarmColumn(5, 1)}, kRed},
        {mon::Alarm912, "32768", {AlarmColumn(12, 4)}, kRed}, // hidden column, still written
        {mon::Alarm14, "65535.4", firstFour, kRed},
        {mon::SdDiStatus, "32805", {Di1, Di1 + 2, Di1 + 5}, kGreen}, // bit 15 (card) is no DI
        {mon::RelayStatus, "96", {Relay1 + 5}, kGreen},              // bit 6: no seventh relay
        {mon::SdDiStatus, " 3 kW", {Di1, Di1 + 1}, kGreen},           // leading number
    };
    for (const Case& c : cases) {
        DataStore s;
        addDevices(s, 1);
        s.sprdMon.setText(c.monCol, 1, c.text);
        MultiMonitor m(MultiMonitor::Kind::Full);
        m.refresh(s);
        for (int col = Di1; col <= kColumns; ++col) {
            const bool painted = (col < Di1 + 6) || (col >= Relay1 && col < Relay1 + 6) || col >= Alarm1;
            const QColor want = c.lit.contains(col) ? c.on : painted ? kWhite : QColor();
            EXPECT_EQ(m.table().background(col, 1), want) << c.text.toStdString() << " column " << col;
        }
    }
}

TEST(MultiMonitor, BurntOutChannelsShowPlaceholder)
{
    const QList<std::pair<QString, QList<int>>> cases{
        {"0", {}}, {"4", {2}}, {"8", {2}}, {"12", {2}}, {"3", {1}}, {"2048", {6}},
        {"4095", {1, 2, 3, 4, 5, 6}}, {"4096", {}}, {"", {}},
    };
    for (const auto& [bo, burnt] : cases) {
        for (auto kind : {MultiMonitor::Kind::Full, MultiMonitor::Kind::ValuesOnly}) {
            DataStore s;
            addDevices(s, 1);
            s.sprdMon.setText(mon::Bo16, 1, bo);
            MultiMonitor m(kind);
            m.refresh(s);
            for (int k = 1; k <= kShownChannels; ++k) {
                const QString want = burnt.contains(k) ? kBurnOut : QString("1.%1").arg(k - 1);
                EXPECT_EQ(m.table().text(Pv1 + k - 1, 1), want) << bo.toStdString() << " channel " << k;
            }
        }
    }
}

TEST(MultiMonitor, CommunicationStateAndSilentDevices)
{
    DataStore s;
    addDevices(s, 2);
    s.appendDeviceRow(7); // row 3: never answered, the store holds nothing for it
    MultiMonitor full(MultiMonitor::Kind::Full);
    MultiMonitor pv(MultiMonitor::Kind::ValuesOnly);
    full.refresh(s);
    s.sprdMon.setText(mon::Comm, 2, "NG"); // its values stay in the store
    full.refresh(s);
    pv.refresh(s);

    EXPECT_EQ(full.table().text(0, 3), "7");
    EXPECT_EQ(full.table().background(Comm, 1), kGreen);
    EXPECT_EQ(full.table().text(Comm, 2), "NG");
    EXPECT_EQ(full.table().background(Comm, 2), kRed);
    EXPECT_EQ(values(full, 2), (QStringList{"2.0", "2.1", "2.2", "2.3", "2.4", "2.5"}));
    EXPECT_EQ(full.table().background(Comm, 3), kRed);
    EXPECT_EQ(values(full, 3), QStringList(6));
    EXPECT_EQ(full.table().background(Di1, 3), kWhite);
    EXPECT_EQ(full.table().background(AlarmColumn(1, 1), 3), kWhite);

    EXPECT_EQ(pv.table().colCount(), kPvColumns);
    const QStringList marks{pv.table().text(Comm, 1), pv.table().text(Comm, 2), pv.table().text(Comm, 3)};
    EXPECT_EQ(marks, (QStringList{"O", "X", "X"}));
    EXPECT_FALSE(pv.table().background(Comm, 1).isValid());
    EXPECT_EQ(values(pv, 3), QStringList(6));
}

TEST(MultiMonitor, RowsFollowTheDeviceList)
{
    DataStore s;
    addDevices(s, 2);
    MultiMonitor m(MultiMonitor::Kind::Full);
    m.refresh(s);
    EXPECT_EQ(m.table().rowCount(), 2);
    addDevices(s, 1);
    EXPECT_EQ(m.table().rowCount(), 2);
    m.refresh(s);
    ASSERT_EQ(m.table().rowCount(), 3);
    EXPECT_EQ(m.table().text(0, 3), "3");
    EXPECT_EQ(m.table().text(Pv1, 3), "3.0");
    s.clearDeviceRows();
    m.refresh(s);
    EXPECT_EQ(m.table().rowCount(), 0);
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
    EXPECT_EQ(m.table().background(AlarmColumn(1, 1), 1), kWhite);
    EXPECT_EQ(m.table().text(Pv1 + 1, 1), kBurnOut); // as it was
    EXPECT_EQ(m.table().text(Pv1 + 2, 1), "1.2");    // as it was: BO unknown
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
    const QList<std::pair<int, int>> want{{Comm, 1}, {Comm, 1}, {Pv1 + 3, 50}, {AlarmColumn(6, 1), 99}};
    EXPECT_EQ(changed, want); // COMM: text and colour
}

TEST(MultiMonitor, HiddenColumnsAreThoseOfChannelsSevenToTwelve)
{
    const QList<int> full = MultiMonitor(MultiMonitor::Kind::Full).hiddenColumns();
    QList<int> want;
    for (int c = 8; c <= 13; ++c)
        want << c;
    for (int c = 20; c <= 25; ++c)
        want << c;
    for (int c = 32; c <= 37; ++c)
        want << c;
    for (int c = 62; c <= 85; ++c)
        want << c;
    EXPECT_EQ(full, want);
    EXPECT_EQ(MultiMonitor(MultiMonitor::Kind::ValuesOnly).hiddenColumns(), want.mid(0, 6));
}
