#include "app/frmVQ_Main.h"
#include "common/Files.h"
#include "common/Find.h"
#include "publish/frmVQ_Publish.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(Publishing, OkRefusesWhatCannotWorkAndSavesTheRestKeepingOtherLines)
{
    QTemporaryDir dir;
    const QString ini = PublishSettingsPath(dir.path());
    WriteFile(ini, "broker=\r\n; kept\r\nqos=1\r\n");
    const QString pw = dir.filePath("pw");
    WriteFile(pw, "secret\n");
    ::chmod(QFile::encodeName(pw).constData(), 0644);
    frmVQ_Main w(dir.path());
    QSignalSpy changed(&w, &frmVQ_Main::publishSettingsChanged);

    OnModal([&](QWidget* m) {
        auto* d = qobject_cast<frmVQ_Publish*>(m);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(Find<QLineEdit>(d, "txtPrefix")->placeholderText(), DefaultPrefix(dir.path()));
        EXPECT_FALSE(Find(d, "txtCaFile")->isEnabled());
        const auto refused = [&](const char* said) {
            Click(d, "btnOK");
            EXPECT_TRUE(d->isVisible()) << said;
            EXPECT_TRUE(Text(d, "lblMsg").contains(said)) << Text(d, "lblMsg").toStdString();
        };
        Find<QLineEdit>(d, "txtBroker")->setText("mqtt://broker:99999");
        refused("1 to 65535");
        Find<QLineEdit>(d, "txtBroker")->setText("mqtts://broker.example");
        EXPECT_TRUE(Find(d, "txtCaFile")->isEnabled());
        Find<QLineEdit>(d, "txtUser")->setText("op");
        d->chooseFile = [&](QWidget*, const QString&, const QString&) { return pw; };
        Click(d, "btnPasswordFile");
        refused("chmod 600");
        EXPECT_EQ(ReadFile(ini), QByteArray("broker=\r\n; kept\r\nqos=1\r\n"));
        ::chmod(QFile::encodeName(pw).constData(), 0600);
        Find<QLineEdit>(d, "txtPrefix")->setText("plant/+");
        refused("wildcard");
        Find<QLineEdit>(d, "txtPrefix")->setText("plant/2/");
        Click(d, "chbRecords");
        Click(d, "btnOK");
        EXPECT_FALSE(d->isVisible());
    });
    w.openPublishing();
    EXPECT_EQ(changed.count(), 1);
    QString note;
    const PublishSettings s = ReadPublishSettings(dir.path(), &note);
    EXPECT_TRUE(note.isEmpty()) << note.toStdString();
    EXPECT_EQ(s.broker, "mqtts://broker.example");
    EXPECT_EQ(s.prefix, "plant/2/");
    EXPECT_EQ(s.username, "op");
    EXPECT_EQ(s.passwordFile, pw);
    EXPECT_TRUE(s.live);
    EXPECT_FALSE(s.records);
    EXPECT_EQ(s.otherLines, (QStringList{"; kept", "qos=1"}));

    OnModal([](QWidget* m) { Click(m, "btnCancel"); });
    w.openPublishing();
    EXPECT_EQ(changed.count(), 1);
}
