// The parameter editor and the record/display page, driven as an operator would.
#include "common/Files.h"
#include "common/Find.h"
#include "common/VirtualLine.h"
#include "core/ChannelColours.h"
#include "link/RegisterMap.h"
#include "param/frmVQ_Parameter.h"
#include "param/ParamBackups.h"
#include "param/ParamFiles.h"
#include "param/ParamFormat.h"
#include "param/ParamImage.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
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
        line.engine.setBackupKeeper(&backups);
    }
    frmVQ_Parameter& open()
    {
        w = std::make_unique<frmVQ_Parameter>(image, line.link, line.store, line.engine);
        w->setBackups(&backups);
        w->chooseFile = [this](bool save, const QString&) {
            ++asked;
            return save ? savePath : openPath;
        };
        w->show();
        QCoreApplication::processEvents(); // tmrRefresh
        return *w;
    }
    void click(const char* button) { Click(w.get(), button); }
    // Opens the file `name` holding `bytes` (an empty six-channel set unless given).
    void openSet(const char* name, const QByteArray& bytes = ParamImage().bytes())
    {
        openPath = dir.filePath(name);
        WriteFile(openPath, bytes);
        click("btnOpen");
    }
    bool enabled(const char* button) { return Find<QPushButton>(w.get(), button)->isEnabled(); }
    QString message() { return Text(w.get(), "lblMsg"); }
    QTemporaryDir dir;
    VirtualLine line;
    ParamImage image;
    ParamBackups backups{dir.path(), line.link};
    std::unique_ptr<frmVQ_Parameter> w;
    QString savePath, openPath;
    int asked = 0;
};

} // namespace

TEST(Editor, ShowsTheRecorderChannelsAndTransfersNeedItSelectedAndOnline)
{
    struct Case { int model; bool silent; int selected; bool enabled; };
    for (const Case& k : {Case{10, false, 1, true}, Case{20, true, 1, false}, Case{20, false, 0, false}}) {
        SCOPED_TRACE(std::to_string(k.silent) + std::to_string(k.selected));
        Editor e(k.model);
        if (k.silent) {
            e.line.silence(1);
            ASSERT_TRUE(e.line.runUntil([&] { return e.line.engine.stateOf(0) == DeviceState::Ng; }));
        }
        e.line.link.gSelMC_No = k.selected;
        frmVQ_Parameter& w = e.open();
        EXPECT_EQ(e.enabled("btnUpload"), k.enabled);
        EXPECT_EQ(e.enabled("btnDownload"), k.enabled);
        const int channels = k.model == 20 ? 12 : 6;
        auto* ch = Find<QTableView>(&w, "sprdP_CH");
        EXPECT_EQ(ch->model()->columnCount(), channels + 2);
        EXPECT_EQ(ch->model()->headerData(channels + 1, Qt::Horizontal).toString(),
                  QStringLiteral("CH.%1").arg(channels, 2, 10, QLatin1Char('0')));
        // Wide enough for six channels with whole numbers.
        w.tables().sprdP_CH.setText(8, regmap::ch::UserRangeMax, "-1.234568E+08");
        QCoreApplication::processEvents();
        const QModelIndex ch6 = ch->model()->index(regmap::ch::UserRangeMax - 1, 7);
        EXPECT_LE(ch->visualRect(ch6).right(), ch->viewport()->width()) << "CH.06 in sight";
        EXPECT_LE(ch->fontMetrics().horizontalAdvance(ch6.data().toString()) + 6, ch->visualRect(ch6).width());
    }
    // While the window stays open the buttons follow the recorder and the port.
    Editor e;
    e.open();
    e.line.silence(1);
    ASSERT_TRUE(e.line.runUntil([&] { return !e.enabled("btnDownload"); }));
    e.line.silence(1, false);
    ASSERT_TRUE(e.line.runUntil([&] { return e.enabled("btnDownload"); }));
    e.line.engine.closePort();
    EXPECT_FALSE(e.enabled("btnUpload"));
    EXPECT_FALSE(e.enabled("btnDownload"));
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
    e.click("btnUpload");
    ASSERT_TRUE(e.line.runUntil([&] { return e.line.ended(req::Upload) > 0; }));
    QCoreApplication::processEvents();
    const TextTable& ch = w.tables().sprdP_CH;
    EXPECT_EQ(w.tables().sprdP.text(3, 1), "ON");
    EXPECT_EQ(ch.text(3, 1).left(2), "TA");
    EXPECT_EQ(ch.text(3, 10), "3");
    EXPECT_EQ(ch.background(3, 10), RgbOf(255, 0, 0));
    EXPECT_EQ(ch.text(8, 29), "1");
    EXPECT_EQ(Find<QProgressBar>(&w, "XProgress1")->text(), "100%");
    EXPECT_EQ(e.message(), "Parameter upload complete.(VQ800==>PC)");
}

TEST(Editor, NewThenSaveAsWritesTheCodesOfEmptyTexts)
{
    Editor e;
    e.image.setI16(1024, 6); // display mode BAR GRAPH from an earlier set
    e.line.store.sprdP_Common.setText(1, 6, "25");
    e.line.store.sprdP_CH.setText(1, 1, "TANK");
    frmVQ_Parameter& w = e.open();
    w.tables().sprdP.setText(3, 2, "BAR GRAPH");
    AnswerMessageBox(QMessageBox::Yes);
    e.click("btnNew");
    QCoreApplication::processEvents();
    EXPECT_EQ(Text(&w, "lblFName"), "");
    EXPECT_EQ(w.tables().sprdP_CH.text(3, 10), "0") << "colour cells show the code a save writes";
    EXPECT_EQ(e.line.store.sprdP_CH.text(1, 1), "TANK") << "the monitors keep the recorder's set";
    e.savePath = e.dir.filePath("new.CFG");
    e.click("btnSaveAs");
    ParamImage img;
    ASSERT_TRUE(img.setBytes(ReadFile(e.savePath)));
    EXPECT_EQ(img.i16(1038), 0);      // SCROLL_SPEED_TIME
    EXPECT_EQ(img.i16(1024), 6);      // display mode kept its text
    EXPECT_EQ(img.chars(1232 + 216, 10), QString(10, QChar(0)));
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(img.i16(1232 + 300 * c + 2), static_cast<qint16>(*colours::Rgb565(0))) << "CH." << c + 1;
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
    Editor e;
    e.line.store.sprdP_CH.setText(1, 1, "KEEP");
    frmVQ_Parameter& w = e.open();
    QString shown;
    AnswerMessageBox(QMessageBox::Ok, &shown);
    e.openSet("short.CFG", QByteArray(100, 'x'));
    EXPECT_TRUE(shown.contains("short.CFG") && shown.contains("100 bytes")) << qPrintable(shown);
    EXPECT_EQ(Text(&w, "lblFName"), "");
    EXPECT_EQ(w.tables().sprdP_CH.text(3, 1), "KEEP");

    ParamImage source;
    source.setChars(1232 + 300 * 2 + 216, 10, "PRESSURE");
    source.setI16(1232 + 300 * 2 + 14, 2); // CH.03 FP_LOCATE
    source.setI16(1232 + 300 * 2 + 2, static_cast<qint16>(*colours::Rgb565(3))); // CH.03 colour, as RGB565
    source.setI16(1100, 5);               // RS232_MAC_NUMBER
    e.openSet("set.CFG", source.bytes());
    EXPECT_EQ(w.tables().sprdP_CH.text(5, 1).left(8), "PRESSURE");

    // Return on a cell opens its page and never clears the set.
    auto* view = Find<QTableView>(&w, "sprdP_CH");
    view->setFocus();
    view->setCurrentIndex(view->model()->index(0, 4));
    QString title;
    OnModal([&](QWidget* page) { title = page->windowTitle(); page->close(); });
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(title, "CHANNEL SETUP – device 1");
    EXPECT_EQ(Text(&w, "lblFName"), QDir::toNativeSeparators(e.openPath));

    w.tables().sprdP_CH.setText(5, 6, "3");
    const RecorderModel& rec = e.line.recorder(1);
    const quint16 ownAddress = rec.reg(40031);
    // The file's address is not the recorder's: kept unless the box is ticked.
    const auto download = [&](bool tick) {
        bool ticked = true;
        OnModal([&](QWidget* box) {
            auto* line = Find<QCheckBox>(box, "chbLineSettings");
            ticked = line->isChecked();
            line->setChecked(tick);
            QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes), Qt::LeftButton);
        });
        const int done = e.line.ended(req::Download);
        e.click("btnDownload");
        EXPECT_TRUE(e.line.runUntil([&] { return e.line.ended(req::Download) > done; }));
        return ticked;
    };
    EXPECT_FALSE(download(false)) << "not edited here: the box starts clear";
    EXPECT_EQ(rec.reg(40301), 0x5052); // "PR"
    EXPECT_EQ(rec.reg(40312), 3);
    EXPECT_EQ(rec.reg(40316), 3) << "the recorder keeps the colour as its number";
    EXPECT_EQ(rec.reg(40031), ownAddress);
    EXPECT_TRUE(e.message().startsWith("Parameter download complete.(PC==>VQ800)\nWhat the recorder held before is kept as "))
        << qPrintable(e.message());
    download(true);
    EXPECT_EQ(rec.reg(40031), 5);
    // An address typed here is meant: the box starts ticked.
    w.tables().sprdP.setText(3, 31, "7");
    EXPECT_TRUE(download(true));
    EXPECT_EQ(rec.reg(40031), 7);
}

TEST(Editor, ADownloadSendsWhatWasConfirmedAndNothingChangesTheSetMeanwhile)
{
    Editor e(20);
    frmVQ_Parameter& w = e.open();
    e.click("btnUpload");
    ASSERT_TRUE(e.line.runUntil([&] { return e.line.ended(req::Upload) > 0; }));
    QCoreApplication::processEvents();
    RecorderModel& rec = e.line.recorder(1);
    const quint16 language = rec.reg(40016), ch1Name = rec.reg(40101), ch2Name = rec.reg(40201);
    w.tables().sprdP_CH.setText(3, 1, "BOILER");
    AnswerMessageBox(QMessageBox::Yes);
    e.click("btnDownload");
    // New, Open, Save and the pages are closed until it has ended.
    for (const char* b : {"btnNew", "btnOpen", "btnSave", "btnSaveAs", "btnRestore", "btnUpload", "btnDownload"})
        EXPECT_FALSE(e.enabled(b)) << b;
    w.newSet();
    bool opened = false;
    OnModal([&](QWidget* page) { if ((opened = page)) page->close(); });
    ClickCell(&w, "sprdP_CH", 3, 1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);
    e.image.setI16(1232 + 216, 0x41); // a change to the image itself reaches nobody either
    ASSERT_TRUE(e.line.runUntil([&] { return e.line.ended(req::Download) > 0; }));
    EXPECT_EQ(rec.reg(40101), 0x424F) << "BO";
    EXPECT_EQ(rec.reg(40201), ch2Name);
    EXPECT_EQ(rec.reg(40016), language);
    EXPECT_TRUE(e.enabled("btnNew"));
    EXPECT_EQ(e.line.engine.lastBackup().reg(40101), ch1Name) << "what it held was read first";
}

TEST(Editor, OneTransferAtATimeClosingLetsItRunAndAFailedOneSaysSo)
{
    Editor e;
    e.open();
    e.click("btnUpload");
    EXPECT_FALSE(e.enabled("btnUpload"));
    EXPECT_FALSE(e.enabled("btnDownload")) << "no second transfer while one runs";
    e.line.steps(3);
    QString asked;
    AnswerMessageBox(QMessageBox::No, &asked); // let it finish
    e.click("btnClose");
    EXPECT_TRUE(asked.contains("An upload from device 1 is running. Stop it?")) << qPrintable(asked);
    EXPECT_EQ(e.line.engine.phase(), req::Phase::Upload);
    e.line.silence(1); // the recorder stops answering
    ASSERT_TRUE(e.line.runUntil([&] { return e.line.ended(req::Upload, TransferResult::NoAnswer) > 0; }));
    EXPECT_EQ(e.message(), "Parameter upload stopped: device [1] does not answer");
    EXPECT_FALSE(e.enabled("btnUpload")) << "its recorder is NG now";
    EXPECT_EQ(e.line.engine.phase(), req::Phase::Live) << "polling goes on";
}

TEST(Editor, UnsavedEditsAreMarkedAndAskBeforeTheyAreDropped)
{
    for (const char* button : {"btnNew", "btnOpen", "btnUpload", "btnClose"}) {
        SCOPED_TRACE(button);
        Editor e;
        frmVQ_Parameter& w = e.open();
        w.tables().sprdP_CH.setText(3, 1, "EDITED");
        EXPECT_EQ(w.windowTitle(), "Parameter Setup – device 1 *");
        QString seen;
        AnswerMessageBox(QMessageBox::No, &seen);
        e.click(button);
        EXPECT_TRUE(seen.contains("not saved")) << qPrintable(seen);
        EXPECT_EQ(w.tables().sprdP_CH.text(3, 1), "EDITED");
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(e.line.engine.phase(), req::Phase::Live);
    }
    // Saved edits are no longer changes; New over them asks nothing.
    Editor e;
    frmVQ_Parameter& w = e.open();
    w.tables().sprdP_CH.setText(3, 1, "EDITED");
    e.savePath = e.dir.filePath("saved.CFG");
    e.click("btnSaveAs");
    EXPECT_EQ(w.windowTitle(), "Parameter Setup – device 1");
    e.click("btnNew");
    EXPECT_EQ(w.tables().sprdP_CH.text(3, 1), "");
}

TEST(Editor, ASixChannelSetOnATwelveChannelRecorderSendsAndSavesWhatItShows)
{
    Editor e(20);
    e.line.link.gMC_Desc = QStringList{"Kiln line 2"};
    RecorderModel& rec = e.line.recorder(1);
    rec.write(40101 + 11 * 100, {0x4F4C}); // CH.12 name "OL" on the recorder
    frmVQ_Parameter& w = e.open();
    e.openSet("six.CFG"); // 3032 bytes: channels 1..6
    EXPECT_EQ(e.message(), "This set has six channels; CH.07 to CH.12 are the recorder's own and are not part of it");
    auto* ch = Find<QTableView>(&w, "sprdP_CH");
    EXPECT_TRUE(ch->model()->index(0, 13).data(Qt::ToolTipRole).toString().contains("Not part of this parameter set"));
    bool opened = false;
    OnModal([&](QWidget* page) { if ((opened = page)) page->close(); });
    ClickCell(&w, "sprdP_CH", 14, 1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened) << "channels outside the set are not edited";
    EXPECT_TRUE(e.message().contains("CH.12 is not part of this parameter set")) << qPrintable(e.message());

    QString question;
    AnswerMessageBox(QMessageBox::Yes, &question);
    e.click("btnDownload");
    EXPECT_EQ(question, "Parameter Setup|Download the parameter set to device 1 (Kiln line 2)?");
    ASSERT_TRUE(e.line.runUntil([&] { return e.line.ended(req::Download) > 0; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(QRegularExpression("^Parameter download complete.\\(PC==>VQ800\\)\n"
                                   "What the recorder held before is kept as 01_Kiln-line-2_\\d{8}-\\d{6}.CFG.\n"
                                   "Channels 1 to 6 sent; channels 7 to 12 were left as they are on the recorder.$")
                    .match(e.message())
                    .hasMatch())
        << qPrintable(e.message());
    EXPECT_EQ(e.backups.of(1).size(), 1);
    EXPECT_EQ(rec.reg(40101 + 11 * 100), 0x4F4C);

    // Save keeps six channels unless the operator extends the set.
    ParamImage twelve;
    twelve.setChannelCount(12);
    const std::pair<QMessageBox::StandardButton, qsizetype> saves[] = {{QMessageBox::No, ParamImage().bytes().size()},
                                                                       {QMessageBox::Yes, twelve.bytes().size()}};
    for (auto [answer, size] : saves) {
        e.savePath = e.dir.filePath(QStringLiteral("saved%1.CFG").arg(answer));
        AnswerMessageBox(answer);
        e.click("btnSaveAs");
        EXPECT_EQ(ReadFile(e.savePath).size(), size);
    }
    EXPECT_TRUE(ch->model()->index(0, 13).data(Qt::ToolTipRole).toString().isEmpty()) << "CH.12 is now in the set";
}

TEST(ParamFiles, TheProgramConfigurationIsNeverAParameterFile)
{
    Editor e;
    const QTemporaryDir& dir = e.dir;
    QDir(dir.path()).mkpath("CFG");
    const std::pair<QString, bool> paths[] = {
        {dir.filePath("COMM.cfg"), true},     {dir.filePath("CFG/../Comm.CFG"), true},
        {dir.filePath("CFG/Kiln.CFG"), true}, {dir.filePath("Kiln.CFG"), false},
        {dir.filePath("CFG/../sets/Comm.CFG"), false}};
    for (const auto& [path, config] : paths)
        EXPECT_EQ(IsProgramConfigFile(path, dir.path()), config) << qPrintable(path);

    // The editor refuses such a name and leaves the file as it was.
    frmVQ_Parameter& w = e.open();
    w.programDir = dir.path();
    e.savePath = dir.filePath("Comm.CFG");
    WriteFile(e.savePath, "/dev/ttyUSB0\n");
    QString seen;
    AnswerMessageBox(QMessageBox::Ok, &seen);
    e.click("btnSaveAs");
    EXPECT_TRUE(seen.contains("never saved over it")) << qPrintable(seen);
    EXPECT_EQ(ReadFile(e.savePath), "/dev/ttyUSB0\n");

    // A parameter file's folder is where the dialogs start next time.
    e.savePath = dir.filePath("Kiln.CFG");
    e.click("btnSaveAs");
    EXPECT_EQ(ParamFolder(), dir.path());
}
