// The parameter image, its encodings, the file and the register data a download sends.
#include "link/ChannelColours.h"
#include "link/DataStore.h"
#include "link/Framing.h"
#include "param/ParamFormat.h"
#include "param/ParamImage.h"
#include "param/ParamTables.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A listed value for every field, random bytes everywhere else.
ParamImage fullImage(int channels, quint32 seed)
{
    QRandomGenerator rnd(seed);
    ParamImage img;
    img.setChannelCount(channels);
    QByteArray b = img.bytes();
    for (char& c : b)
        c = static_cast<char>(rnd.bounded(256));
    img.setBytes(b);
    auto set = [&](const ParamField& f, int base) {
        const int at = base + f.offset;
        const int pick = rnd.bounded(1000);
        switch (f.enc) {
        case ParamEnc::OnOff:
        case ParamEnc::TwoText: img.setI16(at, pick % 2); break;
        case ParamEnc::DisplayMode: img.setI16(at, QList<int>{1, 3, 5, 6, 17}[pick % 5]); break;
        case ParamEnc::Protocol: img.setI16(at, 0); break;
        case ParamEnc::Baud:
        case ParamEnc::ReadMethod: img.setI16(at, pick % 4); break;
        case ParamEnc::Parity:
        case ParamEnc::TimeUnit: img.setI16(at, pick % 3); break;
        case ParamEnc::RecordAction: img.setI16(at, QList<int>{0, 1, 127}[pick % 3]); break;
        case ParamEnc::DiLevel:
        case ParamEnc::Number: img.setI16(at, static_cast<qint16>(pick - 500)); break;
        case ParamEnc::Number32: img.setI32(at, static_cast<qint32>(rnd.generate())); break;
        case ParamEnc::Real: img.setF32(at, static_cast<float>(pick - 500) / 8.0f); break;
        case ParamEnc::Chars: {
            QString s;
            for (int k = 0; k < f.width; ++k)
                s += QChar(0x20 + rnd.bounded(0xFF - 0x20));
            img.setChars(at, f.width, s);
            break;
        }
        case ParamEnc::Colour: img.setI16(at, static_cast<qint16>(*colours::Rgb565(pick % 12))); break;
        }
    };
    for (const ParamField& f : CommonFields())
        set(f, 0);
    for (int c = 0; c < channels; ++c)
        for (const ParamField& f : ChannelFields())
            set(f, ParamImage::ChannelOffset(c));
    return img;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

TEST(ParamFile, EveryFieldAndEveryUnnamedByteSurvivesReadAndWrite)
{
    for (const int channels : {6, 12}) {
        QTemporaryDir dir;
        const ParamImage original = fullImage(channels, 7 + channels);
        const QString in = writeFile(dir, "in.CFG", original.bytes());
        ParamImage img;
        ParamTables t;
        t.setChannelCount(channels);
        ASSERT_TRUE(t.ReadParamFile(in, img));
        ASSERT_TRUE(t.WriteParamFile(dir.filePath("out.CFG"), img));
        const QByteArray out = readFile(dir.filePath("out.CFG"));
        EXPECT_EQ(out.size(), ParamImage::SizeFor(channels));
        EXPECT_EQ(out, original.bytes()) << channels << " channels";
    }
}

TEST(ParamFile, ValuesOutsideTheirListComeBackNormalised)
{
    struct Case {
        bool channel;
        int row;
        qint16 stored;
        const char* shown; // nullptr: the cell keeps its text
        qint16 written;
    };
    const Case cases[] = {
        {false, 1, 2, "ON", 1},          // on/off
        {false, 32, 3, "Modbus RTU", 0}, // protocol
        {false, 46, 5, "BYPASS", 127},   // DI record action
        {false, 2, 2, nullptr, 2},       // display mode 2 has no text
        {false, 33, 9, nullptr, 9},      // baud rate
        {false, 15, 4, "WHITE", 1},      // two-text key
        {true, 31, 7, "SEC.", 2},        // alarm 1 time unit
        {true, 32, -3, "BYPASS", 127},   // alarm 1 record action
        {true, 8, 4, nullptr, 4},        // read method
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

TEST(ParamFile, CellTextsAreEncodedOrKeepTheField)
{
    struct Case {
        bool channel;
        int row;
        const char* text;
        qint64 expected; // value read back from the field
    };
    const Case cases[] = {
        {false, 1, "ON", 1},         {false, 1, "maybe", 77},    // unlisted: field kept
        {false, 6, "2.5", 2},        {false, 6, "3.5", 4},       // halves to even
        {false, 6, "", 0},           {false, 6, "12abc", 12},    // leading number
        {false, 6, "99999", 77},     {false, 6, "65535", -1},    // too big / register of -1
        {false, 45, "HIGH", 1},      {false, 45, "LOW", 0},      {false, 45, "3", 3},
        {false, 48, "100000", 100000}, {false, 48, "1e12", 77}, // 32-bit
        {false, 34, "EVEN", 2},      {false, 8, "VERTICAL", 1},  {false, 2, "BAR GRAPH", 6},
        {true, 10, "3", 0xF800 - 0x10000}, {true, 10, "12", 77}, {true, 10, "03", 77},
        {true, 31, "SEC.", 2},       {true, 32, "BYPASS", 127},  {true, 14, "CONSTANT", 1},
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
    EXPECT_EQ(t.sprdP_CH.text(4, 2), QString::fromUtf8("°C") + QString(4, QChar(0)));
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
    ParamImage img = fullImage(6, 3);
    const QByteArray before = img.bytes();
    ParamTables t;
    t.ImageToGrid(img);
    const QString name = t.sprdP_CH.text(3, 1);
    for (const int size : {0, 100, 3031, 3033, 4831, 6000}) {
        QString error;
        EXPECT_FALSE(t.ReadParamFile(writeFile(dir, "bad.CFG", QByteArray(size, 'x')), img, &error)) << size;
        EXPECT_TRUE(error.contains(QString::number(size))) << qPrintable(error);
    }
    QString error;
    EXPECT_FALSE(t.ReadParamFile(dir.filePath("missing.CFG"), img, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(img.bytes(), before);
    EXPECT_EQ(t.sprdP_CH.text(3, 1), name);

    // A write into a folder that does not exist fails; an existing file stays whole.
    EXPECT_FALSE(t.WriteParamFile(dir.filePath("nowhere/x.CFG"), img, &error));
    const QString good = writeFile(dir, "good.CFG", before);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    t.sprdP_CH.setText(3, 1, "CHANGED");
    const bool wrote = t.WriteParamFile(good, img, &error);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!wrote) { // (root may write anyway)
        EXPECT_EQ(readFile(good), before);
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
    img.setI16(1064, 1);                              // RESERVE_RUN_ONOFF, 40018 (not sent)

    const QByteArray names = img.channelData(8, 1, 9);
    EXPECT_EQ(names, QByteArray("FLOW\0\0\0\0\0\0m3/h\0\0\0\0", 18));
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
    EXPECT_EQ(img.commonData(40001, 16).size(), 32);
    EXPECT_EQ(img.channelData(13, 1, 9), QByteArray());
    img.setChannelCount(6);
    EXPECT_EQ(img.channelCount(), 6);
    EXPECT_EQ(img.channelData(7, 10, 1), QByteArray());
}

TEST(ParamTables, RefreshFromStoreTranslatesCodes)
{
    struct Case {
        bool channel;
        int row;
        const char* store;
        const char* shown; // nullptr: the cell keeps its text
    };
    const Case cases[] = {
        {false, 1, "0", "OFF"},        {false, 1, "3", "ON"},          {false, 2, "17", "HISTORY-VIEW"},
        {false, 2, "2", nullptr},      {false, 8, "1", "VERTICAL"},    {false, 9, "", "MEMORY"},
        {false, 16, "1", "ENGLISH"},   {false, 32, "5", "Modbus-RTU"}, {false, 33, "2", "38400"},
        {false, 33, "4", nullptr},     {false, 41, "1", "ODD"},        {false, 49, "1", "HIGH"},
        {false, 50, "9", "BYPASS"},    {false, 6, "12", "12"},         {false, 68, "70000", "70000"},
        {true, 3, "1", "ON"},          {true, 8, "3", "AVG"},          {true, 8, "4", nullptr},
        {true, 14, "0", "CHANNEL"},    {true, 40, "1", "MIN."},        {true, 40, "5", nullptr},
        {true, 59, "1", "START"},      {true, 1, "TANK 1", "TANK 1"},  {true, 10, "5", "5"},
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
    DataStore store;
    store.sprdP_CH.setText(2, 10, "4");
    ParamTables t;
    t.setChannelCount(6);
    t.RefreshFromStore(store);
    EXPECT_EQ(t.sprdP_CH.background(4, 10), RgbOf(255, 128, 255));
    EXPECT_EQ(t.sprdP_CH.colCount(), 8);
}
