#include "app/frmVQ_Main.h"
#include "sim/LineServer.h"
#include "sim/SimPort.h"
#include "ui/LedIndicator.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Answers the next message box with the given button.
void answerNextMessageBox(QMessageBox::StandardButton button, QString* seenText = nullptr)
{
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        if (seenText)
            *seenText = box->windowTitle() + "|" + box->text();
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
}

struct MainWindow : ::testing::Test {
    QTemporaryDir dir;
    QString path(const char* rel) { return dir.filePath(QString::fromLatin1(rel)); }
};

} // namespace

TEST_F(MainWindow, StartsWithDefaultsWhenNothingIsConfigured)
{
    frmVQ_Main w(dir.path());
    EXPECT_TRUE(QDir(path("CFG")).exists());
    EXPECT_EQ(w.link().gMC_Last, -1);
    EXPECT_EQ(w.store().sprdStatus.rowCount(), 0);
    EXPECT_EQ(w.link().gChCount, 6);
    EXPECT_FALSE(w.link().gCommPort.isEmpty());
    EXPECT_EQ(w.panelText(2), "9600,N,8,1");
    EXPECT_EQ(w.panelText(5), "Modbus RTU");
    EXPECT_EQ(w.lblDSave_Enable->text(), "No");
    EXPECT_EQ(w.lblDSave_Intv->text(), "1");
    EXPECT_EQ(w.lblDSave_Unit->text(), "min");
    EXPECT_EQ(w.lblDaySave->text(), "No");
    EXPECT_TRUE(w.tmrDSave->isActive());
}

TEST_F(MainWindow, ReadsTheThreeFilesAtStartUp)
{
    writeFile(path("Comm.CFG"), "COM2\r\n38400\r\nE\r\n8\r\n1\r\nModbus RTU\r\n");
    writeFile(path("CFG/SetEnv.INI"), "X\tspare\r\nO\tBoiler\r\nO\tKiln\r\n");
    writeFile(path("CFG/SaveData.INI"), "Yes\n10\nsec\n/tmp\nPLANT\n1\n6\n30\n");
    frmVQ_Main w(dir.path());
    EXPECT_EQ(w.link().gMC_No, (QList<int>{2, 3}));
    EXPECT_EQ(w.sprdStatus->model()->rowCount(), 2);
    EXPECT_EQ(w.sprdStatus->model()->index(1, 0).data().toString(), "3");
    EXPECT_TRUE(w.sprdStatus->isColumnHidden(2));
    EXPECT_TRUE(w.sprdStatus->isColumnHidden(3));
    EXPECT_EQ(w.store().sprdCommState.rowCount(), 2);
    EXPECT_EQ(w.panelText(1), "COM2");
    EXPECT_EQ(w.panelText(2), "38400,E,8,1");
    EXPECT_EQ(w.lblDSave_Enable->text(), "Yes");
    EXPECT_EQ(w.lblDSave_Intv->text(), "10");
    EXPECT_EQ(w.lblDSave_Unit->text(), "sec");
    EXPECT_EQ(w.saveSettings().gDSaveFileName, "PLANT");
    EXPECT_EQ(w.saveSettings().gDaySaveHour, 6);
    EXPECT_EQ(w.saveSettings().gDaySaveMinute, 30);
}

TEST_F(MainWindow, DaySaveLineIsComparedAsANumber)
{
    const std::pair<const char*, const char*> cases[] = {{"1", "Yes"}, {"1.0", "Yes"}, {"0", "No"},
                                                         {"2", "No"}, {"Yes", "No"}, {"", "No"}};
    for (auto [line6, shown] : cases) {
        writeFile(path("CFG/SaveData.INI"), QByteArray("Yes\r\n5\r\nmin\r\n/tmp\r\nX\r\n") + line6 + "\r\n0\r\n0\r\n");
        frmVQ_Main w(dir.path());
        EXPECT_EQ(w.lblDaySave->text(), QString::fromLatin1(shown)) << line6;
    }
}

TEST_F(MainWindow, PortStateEnablesMenusAndButtons)
{
    frmVQ_Main w(dir.path());
    for (bool closed : {false, true}) {
        w.SetPortState(closed);
        for (QAction* a : {w.mSetMC, w.mSetPort})
            EXPECT_EQ(a->isEnabled(), closed) << a->objectName().toStdString();
        for (QAction* a : {w.mOnlineSingleLine, w.mOnlineSingleBar, w.mOnlineSingleText, w.mOnlineMulti,
                           w.mOnlineMultiPV, w.mPMeterSysDate})
            EXPECT_EQ(a->isEnabled(), !closed) << a->objectName().toStdString();
        for (QAction* a : {w.mSetDSave, w.mOnlinePortOpen, w.mPMeterList, w.mHelpAbout, w.mHelpHelp,
                           w.mHelpManual, w.mHelpViewComm, w.mHelpGView, w.mExit})
            EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
        for (int i : {0, 2})
            EXPECT_EQ(w.btnMenu[i]->isEnabled(), closed) << i;
        for (int i : {4, 5, 11, 12, 13, 14, 15})
            EXPECT_EQ(w.btnMenu[i]->isEnabled(), !closed) << i;
        for (int i : {1, 3, 6, 7, 8, 9, 10})
            EXPECT_TRUE(w.btnMenu[i]->isEnabled()) << i;
    }
}

TEST_F(MainWindow, MenusCarryTheirCaptionsAndButtonsTheirTexts)
{
    frmVQ_Main w(dir.path());
    EXPECT_EQ(w.mOnlinePortOpen->text(), "&Port Open");
    EXPECT_EQ(w.mOnlineMultiPV->text(), "&Multi Monitoring (P&V)");
    EXPECT_EQ(w.mPMeterSysDate->text(), "&DateTime/Reserve Setup");
    EXPECT_EQ(w.btnMenu[3]->text(), "Port Open");
    EXPECT_EQ(w.btnMenu[15]->text(), "DateTime Reserve Setup");
    EXPECT_TRUE(w.btnMenu[11]->text().isEmpty());
    EXPECT_EQ(w.findChild<QPushButton*>("btnMenu14"), w.btnMenu[14]);
}

TEST_F(MainWindow, QuitAsksAndNoKeepsTheProgramRunning)
{
    frmVQ_Main w(dir.path());
    w.show();
    QString seen;
    answerNextMessageBox(QMessageBox::No, &seen);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(seen, "Confirm|Quit?");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.mOnlinePortOpen->text(), "&Port Open");
    answerNextMessageBox(QMessageBox::Yes);
    EXPECT_TRUE(w.close());
}

TEST_F(MainWindow, DeviceRowClickSelectsTheDevice)
{
    writeFile(path("CFG/SetEnv.INI"), "O\r\nX\r\nO\r\n");
    frmVQ_Main w(dir.path());
    w.show();
    QTableView* t = w.sprdStatus;
    const QRect cell = t->visualRect(t->model()->index(1, 0));
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(w.link().gSelMC_No, 3);
    EXPECT_EQ(w.link().gSelMC_Index, 1);
    EXPECT_EQ(w.lblMC_No->text(), "3");
}

TEST_F(MainWindow, DeviceAndPortSetupAreClosedFromPortOpenOn)
{
    // Lines past device 99 are no devices: one message says so.
    QByteArray list = "O\r\n";
    for (int n = 2; n <= 257; ++n)
        list += n == 120 || n == 257 ? "O\r\n" : "X\r\n";
    writeFile(path("CFG/SetEnv.INI"), list);
    LineServer server;
    SimPort port(server);
    frmVQ_Main w(dir.path(), &port);
    EXPECT_EQ(w.link().gMC_No, QList<int>{1});
    EXPECT_TRUE(w.panelText(4).contains("2 device(s) after line 99 ignored")) << w.panelText(4).toStdString();

    w.togglePort();
    ASSERT_EQ(w.mOnlinePortOpen->text(), "&Port Close");
    for (QAction* a : {w.mSetMC, w.mSetPort})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (int i : {0, 2})
        EXPECT_FALSE(w.btnMenu[i]->isEnabled()) << i;
    // Even called directly, neither opens while the port is open.
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* d = QApplication::activeModalWidget()) {
            opened = true;
            d->close();
        }
    });
    w.openDeviceSetup();
    w.openPortSetup();
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);
    w.togglePort();
    EXPECT_TRUE(w.mSetMC->isEnabled());
    EXPECT_TRUE(w.btnMenu[2]->isEnabled());
}

TEST_F(MainWindow, CommunicationViewTogglesWithACheckMark)
{
    frmVQ_Main w(dir.path());
    w.show();
    ASSERT_TRUE(w.mHelpViewComm->isChecked());
    w.mHelpViewComm->trigger();
    EXPECT_FALSE(w.sprdComm->isVisible());
    EXPECT_FALSE(w.btnCountClear->isVisible());
    EXPECT_FALSE(w.mHelpViewComm->isChecked());
    w.mHelpViewComm->trigger();
    EXPECT_TRUE(w.sprdCommState->isVisible());
    EXPECT_TRUE(w.mHelpViewComm->isChecked());
}

TEST_F(MainWindow, CountClearEmptiesEveryCounterButKeepsTheDevices)
{
    writeFile(path("CFG/SetEnv.INI"), "O\r\nO\r\n");
    frmVQ_Main w(dir.path());
    TextTable& t = w.store().sprdCommState;
    t.setText(1, 1, "12");
    t.setText(3, 2, "4");
    QTest::mouseClick(w.btnCountClear, Qt::LeftButton);
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 3; ++c)
            EXPECT_EQ(t.text(c, r), QString());
    EXPECT_EQ(t.text(0, 2), "2");
    EXPECT_EQ(t.text(1, 0), "OK");
}
