// The parameter editor and the record/display page, driven as an operator would.
#include "FakeLine.h"
#include "param/ParamImage.h"
#include "param/frmVQ_P_Main.h"
#include "param/frmVQ_P_System.h"
#include <QTabWidget>
#include "param/frmVQ_Parameter.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct Editor {
    explicit Editor(int channels = 6)
        : line(channels)
    {
        line.engine.setParamSource(&image);
    }
    frmVQ_Parameter& open()
    {
        w = std::make_unique<frmVQ_Parameter>(image, line.link, line.store, line.engine);
        w->chooseFile = [this](bool save, const QString&) {
            ++asked;
            return save ? savePath : openPath;
        };
        QCoreApplication::processEvents(); // tmrRefresh
        return *w;
    }
    void click(QTableView* view, int col, int row)
    {
        const QRect r = view->visualRect(view->model()->index(row - 1, col - 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    }
    FakeLine line;
    ParamImage image;
    std::unique_ptr<frmVQ_Parameter> w;
    QString savePath, openPath;
    int asked = 0;
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Runs f on the next modal window once it is up.
void onModal(std::function<void(QWidget*)> f)
{
    QTimer::singleShot(0, [f] { f(QApplication::activeModalWidget()); });
}

} // namespace

TEST(Editor, TransfersNeedTheSelectedRecorderOnlineAtOpening)
{
    struct Case {
        const char* online;
        int selected;
        bool enabled;
    };
    for (const Case& k : {Case{"OK", 1, true}, Case{"NG", 1, false}, Case{"", 1, false}, Case{"OK", 0, false}}) {
        Editor e;
        e.line.store.sprdStatus.setText(status::Online, 1, k.online);
        e.line.link.gSelMC_No = k.selected;
        frmVQ_Parameter& w = e.open();
        EXPECT_EQ(w.btnUpload->isEnabled(), k.enabled) << k.online;
        EXPECT_EQ(w.btnDownload->isEnabled(), k.enabled) << k.online;
    }
}

TEST(Editor, ShowsTheRecorderChannelsAndHidesKeysAndReservedRow)
{
    for (const int channels : {6, 12}) {
        Editor e(channels);
        frmVQ_Parameter& w = e.open();
        EXPECT_EQ(w.sprdP_CH->model()->columnCount(), channels + 2);
        EXPECT_EQ(w.sprdP_CH->model()->headerData(channels + 1, Qt::Horizontal).toString(),
                  QStringLiteral("CH.%1").arg(channels, 2, 10, QLatin1Char('0')));
        EXPECT_TRUE(w.sprdP_CH->isColumnHidden(1));
        EXPECT_TRUE(w.sprdP->isColumnHidden(1));
        EXPECT_TRUE(w.sprdP->isRowHidden(16));
    }
}

TEST(Editor, UploadFillsTheTablesAndShowsProgress)
{
    Editor e;
    e.line.port.regs[40001] = 1;     // RECORD_ONOFF
    e.line.port.regs[40101] = 0x5441; // "TA"
    e.line.port.regs[40116] = 3;     // CH.01 colour 3
    e.line.port.regs[40648] = 1;     // CH.06 ALARM01 TYPE
    frmVQ_Parameter& w = e.open();
    QSignalSpy done(&e.line.engine, &PollingEngine::uploadFinished);
    QTest::mouseClick(w.btnUpload, Qt::LeftButton);
    EXPECT_EQ(e.line.link.gReqCodeNext, 200);
    ASSERT_TRUE(e.line.run([&] { return done.count() > 0; }));
    QCoreApplication::processEvents();
    const TextTable& p = w.tables().sprdP;
    const TextTable& ch = w.tables().sprdP_CH;
    EXPECT_EQ(p.text(3, 1), "ON");
    EXPECT_EQ(ch.text(3, 1).left(2), "TA");
    EXPECT_EQ(ch.text(3, 10), "3");
    EXPECT_EQ(ch.background(3, 10), QColor(255, 0, 0));
    EXPECT_EQ(ch.text(8, 29), "1");
    EXPECT_EQ(w.XProgress1->value(), 100);
    EXPECT_EQ(w.XProgress1->text(), "100%");
    EXPECT_EQ(w.lblMsg->text(), "Parameter upload complete.(VQ800==>PC)");
}

TEST(Editor, NewThenSaveAsWritesTheCodesOfEmptyTexts)
{
    QTemporaryDir dir;
    Editor e;
    e.image.setI16(1024, 6); // display mode BAR GRAPH from an earlier set
    e.line.store.sprdP_Common.setText(1, 6, "25");
    e.line.store.sprdP_CH.setText(1, 1, "TANK");
    frmVQ_Parameter& w = e.open();
    w.tables().sprdP.setText(3, 2, "BAR GRAPH");
    QTest::mouseClick(w.btnNew, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(w.lblFName->text(), "");
    e.savePath = dir.filePath("new.CFG");
    QTest::mouseClick(w.btnSaveAs, Qt::LeftButton);
    const QByteArray f = readFile(e.savePath);
    ASSERT_EQ(f.size(), 3032);
    ParamImage img;
    img.setBytes(f);
    EXPECT_EQ(img.i16(1038), 0);      // SCROLL_SPEED_TIME
    EXPECT_EQ(img.i16(1024), 6);      // display mode kept its text
    EXPECT_EQ(img.i16(1066), 0);      // BACKGROUND_COLOR "BLACK"
    EXPECT_EQ(img.i16(1128 + 2), 0);  // DI01 record "STOP"
    EXPECT_EQ(img.chars(1232 + 216, 10), QString(10, QChar(0)));
    EXPECT_EQ(w.lblFName->text(), QDir::toNativeSeparators(e.savePath));
}

TEST(Editor, SaveAsksForANameOnce)
{
    QTemporaryDir dir;
    Editor e;
    frmVQ_Parameter& w = e.open();
    e.savePath = dir.filePath("a.CFG");
    QTest::mouseClick(w.btnSave, Qt::LeftButton);
    w.tables().sprdP.setText(3, 6, "9");
    QTest::mouseClick(w.btnSave, Qt::LeftButton);
    EXPECT_EQ(e.asked, 1);
    ParamImage img;
    ASSERT_TRUE(img.setBytes(readFile(e.savePath)));
    EXPECT_EQ(img.i16(1038), 9);
}

TEST(Editor, ABadFileIsRefusedWithAMessageAndChangesNothing)
{
    QTemporaryDir dir;
    Editor e;
    frmVQ_Parameter& w = e.open();
    e.savePath = dir.filePath("good.CFG");
    QTest::mouseClick(w.btnSave, Qt::LeftButton);
    w.tables().sprdP_CH.setText(3, 1, "KEEP");
    QFile bad(dir.filePath("short.CFG"));
    bad.open(QIODevice::WriteOnly);
    bad.write(QByteArray(100, 'x'));
    bad.close();
    e.openPath = bad.fileName();
    QString shown;
    onModal([&](QWidget* box) {
        shown = qobject_cast<QMessageBox*>(box)->text();
        box->close();
    });
    QTest::mouseClick(w.btnOpen, Qt::LeftButton);
    EXPECT_TRUE(shown.contains("short.CFG")) << qPrintable(shown);
    EXPECT_TRUE(shown.contains("100 bytes")) << qPrintable(shown);
    EXPECT_EQ(w.lblFName->text(), QDir::toNativeSeparators(e.savePath));
    EXPECT_EQ(w.tables().sprdP_CH.text(3, 1), "KEEP");
}

TEST(Editor, DownloadAfterOpenSendsTheFileWithLaterEdits)
{
    QTemporaryDir dir;
    ParamImage source;
    source.setChars(1232 + 300 * 2 + 216, 10, "PRESSURE");
    source.setI16(1232 + 300 * 2 + 14, 2); // CH.03 FP_LOCATE
    source.setI16(1100, 5);               // RS232_MAC_NUMBER
    QFile f(dir.filePath("set.CFG"));
    f.open(QIODevice::WriteOnly);
    f.write(source.bytes());
    f.close();

    Editor e;
    frmVQ_Parameter& w = e.open();
    e.openPath = f.fileName();
    QTest::mouseClick(w.btnOpen, Qt::LeftButton);
    EXPECT_EQ(w.tables().sprdP_CH.text(5, 1).left(8), "PRESSURE");
    w.tables().sprdP_CH.setText(5, 6, "3");
    QSignalSpy done(&e.line.engine, &PollingEngine::downloadFinished);
    QTest::mouseClick(w.btnDownload, Qt::LeftButton);
    ASSERT_TRUE(e.line.run([&] { return done.count() > 0; }));
    EXPECT_EQ(e.line.port.regs.value(40301), 0x5052); // "PR"
    EXPECT_EQ(e.line.port.regs.value(40312), 3);
    EXPECT_EQ(e.line.port.regs.value(40031), 5);
    EXPECT_EQ(w.lblMsg->text(), "Parameter download complete.(PC==>VQ800)");
}

TEST(Editor, ClosingReturnsToMonitoringUnlessATransferRuns)
{
    {
        Editor e;
        frmVQ_Parameter& w = e.open();
        w.show();
        QTest::mouseClick(w.btnClose, Qt::LeftButton);
        EXPECT_EQ(e.line.engine.phase(), req::Phase::Live);
    }
    Editor e;
    frmVQ_Parameter& w = e.open();
    w.show();
    QTest::mouseClick(w.btnDownload, Qt::LeftButton);
    e.line.run([] { return false; }, 3); // the download is under way
    QTest::mouseClick(w.btnClose, Qt::LeftButton);
    EXPECT_EQ(e.line.engine.phase(), req::Phase::Download);
    QSignalSpy done(&e.line.engine, &PollingEngine::downloadFinished);
    EXPECT_TRUE(e.line.run([&] { return done.count() > 0; }));
}

TEST(Editor, OneTransferAtATimeAndAFailedOneSaysSo)
{
    Editor e;
    frmVQ_Parameter& w = e.open();
    QTest::mouseClick(w.btnUpload, Qt::LeftButton);
    EXPECT_FALSE(w.btnUpload->isEnabled());
    EXPECT_FALSE(w.btnDownload->isEnabled()) << "no second transfer while one runs";
    e.line.port.silent = true; // the recorder stops answering
    QSignalSpy failed(&e.line.engine, &PollingEngine::transferFailed);
    ASSERT_TRUE(e.line.run([&] { return failed.count() > 0; }, 400));
    EXPECT_EQ(w.lblMsg->text(), "Parameter upload stopped: device [1] does not answer");
    EXPECT_TRUE(w.btnUpload->isEnabled());
    EXPECT_TRUE(w.btnDownload->isEnabled());
    EXPECT_EQ(e.line.engine.phase(), req::Phase::Live) << "polling goes on";
}

TEST(Editor, ValueCellsOpenTheRecordDisplayPage)
{
    Editor e;
    frmVQ_Parameter& w = e.open();
    w.show();
    w.tables().sprdP.setText(3, 1, "maybe");
    w.tables().sprdP_CH.setText(6, 3, "OFF");
    QString title;
    bool onShown = false;
    onModal([&](QWidget* page) {
        auto* p = qobject_cast<frmVQ_P_Main*>(page);
        title = page->windowTitle();
        onShown = p->obtSD_Save[1]->isChecked();
        QTest::mouseClick(p->chbDispCH[3], Qt::LeftButton);
        QTest::mouseClick(p->obtSD_Save[0], Qt::LeftButton);
        QTest::mouseClick(p->btnClose, Qt::LeftButton);
    });
    e.click(w.sprdP, 3, 1);
    EXPECT_EQ(title, "RECORD/DISPLAY Setup");
    EXPECT_TRUE(onShown);
    EXPECT_EQ(w.tables().sprdP_CH.text(6, 3), "ON");
    EXPECT_EQ(w.tables().sprdP.text(3, 1), "OFF");

    // The channel display row opens the same page; the description column nothing.
    title.clear();
    onModal([&](QWidget* page) {
        if (page) {
            title = page->windowTitle();
            page->close();
        }
    });
    e.click(w.sprdP_CH, 1, 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(title, "");
    onModal([&](QWidget* page) {
        title = page->windowTitle();
        page->close();
    });
    e.click(w.sprdP_CH, 4, 3);
    EXPECT_EQ(title, "RECORD/DISPLAY Setup");
    if (!qEnvironmentVariableIsEmpty("VQ800_SHOTS")) {
        w.grab().save(qEnvironmentVariable("VQ800_SHOTS") + "/editor.png");
        frmVQ_P_Main page(w.tables().sprdP, w.tables().sprdP_CH);
        page.show();
        page.grab().save(qEnvironmentVariable("VQ800_SHOTS") + "/p_main.png");
    }
}

TEST(Editor, DisplayAndSystemCellsOpenTheirPagesOnTheirTabs)
{
    Editor e;
    frmVQ_Parameter& w = e.open();
    w.show();
    struct Case { int grid; int row; const char* title; int tab; };
    const Case cases[] = {{0, 6, "DISPLAY SETUP", -1}, {0, 15, "SYSTEM SETUP", 1}, {0, 33, "SYSTEM SETUP", 3},
                          {0, 10, "SYSTEM SETUP", 0}, {1, 10, "SYSTEM SETUP", 1}};
    for (const Case& c : cases) {
        QString title;
        int tab = -1;
        onModal([&](QWidget* page) {
            title = page->windowTitle();
            if (auto* s = qobject_cast<frmVQ_P_System*>(page))
                tab = s->SSTab1->currentIndex();
            page->close();
        });
        e.click(c.grid == 0 ? w.sprdP : w.sprdP_CH, 3, c.row);
        EXPECT_EQ(title, QString::fromLatin1(c.title)) << c.row;
        EXPECT_EQ(tab, c.tab) << c.row;
    }
}
