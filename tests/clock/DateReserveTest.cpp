#include "clock/ClockRules.h"
#include "clock/frmVQ_DateReserve.h"
#include "common/Find.h"
#include "common/VirtualLine.h"
#include "link/Framing.h"

#include <QCheckBox>
#include <gtest/gtest.h>

using namespace clockrules;

TEST(ClockRules, DaysOfMonthAndClamping)
{
    const std::tuple<int, int, int> days[] = {{2024, 2, 29}, {2100, 2, 28}, {2000, 2, 29}, {2026, 4, 30}};
    for (auto [y, m, d] : days)
        EXPECT_EQ(DaysInMonth(y, m), d) << y << "-" << m;

    struct Case { Field f; const char* typed; int y, m; int value; const char* text; bool changed; };
    const Case cases[] = {
        {Field::Year, "0", 0, 1, 1, "0001", true},       {Field::Year, "2031", 0, 1, 2031, "2031", false},
        {Field::Month, "13", 2026, 1, 12, "12", true},   {Field::Day, "31", 2100, 2, 28, "28", true},
        {Field::Day, "0", 2024, 2, 1, "01", true},       {Field::Hour, "-1", 0, 1, 0, "00", true},
        {Field::Minute, "60", 0, 1, 59, "59", true},     {Field::Second, "", 0, 1, 0, "", false},
    };
    for (const Case& c : cases) {
        const Clamped r = Clamp(c.f, QString::fromLatin1(c.typed), c.y, c.m);
        EXPECT_EQ(r.value, c.value) << c.typed;
        EXPECT_EQ(r.text, QString::fromLatin1(c.text)) << c.typed;
        EXPECT_EQ(r.changed, c.changed) << c.typed;
    }
}

namespace {

// One recorder (device 4), scanned and monitoring, and the window over it.
struct ClockRig : VirtualLine {
    ClockRig()
        : VirtualLine({{4, 10}})
    {
        openAndMonitor();
        w = std::make_unique<frmVQ_DateReserve>(link, store, engine);
        w->show();
    }
    std::unique_ptr<frmVQ_DateReserve> w;
};

} // namespace

TEST(DateReserve, BoxesAreClampedClockBoxesWaitForSetAReserveBoxIsSentAtOnce)
{
    ClockRig rig;
    EXPECT_EQ(rig.w->windowTitle(), "System DateTime/Reserve Setup – device 4");
    Find<QLineEdit>(rig.w.get(), "txtSYS_Year")->setText("2100");
    Find<QLineEdit>(rig.w.get(), "txtSYS_Month")->setText("2");
    Type(rig.w.get(), "txtSYS_Day", "31");
    EXPECT_EQ(Text(rig.w.get(), "txtSYS_Day"), "28") << "the day is held to the month of the year boxes";
    EXPECT_TRUE(rig.engine.clockFrames().isEmpty()) << "clock boxes send nothing before SET";
    const int rows = rig.log.rowCount();
    Type(rig.w.get(), "txtRSV_Hour", "24");
    EXPECT_EQ(Text(rig.w.get(), "txtRSV_Hour"), "23");
    ASSERT_EQ(rig.engine.clockFrames().size(), 1);
    QByteArray expect = QByteArray::fromHex("04109C560001010017");
    expect.append(2, '\0');
    AppendCrc(expect);
    EXPECT_EQ(rig.engine.clockFrames().first(), expect);
    rig.step();
    EXPECT_EQ(rig.port.requests().last(), expect);
    ASSERT_GT(rig.log.rowCount(), rows);
    EXPECT_EQ(rig.log.row(rows).bytes, expect) << "logged as it goes on the wire";
}

TEST(DateReserve, SetFollowingThePcClockSendsOneClockFrame)
{
    ClockRig rig;
    rig.w->now = [] { return QDateTime(QDate(2026, 12, 4), QTime(10, 20, 30)); };
    Find<QCheckBox>(rig.w.get(), "chbSameDT")->setChecked(true);
    rig.w->showPcClock();
    EXPECT_EQ(Text(rig.w.get(), "lblDateTime"), "2026-12-04 10:20:30");
    Click(rig.w.get(), "btnSYS_DTSet");
    ASSERT_EQ(rig.engine.clockFrames().size(), 1);
    const QByteArray f = rig.engine.clockFrames().first();
    ASSERT_EQ(f.size(), 21);
    EXPECT_EQ(f.left(7), QByteArray::fromHex("04109C59000606"));
    const int values[6] = {2026, 12, 4, 10, 20, 30};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(GetU16BE(f, 7 + 2 * i), values[i]) << i;

    rig.steps(1 + 7 + 1);
    EXPECT_EQ(rig.recorder(4).clock().toString("yyyy-MM-dd HH:mm"), "2026-12-04 10:20");
}

TEST(DateReserve, QuickEditsAllReachTheRecorderInOrderAreReadBackAndCloseCommitsTheLast)
{
    ClockRig rig;
    Type(rig.w.get(), "txtRSV_Hour", "5");
    Type(rig.w.get(), "txtRSV_Hour", "6"); // the later edit of the same field wins
    Type(rig.w.get(), "txtRSV_Minute", "45");
    Click(rig.w.get(), "btnRSV1");
    ASSERT_EQ(rig.engine.clockFrames().size(), 4);
    rig.steps(4 + 7 + 1);
    const RecorderModel& rec = rig.recorder(4);
    EXPECT_EQ(rec.reg(40022), 6);
    EXPECT_EQ(rec.reg(40023), 45);
    EXPECT_EQ(rec.reg(40018), 1);
    EXPECT_TRUE(rig.link.gCommonReadDone);
    QTRY_COMPARE(Text(rig.w.get(), "txtRSV_Hour"), "06"); // the window took the read-back
    EXPECT_EQ(Text(rig.w.get(), "txtRSV_Minute"), "45");
    EXPECT_TRUE(Find(rig.w.get(), "btnRSV1")->styleSheet().contains("0,255,0"));
    EXPECT_EQ(rig.link.gReqCode, 11);

    // Close sends a typed value to its recorder and leaves nothing queued.
    rig.w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(rig.w.get()));
    auto* second = Find<QLineEdit>(rig.w.get(), "txtRSV_Second");
    QTest::mouseClick(second, Qt::LeftButton); // typed, not yet confirmed
    second->selectAll();
    QTest::keyClicks(second, "33");
    Click(rig.w.get(), "btnClose"); // leaving the box commits it
    EXPECT_FALSE(rig.w->isVisible());
    ASSERT_EQ(rig.engine.clockFrames().size(), 1);
    rig.steps(1 + 7 + 1);
    EXPECT_EQ(rig.recorder(4).reg(40024), 33);
    EXPECT_TRUE(rig.engine.clockFrames().isEmpty()) << "no frame left for a later edit to send first";
    EXPECT_EQ(rig.engine.phase(), req::Phase::Live);
}
