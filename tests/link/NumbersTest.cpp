#include "core/Numbers.h"
#include "core/Rgb.h"
#include "core/TextTable.h"

#include <gtest/gtest.h>

TEST(LeadingNumber, TakesOnlyTheLeadingNumberAndInt32RoundsOrRefuses)
{
    const std::pair<const char*, double> cases[] = {
        {"", 0},        {"abc", 0},   {"  12", 12},  {"-12.5", -12.5}, {"+3", 3},   {"1.10", 1.1},
        {"12abc", 12},  {".5", 0.5},  {"-", 0},      {"1e3", 1000},    {"1e", 1},   {"2026-03-05", 2026},
        {"585.0 V", 585}, {"----.-", 0}, {"1,5", 1},
    };
    for (auto [text, v] : cases)
        EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromLatin1(text)), v) << text;
    // As a 32-bit integer: rounded half to even, refused when it does not fit.
    EXPECT_EQ(LeadingInt32(u"2.5"), 2);
    EXPECT_EQ(LeadingInt32(u"3.5"), 4);
    EXPECT_EQ(LeadingInt32(u"-0.4"), 0);
    EXPECT_EQ(LeadingInt32(u"2147483647"), 2147483647);
    EXPECT_FALSE(LeadingInt32(u"2147483648").has_value());
    EXPECT_FALSE(LeadingInt32(u"99999999999").has_value());
}

TEST(FloatText, SevenSignificantDigits)
{
    const std::pair<float, const char*> cases[] = {
        {10.0f, "10"}, {-12.5f, "-12.5"}, {0.1f, "0.1"}, {1234567.0f, "1234567"}, {0.0f, "0"}, {-0.0f, "0"},
        {1370.0f, "1370"}, {3.1415927f, "3.141593"}, {1.0e10f, "1E+10"},
    };
    for (auto [v, text] : cases)
        EXPECT_EQ(FloatText(v), QString::fromLatin1(text)) << v;
}

TEST(Rgb, TextColourReadsOnItsBackground)
{
    EXPECT_NEAR(ContrastRatio(RgbOf(0, 0, 0), RgbOf(255, 255, 255)), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(RgbOf(255, 0, 0), RgbOf(255, 0, 0)), 1.0, 1e-9);
    const std::pair<Rgb, Rgb> text[] = {{RgbOf(0, 255, 0), RgbOf(0, 0, 0)},  {RgbOf(0, 255, 255), RgbOf(0, 0, 0)},
                                        {RgbOf(0, 0, 128), RgbOf(255, 255, 255)}, {RgbOf(128, 0, 0), RgbOf(255, 255, 255)}};
    for (auto [background, readable] : text) {
        EXPECT_EQ(ReadableTextOn(background), readable) << std::hex << background;
        EXPECT_GE(ContrastRatio(ReadableTextOn(background), background), 4.5);
    }
}

TEST(DisplayText, NamesShowWithoutTheirNulBytes)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("TEMP") + QString(6, QChar(0)), "TEMP"},
        {QStringLiteral("AB") + QChar(0) + QStringLiteral("CD") + QChar(0), "AB CD"},
        {QString(10, QChar(0)), ""},
        {"TEMP      ", "TEMP      "},
    };
    for (const auto& [cell, shown] : cases)
        EXPECT_EQ(DisplayText(cell), shown);
}
