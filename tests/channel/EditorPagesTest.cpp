// The editor's channel and alarm/DI cells open these pages, and what the
// page writes is in the editor's view at once.
#include "common/Find.h"
#include "common/VirtualLine.h"
#include "channel/frmVQ_P_ARM_DI.h"
#include "channel/frmVQ_P_Channel.h"
#include "link/RegisterMap.h"
#include "param/ParamImage.h"
#include "param/ParamTables.h"
#include "param/frmVQ_P_Display.h"
#include "param/frmVQ_P_Main.h"
#include "param/frmVQ_P_System.h"
#include "param/frmVQ_Parameter.h"

#include <QStyleOptionButton>

#include <gtest/gtest.h>

TEST(EditorPages, CellsOpenThePageOnTheirTabChannelAlarmAndInput)
{
    VirtualLine line({{1, 20}});
    ASSERT_TRUE(line.openAndMonitor());
    line.link.gMC_Desc = QStringList{"Kiln line 2"};
    ParamImage image;
    frmVQ_Parameter w(image, line.link, line.store, line.engine);
    QCoreApplication::processEvents();
    w.resize(1200, 800);
    w.show();

    struct Case { bool common; int col, row; const char* title; int channel, tab, alarm, input; };
    const Case cases[] = {
        {false, 14, regmap::ch::DispRangeMin, "CHANNEL SETUP", 12, 4, 0, 0},
        {false, 4, 46, "ALARM/DI SETUP", 2, -1, 3, 1},
        {true, 3, 58, "ALARM/DI SETUP", 1, -1, 1, 4},
        {true, 3, 6, "DISPLAY SETUP", 0, -1, 0, 0},
        {true, 3, 1, "RECORD/DISPLAY Setup", 0, -1, 0, 0},
        {true, 3, 33, "SYSTEM SETUP", 0, 3, 0, 0},
    };
    for (const Case& c : cases) {
        QString title;
        int channel = 0, tab = -1, alarm = 0, input = 0;
        OnModal([&](QWidget* page) {
            title = page->windowTitle();
            if (auto* s = page->findChild<QTabWidget*>("SSTab1")) {
                tab = s->currentIndex();
            } else if (auto* p = qobject_cast<frmVQ_P_Channel*>(page)) {
                channel = p->channel();
                tab = Find<QTabWidget>(p, "tabPages")->currentIndex();
            } else if (auto* a = qobject_cast<frmVQ_P_ARM_DI*>(page)) {
                channel = a->channel();
                alarm = a->alarm();
                input = a->input();
            }
            page->close();
        });
        ClickCell(&w, c.common ? "sprdP" : "sprdP_CH", c.col, c.row);
        EXPECT_EQ(title, QLatin1String(c.title) + QStringLiteral(" – device 1 (Kiln line 2)")) << c.col << "," << c.row;
        EXPECT_EQ(std::tuple(channel, tab, alarm, input), std::tuple(c.channel, c.tab, c.alarm, c.input)) << c.row;
    }

    // An edit on the page is in the editor's view while the page is still open.
    QString shown;
    OnModal([&](QWidget* page) {
        Click(page, "btnMOnOff1");
        shown = Find<QTableView>(&w, "sprdP_CH")->model()->index(regmap::ch::MathOnOff - 1, 6 - 1).data().toString();
        page->close();
    });
    ClickCell(&w, "sprdP_CH", 6, regmap::ch::MathFType);
    EXPECT_EQ(shown, QLatin1String("ON"));
}

namespace {
// Columns of `image` holding text-dark pixels.
int InkWidth(const QImage& image)
{
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 80) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
    return right - left + 1;
}
} // namespace

// Every option of every page shows its caption whole, chosen (bold, heavy
// frame) or not, and the square-mV unit reads as large as the others.
TEST(EditorPages, OptionButtonsShowTheirCaptionsWhole)
{
    ParamTables tables;
    tables.setChannelCount(12);
    std::vector<std::unique_ptr<QDialog>> pages;
    pages.push_back(std::make_unique<frmVQ_P_Main>(tables.sprdP, tables.sprdP_CH, 12));
    pages.push_back(std::make_unique<frmVQ_P_Display>(tables.sprdP));
    pages.push_back(std::make_unique<frmVQ_P_System>(tables.sprdP, tables.sprdP_CH, 0, 12));
    pages.push_back(std::make_unique<frmVQ_P_Channel>(tables.sprdP_CH, 12, 1, 0));
    pages.push_back(std::make_unique<frmVQ_P_ARM_DI>(tables.sprdP, tables.sprdP_CH, 12, 1, 1, 1, QString()));
    for (auto& page : pages) {
        page->show();
        for (QPushButton* b : page->findChildren<QPushButton*>()) {
            if (!b->isCheckable() || b->text().isEmpty())
                continue;
            b->setChecked(true);
            QStyleOptionButton o;
            o.initFrom(b);
            o.state |= QStyle::State_On;
            o.text = b->text();
            const QRect room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &o, b);
            QFont bold = b->font();
            bold.setBold(true);
            const QString caption = b->text().remove(u'&').normalized(QString::NormalizationForm_KC);
            EXPECT_LE(QFontMetrics(bold).horizontalAdvance(caption), room.width())
                << page->objectName().toStdString() << " " << b->objectName().toStdString();
        }
    }
    const int v = InkWidth(Find<QPushButton>(pages[3].get(), "btnUnit0")->grab().toImage());
    const int mv = InkWidth(Find<QPushButton>(pages[3].get(), "btnUnit1")->grab().toImage());
    EXPECT_GE(mv, 2 * v) << "m and V as large as the V beside them";
}
