// The parameter editor and the record/display page, driven as an operator would.
#include "common/Files.h"
#include "common/Find.h"
#include "common/VirtualLine.h"
#include "link/ChannelColours.h"
#include "param/ParamFormat.h"
#include "param/ParamImage.h"
#include "param/frmVQ_Parameter.h"

#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The editor over one recorder (device 1) that the engine is monitoring.
struct Editor {
    explicit Editor(int model = 10)
        : line({{1, model}})
    {
        line.openAndMonitor();
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
    void click(const char* button) { Click(w.get(), button); }
    bool enabled(const char* button) { return Find<QPushButton>(w.get(), button)->isEnabled(); }
    QString message() { return Text(w.get(), "lblMsg"); }
    VirtualLine line;
    ParamImage image;
    std::unique_ptr<frmVQ_Parameter> w;
    QString savePath, openPath;
    int asked = 0;
};

} // namespace

TEST(Editor, ShowsTheRecorderChannelsAndTransfersNeedItSelectedAndOnline)
{
    struct Case { int model; const char* online; int selected; bool enabled; };
    for (const Case& k : {Case{10, "OK", 1, true}, Case{20, "NG", 1, false}, Case{20, "OK", 0, false}}) {
        SCOPED_TRACE(k.online + std::to_string(k.selected));
        Editor e(k.model);
        e.line.store.sprdStatus.setText(status::Online, 1, k.online);
        e.line.link.gSelMC_No = k.selected;
        frmVQ_Parameter& w = e.open();
        EXPECT_EQ(e.enabled("btnUpload"), k.enabled);
        EXPECT_EQ(e.enabled("btnDownload"), k.enabled);
        const int channels = k.model == 20 ? 12 : 6;
        auto* ch = Find<QTableView>(&w, "sprdP_CH");
        auto* common = Find<QTableView>(&w, "sprdP");
        EXPECT_EQ(ch->model()->columnCount(), channels + 2);
        EXPECT_EQ(ch->model()->headerData(channels + 1, Qt::Horizontal).toString(),
                  QStringLiteral("CH.%1").arg(channels, 2, 10, QLatin1Char('0')));
        EXPECT_TRUE(ch->isColumnHidden(1));
        EXPECT_TRUE(common->isColumnHidden(1));
        EXPECT_TRUE(common->isRowHidden(16));
    }
}

TEST(Editor, UploadFillsTheTablesAndShowsProgress)
{
    Editor e;
    RecorderModel& rec = e.line.recorder(1);
    rec.write(40001, {1});      // RECORD_ONOFF
    rec.write(40101, {0x5441}); // "TA"
    rec.write(40116, {3});      // CH.01 colour 3
    rec.write(40648, {1});      // CH.06 ALARM01 TYPE
    frmVQ_Parameter& w = e.open();
    QSignalSpy done(&e.line.engine, &PollingEngine::uploadFinished);
    e.click("btnUpload");
    ASSERT_TRUE(e.line.runUntil([&] { return done.count() > 0; }));
    QCoreApplication::processEvents();
    const TextTable& p = w.tables().sprdP;
    const TextTable& ch = w.tables().sprdP_CH;
    EXPECT_EQ(p.text(3, 1), "ON");
    EXPECT_EQ(ch.text(3, 1).left(2), "TA");
    EXPECT_EQ(ch.text(3, 10), "3");
    EXPECT_EQ(ch.background(3, 10), RgbOf(255, 0, 0));
    EXPECT_EQ(ch.text(8, 29), "1");
    EXPECT_EQ(Find<QProgressBar>(&w, "XProgress1")->text(), "100%");
    EXPECT_EQ(e.message(), "Parameter upload complete.(VQ800==>PC)");
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
    e.click("btnNew");
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(&w, "lblFName"), "");
    e.savePath = dir.filePath("new.CFG");
    e.click("btnSaveAs");
    ParamImage img;
    ASSERT_TRUE(img.setBytes(ReadFile(e.savePath)));
    EXPECT_EQ(img.i16(1038), 0);      // SCROLL_SPEED_TIME
    EXPECT_EQ(img.i16(1024), 6);      // display mode kept its text
    EXPECT_EQ(img.i16(1066), 0);      // BACKGROUND_COLOR "BLACK"
    EXPECT_EQ(img.i16(1128 + 2), 0);  // DI01 record "STOP"
    EXPECT_EQ(img.chars(1232 + 216, 10), QString(10, QChar(0)));
    EXPECT_EQ(Text(&w, "lblFName"), QDir::toNativeSeparators(e.savePath));

    // Save asks for no name again.
    w.tables().sprdP.setText(3, 6, "9");
    e.click("btnSave");
    EXPECT_EQ(e.asked, 1);
    ASSERT_TRUE(img.setBytes(ReadFile(e.savePath)));
    EXPECT_EQ(img.i16(1038), 9);
}

TEST(Editor, ABadFileIsRefusedAGoodOneIsSentWithLaterEdits)
{
    QTemporaryDir dir;
    Editor e;
    frmVQ_Parameter& w = e.open();
    w.tables().sprdP_CH.setText(3, 1, "KEEP");
    e.openPath = dir.filePath("short.CFG");
    WriteFile(e.openPath, QByteArray(100, 'x'));
    QString shown;
    OnModal([&](QWidget* box) {
        shown = qobject_cast<QMessageBox*>(box)->text();
        box->close();
    });
    e.click("btnOpen");
    EXPECT_TRUE(shown.contains("short.CFG")) << qPrintable(shown);
    EXPECT_TRUE(shown.contains("100 bytes")) << qPrintable(shown);
    EXPECT_EQ(Text(&w, "lblFName"), "");
    EXPECT_EQ(w.tables().sprdP_CH.text(3, 1), "KEEP");

    ParamImage source;
    source.setChars(1232 + 300 * 2 + 216, 10, "PRESSURE");
    source.setI16(1232 + 300 * 2 + 14, 2); // CH.03 FP_LOCATE
    source.setI16(1232 + 300 * 2 + 2, static_cast<qint16>(*colours::Rgb565(3))); // CH.03 colour, as RGB565
    source.setI16(1100, 5);               // RS232_MAC_NUMBER
    e.openPath = dir.filePath("set.CFG");
    WriteFile(e.openPath, source.bytes());
    e.click("btnOpen");
    EXPECT_EQ(w.tables().sprdP_CH.text(5, 1).left(8), "PRESSURE");
    w.tables().sprdP_CH.setText(5, 6, "3");
    QSignalSpy done(&e.line.engine, &PollingEngine::downloadFinished);
    e.click("btnDownload");
    ASSERT_TRUE(e.line.runUntil([&] { return done.count() > 0; }));
    const RecorderModel& rec = e.line.recorder(1);
    EXPECT_EQ(rec.reg(40301), 0x5052); // "PR"
    EXPECT_EQ(rec.reg(40312), 3);
    EXPECT_EQ(rec.reg(40316), 3) << "the recorder keeps the colour as its number";
    EXPECT_EQ(rec.reg(40031), 5);
    EXPECT_EQ(e.message(), "Parameter download complete.(PC==>VQ800)");
}

TEST(Editor, OneTransferAtATimeClosingLetsItRunAndAFailedOneSaysSo)
{
    Editor e;
    e.open().show();
    e.click("btnUpload");
    EXPECT_FALSE(e.enabled("btnUpload"));
    EXPECT_FALSE(e.enabled("btnDownload")) << "no second transfer while one runs";
    e.line.steps(3);
    e.click("btnClose");
    EXPECT_EQ(e.line.engine.phase(), req::Phase::Upload);
    e.line.silence(1); // the recorder stops answering
    QSignalSpy failed(&e.line.engine, &PollingEngine::transferFailed);
    ASSERT_TRUE(e.line.runUntil([&] { return failed.count() > 0; }));
    EXPECT_EQ(e.message(), "Parameter upload stopped: device [1] does not answer");
    EXPECT_TRUE(e.enabled("btnUpload"));
    EXPECT_TRUE(e.enabled("btnDownload"));
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
    OnModal([&](QWidget* page) {
        title = page->windowTitle();
        onShown = Lit(page, "obtSD_Save1");
        Click(page, "chbDispCH3");
        Click(page, "obtSD_Save0");
        Click(page, "btnClose");
    });
    ClickCell(&w, "sprdP", 3, 1);
    EXPECT_EQ(title, "RECORD/DISPLAY Setup");
    EXPECT_TRUE(onShown);
    EXPECT_EQ(w.tables().sprdP_CH.text(6, 3), "ON");
    EXPECT_EQ(w.tables().sprdP.text(3, 1), "OFF");

}
