#include "app/frmVQ_About.h"
#include "app/frmVQ_Main.h"
#include "common/Files.h"
#include "common/Find.h"
#include "core/ConfigText.h"
#include "link/frmVQ_SetMC.h"
#include "logging/frmVQ_Set_DSave.h"
#include "port/frmVQ_SetPort.h"
#include "port/QtSerialPort.h"
#include "Version.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSerialPort>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// A pseudo-terminal: a port the system does not list but that opens.
struct Pty {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    QString path = master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0
                       ? QString::fromLocal8Bit(ptsname(master))
                       : QString();
    ~Pty() { ::close(master); }
};

struct SetupDialogs : ::testing::Test {
    QTemporaryDir dir;
    QString path(const char* rel) { return dir.filePath(QString::fromLatin1(rel)); }
};

} // namespace

TEST_F(SetupDialogs, PortSetupWritesSixLinesAndUpdatesTheStatusBar)
{
    frmVQ_Main w(dir.path());
    OnModal([](QWidget* d) {
        auto* port = Find<QComboBox>(d, "cmbPort");
        port->lineEdit()->clear();
        QTest::keyClicks(port->lineEdit(), "COM2");
        Find<QComboBox>(d, "cmbBaud")->setCurrentText("38400");
        Find<QComboBox>(d, "cmbParity")->setCurrentText("E");
        Click(d, "chbReopen"); // on: reopen is off by default
        Find<QSpinBox>(d, "spnGap")->setValue(0);
        Find<QComboBox>(d, "cmbRs485")->setCurrentIndex(int(Rs485Mode::Rts));
        Click(d, "btnOK");
    });
    w.setPanelText(4, "Port COM1 cannot be opened: no such device");
    w.openPortSetup();
    EXPECT_EQ(w.panelText(4), "") << "said of the old port";
    EXPECT_EQ(ReadFile(path("Comm.CFG")), "COM2\r\n38400\r\nE\r\n8\r\n1\r\nModbus RTU\r\n");
    EXPECT_EQ(w.panelText(1), "COM2");
    EXPECT_EQ(w.panelText(2), "38400,E,8,1");
    EXPECT_EQ(ReadFile(path("CFG/Line.INI")), "reopen=on\r\ngap_ms=0\r\nrs485=rts\r\n");

    OnModal([](QWidget* d) {
        EXPECT_EQ(Find<QComboBox>(d, "cmbPort")->currentText(), "COM2");
        EXPECT_TRUE(Find<QCheckBox>(d, "chbReopen")->isChecked());
        EXPECT_EQ(Find<QComboBox>(d, "cmbRs485")->currentIndex(), int(Rs485Mode::Rts));
        Find<QComboBox>(d, "cmbBaud")->setCurrentText("9600");
        Click(d, "btnCancel");
    });
    w.openPortSetup();
    EXPECT_EQ(ReadFile(path("Comm.CFG")), "COM2\r\n38400\r\nE\r\n8\r\n1\r\nModbus RTU\r\n");
}

TEST_F(SetupDialogs, PortTestSaysWhyItFailedAndNeverLeavesThePortOpen)
{
    const serial_rs485 r = QtSerialPort::KernelRs485();
    EXPECT_EQ(r.flags, unsigned(SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND)) << "RTS on while sending, off after";
    EXPECT_EQ(r.delay_rts_before_send + r.delay_rts_after_send, 0u);

    Pty pty; // a pseudo-terminal has no RS-485 mode
    ASSERT_FALSE(pty.path.isEmpty());
    PortSettings link;
    link.gCommPort = pty.path;
    frmVQ_SetPort d(dir.path(), link);
    EXPECT_TRUE(Text(&d, "lblMsg").isEmpty()) << Text(&d, "lblMsg").toStdString();
    Find<QComboBox>(&d, "cmbRs485")->setCurrentIndex(int(Rs485Mode::Kernel));
    Click(&d, "btnTest");
    EXPECT_TRUE(Text(&d, "lblMsg").contains("refuses RS-485 mode (rs485=kernel)")) << Text(&d, "lblMsg").toStdString();
    // Qt locks a port while it is open: a second open succeeds only if the test closed it.
    QSerialPort again(pty.path);
    EXPECT_TRUE(again.open(QIODevice::ReadWrite)) << again.errorString().toStdString();
    again.close();

    const QString missing = dir.filePath("no-such-port");
    Find<QComboBox>(&d, "cmbPort")->setCurrentText(missing);
    Click(&d, "btnTest");
    EXPECT_TRUE(Text(&d, "lblMsg").contains(missing + " cannot be opened")) << Text(&d, "lblMsg").toStdString();
    Click(&d, "btnOK");
    EXPECT_EQ(d.saved().gCommPort, missing);
    EXPECT_TRUE(ReadFile(path("CFG/Line.INI")).contains("rs485=kernel\r\n"));
}

TEST_F(SetupDialogs, DeviceSetupMarksRowsWantsADeviceAndRebuildsTheDevices)
{
    QStringList old(101, "X");
    old[6] = "O\tKiln";
    old[99] = "O\thand-written"; // past the 99 rows of the dialog: kept as it is
    ASSERT_TRUE(WriteConfigLines(path("CFG/SetEnv.INI"), old));
    frmVQ_Main w(dir.path());
    w.selectDeviceRow(1); // device 7
    ASSERT_EQ(w.link().gSelMC_No, 7);
    QString text;
    OnModal([&](QWidget* d) {
        auto* t = Find<QTableWidget>(d, "sprdList");
        EXPECT_EQ(t->rowCount(), 99);
        EXPECT_EQ(t->item(6, 1)->text(), "Kiln");
        ClickCell(d, "sprdList", 1, 7);
        AnswerMessageBox(QMessageBox::Ok, &text); // no device left
        Click(d, "btnOK");
        EXPECT_EQ(ReadConfigLines(path("CFG/SetEnv.INI")), old);
        ClickCell(d, "sprdList", 1, 1);
        t->setCurrentCell(4, 0);
        QTest::keyClick(t, Qt::Key_Space);
        Click(d, "btnOK");
    });
    w.openDeviceSetup();
    EXPECT_TRUE(text.endsWith("|Check.")) << text.toStdString();
    EXPECT_EQ(w.link().gMC_No, (QList<int>{1, 5}));
    EXPECT_EQ(w.link().gSelMC_No, 1);
    EXPECT_EQ(Text(&w, "lblMC_No"), "1");
    const QStringList lines = ReadConfigLines(path("CFG/SetEnv.INI"));
    ASSERT_EQ(lines.size(), 101);
    EXPECT_EQ(lines[4], "O\t");
    EXPECT_EQ(lines[6], "X\tKiln");
    EXPECT_EQ(lines[99], "O\thand-written");
    EXPECT_EQ(lines.filter(QRegularExpression("^O")).size(), 3);
}

TEST_F(SetupDialogs, DeviceSetupAsksBeforeDroppingChanges)
{
    ASSERT_TRUE(WriteConfigLines(path("CFG/SetEnv.INI"), {"O\tBoiler"}));
    frmVQ_SetMC d(dir.path());
    d.show();
    d.reject(); // nothing changed: closes without a question
    EXPECT_FALSE(d.isVisible());
    d.show();
    d.toggleUse(3);
    Find<QTableWidget>(&d, "sprdList")->item(2, 1)->setText("Kiln line 2");
    QString asked;
    AnswerMessageBox(QMessageBox::No, &asked);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_TRUE(asked.contains("not saved")) << qPrintable(asked);
    EXPECT_TRUE(d.isVisible());
    AnswerMessageBox(QMessageBox::Yes);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(ReadConfigLines(path("CFG/SetEnv.INI")), QStringList{"O\tBoiler"}) << "nothing saved";
}

TEST_F(SetupDialogs, AFileThatCannotBeSavedIsNamedWithTheWayOut)
{
    // A folder where the file should be: not even root can replace it.
    PortSettings link;
    const std::pair<const char*, std::function<std::unique_ptr<QDialog>()>> cases[] = {
        {"CFG/Line.INI", [&] { return std::make_unique<frmVQ_SetPort>(dir.path(), link); }},
        {"Comm.CFG", [&] { return std::make_unique<frmVQ_SetPort>(dir.path(), link); }},
        {"CFG/SetEnv.INI",
         [&] {
             auto d = std::make_unique<frmVQ_SetMC>(dir.path());
             ClickCell(d.get(), "sprdList", 1, 1);
             return d;
         }},
        {"CFG/SaveData.INI", [&] { return std::make_unique<frmVQ_Set_DSave>(dir.path()); }},
    };
    for (const auto& [file, open] : cases) {
        QFile::remove(path(file)); // written by an earlier case
        ASSERT_TRUE(QDir().mkpath(path(file)));
        const auto d = open();
        QString said;
        AnswerMessageBox(QMessageBox::Ok, &said);
        Click(d.get(), "btnOK");
        EXPECT_TRUE(said.contains(QDir::toNativeSeparators(path(file)) + " cannot be saved: ")) << qPrintable(said);
        EXPECT_TRUE(said.contains("--dir")) << qPrintable(said);
    }
}

TEST_F(SetupDialogs, AboutShowsTheVersionAndTheProgramFolder)
{
    frmVQ_About about(dir.path());
    EXPECT_EQ(Text(&about, "lblVersion"), "VQ800 EV" VQ800_VERSION);
    EXPECT_TRUE(Text(&about, "lblProgramDir").endsWith(QDir::toNativeSeparators(dir.path())));
}
