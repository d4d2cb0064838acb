#include "common/Find.h"
#include "core/ChannelColours.h"
#include "core/Numbers.h"
#include "core/TextTable.h"
#include "param/frmVQ_P_Display.h"
#include "param/frmVQ_P_Main.h"
#include "param/frmVQ_P_System.h"
#include "param/PageRules.h"

#include <gtest/gtest.h>

using namespace pagerules;

TEST(PageRules, SteppingTablesAndTypedValuesInRange)
{
    EXPECT_EQ(StepWrap(1, -1, 1, 900), 900); // upwards: SystemPage
    const std::pair<QString, const char*> stepped[] = {
        {StepBaud("9600", false), "57600"}, {StepBaud("19200", true), "38400"}, {StepBaud("4800", true), "4800"},
        {StepParity("NONE", true), "ODD"}, {StepParity("NONE", false), "EVEN"}, {StepDataLength("7"), "8"},
        {StepDataLength("9"), "7"},        {StepStopBit("1"), "2"},             {StepStopBit(""), "1"},
        // Typed values are held to their range.
        {ClampTyped("300", 1, 255), "255"}, {ClampTyped("", 1, 120), "1"},     {ClampTyped("12.6", 0, 9999), "13"}};
    for (const auto& [got, want] : stepped)
        EXPECT_EQ(got, want) << want;
    const std::tuple<int, bool, int> windows[] = {{6, true, 1}, {5, true, 1}, {1, false, 6}, {5, false, 6}, {2, false, 1}};
    for (auto [from, up, to] : windows)
        EXPECT_EQ(StepWindowNumber(from, up), to) << from << up;
    const std::tuple<const char*, const char*, const char*> saver[] = {
        {"0", "--", "0"}, {"-3", "--", "0"}, {"abc", "--", "0"}, {"200", "120", "120"}, {"15", "15", "15"}};
    for (auto [typed, box, cell] : saver) {
        const ScreenSaver s = ClampScreenSaver(typed);
        EXPECT_EQ(s.box, QString::fromLatin1(box)) << typed;
        EXPECT_EQ(s.cell, QString::fromLatin1(cell)) << typed;
    }
}

namespace {
struct Tables { TextTable p{3, 68}, ch{14, 61}; };
}

TEST(DisplayPage, ButtonsAndTypedValuesWriteTheTableTheModeChoosesThePanels)
{
    Tables t;
    for (auto [row, text] : {std::pair{2, "H.TREND"}, {6, "120"}, {7, "4"}})
        t.p.setText(3, row, text);
    frmVQ_P_Display w(t.p);
    w.show();
    w.refresh();
    EXPECT_EQ(Text(&w, "txtScrollSpeed"), "120");
    const std::tuple<const char*, int, const char*> steps[] = {
        {"btnUP_ScrollSpeed", 6, "1"}, {"btnUP_TView_Win", 7, "6"}, {"btnDN_TView_Win", 7, "4"}, {"btnTrendDir1", 8, "VERTICAL"}};
    for (auto [button, row, text] : steps) {
        Click(&w, button);
        EXPECT_EQ(t.p.text(3, row), text) << button;
    }
    Type(&w, "txtScrollSpeed", "500");
    EXPECT_EQ(t.p.text(3, 6), "120");
    EXPECT_EQ(Text(&w, "txtScrollSpeed"), "120");

    // The mode chooses the panels.
    struct Case { const char* option; const char* text; bool trend, tview, hist; };
    const Case cases[] = {{"obtDisplayMode3", "BAR GRAPH", false, false, false},
                          {"obtDisplayMode2", "TEXT-VIEW", false, true, false},
                          {"obtDisplayMode4", "HISTORY-VIEW", false, false, true},
                          {"obtDisplayMode1", "V.TREND", true, false, false}};
    for (const Case& c : cases) {
        Click(&w, c.option);
        EXPECT_EQ(t.p.text(3, 2), QString::fromLatin1(c.text));
        QTRY_VERIFY(!Find<QTimer>(&w, "tmrRefresh")->isActive());
        EXPECT_EQ(Find(&w, "picTREND")->isVisible(), c.trend) << c.text;
        EXPECT_EQ(Find(&w, "picTView")->isVisible(), c.tview) << c.text;
        EXPECT_EQ(Find(&w, "picHISTVIEW")->isVisible(), c.hist) << c.text;
        EXPECT_TRUE(Find(&w, c.option)->styleSheet().contains("#0000ff")) << c.text;
    }
}

TEST(SystemPage, SteppingAndTypedEntriesStayInRangeColoursLanguageAndDate)
{
    Tables t;
    for (auto [row, text] : {std::pair{10, "900"}, {33, "57600"}, {44, "9999"}})
        t.p.setText(3, row, text);
    frmVQ_P_System w(t.p, t.ch, 3);
    w.show();
    w.refresh();
    EXPECT_EQ(Find<QTabWidget>(&w, "SSTab1")->currentIndex(), 3);
    const std::tuple<const char*, int, const char*> steps[] = {
        {"btnUP_SI", 10, "1"},      {"btnUP_Baud232", 33, "9600"}, {"btnUP_ResT485", 44, "0"}, {"btnBeep1", 12, "ON"},
        {"obtBK_Color1", 15, "WHITE"}, {"obtLanguage0", 16, "KOREAN"}};
    for (auto [button, row, text] : steps) {
        Click(&w, button);
        EXPECT_EQ(t.p.text(3, row), text) << button;
    }
    EXPECT_EQ(Text(&w, "lblBaud232"), "9600");
    Type(&w, "txt485ID", "0");
    EXPECT_EQ(t.p.text(3, 38), "1");
    Type(&w, "txtScrSaver_T", "0");
    EXPECT_EQ(t.p.text(3, 13), "0");
    EXPECT_EQ(Text(&w, "txtScrSaver_T"), "--");

    Click(&w, "obtCH03_Color5");
    EXPECT_EQ(t.ch.text(5, 10), "5");
    EXPECT_EQ(t.ch.background(5, 10), colours::ChannelColour(5));
    EXPECT_TRUE(Find(&w, "lblCH_Color2")->styleSheet().contains(QColor(colours::ChannelColour(5)).name()));
    Find<QLineEdit>(&w, "txtSYS_Year")->setText("2027");
    EXPECT_EQ(t.p.text(3, 25), QString()) << "date fields reach the table only through SET";
    Click(&w, "btnSYS_DTSet");
    EXPECT_EQ(t.p.text(3, 25), "2027");
}

TEST(SystemPage, ATwelveChannelSetHasColourAndDisplaySwitchOfEveryChannel)
{
    Tables t;
    frmVQ_P_System colours(t.p, t.ch, 3, 12);
    Click(&colours, "obtCH12_Color5");
    EXPECT_EQ(t.ch.text(14, 10), "5");
    frmVQ_P_Main display(t.p, t.ch, 12);
    Click(&display, "chbDispCH11");
    EXPECT_EQ(t.ch.text(14, 3), "ON");
    EXPECT_EQ(frmVQ_P_Main(t.p, t.ch, 6).findChild<QWidget*>("chbDispCH6"), nullptr);
}
