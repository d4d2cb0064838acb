// The whole program's link over a real pseudo-terminal: the main window
// opens the port, scans the simulated recorders and fills the store.
#include "app/frmVQ_Main.h"
#include "common/SimProcess.h"
#include "link/Numbers.h"
#include "link/RegisterMap.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
}

TEST(PollingOverPty, PortOpenReachesMonitoringAndFillsTheStore)
{
    QTemporaryDir dir;
    SimProcess sim;
    const QString line = dir.filePath("line");
    if (!sim.start(line, {"--devices", "1,3", "--model", "3=20", "--baud", "19200"}))
        GTEST_SKIP() << "vq800-sim could not be started";
    writeFile(dir.filePath("Comm.CFG"), (line + "\r\n19200\r\nN\r\n8\r\n1\r\nModbus RTU\r\n").toLocal8Bit());
    writeFile(dir.filePath("CFG/SetEnv.INI"), "O\tone\r\nO\ttwo (absent)\r\nO\tthree\r\n");

    frmVQ_Main w(dir.path());
    w.btnMenu[3]->click();
    ASSERT_TRUE(w.engine().isOpen()) << w.panelText(4).toStdString();
    EXPECT_EQ(w.mOnlinePortOpen->text(), "&Port Close");
    EXPECT_EQ(w.btnMenu[3]->text(), "Port Close");

    // Device 2 is not on the line: three time-outs of a second each.
    QTRY_VERIFY_WITH_TIMEOUT(w.link().gCommonReadDone && w.link().gReqCode == 11, 15000);
    EXPECT_EQ(w.panelText(4), QString());
    EXPECT_EQ(w.link().gMC_Online, (QList<bool>{true, false, true}));
    QTRY_VERIFY_WITH_TIMEOUT(!w.store().sprdMon.text(regmap::mon::Pv01, 3).isEmpty(), 5000);
    const DataStore& s = w.store();
    EXPECT_EQ(s.sprdMon.text(regmap::mon::Model, 1), "10");
    EXPECT_EQ(s.sprdMon.text(regmap::mon::Model, 3), "20");
    EXPECT_TRUE(s.sprdMon.text(regmap::mon::SysDateTime, 1).startsWith("20"));
    EXPECT_EQ(s.sprdStatus.text(2, 1), "OK");
    EXPECT_EQ(s.sprdStatus.text(2, 2), "NG");
    EXPECT_GT(LeadingNumber(s.sprdCommState.text(1, 3)), 0);
    EXPECT_EQ(s.sprdCommState.text(3, 1), QString()) << "no CRC errors on a clean line";
    EXPECT_TRUE(w.mOnlineSingleLine->isEnabled());
    EXPECT_GT(w.commLog().rowCount(), 10);

    w.btnMenu[3]->click();
    EXPECT_FALSE(w.engine().isOpen());
    EXPECT_EQ(w.mOnlinePortOpen->text(), "&Port Open");
    EXPECT_TRUE(w.mSetPort->isEnabled());
}

TEST(PollingOverPty, MissingDeviceFileIsReportedAndTheWindowStaysClosed)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("Comm.CFG"), (dir.filePath("no-such-line") + "\r\n9600\r\nN\r\n8\r\n1\r\nModbus RTU\r\n").toLocal8Bit());
    writeFile(dir.filePath("CFG/SetEnv.INI"), "O\r\n");
    frmVQ_Main w(dir.path());
    w.btnMenu[3]->click();
    EXPECT_FALSE(w.engine().isOpen());
    EXPECT_EQ(w.mOnlinePortOpen->text(), "&Port Open");
    EXPECT_TRUE(w.panelText(4).contains("cannot be opened")) << w.panelText(4).toStdString();
}
