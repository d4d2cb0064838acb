#include "channel/AlarmRules.h"
#include "channel/ChannelRules.h"
#include "common/Files.h"
#include "core/TextTable.h"
#include "link/RegisterMap.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace chanrules;
namespace ch = regmap::ch;

TEST(ChannelRules, TypeSteppingStaysInsideTheGroup)
{
    struct Case { int code, dir, next; };
    const Case cases[] = {
        {8, 1, 10}, {10, -1, 8}, {13, 1, 1}, {1, -1, 13}, {9, 1, 10}, {14, 1, 16}, {16, 1, 14}, {15, 1, 15},
        {17, 1, 18}, {19, 1, 17}, {0, 1, 0}, {20, -1, 20}, {-3, 1, -3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepInputType(c.code, c.dir), c.next) << c.code << " dir " << c.dir;
    // Walking a group never lands on a code without a type.
    for (int code : {1, 14, 17})
        for (int dir : {1, -1})
            for (int i = 0, c = code; i < 20; ++i) {
                c = StepInputType(c, dir);
                ASSERT_NE(FindInputType(c), nullptr) << code << " " << dir << " " << c;
                EXPECT_EQ(GroupOfCode(c), GroupOfCode(code));
            }
}

TEST(ChannelRules, RangeCodeRepairFormatsLimitsAndNames)
{
    const std::pair<const char*, bool> cases[] = {
        {"", true}, {"0", true}, {"20", true}, {"abc", true}, {"4.5", true}, {"-1", true},
        {"1", false}, {"9", false}, {"19", false}, {" 7", false},
    };
    for (auto [text, repaired] : cases) {
        TextTable t(14, 61);
        t.setText(3, ch::RangeCode, QString::fromLatin1(text));
        EXPECT_EQ(ChannelSettings(t, 1).repairRangeCode(), repaired) << text;
        EXPECT_EQ(t.text(3, ch::RangeCode), repaired ? QStringLiteral("1") : QString::fromLatin1(text));
    }
    EXPECT_EQ(DisplayLimits(1), std::pair(QString("-9999.9"), QString("9999.9"))); // 4: ChannelPage
    EXPECT_EQ(DisplayLimits(7), std::pair(QString("-99999"), QString("99999")));
    EXPECT_EQ(FormatDecimals(-0.01, 1), QLatin1String("0.0"));
    EXPECT_EQ(FormatDecimals(-12.345, 2), QLatin1String("-12.35"));
    EXPECT_EQ(FormatDecimals(3.7, -1), QLatin1String("4"));

    // Names shown on the page (α+β, α [°C→°F], ±10.000V) are checked there.
    EXPECT_EQ(MathFunctionName(12), QString::fromUtf8("β·LOG\u2469()"));
}

using namespace armrules;

TEST(AlarmRules, StoredTextsToButtonsBoxesHeldToTheirRange)
{
    struct Shown { int (*index)(const QString&); const char* stored; int button; };
    const Shown shown[] = {
        {TimeUnitIndex, "HOUR", 0}, {TimeUnitIndex, "SEC.", 2}, {TimeUnitIndex, "0", 0}, {TimeUnitIndex, "2", 2},
        {TimeUnitIndex, "3", -1},   {TimeUnitIndex, "", -1},    {RecordIndex, "START", 0}, {RecordIndex, "STOP", 1},
        {RecordIndex, "", 2},       {RecordIndex, "1", 2},      {LevelIndex, "HIGH", 1},   {LevelIndex, "1", 1},
        {LevelIndex, "", 0},
    };
    for (const Shown& c : shown)
        EXPECT_EQ(c.index(QString::fromLatin1(c.stored)), c.button) << c.stored;

    // Boxes and numbers are held to their range.
    struct Case { Box box; const char* typed; int count; const char* shown; };
    const Case cases[] = {
        {Box::Hysteresis, "-1", 6, "0.00"}, {Box::SetValue, "1000", 6, "999.99"}, {Box::SetValue, "-5.5", 6, "-5.5"},
        {Box::Rate, "3000", 6, "1999.99"},  {Box::WithChannel, "9", 6, "6"},      {Box::WithChannel, "0", 12, "1"},
        {Box::Relay, "7", 6, "6"},          {Box::Relay, "0", 6, "--"},           {Box::OnTime, "1000000", 6, "999999"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClampBox(c.box, QString::fromLatin1(c.typed), c.count), QLatin1String(c.shown)) << c.typed;
    EXPECT_EQ(ClampNumber("0", 12), 1); // above the count: AlarmPage
}

TEST(AlarmRules, TypesPanelsAndPictures)
{
    for (int code = 0; code < kAlarmTypes; ++code) {
        EXPECT_FALSE(AlarmTypeName(code).isEmpty());
        EXPECT_EQ(AlarmPanel(code) == 2, code >= 7 && code <= 10) << code;
    }
    EXPECT_EQ(AlarmPanel(16), -1);
    EXPECT_EQ(RateLabel(9), QLatin1String("UP RATE")); // DOWN RATE: AlarmPage

    QTemporaryDir a, b;
    ASSERT_TRUE(WriteFile(b.filePath("ARM07.BMP"), {}));
    const QStringList folders{a.path() + QStringLiteral("/none"), a.path(), b.path()};
    EXPECT_EQ(AlarmPicturePath(7, folders), b.filePath("ARM07.BMP"));
    EXPECT_TRUE(AlarmPicturePath(8, folders).isEmpty());
    EXPECT_TRUE(AlarmPicturePath(-1, folders).isEmpty());
}
