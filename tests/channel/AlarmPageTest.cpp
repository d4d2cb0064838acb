#include "channel/frmVQ_P_ARM_DI.h"
#include "common/Find.h"
#include "core/TextTable.h"

#include <QFrame>
#include <QTemporaryDir>

namespace {
struct Rig {
    TextTable sprdP{3, 68};
    TextTable sprdP_CH;
    int count;
    explicit Rig(int chCount = 6)
        : sprdP_CH(chCount + 2, 61)
        , count(chCount)
    {
    }
    // Row of alarm a, field k of sprdP_CH.
    static int row(int a, int k) { return 26 + 9 * (a - 1) + k; }
};
} // namespace

TEST(AlarmPage, AlarmThreeOfChannelTwoIsColumnFourRows44To52)
{
    Rig rig(12);
    frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, rig.count, 1, 1, 1, QString());
    page.show();
    Click(&page, "btnUP_CH");
    Click(&page, "obtALM_No2");
    EXPECT_EQ(Text(&page, "lblALM_No"), QLatin1String("03"));
    Type(&page, "txtALM_SV", QStringLiteral("12.5"));
    Type(&page, "txtALM_HYS", QStringLiteral("2500")); // held to its range
    Type(&page, "txtALM_RATE", QStringLiteral("3"));
    Click(&page, "btnUP_ALT");
    Type(&page, "txtALM_CCH", QStringLiteral("13")); // held to the channel count
    Click(&page, "obtTUNIT1");
    Click(&page, "btnALM_RCD0");
    Type(&page, "txtALM_RYO", QStringLiteral("2"));
    Type(&page, "txtALM_RYT", QStringLiteral("30"));
    EXPECT_EQ(Text(&page, "txtALM_CCH"), QLatin1String("12"));
    const char* expected[] = {"12.5", "1999.99", "3", "1", "12", "MIN.", "START", "2", "30"};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(rig.sprdP_CH.text(4, 44 + k), QLatin1String(expected[k])) << k;
    // Nothing else was touched.
    for (int col = 1; col <= rig.sprdP_CH.colCount(); ++col)
        for (int row = 1; row <= 61; ++row)
            EXPECT_TRUE((col == 4 && row >= 44 && row <= 52) || rig.sprdP_CH.text(col, row).isEmpty()) << col << "," << row;
}

TEST(AlarmPage, TypeChoosesPanelAndPicture)
{
    Rig rig;
    rig.sprdP_CH.setText(3, Rig::row(1, 3), QStringLiteral("8"));
    frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, rig.count, 1, 1, 1, QString());
    page.show();
    auto* picture = Find<QLabel>(&page, "picALM_Type");
    EXPECT_TRUE(Find<QFrame>(&page, "picALT2")->isVisible());
    EXPECT_EQ(Text(&page, "Label21"), QLatin1String("DOWN RATE"));
    EXPECT_EQ(picture->pixmap().size(), QSize(240, 150));
    page.setAlarm(2); // type 0: only the "none" panel
    EXPECT_FALSE(Find<QFrame>(&page, "picALT2")->isVisible());
    EXPECT_TRUE(Find<QFrame>(&page, "picALT3")->isVisible());

    // Every type has its shipped picture; a folder without it clears the picture.
    // The fields and the alarm action stay where they are whatever the type.
    const auto places = [&] {
        QCoreApplication::processEvents();
        return std::pair{Find(&page, "txtALM_SV")->mapTo(&page, QPoint()),
                         Find(&page, "fraALM_Action")->mapTo(&page, QPoint())};
    };
    const auto first = places();
    for (int code = 0; code < 16; ++code) {
        rig.sprdP_CH.setText(3, Rig::row(2, 3), QString::number(code)); // alarm 2 is shown
        page.refresh();
        EXPECT_EQ(picture->pixmap().size(), QSize(240, 150)) << code;
        EXPECT_EQ(places(), first) << code;
    }
    QTemporaryDir empty;
    page.pictureFolders = {empty.path()};
    page.refresh();
    EXPECT_TRUE(picture->pixmap().isNull());
}

TEST(AlarmPage, ChannelStaysWithinTheChannelCount)
{
    struct Case { int count; const char* action; const char* typed; int channel; };
    const Case cases[] = {{6, "up", nullptr, 1}, {12, "down", nullptr, 11}, {12, nullptr, "9", 9}};
    for (const Case& c : cases) {
        Rig rig(c.count);
        rig.sprdP_CH.setText(c.channel + 2, Rig::row(1, 0), QStringLiteral("42"));
        frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, c.count, c.count, 1, 1, QString());
        page.show();
        if (c.action)
            Click(&page, c.action[0] == 'u' ? "btnUP_CH" : "btnDN_CH");
        else
            Type(&page, "txtCH_No", QString::fromLatin1(c.typed));
        EXPECT_EQ(Text(&page, "txtCH_No"), QString::number(c.channel)) << c.count;
        EXPECT_EQ(Text(&page, "txtALM_SV"), QLatin1String("42"));
    }
}

TEST(AlarmPage, RefreshShowsStoredOptionsAndDigitalInputs)
{
    Rig rig;
    const char* cells[] = {"-10", "1", "2", "3", "2", "SEC.", "STOP", "0", "5"};
    for (int k = 0; k < 9; ++k)
        rig.sprdP_CH.setText(5, Rig::row(4, k), QLatin1String(cells[k]));
    rig.sprdP.setText(3, 45 + 4 * 5, QStringLiteral("HIGH"));
    rig.sprdP.setText(3, 47 + 4 * 5, QStringLiteral("4"));
    frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, rig.count, 3, 4, 6, QString());
    for (const char* lit : {"obtALM_No3", "obtTUNIT2", "btnALM_RCD1"})
        EXPECT_TRUE(Lit(&page, lit)) << lit;
    EXPECT_EQ(Text(&page, "txtALM_RYO"), QLatin1String("--"));
    // A change made elsewhere is shown on the next refresh tick.
    rig.sprdP_CH.setText(5, Rig::row(4, 6), QStringLiteral("127"));
    EXPECT_TRUE(Find<QTimer>(&page, "tmrRefresh")->isActive());
    page.refresh();
    EXPECT_TRUE(Lit(&page, "btnALM_RCD2"));

    page.show();
    EXPECT_TRUE(Lit(&page, "btnDI_Level1"));
    EXPECT_EQ(Text(&page, "txtDI_RYO"), QLatin1String("4"));
    Click(&page, "btnUP_DI");
    ExpectTexts(&page, {{"txtDI_No", "1"}, {"txtDI_RYO", "--"}});
    EXPECT_TRUE(Lit(&page, "btnDI_Level0"));
    Type(&page, "txtDI_No", QStringLiteral("8"));
    EXPECT_EQ(page.input(), 6);
    Click(&page, "btnDN_DI");
    EXPECT_EQ(page.input(), 5);
    Type(&page, "txtDI_No", QStringLiteral("2"));

    Click(&page, "btnDI_Level1");
    Click(&page, "btnDI_RCD2");
    Type(&page, "txtDI_RYO", QStringLiteral("9"));
    Type(&page, "txtDI_RYT", QStringLiteral("120"));
    const char* expected[] = {"HIGH", "BYPASS", "6", "120"};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(rig.sprdP.text(3, 49 + k), QLatin1String(expected[k])) << k;
}
