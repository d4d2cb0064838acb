#include "common/Files.h"
#include "core/ChannelColours.h"
#include "core/TextTable.h"
#include "link/RegisterMap.h"
#include "monitor/ChannelMeta.h"
#include "monitor/DisplayRules.h"
#include "MonitorFixture.h"

#include <QTemporaryDir>

using namespace rules;

TEST(DisplayRules, FormatsPlaceholdersUnitsAndColours)
{
    struct Case { int fp; const char* format; const char* placeholder; double v; const char* text; };
    const Case cases[] = {
        {0, "0", "-----", 12.5, "13"},          // halves away from zero
        {1, "0.0", "----.-", 12.35, "12.4"},    // decimal digits as written, not the binary value
        {2, "0.00", "---.--", -1.005, "-1.01"},
        {3, "0.000", "--.---", 1370, "1370.000"},
        {4, "0.0000", "-.----", 12.34564, "12.3456"},
        {1, "0.0", "----.-", -0.04, "0.0"},     // no "-0.0"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fp);
        ASSERT_EQ(ChannelFormat(c.fp), QString::fromLatin1(c.format));
        EXPECT_EQ(BurnOutPlaceholder(c.format), QString::fromLatin1(c.placeholder));
        EXPECT_EQ(FormatValue(c.v, c.format), QString::fromLatin1(c.text));
    }
    EXPECT_FALSE(ChannelFormat(5));
    EXPECT_FALSE(FormatValue(1e308, "0.0000"));

    const QString user = QStringLiteral("kPa") + QChar(0) + QChar(0) + QChar(0);
    const std::pair<int, QString> units[] = {{1, "mV"}, {3, "\u00B0C"}, {5, "kPa"}, {0, "V"}, {6, "V"}};
    for (const auto& [mode, text] : units)
        EXPECT_EQ(UnitText(mode, user), text) << mode;
    EXPECT_EQ(UnitText(5, "m3/h  "), "m3/h  ");
    EXPECT_EQ(colours::ChannelColour(12), RgbOf(255, 255, 255)) << "no colour 12"; // 0..11 in the editor's tests
}

TEST(DisplayRules, ChannelMetasTakeTheMonitorsRules)
{
    using namespace regmap::ch;
    const QChar nul(0);
    // A channel table as a parameter read leaves it, and one with bad cells.
    struct Case { QString name, unitName, unitMode, fp, colour; ChannelMeta meta; };
    const Case cases[] = {
        {QStringLiteral("Kiln 1") + nul + nul + nul + nul, QStringLiteral("m3/h") + nul + nul, "5", "2", "3",
         {"Kiln 1", "m3/h", 2, colours::ChannelColour(3)}},
        {QString(10, nul), "", "3", "9", "11", {"CH02", "\u00B0C", -1, colours::ChannelColour(11)}},
        {"", "", "", "9", "12", {"CH03", "V", -1, RgbOf(255, 255, 255)}}, // an empty cell reads as 0
    };
    TextTable table(regmap::kMaxChannels, regmap::kChannelRows);
    for (int c = 1; c <= 3; ++c) {
        const Case& k = cases[c - 1];
        const std::pair<int, QString> cells[] = {
            {Name, k.name}, {UnitName, k.unitName}, {UnitMode, k.unitMode}, {FpLocate, k.fp}, {Color, k.colour}};
        for (const auto& [row, text] : cells)
            table.setText(c, row, text);
    }
    const QList<ChannelMeta> metas = ChannelMetas(table, 3);
    ASSERT_EQ(metas.size(), 3);
    for (int c = 0; c < 3; ++c) {
        const ChannelMeta &m = metas[c], &e = cases[c].meta;
        EXPECT_EQ(std::tie(m.name, m.unit, m.decimals, m.colour), std::tie(e.name, e.unit, e.decimals, e.colour)) << c + 1;
    }
    EXPECT_EQ(ChannelMetas(table, 20).size(), 12);
}

TEST(DisplayRules, StatusWordBitsAndRatios)
{
    // Two bits per channel: 0b01 on channel 1, 0b10 on channel 3, 0b11 on channel 6.
    const qint32 bo = 0x1 | (0x2 << 4) | (0x3 << 10);
    const bool expected[6] = {true, false, true, false, false, true};
    for (int ch = 0; ch < 6; ++ch)
        EXPECT_EQ(InBurnOut(bo, ch), expected[ch]) << ch;

    EXPECT_EQ(MemoryPicture(0x0003, 1), "MEM00.ico");
    EXPECT_EQ(MemoryPicture(0x8003, 0), "MEM01.ico");
    EXPECT_EQ(MemoryPicture(0x8000, 1), "MEM02.ico");

    EXPECT_EQ(SdcRatioText(1, 3), "033");
    EXPECT_FALSE(SdcRatioText(10, 0));
    EXPECT_EQ(MemRatioText(7.5), "008");
    // Heights and percents on the scale, flat scales included: the bar, text and trend windows' tests.
}

TEST(DisplayRules, PicturesComeFromTheProgramFolderFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(WriteFile(dir.filePath("MEM01.ico"), {}));
    EXPECT_EQ(PicturePath(dir.path(), "MEM01.ico"), dir.filePath("MEM01.ico"));
    EXPECT_TRUE(PicturePath(dir.path(), "NOPE.ico").isEmpty());
}

using SingleDisplayTest = MonitorFixture;

TEST_F(SingleDisplayTest, HeaderMarksFromStatusWords)
{
    using namespace regmap::mon;
    mon(SysDateTime, "2026-03-05 07:08:09");
    mon(SdDiStatus, QString::number(0x8003));
    mon(RecordStatus, "0");
    mon(Alarm58, "4");
    mon(SdcTotal, "2000");
    mon(SdcUsed, "500");
    mon(IntMemUsed, "42.4");
    SingleDisplay d;
    d.tick(state, store, link);
    EXPECT_EQ(d.header.date, "2026-03-05");
    EXPECT_EQ(d.header.time, "07:08:09");
    EXPECT_EQ(d.header.alarm, true);
    EXPECT_EQ(d.header.di, (std::array<std::optional<bool>, 6>{true, true, false, false, false, false}));
    EXPECT_EQ(d.header.memPicture, "MEM01.ico");
    EXPECT_EQ(d.header.sdcRatio, "025");
    EXPECT_EQ(d.header.memRatio, "042");

    // A card that reports no size leaves the ratio as it was.
    mon(SdcTotal, "0");
    mon(Alarm58, "0");
    d.tick(state, store, link);
    EXPECT_EQ(d.header.sdcRatio, "025");
    EXPECT_EQ(d.header.alarm, false);
}

TEST_F(SingleDisplayTest, ChannelValuesAndWhatAMissingRowOrABadPointKeeps)
{
    // Units, colours and burn-out placeholders: FormatsPlaceholdersUnitsAndColours, the
    // windows' tests and TrendTest.FlatScaleDrawsNothingAndKeepsTheMarkerBurnOutDropsTheLine.
    using namespace regmap::ch;
    setChannel(1, 2, 0, 100, 3, 5);
    pv(1, "12.345");
    SingleDisplay d;
    d.tick(state, store, link);
    EXPECT_EQ(state.gChFormat[0], "0.00");
    EXPECT_EQ(d.ch[0].maxText, "100.00");
    EXPECT_EQ(d.ch[0].midText, "50.00");
    EXPECT_EQ(d.ch[0].valueText, "12.35");

    // Another device selected with no row: everything stays as shown.
    link.gSelMC_Index = 5;
    pv(1, "99");
    d.tick(state, store, link);
    EXPECT_EQ(d.ch[0].valueText, "12.35");
    // A bad FP_LOCATE keeps the last good format.
    param(1, FpLocate, "9");
    d.tick(state, store, link);
    EXPECT_EQ(state.gChFormat[0], "0.00");
}
