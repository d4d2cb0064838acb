// The Find Recorders window on the simulated line in virtual time: what it
// lists, what Use asks and writes.
#include "common/Find.h"
#include "common/VirtualLine.h"
#include "core/ConfigText.h"
#include "link/DeviceList.h"
#include "port/frmVQ_FindRecorders.h"

#include <QCheckBox>
#include <QListWidget>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FindRecorders, ListsWhatAnsweredAndUseWritesBothFilesAfterAsking)
{
    QTemporaryDir dir;
    ASSERT_TRUE(WriteConfigLines(DeviceListPath(dir.path()), {"O\tboiler", "X\t", "X\t", "X\t", "X\tkiln"}));
    LineClock line;
    line.serve({{5, 20}, {120, 10}});
    PortSettings current;
    current.gCommPort = QStringLiteral("line");
    current.gCommBaud = QStringLiteral("19200");
    frmVQ_FindRecorders d(dir.path(), current, &line.port, &line.rx);
    d.show();
    EXPECT_LE(d.frameGeometry().width(), 1366);
    EXPECT_LE(d.frameGeometry().height(), 768 - 40); // a task bar
    for (const char* off : {"chkBaud19200", "chkBaud38400", "chkBaud57600", "chkParityE", "chkParityO"})
        Find<QCheckBox>(&d, off)->setChecked(false);
    Find<QCheckBox>(&d, "chkWide")->setChecked(true);
    Find<QSpinBox>(&d, "spnLast")->setValue(130);

    Click(&d, "btnStart");
    EXPECT_EQ(Find<QPushButton>(&d, "btnStart")->text(), "&Stop");
    EXPECT_FALSE(Find<QPushButton>(&d, "btnUse")->isEnabled());
    ASSERT_TRUE(line.runUntil([&] { return !d.search().running(); }));
    QStringList shown;
    auto* list = Find<QListWidget>(&d, "lstFound");
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    EXPECT_EQ(shown, (QStringList{"9600,N,8,1 device 5 model 20 (12 channels)",
                                  "9600,N,8,1 device 120 model 10 (6 channels): cannot be polled; set its address to "
                                  "1..99 on the recorder"}));
    EXPECT_EQ(Find<QLabel>(&d, "lblFound")->text(), "Found: 2");

    QString asked;
    AnswerMessageBox(QMessageBox::No, &asked);
    Click(&d, "btnUse");
    EXPECT_EQ(asked.section("\n\n", 1), "Comm.CFG: line 19200,N,8,1 -> 9600,N,8,1\nSetEnv.INI: device 5 enabled\n"
                                         "SetEnv.INI: device 1 enabled but not found, left as it is");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Comm.CFG")));
    AnswerMessageBox(QMessageBox::Yes);
    Click(&d, "btnUse");
    EXPECT_TRUE(d.used());
    EXPECT_EQ(ReadConfigLines(dir.filePath("Comm.CFG")).mid(0, 5), (QStringList{"line", "9600", "N", "8", "1"}));
    EXPECT_EQ(ReadConfigLines(DeviceListPath(dir.path())), (QStringList{"O\tboiler", "X\t", "X\t", "X\t", "O\tkiln"}));
}
