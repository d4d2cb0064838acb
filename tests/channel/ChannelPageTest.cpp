#include "common/Find.h"
#include "channel/frmVQ_P_Channel.h"
#include "link/RegisterMap.h"
#include "link/TextTable.h"

#include <QTimer>

namespace ch = regmap::ch;

namespace {
struct Rig {
    TextTable table;
    int count;
    explicit Rig(int chCount = 6)
        : table(chCount + 2, 61)
        , count(chCount)
    {
        for (int c = 1; c <= chCount; ++c) {
            set(c, ch::RangeCode, "1");
            set(c, ch::FpLocate, "1");
            set(c, ch::UnitMode, "3");
            set(c, ch::MathOnOff, "OFF");
            set(c, ch::MathFType, "1");
            set(c, ch::MathACh, "1");
            set(c, ch::ReadMode, "DIRECT");
        }
    }
    void set(int c, int row, const char* text) { table.setText(c + 2, row, QString::fromUtf8(text)); }
    QString get(int c, int row) const { return table.text(c + 2, row); }
};
} // namespace

TEST(ChannelPage, ChoosingATypeSetsUnitPointAndRanges)
{
    Rig rig;
    rig.set(1, ch::ScaleRangeMax, "123.456");
    frmVQ_P_Channel page(rig.table, rig.count, 1, 0);
    page.show();
    Click(&page, "btnINP0"); // VDC: ±30.00V
    EXPECT_EQ(rig.get(1, ch::RangeCode), QLatin1String("19"));
    Click(&page, "btnDN_INP"); // ±10.000V
    EXPECT_EQ(Text(&page, "lblINP"), QStringLiteral("±10.000V"));
    EXPECT_EQ(rig.get(1, ch::UnitMode), QLatin1String("1"));
    EXPECT_EQ(rig.get(1, ch::FpLocate), QLatin1String("3"));
    EXPECT_TRUE(Lit(&page, "btnUnit1"));
    EXPECT_TRUE(Lit(&page, "btnDP3"));
    EXPECT_FALSE(Lit(&page, "btnDP1"));
    EXPECT_EQ(Text(&page, "txtSRange_H"), QLatin1String("123.456"));

    Click(&page, "btnDN_INP"); // ±0.10000V
    EXPECT_EQ(rig.get(1, ch::UnitMode), QLatin1String("0"));
    EXPECT_EQ(rig.get(1, ch::FpLocate), QLatin1String("2"));
    for (int row : {ch::UserRangeMin, ch::DispRangeMin})
        EXPECT_EQ(rig.get(1, row), QLatin1String("-100.00"));
    for (int row : {ch::UserRangeMax, ch::DispRangeMax})
        EXPECT_EQ(rig.get(1, row), QLatin1String("100.00"));
    EXPECT_EQ(Text(&page, "lblINP_RangeMin"), QLatin1String("-100.00"));
    EXPECT_EQ(Text(&page, "lblURange_H"), QLatin1String("100.00"));
    EXPECT_EQ(Text(&page, "txtDRange_L"), QLatin1String("-100.00"));
    EXPECT_EQ(Text(&page, "txtSRange_H"), QLatin1String("123.46"));
    EXPECT_EQ(rig.get(1, ch::ScaleRangeMax), QLatin1String("123.456")); // shown, not rewritten
    Click(&page, "btnUP_INP");
    EXPECT_EQ(rig.get(1, ch::RangeCode), QLatin1String("18"));

    // The point sets the display limits.
    Click(&page, "btnDP4");
    EXPECT_EQ(rig.get(1, ch::FpLocate), QLatin1String("4"));
    EXPECT_EQ(Text(&page, "lblDispTT0"), QLatin1String("-9.9999"));
    EXPECT_EQ(Text(&page, "lblDispTT1"), QLatin1String("9.9999"));

    Click(&page, "btnINP1"); // RTD
    EXPECT_EQ(Text(&page, "lblINP"), QLatin1String("Pt100(DIN)"));
    EXPECT_EQ(rig.get(1, ch::UnitMode), QLatin1String("3"));
}

TEST(ChannelPage, ChannelAndAlphaChannelWrapAtTheChannelCount)
{
    for (int count : {6, 12}) {
        Rig rig(count);
        rig.set(count, ch::MathOnOff, "ON");
        rig.set(count, ch::MathACh, QByteArray::number(count).constData());
        rig.set(1, ch::RangeCode, "18");
        frmVQ_P_Channel page(rig.table, count, count, 3);
        page.show();
        Click(&page, "btnUpA_CH");
        EXPECT_EQ(rig.get(count, ch::MathACh), QLatin1String("1"));
        EXPECT_EQ(Text(&page, "lblA_CH_Type"), QStringLiteral("±10.000V"));
        Click(&page, "btnDnA_CH");
        EXPECT_EQ(Text(&page, "lblA_CH"), QString::number(count));

        Click(&page, "btnUP_CHNO");
        EXPECT_EQ(Text(&page, "lblCH_No"), QLatin1String("1")) << count;
        EXPECT_EQ(Text(&page, "lblINP"), QStringLiteral("±10.000V"));
        Click(&page, "btnDN_CHNO");
        EXPECT_EQ(page.channel(), count);
    }
}

TEST(ChannelPage, FunctionSteppingNeedsMathOn)
{
    Rig rig;
    frmVQ_P_Channel page(rig.table, rig.count, 1, 3);
    page.show();
    EXPECT_FALSE(Find<QPushButton>(&page, "btnDN_MType")->isEnabled());
    Click(&page, "btnDN_MType");
    Click(&page, "btnUpA_CH");
    EXPECT_EQ(rig.get(1, ch::MathFType), QLatin1String("1"));
    EXPECT_EQ(rig.get(1, ch::MathACh), QLatin1String("1"));
    EXPECT_EQ(Find<QLabel>(&page, "lblMType")->palette().color(QPalette::Window), QColor(192, 192, 192));

    Click(&page, "btnMOnOff1");
    EXPECT_EQ(rig.get(1, ch::MathOnOff), QLatin1String("ON"));
    Click(&page, "btnDN_MType");
    EXPECT_EQ(rig.get(1, ch::MathFType), QLatin1String("14"));
    EXPECT_EQ(Text(&page, "lblMType_Code"), QLatin1String("14"));
    EXPECT_EQ(Text(&page, "lblMType"), QStringLiteral("α [°C→°F]"));
    Click(&page, "btnUP_MType");
    EXPECT_EQ(Text(&page, "lblMType"), QStringLiteral("α+β"));
    EXPECT_EQ(Find<QLabel>(&page, "lblMOnOff1")->palette().color(QPalette::Window), QColor(0, 255, 0));

    // β: the box edits the channel or the constant, whichever is lit.
    rig.set(1, ch::MathBConst, "2.5");
    Click(&page, "btnBType1");
    EXPECT_EQ(rig.get(1, ch::MathBSelect), QLatin1String("CONSTANT"));
    EXPECT_EQ(Text(&page, "txtBVal"), QLatin1String("2.5"));
    Type(&page, "txtBVal", QStringLiteral("-7.25"));
    EXPECT_EQ(rig.get(1, ch::MathBConst), QLatin1String("-7.25"));
    Click(&page, "btnBType0");
    Type(&page, "txtBVal", QStringLiteral("4"));
    EXPECT_EQ(rig.get(1, ch::MathBCh), QLatin1String("4"));
    EXPECT_EQ(rig.get(1, ch::MathBConst), QLatin1String("-7.25"));
}

TEST(ChannelPage, RefreshShowsTheChannelsOwnValues)
{
    Rig rig;
    rig.set(1, ch::UserRangeMin, "-100");
    rig.set(1, ch::ScaleOnOff, "ON");
    rig.set(1, ch::ScaleRangeMax, "80");
    rig.set(1, ch::OffsetError, "0.25");
    rig.set(1, ch::MathOnOff, "ON");
    rig.set(1, ch::MathACh, "2");
    rig.set(2, ch::RangeCode, "18");
    rig.set(2, ch::UserRangeMax, "10");
    rig.set(3, ch::RangeCode, "25");
    frmVQ_P_Channel page(rig.table, rig.count, 1, 4);
    page.show();
    for (int pass = 0; pass < 2; ++pass) { // shown again after a visit to channel 2
        EXPECT_EQ(Text(&page, "lblINP_RangeMax"), QLatin1String("1372.0"));
        EXPECT_EQ(Text(&page, "lblA_CH_Type"), QStringLiteral("±10.000V"));
        EXPECT_EQ(Text(&page, "lblURange_L"), QLatin1String("-100.0"));
        EXPECT_EQ(Text(&page, "lblSRange_H"), QLatin1String("80.0"));
        EXPECT_EQ(Text(&page, "txtEOffset"), QLatin1String("0.3"));
        EXPECT_TRUE(Find<QLineEdit>(&page, "txtSRange_H")->isEnabled());
        Click(&page, "btnUP_CHNO");
        Click(&page, "btnDN_CHNO");
    }
    // An unknown input type code is repaired to TYPE K.
    Click(&page, "btnUP_CHNO");
    Click(&page, "btnUP_CHNO");
    EXPECT_EQ(rig.get(3, ch::RangeCode), QLatin1String("1"));
    EXPECT_TRUE(Lit(&page, "btnINP2"));
    EXPECT_EQ(Text(&page, "lblINP"), QLatin1String("TYPE K"));

    // A change made elsewhere is shown on the next refresh tick.
    EXPECT_FALSE(Find<QTimer>(&page, "tmrRefresh")->isActive());
    rig.set(3, ch::Name, "BOILER");
    EXPECT_TRUE(Find<QTimer>(&page, "tmrRefresh")->isActive());
    page.refresh();
    EXPECT_EQ(Text(&page, "txtCH_Name"), QLatin1String("BOILER"));
}

TEST(ChannelPage, BoxesWriteWhatIsTyped)
{
    struct Case { const char* box; const char* typed; int row; const char* stored; };
    const Case cases[] = {
        {"txtCH_Name", "FURNACE-TOP-1", ch::Name, "FURNACE-TO"},
        {"txtReadTime", "1a2", ch::ReadTime, "12"},
        {"txtURange_H", "+250.5x", ch::UserRangeMax, "+250.5"},
        {"txtSRange_L", "-1.25", ch::ScaleRangeMin, "-1.25"},
        {"txtUnitName", "kg/cm2X", ch::UnitName, "kg/cm2"},
    };
    Rig rig;
    frmVQ_P_Channel page(rig.table, rig.count, 2, 0);
    page.show();
    Click(&page, "btnSOnOff1");
    Click(&page, "btnReadMode2");
    Click(&page, "btnUnit5");
    EXPECT_EQ(rig.get(2, ch::ScaleOnOff), QLatin1String("ON"));
    EXPECT_EQ(rig.get(2, ch::ReadMode), QLatin1String("MIN"));
    EXPECT_EQ(rig.get(2, ch::UnitMode), QLatin1String("5"));
    for (const Case& c : cases) {
        Type(&page, c.box, QString::fromLatin1(c.typed));
        EXPECT_EQ(rig.get(2, c.row), QLatin1String(c.stored)) << c.box;
    }
    EXPECT_EQ(Text(&page, "lblURange_H"), QLatin1String("+250.5"));
    EXPECT_EQ(Text(&page, "lblSRange_L"), QLatin1String("-1.25"));

    Click(&page, "btnReadMode0");
    EXPECT_FALSE(Find<QLineEdit>(&page, "txtReadTime")->isEnabled());
    Click(&page, "btnSOnOff0");
    EXPECT_FALSE(Find<QLineEdit>(&page, "txtSRange_L")->isEnabled());
    Click(&page, "btnINP2"); // a type disables the user unit name
    EXPECT_FALSE(Find<QLineEdit>(&page, "txtUnitName")->isEnabled());

    // MAX: the user range becomes the input range.
    Click(&page, "btnMaxRange");
    EXPECT_EQ(rig.get(2, ch::UserRangeMin), QLatin1String("-270.0"));
    EXPECT_EQ(Text(&page, "txtURange_H"), QLatin1String("1372.0"));
}
