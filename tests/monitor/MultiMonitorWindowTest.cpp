#include "app/frmVQ_Main.h"
#include "link/DataStore.h"
#include "link/RegisterMap.h"
#include "monitor/frmVQ_Mon_Multi.h"
#include "monitor/frmVQ_Mon_MultiPV.h"
#include "ui/SpanHeaderView.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace multimon;
namespace mon = regmap::mon;

namespace {

// Devices 1..n with values, some alarms, DIs, relays and burnt-out channels.
void fillStore(DataStore& s, int n)
{
    for (int d = 1; d <= n; ++d) {
        s.appendDeviceRow(d);
        s.sprdMon.setText(mon::Comm, d, d % 7 == 3 ? "NG" : "OK");
        s.sprdMon.setText(mon::Bo16, d, d % 5 == 0 ? "16" : "0");
        s.sprdMon.setText(mon::Alarm14, d, QString::number(d % 4 == 1 ? 0x0012 : 0));
        s.sprdMon.setText(mon::Alarm58, d, QString::number(d % 3 == 0 ? 0x0300 : 0));
        s.sprdMon.setText(mon::Alarm912, d, "0");
        s.sprdMon.setText(mon::SdDiStatus, d, QString::number(d % 64));
        s.sprdMon.setText(mon::RelayStatus, d, QString::number((d * 5) % 64));
        for (int k = 0; k < 12; ++k)
            s.sprdMon.setText(mon::Pv01 + k, d, QString::number(20.0 + d * 0.7 + k * 3.1, 'f', 1));
    }
}

// Saves what the window shows when VQ800_SCREENSHOT_DIR names a folder.
void saveShot(QWidget& w, const QString& name)
{
    const QString dir = qEnvironmentVariable("VQ800_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        w.grab().save(QDir(dir).filePath(name));
}

} // namespace

TEST(MultiMonitorWindow, GroupedHeadersOverTheShownChannels)
{
    DataStore s;
    fillStore(s, 12);
    frmVQ_Mon_Multi w(s);
    w.show();
    SpanHeaderView* h = w.header();
    ASSERT_EQ(w.sprdMon->horizontalHeader(), h);
    EXPECT_EQ(w.windowTitle(), "Multi Monitoring");
    EXPECT_EQ(h->headerRowCount(), 3);

    struct Cell {
        int row, col;
        QString text;
        int firstCol, lastCol, rows; // the shown columns and rows it covers
    };
    const QList<Cell> cells{
        {2, Comm, "COMM", Comm, Comm, 3},
        {0, Pv1 + 5, "PV", Pv1, Pv1 + 5, 1},
        {1, Pv1 + 3, "4", Pv1 + 3, Pv1 + 3, 2},
        {0, Di1, "DI", Di1, Di1 + 5, 1},
        {2, Relay1 + 1, "2", Relay1 + 1, Relay1 + 1, 2},
        {0, Relay1 + 4, "RELAY", Relay1, Relay1 + 5, 1},
        {0, AlarmColumn(6, 4), "ALARM", AlarmColumn(1, 1), AlarmColumn(6, 4), 1},
        {1, AlarmColumn(2, 3), "CH.02", AlarmColumn(2, 1), AlarmColumn(2, 4), 1},
        {2, AlarmColumn(6, 3), "3", AlarmColumn(6, 3), AlarmColumn(6, 3), 1},
    };
    const int rowH = h->headerRowHeight();
    for (const Cell& c : cells) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(h->cellText(c.row, c.col - 1), c.text);
        const QRect r = h->cellRect(c.row, c.col - 1);
        EXPECT_EQ(r.left(), h->sectionViewportPosition(c.firstCol - 1));
        EXPECT_EQ(r.right() + 1, h->sectionViewportPosition(c.lastCol - 1) + h->sectionSize(c.lastCol - 1));
        EXPECT_EQ(r.height() >= c.rows * rowH, true);
        EXPECT_EQ(r.height() < (c.rows + 1) * rowH, true);
    }
    EXPECT_EQ(h->cellText(1, AlarmColumn(12, 1) - 1), "CH.12");
    EXPECT_TRUE(h->cellRect(1, AlarmColumn(12, 1) - 1).isNull()); // all hidden

    saveShot(w, "frmVQ_Mon_Multi.png");
}

TEST(MultiMonitorWindow, ColumnsStayHiddenAndSizedAsDevicesComeAndGo)
{
    DataStore s;
    frmVQ_Mon_Multi w(s); // opened before any device is configured
    w.show();
    const int bitWidth = w.sprdMon->columnWidth(Di1 - 1);
    for (int devices : {3, 0, 99}) {
        s.clearDeviceRows();
        fillStore(s, devices);
        w.refresh();
        EXPECT_EQ(w.sprdMon->model()->rowCount(), devices);
        for (int col = 1; col <= kColumns; ++col)
            EXPECT_EQ(w.sprdMon->isColumnHidden(col - 1), w.monitor().hiddenColumns().contains(col)) << col;
        EXPECT_EQ(w.sprdMon->columnWidth(Di1 - 1), bitWidth);
    }
}

TEST(MultiMonitorWindow, ValuesOnlyWindow)
{
    DataStore s;
    fillStore(s, 8);
    s.appendDeviceRow(9); // never answered
    frmVQ_Mon_MultiPV w(s);
    w.show();
    EXPECT_EQ(w.windowTitle(), "Multi Monitoring - PV");
    EXPECT_EQ(w.header()->headerRowCount(), 2);
    EXPECT_EQ(w.header()->cellText(1, Comm - 1), "COMM");
    EXPECT_EQ(w.header()->cellText(0, Pv1 + 11 - 1), "PV");
    EXPECT_EQ(w.header()->cellText(1, Pv1 + 11 - 1), "12");
    EXPECT_EQ(w.sprdMon->model()->columnCount(), kPvColumns);
    for (int col = 1; col <= kPvColumns; ++col)
        EXPECT_EQ(w.sprdMon->isColumnHidden(col - 1), col > Pv1 + 5) << col;
    const QAbstractItemModel* m = w.sprdMon->model();
    EXPECT_EQ(m->headerData(8, Qt::Vertical).toString(), "9");
    EXPECT_EQ(m->index(8, Comm - 1).data().toString(), "X");
    EXPECT_EQ(m->index(0, Comm - 1).data().toString(), "O");
    EXPECT_EQ(m->index(4, Pv1 + 2 - 1).data().toString(), kBurnOut); // device 5: BO on channel 3
    saveShot(w, "frmVQ_Mon_MultiPV.png");
}

TEST(MultiMonitorWindow, TableFollowsTheWindowSizeAndRefreshesEveryHalfSecond)
{
    DataStore s;
    fillStore(s, 3);
    frmVQ_Mon_Multi multi(s);
    frmVQ_Mon_MultiPV pv(s);
    for (MultiMonitorDialog* w : {static_cast<MultiMonitorDialog*>(&multi), static_cast<MultiMonitorDialog*>(&pv)}) {
        w->show();
        ASSERT_EQ(w->findChild<QTableView*>("sprdMon"), w->sprdMon);
        ASSERT_EQ(w->findChild<QPushButton*>("btnClose"), w->btnClose);
        EXPECT_EQ(w->btnClose->text(), "&Close");
        EXPECT_EQ(w->tmrRefresh->interval(), 500);
        EXPECT_TRUE(w->tmrRefresh->isActive());
        for (QSize size : {QSize(900, 500), QSize(400, 300), QSize(20, 20)}) {
            w->resize(size);
            const QSize want(qMax(0, size.width() - 23), qMax(0, size.height() - 79));
            EXPECT_EQ(w->sprdMon->size(), want) << size.width() << "x" << size.height();
        }
        // The timer's tick reaches the table.
        s.sprdMon.setText(mon::Pv01, 1, "77.7");
        QMetaObject::invokeMethod(w->tmrRefresh, "timeout", Qt::DirectConnection);
        EXPECT_EQ(w->monitor().table().text(Pv1, 1), "77.7");
        QTest::mouseClick(w->btnClose, Qt::LeftButton);
        EXPECT_FALSE(w->isVisible());
    }
}

TEST(MultiMonitorWindow, OpenedFromTheOnlineMenu)
{
    QTemporaryDir dir;
    frmVQ_Main main(dir.path());
    fillStore(main.store(), 2);
    const QList<std::pair<QAction*, QString>> entries{{main.mOnlineMulti, "frmVQ_Mon_Multi"},
                                                      {main.mOnlineMultiPV, "frmVQ_Mon_MultiPV"}};
    for (const auto& [action, name] : entries) {
        QString seen;
        int rows = -1;
        QTimer::singleShot(0, [&] {
            auto* w = qobject_cast<MultiMonitorDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            seen = w->objectName();
            rows = w->monitor().table().rowCount();
            QTest::mouseClick(w->btnClose, Qt::LeftButton);
        });
        action->setEnabled(true);
        action->trigger();
        EXPECT_EQ(seen, name);
        EXPECT_EQ(rows, 2);
    }
}
