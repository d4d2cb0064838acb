#include "MonitorFixture.h"
#include "app/frmVQ_Main.h"
#include "common/Find.h"
#include "link/PollingEngine.h"
#include "monitor/MonitorHeader.h"
#include "monitor/frmVQ_Mon_Bar.h"
#include "monitor/frmVQ_Mon_Single.h"
#include "monitor/frmVQ_Mon_Text.h"
#include "ui/GradientLabel.h"
#include "ui/TextProgressBar.h"

#include <QAction>
#include <QTemporaryDir>

namespace {

struct Windows : MonitorFixture {
    QTemporaryDir dir;
};

} // namespace

TEST_F(Windows, BarGeometryFollowsTheScale)
{
    // top/height as computed; shown = the height of the bar as drawn in the panel.
    struct Case { const char* pv; int bo; int top; int height; int shown; const char* text; };
    const int h = frmVQ_Mon_Bar::kPanelHeight; // 330
    const Case cases[] = {
        {"0", 0, h, 0, 0, "0.0"},             // at min: no bar
        {"25", 0, 248, 82, 82, "25.0"},       // 247.5 rounds to 248
        {"-1000", 0, h, 0, 0, "-1000.0"},     // a reading of -1000 empties the gauge too
        {"50", 1, h, 0, 0, "----.-"},         // burn-out
        {"150", 0, -h / 2, h * 3 / 2, h, "150.0"}, // cut at the top edge
        {"-50", 0, h * 3 / 2, -h / 2, 0, "-50.0"},
    };
    setChannel(1, 1, 0, 100, 7);
    frmVQ_Mon_Bar w(state, store, link, dir.path());
    BarModel model(state, store, link, h);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pv);
        pv(1, c.pv);
        mon(regmap::mon::Bo16, QString::number(c.bo));
        w.tmrDispGraph_Tick();
        model.tick();
        EXPECT_EQ(model.bar(0), (BarGeometry{c.top, c.height}));
        EXPECT_EQ(Find<QLabel>(&w, "lblCH_Val0")->text(), c.text);
        const QRect drawn = Find<QWidget>(&w, "shpRowScale_Bar0")->geometry();
        EXPECT_EQ(drawn.height(), c.shown);
        EXPECT_TRUE(c.shown == 0 || drawn.bottom() == h - 1) << "standing on the panel's floor";
    }
    EXPECT_EQ(Find<QLabel>(&w, "lblCH0")->text(), "[CH.01]");

    // A flat scale keeps the bar where it was.
    setChannel(1, 1, 10, 10, 7);
    pv(1, "70");
    model.tick();
    EXPECT_EQ(model.bar(0), (BarGeometry{h * 3 / 2, -h / 2}));
}

TEST_F(Windows, TextPanelsShowValueRangeAndPosition)
{
    struct Case { double min, max; int fp; const char* pv; int bo; int percent; const char* shown; };
    const Case cases[] = {
        {-200, 1370, 1, "585.0", 0, 50, "585.0"},
        {-100, 100, 1, "40", 1, 50, "----.-"},
        {0, 100, 1, "-30", 0, -30, "-30.0"},   // kept as given; only the drawing is clamped
        {0, 10, 2, "25", 0, 250, "25.00"},
    };
    frmVQ_Mon_Text w(state, store, link, dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pv);
        setChannel(2, c.fp, c.min, c.max, 3, 2);
        pv(2, c.pv);
        mon(regmap::mon::Bo16, QString::number(c.bo << 2));
        w.tmrDispGraph_Tick();
        EXPECT_EQ(Find<GradientLabel>(&w, "lblPV1")->text(), c.shown);
        EXPECT_EQ(Find<TextProgressBar>(&w, "XProgress11")->value(), c.percent);
    }
    auto* bar = Find<TextProgressBar>(&w, "XProgress11");
    EXPECT_EQ(bar->text(), "250%");
    EXPECT_EQ(TextProgressBar::filledWidth(250, 200), 200);
    EXPECT_EQ(TextProgressBar::filledWidth(-30, 200), 0);
    EXPECT_EQ(Find<GradientLabel>(&w, "lblCH_Name1")->colour1(), QColor(255, 0, 0));
    EXPECT_EQ(Find<QLabel>(&w, "lblRangeH1")->text(), "10.00");

    // A flat range keeps the bar's last percent.
    setChannel(2, 1, 5, 5, 3);
    w.tmrDispGraph_Tick();
    EXPECT_EQ(bar->value(), 250);

    // A larger window grows the values, not the titles.
    w.show();
    QCoreApplication::processEvents();
    const auto* value = Find<QLabel>(&w, "lblPV1");
    const int px = QFontInfo(value->font()).pixelSize(), title = Find<QLabel>(&w, "lblCH_Name1")->height();
    w.resize(w.size() * 3 / 2);
    QCoreApplication::processEvents();
    EXPECT_GT(QFontInfo(value->font()).pixelSize(), px * 5 / 4);
    EXPECT_EQ(Find<QLabel>(&w, "lblCH_Name1")->height(), title);
}

TEST_F(Windows, TrendWindowShowsValuesMarksAndTogglesByClick)
{
    using namespace regmap::mon;
    setChannel(1, 1, 0, 100, 0);
    pv(1, "40");
    mon(SdDiStatus, QString::number(0x8003));
    mon(RecordStatus, "1");
    mon(Alarm14, "1");
    setChannel(2, 1, 10, 10, 1); // flat: no line, no marker
    frmVQ_Mon_Single w(state, store, link, dir.path());
    EXPECT_EQ(w.windowTitle(), "Single Monitoring - LINE \u2013 device 1 (Boiler house)");
    EXPECT_EQ(Find<QLabel>(&w, "lblCH_Val0")->text(), "----.-");
    EXPECT_FALSE(Find<QWidget>(&w, "shpRowScale_Bar0")->isVisibleTo(&w)); // no value yet
    for (int n = 1; n <= 3; ++n)
        w.tick(QTime(8, 0, n));
    EXPECT_TRUE(Find<QWidget>(&w, "shpRowScale_Bar0")->isVisibleTo(&w));
    EXPECT_FALSE(Find<QWidget>(&w, "shpRowScale_Bar1")->isVisibleTo(&w));
    link.gSelMC_No = 2; // another device selected: the next tick names it
    w.tick(QTime(8, 0, 4));
    EXPECT_EQ(w.windowTitle(), "Single Monitoring - LINE \u2013 device 2");
    EXPECT_EQ(Find<QLabel>(&w, "lblCH_Val0")->text(), "40.0");
    EXPECT_EQ(Find<QLabel>(&w, "lblGTime0")->text(), "08:00:01");
    // The level marker's centre sits at 40 % of the scale from the bottom.
    const QWidget* marker = Find<QWidget>(&w, "shpRowScale_Bar0");
    EXPECT_NEAR(marker->geometry().center().y(), 1 + 481 * 0.6, 1.0);
    EXPECT_TRUE(w.plotImage().pixel(2, int(481 * 0.6)) == qRgb(0, 0, 255) ||
                w.plotImage().pixel(2, int(481 * 0.6) + 1) == qRgb(0, 0, 255));

    // Pictures come beside the executable when the program folder has none.
    EXPECT_EQ(w.findChild<MonitorHeader*>()->memPicture(), rules::PicturePath(QString(), "MEM02.ico"));
    EXPECT_FALSE(Find<QLabel>(&w, "imgAlarm")->pixmap().isNull());
    EXPECT_EQ(Find<GradientLabel>(&w, "lblDInput2")->colour2(), QColor(0, 255, 0));

    QTest::mouseClick(Find<QLabel>(&w, "lblCH_Val0"), Qt::LeftButton);
    EXPECT_EQ(Find<QLabel>(&w, "lblCH_Unit0")->text(), "CH.OFF");
    EXPECT_FALSE(state.gTrendChVisible[0]);
    QTest::mouseClick(Find<QWidget>(&w, "picCH0"), Qt::LeftButton);
    EXPECT_EQ(Find<QLabel>(&w, "lblCH_Unit0")->text(), "\u00B0C");

    Click(&w, "btnClose");
    EXPECT_FALSE(Find<QTimer>(&w, "tmrDispGraph")->isActive());
}

TEST_F(Windows, MainWindowOpensTheMonitorsAndPortOpenRestartsTheTrend)
{
    frmVQ_Main main(dir.path());
    main.monitorState().gTrendCount = 321;
    emit main.engine().portOpened();
    EXPECT_EQ(main.monitorState().gTrendCount, 0);

    main.store().appendDeviceRow(1);
    main.store().appendDeviceRow(2);
    const std::pair<const char*, const char*> opens[] = {
        {"mOnlineSingleLine", "frmVQ_Mon_Single"}, {"mOnlineSingleBar", "frmVQ_Mon_Bar"},
        {"mOnlineSingleText", "frmVQ_Mon_Text"},   {"mOnlineMulti", "frmVQ_Mon_Multi"},
        {"mOnlineMultiPV", "frmVQ_Mon_MultiPV"}};
    for (const auto& [menu, name] : opens) {
        QString seen;
        int rows = -1;
        OnModal([&](QWidget* w) {
            ASSERT_NE(w, nullptr);
            seen = w->objectName();
            if (auto* table = w->findChild<QTableView*>("sprdMon"))
                rows = table->model()->rowCount();
            Click(w, "btnClose");
        });
        auto* action = Find<QAction>(&main, menu);
        action->setEnabled(true); // as once the scan has ended
        action->trigger();
        EXPECT_EQ(seen, name);
        EXPECT_EQ(rows, QString(name).startsWith("frmVQ_Mon_Multi") ? 2 : -1) << name;
    }
}

TEST_F(Windows, ValuesOfADeviceThatDoesNotAnswerAreGreyed)
{
    frmVQ_Mon_Bar bar(state, store, link, dir.path());
    frmVQ_Mon_Single trend(state, store, link, dir.path());
    frmVQ_Mon_Text text(state, store, link, dir.path());
    for (const char* comm : {"NG", "OK"}) {
        SCOPED_TRACE(comm);
        mon(regmap::mon::Comm, comm);
        pv(1, "12.5");
        const bool stale = QLatin1String(comm) == "NG";
        for (SingleMonitorWindow* w : std::initializer_list<SingleMonitorWindow*>{&bar, &trend}) {
            w->tmrDispGraph_Tick();
            auto* value = Find<QLabel>(w, "lblCH_Val0");
            EXPECT_EQ(value->text(), "12.5") << "the last value stays";
            EXPECT_EQ(value->styleSheet().contains("#6b7785"), stale) << w->objectName().toStdString();
            EXPECT_EQ(value->toolTip().isEmpty(), !stale);
        }
        text.tmrDispGraph_Tick();
        EXPECT_EQ(Find<GradientLabel>(&text, "lblPV0")->muted(), stale);
    }
}
