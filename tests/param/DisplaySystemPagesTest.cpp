#include "link/ChannelColours.h"
#include "link/TextTable.h"
#include "param/PageRules.h"
#include "param/frmVQ_P_Display.h"
#include "param/frmVQ_P_System.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTest>
#include <gtest/gtest.h>

using namespace pagerules;

TEST(PageRules, SteppingTables)
{
    EXPECT_EQ(StepWrap(900, 1, 1, 900), 1);
    EXPECT_EQ(StepWrap(1, -1, 1, 900), 900);
    EXPECT_EQ(StepWrap(0, -1, 0, 9999), 9999);
    const std::tuple<const char*, bool, const char*> baud[] = {
        {"57600", true, "9600"}, {"9600", false, "57600"}, {"19200", true, "38400"}, {"4800", true, "4800"}};
    for (auto [from, up, to] : baud)
        EXPECT_EQ(StepBaud(from, up), QString::fromLatin1(to)) << from;
    EXPECT_EQ(StepParity("NONE", true), "ODD");
    EXPECT_EQ(StepParity("NONE", false), "EVEN");
    EXPECT_EQ(StepParity("MARK", true), "MARK");
    EXPECT_EQ(StepDataLength("7"), "8");
    EXPECT_EQ(StepDataLength("9"), "7");
    EXPECT_EQ(StepStopBit("1"), "2");
    EXPECT_EQ(StepStopBit(""), "1");
    const std::tuple<int, bool, int> windows[] = {{4, true, 6}, {6, true, 1}, {5, true, 1}, {6, false, 4},
                                                  {1, false, 6}, {5, false, 6}, {2, false, 1}};
    for (auto [from, up, to] : windows)
        EXPECT_EQ(StepWindowNumber(from, up), to) << from << up;
}

TEST(PageRules, TypedValuesAreHeldToTheirRange)
{
    EXPECT_EQ(ClampTyped("300", 1, 255), "255");
    EXPECT_EQ(ClampTyped("0", 1, 255), "1");
    EXPECT_EQ(ClampTyped("", 1, 120), "1");
    EXPECT_EQ(ClampTyped("12.6", 0, 9999), "13");
    const std::tuple<const char*, const char*, const char*> saver[] = {
        {"0", "--", "0"}, {"-3", "--", "0"}, {"abc", "--", "0"}, {"200", "120", "120"}, {"15", "15", "15"}};
    for (auto [typed, box, cell] : saver) {
        const ScreenSaver s = ClampScreenSaver(typed);
        EXPECT_EQ(s.box, QString::fromLatin1(box)) << typed;
        EXPECT_EQ(s.cell, QString::fromLatin1(cell)) << typed;
    }
}

namespace {
struct Tables {
    TextTable p{3, 68};
    TextTable ch{14, 61};
};
void type(QLineEdit* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}
}

TEST(DisplayPage, ButtonsAndTypedValuesWriteTheTable)
{
    Tables t;
    t.p.setText(3, 2, "H.TREND");
    t.p.setText(3, 6, "120");
    t.p.setText(3, 7, "4");
    frmVQ_P_Display w(t.p);
    w.show();
    w.refresh();
    EXPECT_EQ(w.txtScrollSpeed->text(), "120");
    w.btnUP_ScrollSpeed->click();
    EXPECT_EQ(t.p.text(3, 6), "1");
    for (auto [typed, stored] : {std::pair{"500", "120"}, {"0", "1"}, {"45", "45"}}) {
        type(w.txtScrollSpeed, typed);
        EXPECT_EQ(t.p.text(3, 6), stored) << typed;
        EXPECT_EQ(w.txtScrollSpeed->text(), stored) << typed;
    }
    w.btnUP_TView_Win->click();
    EXPECT_EQ(t.p.text(3, 7), "6");
    w.btnDN_TView_Win->click();
    EXPECT_EQ(t.p.text(3, 7), "4");
    w.btnRuler[1]->click();
    EXPECT_EQ(t.p.text(3, 3), "ON");
    w.btnTrendDir[1]->click();
    EXPECT_EQ(t.p.text(3, 8), "VERTICAL");
    w.btnReadFrom[1]->click();
    EXPECT_EQ(t.p.text(3, 9), "SD CARD");
}

TEST(DisplayPage, ModeChoosesThePanels)
{
    Tables t;
    t.p.setText(3, 2, "H.TREND");
    frmVQ_P_Display w(t.p);
    w.show();
    struct Case { int option; const char* text; bool trend, tview, hist; };
    const Case cases[] = {{3, "BAR GRAPH", false, false, false}, {2, "TEXT-VIEW", false, true, false},
                          {4, "HISTORY-VIEW", false, false, true}, {1, "V.TREND", true, false, false}};
    for (const Case& c : cases) {
        w.obtDisplayMode[c.option]->click();
        EXPECT_EQ(t.p.text(3, 2), QString::fromLatin1(c.text));
        QTRY_VERIFY(!w.tmrRefresh->isActive());
        EXPECT_EQ(w.picTREND->isVisible(), c.trend) << c.text;
        EXPECT_EQ(w.picTView->isVisible(), c.tview) << c.text;
        EXPECT_EQ(w.picHISTVIEW->isVisible(), c.hist) << c.text;
        EXPECT_TRUE(w.obtDisplayMode[c.option]->styleSheet().contains("#0000ff")) << c.text;
    }
}

TEST(SystemPage, SteppingAndTypedEntriesStayInRange)
{
    Tables t;
    t.p.setText(3, 10, "900");
    t.p.setText(3, 33, "57600");
    t.p.setText(3, 40, "9600");
    t.p.setText(3, 37, "0");
    t.p.setText(3, 44, "9999");
    frmVQ_P_System w(t.p, t.ch, 3);
    w.show();
    w.refresh();
    EXPECT_EQ(w.SSTab1->currentIndex(), 3);
    w.btnUP_SI->click();
    EXPECT_EQ(t.p.text(3, 10), "1");
    w.btnDN_SI->click();
    EXPECT_EQ(t.p.text(3, 10), "900");
    w.s232.btnBaud[1]->click();
    EXPECT_EQ(t.p.text(3, 33), "9600");
    EXPECT_EQ(w.s232.lblBaud->text(), "9600");
    w.s485.btnBaud[0]->click();
    EXPECT_EQ(t.p.text(3, 40), "57600");
    w.s232.btnResT[0]->click();
    EXPECT_EQ(t.p.text(3, 37), "9999");
    w.s485.btnResT[1]->click();
    EXPECT_EQ(t.p.text(3, 44), "0");
    type(w.s232.txtID, "300");
    EXPECT_EQ(t.p.text(3, 31), "255");
    type(w.s485.txtID, "0");
    EXPECT_EQ(t.p.text(3, 38), "1");
    w.SSTab1->setCurrentIndex(0);
    type(w.txtScrSaver_T, "0");
    EXPECT_EQ(w.txtScrSaver_T->text(), "--");
    EXPECT_EQ(t.p.text(3, 13), "0");
    w.btnBeep[1]->click();
    EXPECT_EQ(t.p.text(3, 12), "ON");
}

TEST(SystemPage, ColoursLanguageAndDate)
{
    Tables t;
    frmVQ_P_System w(t.p, t.ch, 1);
    w.show();
    w.obtCH_Color[2][5]->click();
    EXPECT_EQ(t.ch.text(5, 10), "5");
    EXPECT_EQ(t.ch.background(5, 10), colours::ChannelColour(5));
    EXPECT_TRUE(w.lblCH_Color[2]->styleSheet().contains(QColor(colours::ChannelColour(5)).name()));
    w.obtBK_Color[1]->click();
    EXPECT_EQ(t.p.text(3, 15), "WHITE");
    w.obtLanguage[0]->click();
    EXPECT_EQ(t.p.text(3, 16), "KOREAN");
    w.txtSYS[0]->setText("2027");
    EXPECT_EQ(t.p.text(3, 25), QString()) << "date fields reach the table only through SET";
    w.btnSYS_DTSet->click();
    EXPECT_EQ(t.p.text(3, 25), "2027");
}
