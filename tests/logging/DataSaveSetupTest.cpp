#include "app/frmVQ_Main.h"
#include "link/ConfigText.h"
#include "logging/DataLogger.h"
#include "logging/frmVQ_Set_DSave.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void retype(QLineEdit* e, const QString& text)
{
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return); // commits the value
}

void answerMessage(QString* text)
{
    QTimer::singleShot(0, [text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        *text = box->text();
        box->accept();
    });
}

struct DataSaveSetup : ::testing::Test {
    QTemporaryDir dir;
    QString ini() { return dir.filePath("CFG/SaveData.INI"); }
};

} // namespace

TEST_F(DataSaveSetup, NumberBoxesAreHeldToTheirRanges)
{
    frmVQ_Set_DSave d(dir.path());
    struct Case { QLineEdit* box; const char* typed; const char* shown; };
    const Case cases[] = {{d.txtSaveInterval, "0", "1"},  {d.txtSaveInterval, "90", "60"},
                          {d.txtSaveInterval, "15", "15"}, {d.txtSaveInterval, "abc", "1"},
                          {d.txtDayHH, "30", "23"},        {d.txtDayHH, "-1", "0"},
                          {d.txtDayMM, "75", "59"},        {d.txtDayMM, "5", "5"}};
    d.chbDSaveF->setChecked(true);
    for (const Case& c : cases) {
        retype(c.box, c.typed);
        EXPECT_EQ(c.box->text(), c.shown) << c.box->objectName().toStdString() << " " << c.typed;
    }
}

TEST_F(DataSaveSetup, OkValidatesWritesAndTakesEffect)
{
    ASSERT_TRUE(WriteConfigLines(ini(), {"No", "10", "min", dir.path(), "PLANT", "0", "6", "30"}));
    frmVQ_Main w(dir.path());
    const QByteArray before = ReadConfigLines(ini()).join('|').toUtf8();
    QString text;

    auto* d = new frmVQ_Set_DSave(dir.path(), &w);
    EXPECT_EQ(d->txtFName->text(), "PLANT");
    EXPECT_EQ(d->txtDayMM->text(), "30");
    EXPECT_FALSE(d->txtDayHH->isEnabled());
    d->txtFName->clear();
    answerMessage(&text);
    QTest::mouseClick(d->btnOK, Qt::LeftButton);
    EXPECT_EQ(text, "Input Filename.");
    d->setFolder(QString());
    d->txtFName->setText("LINE2");
    answerMessage(&text);
    QTest::mouseClick(d->btnOK, Qt::LeftButton);
    EXPECT_EQ(text, "Select Folder.");
    EXPECT_EQ(ReadConfigLines(ini()).join('|').toUtf8(), before);
    delete d;

    const QString logDir = dir.filePath("log");
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<frmVQ_Set_DSave*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->chooseFolder = [&](QWidget*, const QString&) { return logDir; };
        QTest::mouseClick(d->lblFolder, Qt::LeftButton);
        d->cmbSave->setCurrentText("Yes");
        retype(d->txtSaveInterval, "5");
        d->cmbUnit->setCurrentText("sec");
        QTest::mouseClick(d->chbDSaveF, Qt::LeftButton);
        EXPECT_TRUE(d->lblMsg->text().contains("PLANT_01_")) << d->lblMsg->text().toStdString();
        EXPECT_TRUE(d->lblMSG2->text().contains("06:30")) << d->lblMSG2->text().toStdString();
        QTest::mouseClick(d->btnOK, Qt::LeftButton);
    });
    w.openDataSaveSetup();
    EXPECT_EQ(ReadConfigLines(ini()),
              (QStringList{"Yes", "5", "sec", QDir::toNativeSeparators(logDir), "PLANT", "1", "6", "30"}));
    EXPECT_EQ(w.lblDSave_Enable->text(), "Yes");
    EXPECT_EQ(w.lblDSave_Intv->text(), "5");
    EXPECT_EQ(w.lblDSave_Unit->text(), "sec");
    EXPECT_EQ(w.lblDaySave->text(), "Yes");
    EXPECT_EQ(w.dataLogger().settings().intervalSeconds(), 5);
    EXPECT_TRUE(w.dataLogger().settings().gDaySave);
}

TEST_F(DataSaveSetup, FailingSaveShowsInTheStatusBarUntilASaveSucceeds)
{
    frmVQ_Main w(dir.path());
    DataLogger& logger = w.dataLogger();
    auto* panel3 = w.findChild<QLabel*>("StatusPanel3");
    ASSERT_NE(panel3, nullptr);
    emit logger.saved(QDateTime::currentDateTime(), {}, "Save failed: /x/P_01.VQD: No space left on device");
    EXPECT_TRUE(panel3->text().contains("P_01.VQD"));
    emit logger.saved(QDateTime::currentDateTime(), {"/x/P_01.VQD"}, QString());
    EXPECT_TRUE(panel3->text().isEmpty());
}
