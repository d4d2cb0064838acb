#include "common/Find.h"
#include "channel/frmVQ_P_ARM_DI.h"
#include "link/TextTable.h"

#include <QDir>
#include <QFrame>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

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
    Rig rig;
    frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, rig.count, 1, 1, 1, QString());
    page.show();
    Click(&page, "btnUP_CH");
    Click(&page, "obtALM_No2");
    EXPECT_EQ(Text(&page, "lblALM_No"), QLatin1String("03"));
    Type(&page, "txtALM_SV", QStringLiteral("12.5"));
    Type(&page, "txtALM_HYS", QStringLiteral("0.5"));
    Type(&page, "txtALM_RATE", QStringLiteral("3"));
    Click(&page, "btnUP_ALT");
    Type(&page, "txtALM_CCH", QStringLiteral("4"));
    Click(&page, "obtTUNIT1");
    Click(&page, "btnALM_RCD0");
    Type(&page, "txtALM_RYO", QStringLiteral("2"));
    Type(&page, "txtALM_RYT", QStringLiteral("30"));
    const char* expected[] = {"12.5", "0.5", "3", "1", "4", "MIN.", "START", "2", "30"};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(rig.sprdP_CH.text(4, 44 + k), QLatin1String(expected[k])) << k;
    // Nothing else was touched.
    for (int col = 1; col <= rig.sprdP_CH.colCount(); ++col)
        for (int row = 1; row <= 61; ++row)
            if (col != 4 || row < 44 || row > 52) {
                EXPECT_TRUE(rig.sprdP_CH.text(col, row).isEmpty()) << col << "," << row;
            }
}

TEST(AlarmPage, BoxesClampWhatIsTyped)
{
    // The rules hold each box to its range; here the page shows and stores what they give.
    for (int count : {6, 12}) {
        Rig rig(count);
        frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, count, 1, 1, 1, QString());
        page.show();
        Type(&page, "txtALM_CCH", QStringLiteral("9"));
        const QString shown = count == 6 ? QStringLiteral("6") : QStringLiteral("9");
        EXPECT_EQ(Text(&page, "txtALM_CCH"), shown);
        EXPECT_EQ(rig.sprdP_CH.text(3, Rig::row(1, 4)), shown);
    }
}

TEST(AlarmPage, TypeWrapsAndChoosesPanelAndPicture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Image")));
    QImage img(240, 150, QImage::Format_RGB32);
    img.fill(Qt::white);
    ASSERT_TRUE(img.save(dir.filePath(QStringLiteral("Image/ARM00.BMP")), "BMP"));

    Rig rig;
    rig.sprdP_CH.setText(3, Rig::row(1, 3), QStringLiteral("15"));
    frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, rig.count, 1, 1, 1, dir.path());
    page.pictureFolders = {dir.filePath(QStringLiteral("Image"))};
    page.refresh();
    page.show();
    auto* picture = Find<QLabel>(&page, "picALM_Type");
    EXPECT_TRUE(picture->pixmap().isNull());
    Click(&page, "btnUP_ALT");
    EXPECT_EQ(Text(&page, "lblALM_Type"), QLatin1String("0"));
    EXPECT_EQ(rig.sprdP_CH.text(3, Rig::row(1, 3)), QLatin1String("0"));
    EXPECT_FALSE(picture->pixmap().isNull());
    Click(&page, "btnDN_ALT");
    EXPECT_EQ(rig.sprdP_CH.text(3, Rig::row(1, 3)), QLatin1String("15"));
    EXPECT_TRUE(picture->pixmap().isNull());

    // A rate type shows the rate panel with its direction.
    rig.sprdP_CH.setText(3, Rig::row(1, 3), QStringLiteral("8"));
    page.refresh();
    EXPECT_TRUE(Find<QFrame>(&page, "picALT2")->isVisible());
    EXPECT_EQ(Text(&page, "Label21"), QLatin1String("DOWN RATE"));
    page.setAlarm(2); // type 0: only the "none" panel
    EXPECT_FALSE(Find<QFrame>(&page, "picALT2")->isVisible());
    EXPECT_TRUE(Find<QFrame>(&page, "picALT3")->isVisible());
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
        EXPECT_EQ(page.channel(), c.channel) << c.count;
        EXPECT_EQ(Text(&page, "txtCH_No"), QString::number(c.channel));
        EXPECT_EQ(Text(&page, "txtALM_SV"), QLatin1String("42"));
    }
}

TEST(AlarmPage, RefreshShowsStoredOptions)
{
    Rig rig;
    const char* cells[] = {"-10", "1", "2", "3", "2", "SEC.", "STOP", "0", "5"};
    for (int k = 0; k < 9; ++k)
        rig.sprdP_CH.setText(5, Rig::row(4, k), QLatin1String(cells[k]));
    frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, rig.count, 3, 4, 1, QString());
    EXPECT_TRUE(Lit(&page, "obtALM_No3"));
    EXPECT_TRUE(Lit(&page, "obtTUNIT2"));
    EXPECT_TRUE(Lit(&page, "btnALM_RCD1"));
    EXPECT_EQ(Text(&page, "txtALM_RYO"), QLatin1String("--"));
    // A bare number as time unit is accepted too; any unknown record text is BYPASS.
    rig.sprdP_CH.setText(5, Rig::row(4, 5), QStringLiteral("0"));
    rig.sprdP_CH.setText(5, Rig::row(4, 6), QStringLiteral("127"));
    EXPECT_TRUE(Find<QTimer>(&page, "tmrRefresh")->isActive());
    page.refresh();
    EXPECT_TRUE(Lit(&page, "obtTUNIT0"));
    EXPECT_TRUE(Lit(&page, "btnALM_RCD2"));
}

TEST(AlarmPage, DigitalInputs)
{
    Rig rig;
    rig.sprdP.setText(3, 45 + 4 * 5, QStringLiteral("HIGH"));
    rig.sprdP.setText(3, 47 + 4 * 5, QStringLiteral("4"));
    frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, rig.count, 1, 1, 6, QString());
    page.show();
    EXPECT_TRUE(Lit(&page, "btnDI_Level1"));
    EXPECT_EQ(Text(&page, "txtDI_RYO"), QLatin1String("4"));
    Click(&page, "btnUP_DI");
    EXPECT_EQ(Text(&page, "txtDI_No"), QLatin1String("1"));
    EXPECT_TRUE(Lit(&page, "btnDI_Level0"));
    EXPECT_EQ(Text(&page, "txtDI_RYO"), QLatin1String("--"));
    Click(&page, "btnDN_DI");
    EXPECT_EQ(page.input(), 6);
    Type(&page, "txtDI_No", QStringLiteral("8"));
    EXPECT_EQ(page.input(), 6);
    Type(&page, "txtDI_No", QStringLiteral("2"));

    Click(&page, "btnDI_Level1");
    Click(&page, "btnDI_RCD2");
    Type(&page, "txtDI_RYO", QStringLiteral("9"));
    Type(&page, "txtDI_RYT", QStringLiteral("120"));
    const char* expected[] = {"HIGH", "BYPASS", "6", "120"};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(rig.sprdP.text(3, 49 + k), QLatin1String(expected[k])) << k;
    Type(&page, "txtDI_RYO", QStringLiteral("--"));
    EXPECT_EQ(rig.sprdP.text(3, 51), QLatin1String("--"));
}

TEST(AlarmPage, ShipsAPictureForEveryType)
{
    Rig rig;
    frmVQ_P_ARM_DI page(rig.sprdP, rig.sprdP_CH, rig.count, 1, 1, 1, QString());
    auto* picture = Find<QLabel>(&page, "picALM_Type");
    for (int code = 0; code < 16; ++code) {
        rig.sprdP_CH.setText(3, Rig::row(1, 3), QString::number(code));
        page.refresh();
        EXPECT_EQ(picture->pixmap().size(), QSize(240, 150)) << code;
    }
}
