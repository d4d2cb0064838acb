#include "core/ChannelColours.h"
#include "monitor/TrendPainter.h"
#include "MonitorFixture.h"

namespace {

QTime timeOf(int n)
{
    return QTime(0, 0).addSecs(n); // one second per sample keeps labels distinct
}

struct TrendTest : MonitorFixture {
    TrendModel model{state, store, link};
    QImage image{TrendModel::kSurfaceWidth, TrendModel::kPlotHeight, QImage::Format_RGB32};

    TrendTest()
    {
        for (int c = 1; c <= 6; ++c)
            setChannel(c, 1, 0, 100, c - 1);
        model.open();
    }
    // Ticks up to sample n, channel 1 reading f(sample), the others 50.
    TrendTick runTo(int n, double (*f)(int) = [](int s) { return double(s % 100); })
    {
        TrendTick last;
        while (state.gTrendCount < n) {
            const int next = state.gTrendCount + 1;
            pv(1, QString::number(f(next)));
            for (int c = 2; c <= 6; ++c)
                pv(c, "50");
            last = model.tick(timeOf(next));
            DrawTrend(image, last);
        }
        return last;
    }
    static int count(const TrendTick& t, int ch)
    {
        return int(std::count_if(t.segments.begin(), t.segments.end(), [ch](auto& s) { return s.ch == ch; }));
    }
};

} // namespace

TEST_F(TrendTest, FillingScrollingAndThePageBoundary)
{
    using Labels = std::array<QString, 6>;
    TrendTick t = runTo(1); // the first sample: from the left edge, its time under it
    EXPECT_TRUE(t.clear);
    ASSERT_EQ(t.segments.size(), 6u);
    EXPECT_EQ(t.segments[0].from, QPointF(0, *model.y(0, 1)));
    EXPECT_EQ(t.segments[0].to, QPointF(1, *model.y(0, 1)));
    for (const TrendSegment& s : t.segments) // each channel in its own colour
        EXPECT_EQ(s.colour, colours::ChannelColour(s.ch)) << s.ch;
    EXPECT_EQ(model.timeLabels(), (Labels{"00:00:01"}));
    struct Step { int n; int surfaceX; double segX; bool clear; };
    const Step steps[] = {
        {140, 0, 139, false}, {560, 0, 559, false}, {561, -1, 560, false},
        {699, -139, 698, false}, {700, -1, 0, true}, {701, -2, 560, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.n);
        t = runTo(s.n);
        EXPECT_EQ(model.surfaceX(), s.surfaceX);
        EXPECT_EQ(t.clear, s.clear);
        ASSERT_FALSE(t.segments.empty());
        EXPECT_EQ(t.segments.front().from.x(), s.segX);
        if (s.n == 700) {
            // Samples 140..700 redrawn (channel 1 reads sample % 100), the times shifted.
            ASSERT_EQ(t.segments.size(), 6u * 560);
            EXPECT_EQ(t.segments.front().from, QPointF(0, *model.y(0, 40)));
            EXPECT_EQ(t.segments[559].to, QPointF(560, *model.y(0, 0)));
            EXPECT_EQ(model.timeLabels(), (Labels{"00:02:20", "00:04:40", "00:07:00", "00:09:20", "00:11:40", ""}));
        }
    }
}

TEST_F(TrendTest, DayWrapAndPortOpenRestartAtTheLeftEdge)
{
    for (int count : {MonitorState::kMaxSamples, 0}) { // the day wrapped; the port was opened again
        runTo(600);
        state.gTrendCount = count;
        const TrendTick t = model.tick(timeOf(1));
        EXPECT_EQ(state.gTrendCount, 1) << count;
        EXPECT_TRUE(t.clear) << count;
        EXPECT_EQ(model.surfaceX(), 0) << count;
        EXPECT_EQ(t.segments.front().from.x(), 0) << count;
    }
}

TEST_F(TrendTest, HiddenChannelGapIsFilledOnlyAtThePageBoundary)
{
    runTo(600);
    model.toggleChannel(2);
    EXPECT_EQ(count(runTo(610), 2), 0);
    model.toggleChannel(2);
    EXPECT_EQ(count(runTo(611), 2), 1);
    EXPECT_EQ(count(runTo(700), 2), 560);
}

TEST_F(TrendTest, FlatScaleDrawsNothingAndKeepsTheMarkerBurnOutDropsTheLine)
{
    runTo(5);
    const auto marker = model.markerY(3);
    setChannel(4, 1, 20, 20, 3);
    pv(4, "70");
    const TrendTick t = runTo(6);
    EXPECT_EQ(count(t, 3), 0);
    EXPECT_EQ(count(t, 0), 1);
    EXPECT_EQ(model.markerY(3), marker);

    // Burn-out drops the line to -1000.
    mon(regmap::mon::Bo16, "4"); // channel 2
    const TrendTick b = runTo(7);
    EXPECT_EQ(model.display().ch[1].valueText, "----.-");
    EXPECT_EQ(b.segments[1].to.y(), *model.y(1, -1000));
    EXPECT_GT(*model.markerY(1), TrendModel::kPlotHeight);
}
