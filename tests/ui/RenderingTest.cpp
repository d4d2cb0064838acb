// Every window at its default size with the longest texts it can get: no
// label, button or table cell is cut or elided without a tooltip, and text
// on a coloured ground has a contrast of at least 4.5:1 where it lies.
#include "app/frmVQ_About.h"
#include "app/frmVQ_Main.h"
#include "channel/frmVQ_P_ARM_DI.h"
#include "channel/frmVQ_P_Channel.h"
#include "clock/frmVQ_DateReserve.h"
#include "common/Files.h"
#include "common/VirtualLine.h"
#include "link/frmVQ_SetMC.h"
#include "port/frmVQ_SetPort.h"
#include "logging/frmVQ_Set_DSave.h"
#include "monitor/MonitorState.h"
#include "monitor/frmVQ_Mon_Bar.h"
#include "monitor/frmVQ_Mon_Multi.h"
#include "monitor/frmVQ_Mon_MultiPV.h"
#include "monitor/frmVQ_Mon_Single.h"
#include "monitor/frmVQ_Mon_Text.h"
#include "param/ParamTables.h"
#include "param/frmVQ_P_Display.h"
#include "param/frmVQ_P_Main.h"
#include "param/frmVQ_P_System.h"
#include "param/frmVQ_Parameter.h"
#include "ui/TextProgressBar.h"
#include "view/frmVQ_View.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// What a window is given: the longest values, units, names and every colour.
struct Rig {
    QTemporaryDir dir;
    VirtualLine line{{{2, 20}}};
    MonitorState monitor;
    ParamImage image;
    ParamTables tables;

    explicit Rig(int colourBase)
    {
        QByteArray list = "X\r\n";
        for (int n = 2; n <= 13; ++n)
            list += "O\tKiln line" + QByteArray::number(n % 10) + "\r\n";
        WriteFile(dir.filePath("CFG/SetEnv.INI"), list);
        line.openAndMonitor();
        line.link.gMC_Desc = QStringList{"Kiln line2"};
        line.store.sprdStatus.setText(status::Description, 1, "Kiln line 2, west end of the building");
        // FP_LOCATE, lowest value, display range; the last channel has a flat scale.
        const char* v[][4] = {{"0", "-99999", "-99999", "99999"}, {"1", "-9999.9", "-9999.9", "30000.0"},
                              {"3", "-12640.430", "-20000.000", "30000.000"}, {"2", "-19999.99", "-20000.00", "30000.00"},
                              {"4", "-9.9999", "-9.9999", "9.9999"}, {"1", "5.0", "10.0", "10.0"}};
        using namespace regmap;
        for (int c = 1; c <= 12; ++c) {
            const auto* x = v[(c - 1) % 6];
            for (auto [key, text] : {std::pair{ch::FpLocate, x[0]}, {ch::DispRangeMin, x[2]}, {ch::DispRangeMax, x[3]},
                                     {ch::UnitMode, c % 2 ? "5" : "3"}, {ch::UnitName, "m3/min"}, {ch::Name, "CH-12"},
                                     {ch::ScaleRangeMax, "1.234568E+08"}, {ch::UserRangeMin, "-1.234568E+08"}})
                line.store.sprdP_CH.setText(c, key, text);
            line.store.sprdP_CH.setText(c, ch::Color, QString::number((colourBase + c - 1) % 12));
            line.store.sprdMon.setText(mon::Pv01 + c - 1, 1, x[colourBase ? 3 : 1]);
        }
        for (auto [col, text] : {std::pair{mon::SysDateTime, "2026-12-04 23:59:59"}, {mon::SdDiStatus, "32831"},
                                 {mon::Alarm14, "1"}, {mon::IntMemUsed, "100"}, {mon::Model, "20"}})
            line.store.sprdMon.setText(col, 1, text);
        tables.setChannelCount(12);
        tables.RefreshFromStore(line.store);
    }
    TextTable& p() { return tables.sprdP; }
    TextTable& ch() { return tables.sprdP_CH; }
};

using Make = std::function<std::unique_ptr<QWidget>(Rig&)>;
template <class W> std::unique_ptr<QWidget> Monitor(Rig& r)
{
    return std::make_unique<W>(r.monitor, r.line.store, r.line.link, r.dir.path());
}

struct Window {
    const char* name;
    int colourBase;
    Make make;
};
void PrintTo(const Window& w, std::ostream* os) { *os << w.name; }

QString Name(const QWidget* w)
{
    return w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName();
}

QString Plain(QString t) { return t.replace("&&", "\x01").remove('&').replace("\x01", "&"); }

// Room the text of a label or a button has, and the width it needs; 0 room: not a text to check.
std::pair<int, int> RoomAndNeed(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->text().isEmpty() || !l->pixmap().isNull())
            return {0, 0};
        const int room = l->contentsRect().width() - 2 * l->margin();
        if (l->wordWrap())
            return {l->contentsRect().height(), l->heightForWidth(l->width())};
        if (Qt::mightBeRichText(l->text()))
            return {0, 0}; // links
        int need = 0;
        for (const QString& part : (l->buddy() ? Plain(l->text()) : l->text()).split('\n'))
            need = qMax(need, l->fontMetrics().horizontalAdvance(part));
        return {room, need};
    }
    auto* b = qobject_cast<QAbstractButton*>(w);
    if (!b || b->text().isEmpty())
        return {0, 0};
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const auto element = qobject_cast<QCheckBox*>(b)      ? QStyle::SE_CheckBoxContents
                         : qobject_cast<QRadioButton*>(b) ? QStyle::SE_RadioButtonContents
                                                          : QStyle::SE_PushButtonContents;
    int room = b->style()->subElementRect(element, &opt, b).width();
    if (!b->icon().isNull())
        room -= b->iconSize().width() + 4;
    return {room, b->fontMetrics().horizontalAdvance(Plain(b->text()))};
}

// The widget's part of the window, three times larger: glyph stems get pixels of their own colour.
QImage Shot(QWidget* window, QWidget* w)
{
    const QRect g(w->mapTo(window, QPoint()), w->size());
    QImage img(g.size() * 3, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    QPainter p(&img);
    p.scale(3, 3);
    window->render(&p, QPoint(), QRegion(g));
    return img;
}

// Lowest contrast of the text against what lies under it: around each column
// the text changes, the best pixel within a glyph's width counts.
double TextContrast(QWidget* window, QWidget* w, const std::function<void(bool)>& showText)
{
    const QImage with = Shot(window, w);
    showText(false);
    const QImage without = Shot(window, w);
    showText(true);
    std::vector<double> col(with.width(), 0.0);
    for (int x = 0; x < with.width(); ++x)
        for (int y = 0; y < with.height(); ++y)
            if (with.pixel(x, y) != without.pixel(x, y))
                col[x] = qMax(col[x], ContrastRatio(with.pixel(x, y), without.pixel(x, y)));
    const int r = w->fontMetrics().averageCharWidth() * 3 / 2;
    double worst = 1.0;
    bool any = false;
    for (int x = 0; x < with.width(); ++x)
        if (col[x] > 0) {
            double best = 0;
            for (int k = qMax(0, x - r); k <= qMin(with.width() - 1, x + r); ++k)
                best = qMax(best, col[k]);
            worst = any ? qMin(worst, best) : best;
            any = true;
        }
    return worst;
}

// The faults of what the window shows now.
void CheckShown(QWidget* window, QStringList& faults)
{
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->width() <= 0)
            continue;
        // A text that does not fit may show elided, with the whole of it in the tooltip.
        const auto [room, need] = RoomAndNeed(w);
        if (room > 0 && need > room && w->toolTip() != w->property("text").toString())
            faults << QString("%1 \"%2\" needs %3 px, has %4").arg(Name(w), w->property("text").toString())
                          .arg(need).arg(room);
        auto* bar = qobject_cast<TextProgressBar*>(w);
        const QString text = bar ? bar->text() : w->property("text").toString();
        if (text.contains(QChar(0x2026)) && w->toolTip().isEmpty())
            faults << QString("%1 \"%2\" elided without a tooltip").arg(Name(w), text);
        auto* l = qobject_cast<QLabel*>(w);
        const bool coloured = w->inherits("GradientLabel") || bar
                              || (l && (l->autoFillBackground() || l->styleSheet().contains("background")));
        if (coloured && w->isEnabled() && !text.isEmpty()) {
            const double c = TextContrast(window, w, [&](bool on) {
                if (l)
                    l->QLabel::setText(on ? text : QString());
                else
                    bar->setTextVisible(on);
            });
            if (c < 4.5)
                faults << QString("%1 \"%2\" contrast %3:1").arg(Name(w), text).arg(c, 0, 'f', 1);
        }
        if (auto* v = qobject_cast<QTableView*>(w))
            for (int r = 0; r < v->model()->rowCount() && v->rowViewportPosition(r) < v->viewport()->height(); ++r)
                for (int c = 0; c < v->model()->columnCount(); ++c) {
                    const QModelIndex i = v->model()->index(r, c);
                    QStyleOptionViewItem opt;
                    opt.initFrom(v);
                    if (v->isColumnHidden(c) || v->isRowHidden(r) || i.data().toString().isEmpty()
                        || !i.data(Qt::ToolTipRole).toString().isEmpty())
                        continue;
                    const int cell = v->visualRect(i).width(), need = v->itemDelegateForIndex(i)->sizeHint(opt, i).width();
                    if (need > cell)
                        faults << QString("%1 cell %2,%3 \"%4\" needs %5 px, has %6").arg(Name(v)).arg(c + 1).arg(r + 1)
                                      .arg(i.data().toString()).arg(need).arg(cell);
                }
    }
}

class Rendering : public ::testing::TestWithParam<Window> {};

// What a window manager adds around a window: borders and a title bar.
const QSize kFrame(16, 48);

} // namespace

TEST_P(Rendering, TextsAreWholeAndReadable)
{
    const Window& c = GetParam();
    Rig rig(c.colourBase);
    const std::unique_ptr<QWidget> w = c.make(rig);
    w->show();
    QCoreApplication::processEvents();
    if (auto* m = qobject_cast<SingleMonitorWindow*>(w.get()))
        m->tmrDispGraph_Tick();
    if (auto* m = qobject_cast<MultiMonitorDialog*>(w.get()))
        m->refresh();
    QCoreApplication::processEvents();
    QStringList faults;
    // Whole on a laptop's screen, with room for the window's frame and title.
    const QSize room = QGuiApplication::primaryScreen()->availableSize() - kFrame;
    if (w->width() > room.width() || w->height() > room.height())
        faults << QString("%1x%2 does not fit %3x%4").arg(w->width()).arg(w->height()).arg(room.width()).arg(room.height());
    // The rig's recorder has twelve channels: every monitor shows all of them.
    if (qobject_cast<SingleMonitorWindow*>(w.get()) && !w->findChild<QWidget*>("fraCH11")->isVisible())
        faults << "channel 12 not shown";
    if (qobject_cast<MultiMonitorDialog*>(w.get()) && w->findChild<QTableView*>("sprdMon")->isColumnHidden(multimon::Pv1 + 10))
        faults << "CH.12 not shown";
    CheckShown(w.get(), faults);
    for (QTabWidget* tabs : w->findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            CheckShown(w.get(), faults);
        }
    faults.removeDuplicates();
    EXPECT_TRUE(faults.isEmpty()) << faults.join("\n").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    EveryWindow, Rendering,
    ::testing::Values(
        Window{"Main", 0, [](Rig& r) {
            auto w = std::make_unique<frmVQ_Main>(r.dir.path());
            w->setPanelText(3, "Save failed: " + r.dir.filePath("DATA/PLANT_02_20261204.VQD") + ": No such file");
            w->setPanelText(4, "Port /dev/ttyUSB0 cannot be opened: permission denied or in use (Permission denied); "
                               "the user must be in the group dialout");
            return w;
        }},
        Window{"PortSetup", 0, [](Rig& r) { return std::make_unique<frmVQ_SetPort>(r.dir.path(), r.line.link.port); }},
        Window{"DeviceSetup", 0, [](Rig& r) { return std::make_unique<frmVQ_SetMC>(r.dir.path()); }},
        Window{"DataSaveSetup", 0, [](Rig& r) { return std::make_unique<frmVQ_Set_DSave>(r.dir.path()); }},
        Window{"About", 0, [](Rig& r) { return std::make_unique<frmVQ_About>(r.dir.path()); }},
        Window{"Editor", 0, [](Rig& r) {
            return std::make_unique<frmVQ_Parameter>(r.image, r.line.link, r.line.store, r.line.engine);
        }},
        Window{"RecordDisplayPage", 0, [](Rig& r) { return std::make_unique<frmVQ_P_Main>(r.p(), r.ch(), 12); }},
        Window{"DisplayPage", 0, [](Rig& r) { return std::make_unique<frmVQ_P_Display>(r.p()); }},
        Window{"SystemPage", 0, [](Rig& r) { return std::make_unique<frmVQ_P_System>(r.p(), r.ch(), 0, 12); }},
        Window{"ChannelPage", 0, [](Rig& r) { return std::make_unique<frmVQ_P_Channel>(r.ch(), 12, 12, 0); }},
        Window{"AlarmPage", 0, [](Rig& r) {
            return std::make_unique<frmVQ_P_ARM_DI>(r.p(), r.ch(), 12, 12, 4, 6, r.dir.path());
        }},
        Window{"Clock", 0, [](Rig& r) {
            return std::make_unique<frmVQ_DateReserve>(r.line.link, r.line.store, r.line.engine);
        }},
        Window{"Trend", 0, Monitor<frmVQ_Mon_Single>}, Window{"TrendDark", 6, Monitor<frmVQ_Mon_Single>},
        Window{"Bar", 0, Monitor<frmVQ_Mon_Bar>}, Window{"BarDark", 6, Monitor<frmVQ_Mon_Bar>},
        Window{"Text", 0, Monitor<frmVQ_Mon_Text>}, Window{"TextDark", 6, Monitor<frmVQ_Mon_Text>},
        Window{"Multi", 0, [](Rig& r) { return std::make_unique<frmVQ_Mon_Multi>(r.line.store); }},
        Window{"MultiPV", 0, [](Rig& r) { return std::make_unique<frmVQ_Mon_MultiPV>(r.line.store); }},
        Window{"Viewer", 0, [](Rig&) { return std::make_unique<frmVQ_View>(); }}),
    [](const auto& info) { return std::string(info.param.name); });
