#include "channel/frmVQ_P_Channel.h"
#include "common/Find.h"
#include "core/TextTable.h"
#include "link/RegisterMap.h"

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
        for (int c = 1; c <= chCount; ++c)
            set(c, {{ch::RangeCode, "1"}, {ch::FpLocate, "1"}, {ch::UnitMode, "3"}, {ch::MathOnOff, "OFF"},
                    {ch::MathFType, "1"}, {ch::MathACh, "1"}, {ch::ReadMode, "DIRECT"}});
    }
    // Channel c is given these texts in these rows.
    void set(int c, std::initializer_list<std::pair<int, const char*>> cells)
    {
        for (auto [row, text] : cells)
            table.setText(c + 2, row, QString::fromUtf8(text));
    }
    QString get(int c, int row) const { return table.text(c + 2, row); }
    // Channel c holds these texts in these rows.
    void expect(int c, std::initializer_list<std::pair<int, const char*>> cells) const
    {
        for (auto [row, text] : cells)
            EXPECT_EQ(get(c, row), QString::fromUtf8(text)) << "CH" << c << " row " << row;
    }
};
} // namespace

TEST(ChannelPage, ChoosingATypeSetsUnitPointAndRanges)
{
    Rig rig;
    rig.set(1, {{ch::ScaleRangeMax, "123.456"}});
    frmVQ_P_Channel page(rig.table, rig.count, 1, 0);
    page.show();
    Click(&page, "btnINP0"); // VDC: ±30.00V
    rig.expect(1, {{ch::RangeCode, "19"}});
    Click(&page, "btnDN_INP"); // ±10.000V
    ExpectTexts(&page, {{"lblINP", "±10.000V"}, {"txtSRange_H", "123.456"}});
    rig.expect(1, {{ch::UnitMode, "1"}, {ch::FpLocate, "3"}});
    EXPECT_TRUE(Lit(&page, "btnUnit1"));
    EXPECT_TRUE(Lit(&page, "btnDP3"));

    Click(&page, "btnDN_INP"); // ±0.10000V
    rig.expect(1, {{ch::UnitMode, "0"}, {ch::FpLocate, "2"}, {ch::UserRangeMin, "-100.00"},
                   {ch::DispRangeMin, "-100.00"}, {ch::UserRangeMax, "100.00"}, {ch::DispRangeMax, "100.00"},
                   {ch::ScaleRangeMax, "123.456"}}); // shown, not rewritten
    ExpectTexts(&page, {{"lblINP_RangeMin", "-100.00"}, {"lblURange_H", "100.00"}, {"txtDRange_L", "-100.00"},
                        {"txtSRange_H", "123.46"}});
    Click(&page, "btnUP_INP");
    rig.expect(1, {{ch::RangeCode, "18"}});

    // The point sets the display limits.
    Click(&page, "btnDP4");
    rig.expect(1, {{ch::FpLocate, "4"}});
    ExpectTexts(&page, {{"lblDispTT0", "-9.9999"}, {"lblDispTT1", "9.9999"}});

    Click(&page, "btnINP1"); // RTD
    ExpectTexts(&page, {{"lblINP", "Pt100(DIN)"}});
    rig.expect(1, {{ch::UnitMode, "3"}});
}

TEST(ChannelPage, ChannelAndAlphaChannelWrapAtTheChannelCount)
{
    for (int count : {6, 12}) {
        SCOPED_TRACE(count);
        Rig rig(count);
        rig.set(count, {{ch::MathOnOff, "ON"}, {ch::MathACh, QByteArray::number(count).constData()}});
        rig.set(1, {{ch::RangeCode, "18"}});
        frmVQ_P_Channel page(rig.table, count, count, 3);
        page.show();
        Click(&page, "btnUpA_CH");
        rig.expect(count, {{ch::MathACh, "1"}});
        ExpectTexts(&page, {{"lblA_CH_Type", "±10.000V"}});
        Click(&page, "btnDnA_CH");
        EXPECT_EQ(Text(&page, "lblA_CH"), QString::number(count));

        Click(&page, "btnUP_CHNO");
        ExpectTexts(&page, {{"lblCH_No", "1"}, {"lblINP", "±10.000V"}});
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
    rig.expect(1, {{ch::MathFType, "1"}, {ch::MathACh, "1"}});
    EXPECT_EQ(Find<QLabel>(&page, "lblMType")->palette().color(QPalette::Window), QColor(192, 192, 192));

    Click(&page, "btnMOnOff1");
    rig.expect(1, {{ch::MathOnOff, "ON"}});
    Click(&page, "btnDN_MType");
    rig.expect(1, {{ch::MathFType, "14"}});
    ExpectTexts(&page, {{"lblMType_Code", "14"}, {"lblMType", "α [°C→°F]"}});
    Click(&page, "btnUP_MType");
    ExpectTexts(&page, {{"lblMType", "α+β"}});

    // β: the box edits the channel or the constant, whichever is lit.
    rig.set(1, {{ch::MathBConst, "2.5"}});
    Click(&page, "btnBType1");
    rig.expect(1, {{ch::MathBSelect, "CONSTANT"}});
    ExpectTexts(&page, {{"txtBVal", "2.5"}});
    Type(&page, "txtBVal", QStringLiteral("-7.25"));
    rig.expect(1, {{ch::MathBConst, "-7.25"}});
    Click(&page, "btnBType0");
    Type(&page, "txtBVal", QStringLiteral("4"));
    rig.expect(1, {{ch::MathBCh, "4"}, {ch::MathBConst, "-7.25"}});
}

TEST(ChannelPage, RefreshShowsTheChannelsOwnValues)
{
    Rig rig;
    rig.set(1, {{ch::UserRangeMin, "-100"}, {ch::ScaleOnOff, "ON"}, {ch::ScaleRangeMax, "80"}, {ch::OffsetError, "0.25"},
                {ch::MathOnOff, "ON"}, {ch::MathACh, "2"}});
    rig.set(2, {{ch::RangeCode, "18"}, {ch::UserRangeMax, "10"}});
    rig.set(3, {{ch::RangeCode, "25"}});
    frmVQ_P_Channel page(rig.table, rig.count, 1, 4);
    page.show();
    for (int pass = 0; pass < 2; ++pass) { // shown again after a visit to channel 2
        ExpectTexts(&page, {{"lblINP_RangeMax", "1372.0"}, {"lblA_CH_Type", "±10.000V"}, {"lblURange_L", "-100.0"},
                            {"lblSRange_H", "80.0"}, {"txtEOffset", "0.3"}});
        EXPECT_TRUE(Find<QLineEdit>(&page, "txtSRange_H")->isEnabled());
        Click(&page, "btnUP_CHNO");
        Click(&page, "btnDN_CHNO");
    }
    // An unknown input type code is repaired to TYPE K.
    Click(&page, "btnUP_CHNO");
    Click(&page, "btnUP_CHNO");
    rig.expect(3, {{ch::RangeCode, "1"}});
    EXPECT_TRUE(Lit(&page, "btnINP2"));
    ExpectTexts(&page, {{"lblINP", "TYPE K"}});

    // A change made elsewhere is shown on the next refresh tick.
    EXPECT_FALSE(Find<QTimer>(&page, "tmrRefresh")->isActive());
    rig.set(3, {{ch::Name, "BOILER"}});
    EXPECT_TRUE(Find<QTimer>(&page, "tmrRefresh")->isActive());
    page.refresh();
    ExpectTexts(&page, {{"txtCH_Name", "BOILER"}});
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
    rig.expect(2, {{ch::ScaleOnOff, "ON"}, {ch::ReadMode, "MIN"}, {ch::UnitMode, "5"}});
    for (const Case& c : cases) {
        Type(&page, c.box, QString::fromLatin1(c.typed));
        rig.expect(2, {{c.row, c.stored}});
    }
    ExpectTexts(&page, {{"lblURange_H", "+250.5"}, {"lblSRange_L", "-1.25"}});

    Click(&page, "btnReadMode0");
    EXPECT_FALSE(Find<QLineEdit>(&page, "txtReadTime")->isEnabled());
    Click(&page, "btnSOnOff0");
    EXPECT_FALSE(Find<QLineEdit>(&page, "txtSRange_L")->isEnabled());
    Click(&page, "btnINP2"); // a type disables the user unit name
    EXPECT_FALSE(Find<QLineEdit>(&page, "txtUnitName")->isEnabled());

    // MAX: the user range becomes the input range.
    Click(&page, "btnMaxRange");
    rig.expect(2, {{ch::UserRangeMin, "-270.0"}});
    ExpectTexts(&page, {{"txtURange_H", "1372.0"}});
}
