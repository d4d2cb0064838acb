// The parameter image, its encodings, the file and the register data a download sends.
#include "common/Files.h"
#include "core/ChannelColours.h"
#include "link/DataStore.h"
#include "link/Framing.h"
#include "param/ParamFormat.h"
#include "param/ParamImage.h"
#include "param/ParamTables.h"
#include "SampleImage.h"
#include "sim/RecorderModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>


TEST(ParamFile, EveryFieldAndEveryUnnamedByteSurvivesReadAndWrite)
{
    for (const int channels : {6, 12}) {
        QTemporaryDir dir;
        const ParamImage original = FullImage(channels, 7 + channels);
        const QString in = dir.filePath("in.CFG");
        WriteFile(in, original.bytes());
        ParamImage img;
        ParamTables t;
        t.setChannelCount(channels);
        ASSERT_TRUE(t.ReadParamFile(in, img));
        ASSERT_TRUE(t.WriteParamFile(dir.filePath("out.CFG"), img));
        EXPECT_EQ(ReadFile(dir.filePath("out.CFG")), original.bytes()) << channels << " channels";
    }
}

TEST(ParamFile, ValuesOutsideTheirListComeBackNormalised)
{
    struct Case { bool channel; int row; qint16 stored; const char* shown; qint16 written; }; // shown null: kept
    const Case cases[] = {
        {false, 1, 2, "ON", 1},        // on/off
        {false, 46, 5, "BYPASS", 127}, // DI record action
        {false, 2, 2, nullptr, 2},     // display mode 2 has no text
        {true, 31, 7, "SEC.", 2},      // alarm 1 time unit
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.row);
        const ParamField* f = k.channel ? ChannelFieldOfRow(k.row) : CommonFieldOfRow(k.row);
        ASSERT_NE(f, nullptr);
        const int base = k.channel ? ParamImage::ChannelOffset(0) : 0;
        ParamImage img;
        img.setI16(base + f->offset, k.stored);
        ParamTables t;
        TextTable& table = k.channel ? t.sprdP_CH : t.sprdP;
        table.setText(3, k.row, "previous");
        t.ImageToGrid(img);
        EXPECT_EQ(table.text(3, k.row), k.shown ? QString(k.shown) : QString("previous"));
        t.GridToImage(img);
        EXPECT_EQ(img.i16(base + f->offset), k.written);
    }
}

// The texts the pages store (ChannelPage, AlarmPage) as the file and the download encode them.
TEST(ParamFile, CellTextsAreEncodedOrKeepTheField)
{
    struct Case { bool channel; int row; const char* text; qint64 expected; }; // expected: the field read back
    const Case cases[] = {
        {false, 1, "ON", 1},   {false, 1, "maybe", 77}, {false, 6, "2.5", 2}, {false, 6, "3.5", 4}, // halves to even
        {false, 6, "12abc", 12}, {false, 6, "99999", 77}, {false, 6, "65535", -1}, {false, 45, "HIGH", 1},
        {false, 45, "3", 3},   {false, 48, "100000", 100000}, {false, 48, "1e12", 77}, {false, 2, "BAR GRAPH", 6},
        {true, 10, "3", 0xF800 - 0x10000}, {true, 10, "12", 77}, {true, 32, "BYPASS", 127}, {true, 31, "MIN.", 1},
        {true, 33, "--", 0}, {false, 46, "STOP", 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.text) + " row " + std::to_string(k.row));
        const ParamField* f = k.channel ? ChannelFieldOfRow(k.row) : CommonFieldOfRow(k.row);
        const int at = (k.channel ? ParamImage::ChannelOffset(0) : 0) + f->offset;
        ParamImage img;
        if (f->enc == ParamEnc::Number32)
            img.setI32(at, 77);
        else
            img.setI16(at, 77);
        ParamTables t;
        (k.channel ? t.sprdP_CH : t.sprdP).setText(3, k.row, k.text);
        t.GridToImage(img);
        EXPECT_EQ(f->enc == ParamEnc::Number32 ? img.i32(at) : img.i16(at), k.expected);
    }
}

TEST(ParamFile, NamesAndUnitsFillTheirSlots)
{
    ParamImage img;
    ParamTables t;
    const int base = ParamImage::ChannelOffset(1);
    t.sprdP_CH.setText(4, 1, "BOILER-INLET-TEMP");
    t.sprdP_CH.setText(4, 2, QString::fromUtf8("°C"));
    t.GridToImage(img);
    EXPECT_EQ(img.chars(base + 216, 10), "BOILER-INL");
    EXPECT_EQ(img.bytes().mid(base + 204, 12), QByteArray("\xB0\0C\0\0\0\0\0\0\0\0\0", 12));
    t.ImageToGrid(img);
    EXPECT_EQ(t.sprdP_CH.text(4, 2), QString::fromUtf8("°C")) << "the cell shows no padding";
}

TEST(ParamFile, ColourTableBothWays)
{
    const quint16 rgb[] = {0x001F, 0x07E0, 0x07FF, 0xF800, 0xF81F, 0xFDA0,
                           0x000F, 0x03E0, 0x03EF, 0x7800, 0xE01C, 0x7BE0};
    const Rgb screen[] = {RgbOf(0, 0, 255),     RgbOf(0, 255, 0),      RgbOf(0, 255, 255), RgbOf(255, 0, 0),
                          RgbOf(255, 128, 255), RgbOf(255, 192, 128), RgbOf(0, 0, 128),   RgbOf(0, 128, 0),
                          RgbOf(0, 128, 128),   RgbOf(128, 0, 0),     RgbOf(128, 0, 128), RgbOf(192, 192, 0)};
    const int at = ParamImage::ChannelOffset(0) + 2;
    for (int n = 0; n < 12; ++n) {
        ParamImage img;
        img.setI16(at, static_cast<qint16>(rgb[n]));
        ParamTables t;
        t.ImageToGrid(img);
        EXPECT_EQ(t.sprdP_CH.text(3, 10), QString::number(n));
        EXPECT_EQ(t.sprdP_CH.background(3, 10), screen[n]);
        img.setI16(at, 0);
        t.GridToImage(img);
        EXPECT_EQ(static_cast<quint16>(img.i16(at)), rgb[n]);
    }
    ParamImage img;
    img.setI16(at, 0x1234);
    ParamTables t;
    t.ImageToGrid(img);
    EXPECT_EQ(t.sprdP_CH.text(3, 10), "");
    EXPECT_EQ(t.sprdP_CH.background(3, 10), RgbOf(255, 255, 255));
}

TEST(ParamFile, BadFilesAreRefusedAndLeaveEverythingAsItWas)
{
    QTemporaryDir dir;
    ParamImage img = FullImage(6, 3);
    const QByteArray before = img.bytes();
    ParamTables t;
    t.ImageToGrid(img);
    const QString name = t.sprdP_CH.text(3, 1);
    QString error;
    for (const int size : {0, 100, 3031, 3033, 4831, 6000}) {
        WriteFile(dir.filePath("bad.CFG"), QByteArray(size, 'x'));
        EXPECT_FALSE(t.ReadParamFile(dir.filePath("bad.CFG"), img, &error)) << size;
        EXPECT_TRUE(error.contains(QString::number(size))) << qPrintable(error);
    }
    error.clear();
    EXPECT_FALSE(t.ReadParamFile(dir.filePath("missing.CFG"), img, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(img.bytes(), before);
    EXPECT_EQ(t.sprdP_CH.text(3, 1), name);

    // A write into a folder that does not exist fails; an existing file stays whole.
    EXPECT_FALSE(t.WriteParamFile(dir.filePath("nowhere/x.CFG"), img, &error));
    const QString good = dir.filePath("good.CFG");
    WriteFile(good, before);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    t.sprdP_CH.setText(3, 1, "CHANGED");
    const bool wrote = t.WriteParamFile(good, img, &error);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!wrote) { // (root may write anyway)
        EXPECT_EQ(ReadFile(good), before);
    }
}

TEST(ParamFile, DownloadDataAreTheImageFieldsBigEndian)
{
    ParamImage img;
    img.setChannelCount(12);
    const int ch8 = ParamImage::ChannelOffset(7);
    img.setChars(ch8 + 216, 10, "FLOW");
    img.setChars(ch8 + 204, 6, "m3/h");
    img.setI16(ch8 + 2, static_cast<qint16>(0xF81F)); // colour 4
    img.setI16(ch8 + 4, 0x0123);                      // RANGE_CODE, register 10
    img.setF32(ch8 + 16, 1.5f);                       // USER_RANGE_MAX, registers 24..25
    img.setI32(ch8 + 92 + 28 * 3 + 12, 0x01020304);   // ALARM04_RYT, registers 92..93
    img.setI16(1128 + 12 * 2 + 6, 6);                 // DI03_RYO, register 40057
    img.setI32(1128 + 12 * 2 + 8, 0x0A0B0C0D);        // DI03_RYT, 40058..40059
    img.setI16(1100, 17);                             // RS232_MAC_NUMBER, 40031

    EXPECT_EQ(img.channelData(8, 1, 9), QByteArray("FLOW\0\0\0\0\0\0m3/h\0\0\0\0", 18));
    EXPECT_EQ(img.channelData(8, 10, 1), QByteArray("\x01\x23", 2));
    const QByteArray rest = img.channelData(8, 11, 83);
    ASSERT_EQ(rest.size(), 166);
    EXPECT_EQ(GetU16BE(rest, 2 * (16 - 11)), 0xF81F);
    EXPECT_EQ(GetF32BE(rest, 2 * (24 - 11)), 1.5f);
    EXPECT_EQ(GetU32BE(rest, 2 * (92 - 11)), 0x01020304u);
    const QByteArray common = img.commonData(40031, 44);
    EXPECT_EQ(GetU16BE(common, 0), 17);
    EXPECT_EQ(GetU16BE(common, 2 * (40057 - 40031)), 6);
    EXPECT_EQ(GetU32BE(common, 2 * (40058 - 40031)), 0x0A0B0C0Du);
    // Channels outside the set send nothing: PollingEngine.DownloadWritesEveryBlockInOrder
    // (a six-channel set on a twelve-channel recorder) and Editor.ASixChannelSetOnATwelveChannelRecorderSendsAndSavesWhatItShows.
}

TEST(ParamTables, RefreshFromStoreTranslatesCodes)
{
    struct Case { bool channel; int row; const char* store; const char* shown; }; // shown null: kept
    const Case cases[] = {
        {false, 1, "3", "ON"},     {false, 2, "17", "HISTORY-VIEW"}, {false, 2, "2", nullptr}, {false, 9, "", "MEMORY"},
        {false, 32, "5", "Modbus-RTU"}, {false, 33, "2", "38400"}, {false, 33, "4", nullptr}, {false, 50, "9", "BYPASS"},
        {false, 68, "70000", "70000"}, {true, 8, "3", "AVG"}, {true, 40, "5", nullptr}, {true, 1, "TANK 1", "TANK 1"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.row);
        DataStore store;
        ParamTables t;
        TextTable& table = k.channel ? t.sprdP_CH : t.sprdP;
        table.setText(3, k.row, "previous");
        (k.channel ? store.sprdP_CH : store.sprdP_Common).setText(1, k.row, k.store);
        t.RefreshFromStore(store);
        EXPECT_EQ(table.text(3, k.row), k.shown ? QString(k.shown) : QString("previous"));
    }
    // Colour cells and the channel columns: Editor.UploadFillsTheTablesAndShowsProgress and
    // Editor.ShowsTheRecorderChannelsAndTransfersNeedItSelectedAndOnline.
}
