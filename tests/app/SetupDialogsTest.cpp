#include "app/frmVQ_Main.h"
#include "link/ConfigText.h"
#include "link/frmVQ_SetMC.h"
#include "link/frmVQ_SetPort.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Runs `drive` on the next modal dialog of type T once it is shown.
template <typename T>
void onDialog(std::function<void(T*)> drive)
{
    QTimer::singleShot(0, [drive] {
        auto* d = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        drive(d);
    });
}

// Answers the next message box with OK and keeps its text.
void answerMessage(QString* text)
{
    QTimer::singleShot(0, [text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        *text = box->text();
        box->accept();
    });
}

// A pseudo-terminal: a port the system does not list but that opens.
struct Pty {
    int master = -1;
    QString path;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            path = QString::fromLocal8Bit(ptsname(master));
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
};

struct SetupDialogs : ::testing::Test {
    QTemporaryDir dir;
    QString path(const char* rel) { return dir.filePath(QString::fromLatin1(rel)); }
};

} // namespace

TEST_F(SetupDialogs, PortSetupWritesSixLinesAndUpdatesTheStatusBar)
{
    frmVQ_Main w(dir.path());
    onDialog<frmVQ_SetPort>([](frmVQ_SetPort* d) {
        EXPECT_EQ(d->windowTitle(), "PC Port Setup");
        d->cmbPort->lineEdit()->clear();
        QTest::keyClicks(d->cmbPort->lineEdit(), "COM2");
        d->cmbBaud->setCurrentText("38400");
        d->cmbParity->setCurrentText("E");
        QTest::mouseClick(d->btnOK, Qt::LeftButton);
    });
    w.openPortSetup();
    EXPECT_EQ(fileBytes(path("Comm.CFG")), "COM2\r\n38400\r\nE\r\n8\r\n1\r\nModbus RTU\r\n");
    EXPECT_EQ(w.panelText(1), "COM2");
    EXPECT_EQ(w.panelText(2), "38400,E,8,1");
    EXPECT_EQ(w.panelText(5), "Modbus RTU");
    EXPECT_EQ(w.link().gCommBaud, "38400");

    onDialog<frmVQ_SetPort>([](frmVQ_SetPort* d) {
        EXPECT_EQ(d->cmbPort->currentText(), "COM2");
        d->cmbBaud->setCurrentText("9600");
        QTest::mouseClick(d->btnCancel, Qt::LeftButton);
    });
    w.openPortSetup();
    EXPECT_EQ(fileBytes(path("Comm.CFG")), "COM2\r\n38400\r\nE\r\n8\r\n1\r\nModbus RTU\r\n");
    EXPECT_EQ(w.panelText(2), "38400,E,8,1");
}

TEST_F(SetupDialogs, PortTestNeverLeavesThePortOpen)
{
    Pty pty;
    ASSERT_FALSE(pty.path.isEmpty());
    LinkState link;
    link.gCommPort = pty.path;
    frmVQ_SetPort d(dir.path(), link);
    EXPECT_TRUE(d.lblMsg->text().isEmpty()) << d.lblMsg->text().toStdString();
    // Qt locks a port while it is open: a second open succeeds only if the test closed it.
    QSerialPort again(pty.path);
    EXPECT_TRUE(again.open(QIODevice::ReadWrite)) << again.errorString().toStdString();
    again.close();

    const QString missing = dir.filePath("no-such-port");
    d.cmbPort->setCurrentText(missing);
    QTest::mouseClick(d.btnTest, Qt::LeftButton);
    EXPECT_TRUE(d.lblMsg->text().contains(missing)) << d.lblMsg->text().toStdString();
    EXPECT_TRUE(d.lblMsg->text().contains("cannot be opened"));
    QTest::mouseClick(d.btnOK, Qt::LeftButton);
    EXPECT_EQ(d.saved().gCommPort, missing);
}

TEST_F(SetupDialogs, DeviceSetupMarksRowsAndRebuildsTheDevices)
{
    ASSERT_TRUE(WriteConfigLines(path("CFG/SetEnv.INI"), {"X", "X", "X", "X", "X", "X", "O\tKiln"}));
    frmVQ_Main w(dir.path());
    w.selectDeviceRow(1); // device 7
    ASSERT_EQ(w.link().gSelMC_No, 7);
    onDialog<frmVQ_SetMC>([](frmVQ_SetMC* d) {
        QTableWidget* t = d->sprdList;
        EXPECT_EQ(t->rowCount(), 99);
        EXPECT_EQ(t->item(6, 1)->text(), "Kiln");
        const QRect row1 = t->visualRect(t->model()->index(0, 0));
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, row1.center());
        t->setCurrentCell(4, 0);
        QTest::keyClick(t, Qt::Key_Space);
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualRect(t->model()->index(6, 0)).center());
        EXPECT_EQ(t->item(6, 0)->text(), "X");
        QTest::mouseClick(d->btnOK, Qt::LeftButton);
    });
    w.openDeviceSetup();
    EXPECT_EQ(w.link().gMC_No, (QList<int>{1, 5}));
    EXPECT_EQ(w.store().sprdStatus.rowCount(), 2);
    EXPECT_EQ(w.store().sprdMon.text(0, 2), "5");
    EXPECT_EQ(w.link().gSelMC_No, 1);
    EXPECT_EQ(w.lblMC_No->text(), "1");
    const QStringList lines = ReadConfigLines(path("CFG/SetEnv.INI"));
    ASSERT_EQ(lines.size(), 99);
    EXPECT_EQ(lines[0], "O\t");
    EXPECT_EQ(lines[4], "O\t");
    EXPECT_EQ(lines[6], "X\tKiln");
    EXPECT_EQ(lines.filter(QRegularExpression("^O")).size(), 2);
}

TEST_F(SetupDialogs, DeviceSetupWantsAtLeastOneDevice)
{
    QStringList old = {"O\tA"};
    for (int i = 2; i <= 101; ++i)
        old << (i == 100 ? "O\thand-written" : "X");
    ASSERT_TRUE(WriteConfigLines(path("CFG/SetEnv.INI"), old));
    frmVQ_SetMC d(dir.path());
    d.toggleUse(1);
    QString text;
    answerMessage(&text);
    QTest::mouseClick(d.btnOK, Qt::LeftButton);
    EXPECT_EQ(text, "Check.");
    EXPECT_EQ(ReadConfigLines(path("CFG/SetEnv.INI")), old);

    d.toggleUse(2);
    QTest::mouseClick(d.btnOK, Qt::LeftButton);
    const QStringList lines = ReadConfigLines(path("CFG/SetEnv.INI"));
    ASSERT_EQ(lines.size(), 101) << "lines after the 99th are kept";
    EXPECT_EQ(lines[99], "O\thand-written");
    EXPECT_EQ(d.savedLines(), lines);
}
