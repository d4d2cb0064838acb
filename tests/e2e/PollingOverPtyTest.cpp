// The whole program's link over a real pseudo-terminal: the main window
// opens the port, scans the simulated recorders and fills the store.
#include "app/frmVQ_Main.h"
#include "common/Files.h"
#include "common/Find.h"
#include "common/SimProcess.h"
#include "link/Numbers.h"
#include "link/RegisterMap.h"

#include <QAction>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PollingOverPty, PortOpenReachesMonitoringAndFillsTheStore)
{
    QTemporaryDir dir;
    SimProcess sim;
    const QString line = dir.filePath("line");
    if (!sim.start(line, {"--devices", "1,3", "--model", "3=20", "--baud", "19200"}))
        GTEST_SKIP() << "vq800-sim could not be started";
    WriteFile(dir.filePath("Comm.CFG"), (line + "\r\n19200\r\nN\r\n8\r\n1\r\nModbus RTU\r\n").toLocal8Bit());
    WriteFile(dir.filePath("CFG/SetEnv.INI"), "O\tone\r\nX\ttwo\r\nO\tthree\r\n");

    frmVQ_Main w(dir.path());
    Click(&w, "btnMenu3");
    ASSERT_TRUE(w.engine().isOpen()) << w.panelText(4).toStdString();
    QTRY_VERIFY_WITH_TIMEOUT(w.link().gCommonReadDone && w.link().gReqCode == 11, 15000);
    EXPECT_EQ(w.panelText(4), QString());
    EXPECT_EQ(w.link().gMC_Online, (QList<bool>{true, true}));
    QTRY_VERIFY_WITH_TIMEOUT(!w.store().sprdMon.text(regmap::mon::Pv01, 2).isEmpty(), 5000);
    const DataStore& s = w.store();
    EXPECT_EQ(s.sprdMon.text(regmap::mon::Model, 1), "10");
    EXPECT_EQ(s.sprdMon.text(regmap::mon::Model, 2), "20");
    EXPECT_TRUE(s.sprdMon.text(regmap::mon::SysDateTime, 1).startsWith("20"));
    EXPECT_EQ(s.sprdStatus.text(2, 2), "OK");
    EXPECT_GT(LeadingNumber(s.sprdCommState.text(1, 2)), 0);
    EXPECT_EQ(s.sprdCommState.text(3, 1), QString()) << "no CRC errors on a clean line";
    EXPECT_TRUE(Find<QAction>(&w, "mOnlineSingleLine")->isEnabled());
    EXPECT_GT(w.commLog().rowCount(), 10);

    Click(&w, "btnMenu3");
    EXPECT_FALSE(w.engine().isOpen());
    EXPECT_TRUE(Find<QAction>(&w, "mSetPort")->isEnabled());
}

TEST(PollingOverPty, MissingDeviceFileIsReportedAndTheWindowStaysClosed)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath("Comm.CFG"), (dir.filePath("no-such-line") + "\r\n9600\r\nN\r\n8\r\n1\r\nModbus RTU\r\n").toLocal8Bit());
    WriteFile(dir.filePath("CFG/SetEnv.INI"), "O\r\n");
    frmVQ_Main w(dir.path());
    Click(&w, "btnMenu3");
    EXPECT_FALSE(w.engine().isOpen());
    EXPECT_EQ(Text(&w, "btnMenu3"), "Port Open");
    EXPECT_TRUE(w.panelText(4).contains("cannot be opened")) << w.panelText(4).toStdString();
}
