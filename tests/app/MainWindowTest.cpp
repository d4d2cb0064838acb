#include "app/PortReopener.h"
#include "app/frmVQ_Main.h"
#include "common/Files.h"
#include "common/Find.h"
#include "common/VirtualLine.h"
#include "link/CommLog.h"
#include "link/RegisterMap.h"
#include "sim/LineServer.h"
#include "sim/SimPort.h"
#include "ui/WindowPlaces.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QDialog>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool enabled(const frmVQ_Main& w, const char* name)
{
    if (auto* a = w.findChild<QAction*>(name))
        return a->isEnabled();
    return Find(&w, name)->isEnabled();
}

struct MainWindow : ::testing::Test {
    QTemporaryDir dir;
    QString path(const char* rel) { return dir.filePath(QString::fromLatin1(rel)); }
};

} // namespace

TEST_F(MainWindow, ReadsTheThreeFilesAtStartUpOrTakesDefaults)
{
    {
        frmVQ_Main w(dir.path());
        EXPECT_TRUE(QDir(path("CFG")).exists());
        EXPECT_EQ(w.link().gChCount, 6);
        EXPECT_EQ(w.panelText(2), "9600,N,8,1");
        EXPECT_EQ(w.panelText(5), "Modbus RTU");
        ExpectTexts(&w, {{"lblDSave_Enable", "No"}, {"lblDSave_Intv", "1"}, {"lblDSave_Unit", "min"},
                         {"lblDaySave", "No"}});
        EXPECT_TRUE(Find<QTimer>(&w, "tmrDSave")->isActive());
    }
    WriteFile(path("Comm.CFG"), "COM2\r\n38400\r\nE\r\n8\r\n1\r\nModbus RTU\r\n");
    WriteFile(path("CFG/SetEnv.INI"), "X\tspare\r\nO\tBoiler\r\nO\tKiln\r\n");
    WriteFile(path("CFG/SaveData.INI"), "Yes\n10\nsec\n/tmp\nPLANT\n1\n6\n30\n");
    {
        frmVQ_Main w(dir.path());
        EXPECT_EQ(w.link().gMC_No, (QList<int>{2, 3}));
        auto* status = Find<QTableView>(&w, "sprdStatus");
        EXPECT_EQ(status->model()->index(1, 4).data().toString(), "Kiln");
        EXPECT_TRUE(status->isColumnHidden(2));
        EXPECT_TRUE(status->isColumnHidden(3));
        EXPECT_EQ(w.panelText(1), "COM2");
        EXPECT_EQ(w.panelText(2), "38400,E,8,1");
        ExpectTexts(&w, {{"lblDSave_Enable", "Yes"}, {"lblDSave_Unit", "sec"}, {"lblDaySave", "Yes"}});
        EXPECT_EQ(w.saveSettings().gDaySaveMinute, 30);
    }
    // The day-save line is compared as a number.
    for (auto [line6, shown] : {std::pair{"1.0", "Yes"}, {"2", "No"}, {"Yes", "No"}}) {
        WriteFile(path("CFG/SaveData.INI"), QByteArray("Yes\r\n5\r\nmin\r\n/tmp\r\nX\r\n") + line6 + "\r\n0\r\n0\r\n");
        frmVQ_Main w(dir.path());
        EXPECT_EQ(Text(&w, "lblDaySave"), QString::fromLatin1(shown)) << line6;
    }
}

TEST_F(MainWindow, QuitAsksAndNoKeepsTheProgramRunning)
{
    frmVQ_Main w(dir.path());
    w.show();
    QString seen;
    AnswerMessageBox(QMessageBox::No, &seen);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(seen, "Confirm|Quit?");
    EXPECT_TRUE(w.isVisible());
    AnswerMessageBox(QMessageBox::Yes);
    EXPECT_TRUE(w.close());
}

TEST_F(MainWindow, ARowClickSelectsTheDeviceAndTheRowKeepsItsOnlineColour)
{
    WriteFile(path("CFG/SetEnv.INI"), "O\r\nX\r\nO\r\n");
    frmVQ_Main w(dir.path());
    w.show();
    w.store().sprdStatus.setText(status::Online, 2, "OK");
    w.store().sprdStatus.setBackground(status::Online, 2, qRgb(0, 255, 0));
    ClickCell(&w, "sprdStatus", 1, 2);
    EXPECT_EQ(w.link().gSelMC_No, 3);
    EXPECT_EQ(w.link().gSelMC_Index, 1);
    EXPECT_EQ(Text(&w, "lblMC_No"), "3");
    auto* view = Find<QTableView>(&w, "sprdStatus");
    const QRect cell = view->visualRect(view->model()->index(1, status::Online - 1));
    const QImage shot = view->viewport()->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(cell.left() + 5, cell.center().y())), QColor(0, 255, 0));

    // The cursor keys move the focus mark only; Return or Space selects.
    view->setFocus();
    const auto selectedRows = [&] { return view->selectionModel()->selectedRows().value(0).row(); };
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        QTest::keyClick(view, Qt::Key_Up);
        EXPECT_EQ(view->currentIndex().row(), 0);
        EXPECT_EQ(selectedRows(), 1) << "the frame stays on the selected device";
        EXPECT_EQ(w.link().gSelMC_No, 3);
        QTest::keyClick(view, key);
        EXPECT_EQ(w.link().gSelMC_No, 1);
        EXPECT_EQ(selectedRows(), 0);
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, key);
        EXPECT_EQ(w.link().gSelMC_No, 3);
    }
}

TEST_F(MainWindow, NoOldOkStaysWhenThePortClosesFailsToOpenOrIsLost)
{
    WriteFile(path("CFG/SetEnv.INI"), "O\r\nO\r\n");
    LineServer server;
    SimPort port(server);
    frmVQ_Main w(dir.path(), &port);
    const std::function<void()> ends[] = {
        [&] { w.togglePort(); },                        // Port Close
        [&] { port.unplug("adapter gone"); },           // lost
        [&] { w.togglePort(); port.setOpenError("no such device"); w.togglePort(); }, // closed, then fails to open
    };
    for (const auto& end : ends) {
        port.setOpenError(QString());
        w.togglePort();
        ASSERT_TRUE(w.engine().isOpen());
        for (int row = 1; row <= 2; ++row) {
            w.store().sprdStatus.setText(status::Online, row, "OK");
            w.store().sprdStatus.setBackground(status::Online, row, qRgb(0, 255, 0));
            w.store().sprdMon.setText(regmap::mon::Comm, row, "OK");
        }
        end();
        for (int row = 1; row <= 2; ++row) {
            EXPECT_EQ(w.store().sprdStatus.text(status::Online, row), "--");
            EXPECT_EQ(w.store().sprdStatus.background(status::Online, row), TextTable::kNoColour);
            EXPECT_EQ(w.store().sprdMon.text(regmap::mon::Comm, row), "--") << "the monitors grey the values";
        }
    }
}

TEST_F(MainWindow, WindowsComeBackWhereTheyWereLeftAndOnAScreen)
{
    WindowPlaces places;
    qApp->installEventFilter(&places);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect moved(screen.left() + 40, screen.top() + 50, 420, 300);
    const auto window = [] {
        auto w = std::make_unique<QDialog>();
        w->setObjectName("frmVQ_Test");
        return w;
    };
    {
        auto w = window();
        w->show();
        w->setGeometry(moved);
        w->close();
    }
    QSettings settings("vq800", "vq800");
    for (const QRect& saved : {moved, QRect(-5000, 9000, 420, 300), QRect(screen.right() - 10, 20, 420, 300)}) {
        if (saved != moved)
            settings.setValue("windows/frmVQ_Test/geometry", saved);
        settings.sync();
        auto w = window();
        w->show();
        EXPECT_TRUE(screen.contains(w->geometry())) << saved.x() << "," << saved.y();
        EXPECT_EQ(w->size(), saved.size());
        EXPECT_TRUE(saved != moved || w->geometry() == moved);
    }
    qApp->removeEventFilter(&places);
}

TEST_F(MainWindow, PortOpenSwitchesMenusAndClosesDeviceAndPortSetup)
{
    // Lines past device 99 are no devices (line 257 would wrap to 1 in a byte): one message says so.
    QByteArray list = "O\r\n";
    for (int n = 2; n <= 257; ++n)
        list += n == 99 || n == 100 || n == 257 ? "O\r\n" : "X\r\n";
    WriteFile(path("CFG/SetEnv.INI"), list);
    LineServer server;
    SimPort port(server);
    frmVQ_Main w(dir.path(), &port);
    EXPECT_EQ(w.link().gMC_No, (QList<int>{1, 99}));
    EXPECT_TRUE(w.panelText(4).contains("2 device(s) after line 99 ignored")) << w.panelText(4).toStdString();

    // A few of each kind: setup closed while the port is open, monitors open
    // once the scan has ended, the rest always.
    const auto expectMenus = [&](bool setup, bool monitors, const char* when) {
        for (const char* name : {"mSetMC", "mSetPort", "mSetPublish", "btnMenu0", "btnMenu2"})
            EXPECT_EQ(enabled(w, name), setup) << name << " " << when;
        for (const char* name : {"mOnlineSingleLine", "mPMeterSysDate", "btnMenu4", "btnMenu15"})
            EXPECT_EQ(enabled(w, name), monitors) << name << " " << when;
        for (const char* name : {"mOnlinePortOpen", "mSetDSave", "mHelpAbout", "btnMenu3"})
            EXPECT_TRUE(enabled(w, name)) << name << " " << when;
    };
    expectMenus(true, false, "closed");
    port.setOpenError("no such device");
    w.togglePort();
    EXPECT_TRUE(w.panelText(4).contains("no such device")) << w.panelText(4).toStdString();
    EXPECT_EQ(Text(&w, "btnMenu3"), "Port Open");
    port.setOpenError(QString());
    w.togglePort();
    EXPECT_EQ(Text(&w, "btnMenu3"), "Port Close");
    expectMenus(false, false, "scanning");
    w.SetPortState(false); // as at the end of the scan
    expectMenus(false, true, "open");

    // Even called directly, neither opens while the port is open.
    bool opened = false;
    OnModal([&](QWidget* d) {
        if (d) {
            opened = true;
            d->close();
        }
    });
    w.openDeviceSetup();
    w.openPortSetup();
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);

    w.togglePort();
    EXPECT_EQ(Text(&w, "btnMenu3"), "Port Open");
    expectMenus(true, false, "closed again");
}

TEST_F(MainWindow, CommunicationViewTogglesWithACheckMarkAndItsCountersClear)
{
    WriteFile(path("CFG/SetEnv.INI"), "O\r\nO\r\n");
    frmVQ_Main w(dir.path());
    w.show();
    auto* view = Find<QAction>(&w, "mHelpViewComm");
    ASSERT_TRUE(view->isChecked());
    view->trigger();
    EXPECT_FALSE(Find(&w, "sprdComm")->isVisible());
    EXPECT_FALSE(view->isChecked());
    view->trigger();
    EXPECT_TRUE(Find(&w, "sprdCommState")->isVisible());

    // Count Clear empties every counter but keeps the devices.
    TextTable& t = w.store().sprdCommState;
    t.setText(1, 1, "12");
    t.setText(3, 2, "4");
    Click(&w, "btnCountClear");
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 3; ++c)
            EXPECT_EQ(t.text(c, r), QString());
    EXPECT_EQ(t.text(0, 2), "2");
    EXPECT_EQ(t.text(1, 0), "OK");
}

TEST_F(MainWindow, TheFrameLogIsSavedAsCsvOrSaysWhyNot)
{
    frmVQ_Main w(dir.path());
    w.setPanelText(4, "Port COM1 cannot be opened");
    WriteLogRow("SEND", QByteArray::fromHex("010375310002"), w.commLog());
    for (const QString& target : {path("frames.csv"), path("missing/frames.csv")}) {
        w.chooseLogFile = [&] { return target; };
        Click(&w, "btnCommSave");
        const QString said = w.panelText(4);
        const bool saved = QFileInfo::exists(target);
        EXPECT_EQ(saved, !target.contains("missing"));
        EXPECT_TRUE(said.contains(saved ? "Frame log saved" : "cannot be saved")) << qPrintable(said);
    }
    EXPECT_TRUE(ReadFile(path("frames.csv")).startsWith("time,direction,bytes,device,result\r\n"));
    // The message passes over panel 4's own text (kept whole or in its tooltip: the rendering test), which comes back.
    Find<QTimer>(&w, "tmrMessage")->start(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.panelText(4) == "Port COM1 cannot be opened"; }));
}

TEST_F(MainWindow, ALostPortIsReopenedWhenPortSetupSaysSo)
{
    WriteFile(path("CFG/SetEnv.INI"), "O\r\n");
    for (const bool on : {false, true}) {
        WriteFile(path("CFG/Line.INI"), on ? "reopen=on\r\n" : "reopen=off\r\n");
        LineServer server;
        SimPort port(server);
        qint64 now = 0;
        VirtualTimer reopen(now, PortReopener::kIntervalMs);
        frmVQ_Main w(dir.path(), &port, &reopen);
        w.togglePort();
        port.unplug("adapter gone");
        EXPECT_EQ(Text(&w, "btnMenu3"), "Port Open");
        EXPECT_EQ(reopen.isActive(), on);
        EXPECT_EQ(w.panelText(4).endsWith("was lost: adapter gone; trying to reopen it every 10 s"), on);
        if (!on)
            continue;
        port.setOpenError("no such device");
        reopen.fire();
        EXPECT_TRUE(w.panelText(4).endsWith("cannot be opened: no such device; trying again every 10 s"));
        port.setOpenError(QString());
        reopen.fire();
        EXPECT_EQ(Text(&w, "btnMenu3"), "Port Close");
        EXPECT_TRUE(w.panelText(4).endsWith("is open again")) << w.panelText(4).toStdString();
        // The operator's Port Open ends the tries.
        port.unplug("adapter gone");
        w.togglePort();
        EXPECT_FALSE(reopen.isActive());
    }
}

TEST_F(MainWindow, EveryMenuItemHasAnAccessKeyOfItsOwn)
{
    frmVQ_Main w(dir.path());
    // The letter after a single '&' ("&&" is an ampersand).
    const auto key = [](const QString& text) {
        for (int i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != '&')
                continue;
            if (text[i + 1] != '&')
                return text[i + 1].toUpper();
            ++i;
        }
        return QChar();
    };
    QList<QList<QAction*>> menus{w.menuBar()->actions()};
    for (QAction* m : w.menuBar()->actions())
        menus << m->menu()->actions();
    for (const QList<QAction*>& items : menus) {
        QString seen;
        for (QAction* a : items) {
            if (a->isSeparator())
                continue;
            const QChar k = key(a->text());
            EXPECT_FALSE(k.isNull()) << a->text().toStdString() << " has no access key";
            EXPECT_FALSE(seen.contains(k)) << a->text().toStdString() << " shares " << QString(k).toStdString();
            seen += k;
        }
    }
    EXPECT_EQ(w.findChild<QAction*>("mOnlineMultiPV")->text(), "Multi Monitoring (P&&&V)");
}
