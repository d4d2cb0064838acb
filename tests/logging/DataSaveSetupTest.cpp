#include "app/frmVQ_Main.h"
#include "common/Find.h"
#include "core/ConfigText.h"
#include "logging/DataLogger.h"
#include "logging/frmVQ_Set_DSave.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct DataSaveSetup : ::testing::Test {
    QTemporaryDir dir;
    QString ini() { return dir.filePath("CFG/SaveData.INI"); }
};

} // namespace

TEST_F(DataSaveSetup, BoxesAreHeldToTheirRangesOkValidatesWritesAndTakesEffectFailuresShow)
{
    ASSERT_TRUE(WriteConfigLines(ini(), {"No", "10", "min", dir.path(), "PLANT", "0", "6", "30"}));
    frmVQ_Main w(dir.path());
    const QStringList before = ReadConfigLines(ini());
    QString text;

    auto* d = new frmVQ_Set_DSave(dir.path(), &w);
    EXPECT_EQ(Text(d, "txtFName"), "PLANT");
    EXPECT_EQ(Text(d, "txtDayMM"), "30");
    EXPECT_FALSE(Find(d, "txtDayHH")->isEnabled());
    // Number boxes are held to their ranges.
    Find<QCheckBox>(d, "chbDSaveF")->setChecked(true);
    struct Case { const char* box; const char* typed; const char* shown; };
    const Case cases[] = {{"txtSaveInterval", "0", "1"}, {"txtSaveInterval", "90", "60"},
                          {"txtSaveInterval", "abc", "1"}, {"txtDayHH", "30", "23"},
                          {"txtDayHH", "-1", "0"},        {"txtDayMM", "75", "59"}};
    for (const Case& c : cases) {
        Type(d, c.box, c.typed);
        EXPECT_EQ(Text(d, c.box), c.shown) << c.box << " " << c.typed;
    }
    Find<QLineEdit>(d, "txtFName")->clear();
    AnswerMessageBox(QMessageBox::Ok, &text);
    Click(d, "btnOK");
    EXPECT_TRUE(text.endsWith("|Input Filename.")) << text.toStdString();
    d->setFolder(QString());
    Find<QLineEdit>(d, "txtFName")->setText("LINE2");
    AnswerMessageBox(QMessageBox::Ok, &text);
    Click(d, "btnOK");
    EXPECT_TRUE(text.endsWith("|Select Folder.")) << text.toStdString();
    EXPECT_EQ(ReadConfigLines(ini()), before);
    delete d;

    const QString logDir = dir.filePath("log");
    OnModal([&](QWidget* w) {
        auto* d = qobject_cast<frmVQ_Set_DSave*>(w);
        ASSERT_NE(d, nullptr);
        d->chooseFolder = [&](QWidget*, const QString&) { return logDir; };
        QTest::mouseClick(Find(d, "lblFolder"), Qt::LeftButton);
        Find<QComboBox>(d, "cmbSave")->setCurrentText("Yes");
        Type(d, "txtSaveInterval", "5");
        Find<QComboBox>(d, "cmbUnit")->setCurrentText("sec");
        Click(d, "chbDSaveF");
        EXPECT_TRUE(Text(d, "lblMsg").contains("PLANT_01_")) << Text(d, "lblMsg").toStdString();
        EXPECT_TRUE(Text(d, "lblMSG2").contains("06:30")) << Text(d, "lblMSG2").toStdString();
        Click(d, "btnOK");
    });
    w.openDataSaveSetup();
    EXPECT_EQ(ReadConfigLines(ini()),
              (QStringList{"Yes", "5", "sec", QDir::toNativeSeparators(logDir), "PLANT", "1", "6", "30"}));
    ExpectTexts(&w, {{"lblDSave_Enable", "Yes"}, {"lblDSave_Intv", "5"}, {"lblDSave_Unit", "sec"},
                     {"lblDaySave", "Yes"}});
    EXPECT_EQ(w.dataLogger().settings().intervalSeconds(), 5);
    EXPECT_TRUE(w.dataLogger().settings().gDaySave);

    // A failing save shows in the status bar until a save succeeds; a repair
    // note outlives the next success.
    DataLogger& logger = w.dataLogger();
    const QDateTime t = QDateTime::currentDateTime();
    emit logger.saved(t, {}, "Save failed: /x/P_01.VQD: No space left on device", QString());
    EXPECT_TRUE(Text(&w, "StatusPanel3").contains("P_01.VQD"));
    emit logger.saved(t, {"/x/P_01.VQD"}, QString(), QString());
    EXPECT_TRUE(Text(&w, "StatusPanel3").isEmpty());
    emit logger.saved(t, {"/x/P_02.VQD"}, QString(), "/x/P_02.VQD was 300 bytes, shorter than its header; repaired");
    emit logger.saved(t, {"/x/P_01.VQD"}, QString(), QString());
    EXPECT_TRUE(Text(&w, "StatusPanel3").contains("repaired"));
}
