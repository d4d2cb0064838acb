#include "channel/frmVQ_P_Channel.h"

#include "channel/ChannelRules.h"
#include "channel/PageWidgets.h"
#include "core/Numbers.h"
#include "core/TextTable.h"
#include "link/RegisterMap.h"
#include "ui/DeferredRefresh.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace chanrules;
using namespace pagewidgets;
namespace ch = regmap::ch;

namespace {
// A number cell in d decimals; an empty cell stays empty.
QString formatCell(const QString& text, int d)
{
    return text.trimmed().isEmpty() ? QString() : FormatDecimals(LeadingNumber(text), d);
}

bool mathOn(const ChannelSettings& s)
{
    return s.text(ch::MathOnOff) == QLatin1String("ON");
}

QLabel* caption(const char* text, QWidget* parent)
{
    return new QLabel(QString::fromUtf8(text), parent);
}
} // namespace

frmVQ_P_Channel::frmVQ_P_Channel(TextTable& sprdP_CH, int chCount, int channel, int tab, QWidget* parent)
    : QDialog(parent)
    , m_table(sprdP_CH)
    , m_chCount(chCount < 1 ? 6 : chCount)
{
    setObjectName(QStringLiteral("frmVQ_P_Channel"));
    setWindowTitle(QStringLiteral("CHANNEL SETUP"));
    setStyleSheet(PageStyle());

    auto* top = new QHBoxLayout;
    auto* chCaption = new QLabel(QStringLiteral("CH.NO"), this);
    QFont bold = chCaption->font();
    bold.setBold(true);
    chCaption->setFont(bold);
    lblCH_No = ValueLabel(QStringLiteral("lblCH_No"), this, 48);
    QFont big = bold;
    big.setPointSizeF(big.pointSizeF() * 1.3);
    lblCH_No->setFont(big);
    top->addWidget(chCaption);
    std::tie(btnUP_CHNO, btnDN_CHNO) = AddStepper(top, lblCH_No, QStringLiteral("btnUP_CHNO"), QStringLiteral("btnDN_CHNO"),
                                                  [this](int d) { stepChannel(d); });
    top->addStretch();

    tabPages = new QTabWidget(this);
    tabPages->setObjectName(QStringLiteral("tabPages"));
    tabPages->addTab(buildPage1(), QStringLiteral("PAGE 1"));
    tabPages->addTab(buildPage2(), QStringLiteral("PAGE 2"));
    tabPages->addTab(buildPage3(), QStringLiteral("PAGE 3"));
    tabPages->addTab(buildPage4(), QStringLiteral("PAGE 4"));
    tabPages->addTab(buildPage5(), QStringLiteral("PAGE 5"));
    tabPages->setCurrentIndex(qBound(0, tab, tabPages->count() - 1));

    btnClose = CloseButton(this);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnClose);

    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addWidget(tabPages, 1);
    root->addLayout(bottom);

    for (auto [box, row] : m_boxes)
        connect(box, &QLineEdit::editingFinished, this, [this, box = box, row = row] { commit(box, row); });
    connect(txtBVal, &QLineEdit::editingFinished, this, [this] {
        commit(txtBVal, btnBType[1]->isChecked() ? ch::MathBConst : ch::MathBCh);
    });

    // Changes made elsewhere (an upload finishing) are shown shortly after.
    tmrRefresh = DeferredRefresh(this, &frmVQ_P_Channel::refresh);
    connect(&m_table, &TextTable::cellChanged, this, &frmVQ_P_Channel::tableChanged);

    setChannel(channel);
}

QWidget* frmVQ_P_Channel::buildPage1()
{
    auto* page = new QWidget;
    auto* type = new QGroupBox(QStringLiteral("TYPE"), page);
    auto* tl = new QGridLayout(type);
    auto* groups = new QHBoxLayout;
    btnINP = OptionRow<3>({QStringLiteral("VDC"), QStringLiteral("RTD"), QStringLiteral("T/C")},
                          QStringLiteral("btnINP"), groups, type);
    groups->addStretch();
    lblINP = ValueLabel(QStringLiteral("lblINP"), type, 150);
    QFont f = lblINP->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    lblINP->setFont(f);
    auto* typeRow = new QHBoxLayout;
    std::tie(btnUP_INP, btnDN_INP) = AddStepper(typeRow, lblINP, QStringLiteral("btnUP_INP"), QStringLiteral("btnDN_INP"),
                                                [this](int d) { stepType(d); }, 1);
    tl->addLayout(groups, 0, 0);
    tl->addLayout(typeRow, 1, 0);
    for (int i = 0; i < 3; ++i)
        connect(btnINP[i], &QPushButton::clicked, this, [this, i] { chooseGroup(i); });

    auto* unit = new QGroupBox(QStringLiteral("UNIT"), page);
    auto* ul = new QHBoxLayout(unit);
    btnUnit = OptionRow<6>(UnitCaptions(), QStringLiteral("btnUnit"), ul, unit);
    txtUnitName = TextBox(QStringLiteral("txtUnitName"), 6, unit);
    txtUnitName->setMaximumWidth(90);
    ul->addWidget(txtUnitName);
    ul->addStretch();
    m_boxes.append({txtUnitName, ch::UnitName});
    for (int i = 0; i < 6; ++i)
        connect(btnUnit[i], &QPushButton::clicked, this, [this, i] { chooseUnit(i); });

    auto* name = new QGroupBox(QStringLiteral("CHANNEL NAME"), page);
    auto* nl = new QHBoxLayout(name);
    txtCH_Name = TextBox(QStringLiteral("txtCH_Name"), 10, name);
    txtCH_Name->setMaximumWidth(160);
    nl->addWidget(txtCH_Name);
    nl->addStretch();
    m_boxes.append({txtCH_Name, ch::Name});

    auto* l = new QVBoxLayout(page);
    l->addWidget(type);
    l->addWidget(unit);
    l->addWidget(name);
    l->addStretch();
    return page;
}

QWidget* frmVQ_P_Channel::buildPage2()
{
    auto* page = new QWidget;
    auto* user = new QGroupBox(QStringLiteral("USER RANGE"), page);
    auto* ul = new QGridLayout(user);
    txtURange_L = numberBox("txtURange_L", ch::UserRangeMin);
    txtURange_H = numberBox("txtURange_H", ch::UserRangeMax);
    lblINP_RangeMin = ValueLabel(QStringLiteral("lblINP_RangeMin"), user, 90);
    lblINP_RangeMax = ValueLabel(QStringLiteral("lblINP_RangeMax"), user, 90);
    btnMaxRange = new QPushButton(QStringLiteral("MAX"), user);
    btnMaxRange->setObjectName(QStringLiteral("btnMaxRange"));
    btnMaxRange->setAutoDefault(false);
    btnMaxRange->setToolTip(QStringLiteral("User range = full input range"));
    ul->addWidget(txtURange_L, 0, 0);
    ul->addWidget(caption("~", user), 0, 1, Qt::AlignCenter);
    ul->addWidget(txtURange_H, 0, 2);
    ul->addWidget(caption("INPUT", user), 1, 3);
    ul->addWidget(lblINP_RangeMin, 1, 0);
    ul->addWidget(caption("~", user), 1, 1, Qt::AlignCenter);
    ul->addWidget(lblINP_RangeMax, 1, 2);
    ul->addWidget(btnMaxRange, 0, 3);
    ul->setColumnStretch(4, 1);
    connect(btnMaxRange, &QPushButton::clicked, this, &frmVQ_P_Channel::maxRange);

    auto* scale = new QGroupBox(QStringLiteral("SCALE RANGE"), page);
    auto* sl = new QGridLayout(scale);
    auto* onOff = new QHBoxLayout;
    btnSOnOff = OptionRow<2>({QStringLiteral("OFF"), QStringLiteral("ON")}, QStringLiteral("btnSOnOff"), onOff, scale);
    onOff->addStretch();
    txtSRange_L = numberBox("txtSRange_L", ch::ScaleRangeMin);
    txtSRange_H = numberBox("txtSRange_H", ch::ScaleRangeMax);
    sl->addLayout(onOff, 0, 0, 1, 4);
    sl->addWidget(txtSRange_L, 1, 0);
    sl->addWidget(caption("~", scale), 1, 1, Qt::AlignCenter);
    sl->addWidget(txtSRange_H, 1, 2);
    sl->setColumnStretch(3, 1);
    for (int i = 0; i < 2; ++i)
        connect(btnSOnOff[i], &QPushButton::clicked, this, [this, i] { chooseScale(i); });

    auto* point = new QGroupBox(QStringLiteral("POINT"), page);
    auto* pl = new QHBoxLayout(point);
    btnDP = OptionRow<5>(PointCaptions(), QStringLiteral("btnDP"), pl, point);
    pl->addStretch();
    for (int i = 0; i < 5; ++i)
        connect(btnDP[i], &QPushButton::clicked, this, [this, i] { choosePoint(i); });

    auto* l = new QVBoxLayout(page);
    l->addWidget(user);
    l->addWidget(scale);
    l->addWidget(point);
    l->addStretch();
    return page;
}

QWidget* frmVQ_P_Channel::buildPage3()
{
    auto* page = new QWidget;
    auto* adjust = new QGroupBox(QStringLiteral("INPUT ADJUST"), page);
    auto* al = new QGridLayout(adjust);
    txtEOffset = numberBox("txtEOffset", ch::OffsetError);
    txtEHighPoint = numberBox("txtEHighPoint", ch::HighpointError);
    txtELowPoint = numberBox("txtELowPoint", ch::LowpointError);
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"OFFSET", txtEOffset}, {"HIGH POINT", txtEHighPoint}, {"LOW POINT", txtELowPoint}};
    int r = 0;
    for (auto [text, box] : rows) {
        al->addWidget(caption(text, adjust), r, 0);
        al->addWidget(box, r++, 1);
    }
    al->setColumnStretch(2, 1);

    auto* read = new QGroupBox(QStringLiteral("READ METHOD"), page);
    auto* rl = new QHBoxLayout(read);
    btnReadMode = OptionRow<4>(ReadModeTexts(), QStringLiteral("btnReadMode"), rl, read);
    txtReadTime = DigitsBox(QStringLiteral("txtReadTime"), 5, read);
    txtReadTime->setMaximumWidth(70);
    m_boxes.append({txtReadTime, ch::ReadTime});
    rl->addSpacing(12);
    rl->addWidget(txtReadTime);
    rl->addWidget(caption("s", read));
    rl->addStretch();
    for (int i = 0; i < 4; ++i)
        connect(btnReadMode[i], &QPushButton::clicked, this, [this, i] { chooseReadMode(i); });

    auto* l = new QVBoxLayout(page);
    l->addWidget(adjust);
    l->addWidget(read);
    l->addStretch();
    return page;
}

QWidget* frmVQ_P_Channel::buildPage4()
{
    auto* page = new QWidget;
    auto* onOffBox = new QGroupBox(QStringLiteral("MATH. FUNCTION"), page);
    auto* ol = new QHBoxLayout(onOffBox);
    btnMOnOff = OptionRow<2>({QStringLiteral("OFF"), QStringLiteral("ON")}, QStringLiteral("btnMOnOff"), ol, onOffBox);
    ol->addStretch();
    for (int i = 0; i < 2; ++i)
        connect(btnMOnOff[i], &QPushButton::clicked, this, [this, i] { chooseMath(i); });

    auto* typeBox = new QGroupBox(QStringLiteral("MATH. TYPE"), page);
    auto* tl = new QHBoxLayout(typeBox);
    lblMType_Code = ValueLabel(QStringLiteral("lblMType_Code"), typeBox, 40);
    lblMType = ValueLabel(QStringLiteral("lblMType"), typeBox, 150);
    QFont f = lblMType->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    lblMType->setFont(f);
    tl->addWidget(lblMType_Code);
    std::tie(btnUP_MType, btnDN_MType) = AddStepper(tl, lblMType, QStringLiteral("btnUP_MType"), QStringLiteral("btnDN_MType"),
                                                    [this](int d) { stepFunction(d); }, 1);

    auto* alpha = new QGroupBox(QStringLiteral("α"), page);
    auto* al = new QHBoxLayout(alpha);
    lblA_CH = ValueLabel(QStringLiteral("lblA_CH"), alpha, 40);
    lblA_CH_Type = ValueLabel(QStringLiteral("lblA_CH_Type"), alpha, 120);
    al->addWidget(caption(" : CH", alpha));
    std::tie(btnUpA_CH, btnDnA_CH) = AddStepper(al, lblA_CH, QStringLiteral("btnUpA_CH"), QStringLiteral("btnDnA_CH"),
                                                [this](int d) { stepAlphaChannel(d); });
    al->addSpacing(16);
    al->addWidget(caption("TYPE", alpha));
    al->addWidget(lblA_CH_Type, 1);

    auto* beta = new QGroupBox(QStringLiteral("β"), page);
    auto* bl = new QHBoxLayout(beta);
    btnBType = OptionRow<2>({QStringLiteral("CHANNEL"), QStringLiteral("CONSTANT")}, QStringLiteral("btnBType"), bl, beta);
    txtBVal = NumberBox(QStringLiteral("txtBVal"), beta);
    bl->addSpacing(12);
    bl->addWidget(txtBVal);
    bl->addStretch();
    for (int i = 0; i < 2; ++i)
        connect(btnBType[i], &QPushButton::clicked, this, [this, i] { chooseBType(i); });

    auto* l = new QVBoxLayout(page);
    l->addWidget(onOffBox);
    l->addWidget(typeBox);
    l->addWidget(alpha);
    l->addWidget(beta);
    l->addStretch();
    return page;
}

QWidget* frmVQ_P_Channel::buildPage5()
{
    auto* page = new QWidget;
    auto* g = new QGridLayout(page);
    lblURange_L = ValueLabel(QStringLiteral("lblURange_L"), page, 90);
    lblURange_H = ValueLabel(QStringLiteral("lblURange_H"), page, 90);
    lblSRange_L = ValueLabel(QStringLiteral("lblSRange_L"), page, 90);
    lblSRange_H = ValueLabel(QStringLiteral("lblSRange_H"), page, 90);
    for (int i = 0; i < 2; ++i) {
        lblMOnOff[i] = ValueLabel(QStringLiteral("lblMOnOff%1").arg(i), page, 60);
        lblMOnOff[i]->setText(i == 0 ? QStringLiteral("OFF") : QStringLiteral("ON"));
        lblDispTT[i] = ValueLabel(QStringLiteral("lblDispTT%1").arg(i), page, 90);
    }
    txtDRange_L = numberBox("txtDRange_L", ch::DispRangeMin);
    txtDRange_H = numberBox("txtDRange_H", ch::DispRangeMax);

    int r = 0;
    const std::pair<const char*, std::pair<QWidget*, QWidget*>> rows[] = {
        {"USER RANGE", {lblURange_L, lblURange_H}},
        {"SCALE RANGE", {lblSRange_L, lblSRange_H}},
        {"MATH.FUNCTION", {lblMOnOff[0], lblMOnOff[1]}},
        {"DISP. RANGE", {txtDRange_L, txtDRange_H}},
        {"", {lblDispTT[0], lblDispTT[1]}},
    };
    for (const auto& [text, pair] : rows) {
        g->addWidget(caption(text, page), r, 0);
        g->addWidget(pair.first, r, 1);
        g->addWidget(caption(r == 2 ? "" : "~", page), r, 2, Qt::AlignCenter);
        g->addWidget(pair.second, r, 3);
        ++r;
    }
    auto* limits = caption("display limits", page);
    limits->setEnabled(false);
    g->addWidget(limits, 4, 4);
    g->setColumnStretch(5, 1);
    g->setRowStretch(r, 1);
    return page;
}

QLineEdit* frmVQ_P_Channel::numberBox(const char* name, int row)
{
    QLineEdit* box = NumberBox(QString::fromLatin1(name), this);
    m_boxes.append({box, row});
    return box;
}

void frmVQ_P_Channel::write(int row, const QString& text)
{
    QScopedValueRollback busy(m_busy, true);
    settings().write(row, text);
}

void frmVQ_P_Channel::tableChanged(int col, int row)
{
    if (!m_busy && col == chanrules::ChannelCol(m_channel) && row <= ch::LowpointError)
        tmrRefresh->start();
}

void frmVQ_P_Channel::commit(QLineEdit* box, int row)
{
    // editingFinished comes on Enter and again on leaving the box.
    if (!box->isModified())
        return;
    box->setModified(false);
    write(row, box->text());
    if (row == ch::UserRangeMax || row == ch::UserRangeMin)
        (row == ch::UserRangeMax ? lblURange_H : lblURange_L)->setText(box->text());
    if (row == ch::ScaleRangeMax || row == ch::ScaleRangeMin)
        (row == ch::ScaleRangeMax ? lblSRange_H : lblSRange_L)->setText(box->text());
}

void frmVQ_P_Channel::setChannel(int n)
{
    m_channel = qBound(1, n, m_chCount);
    lblCH_No->setText(QString::number(m_channel));
    refresh();
}

void frmVQ_P_Channel::stepChannel(int dir)
{
    setChannel(StepWrap(m_channel, dir, 1, m_chCount));
}

void frmVQ_P_Channel::refresh()
{
    tmrRefresh->stop();
    QScopedValueRollback busy(m_busy, true);
    ChannelSettings s = settings();
    // Shown without NUL bytes; the set keeps them unless the name is edited.
    txtCH_Name->setText(DisplayText(s.text(ch::Name)));
    txtUnitName->setText(DisplayText(s.text(ch::UnitName)));

    s.repairRangeCode();
    const int code = s.number(ch::RangeCode);
    Light(btnINP, static_cast<int>(GroupOfCode(code)));
    showInputType(code);
    m_rangeDecimals = RangeDecimals(code);

    const bool scaleOn = s.text(ch::ScaleOnOff) == QLatin1String("ON");
    Light(btnSOnOff, scaleOn ? 1 : 0);
    txtSRange_H->setEnabled(scaleOn);
    txtSRange_L->setEnabled(scaleOn);

    const int point = s.number(ch::FpLocate);
    Light(btnDP, point);

    const int unit = s.number(ch::UnitMode);
    Light(btnUnit, unit);
    txtUnitName->setEnabled(unit == 5);

    const int readMode = ReadModeIndex(s.text(ch::ReadMode));
    if (readMode >= 0) {
        Light(btnReadMode, readMode);
        txtReadTime->setEnabled(readMode > 0);
    }
    txtReadTime->setText(s.text(ch::ReadTime));

    showMath(s.text(ch::MathOnOff) == QLatin1String("ON"));
    showFunction(s.number(ch::MathFType));
    showAlphaChannel(s.number(ch::MathACh));
    const bool constant = s.text(ch::MathBSelect) == QLatin1String("CONSTANT");
    Light(btnBType, constant ? 1 : 0);
    txtBVal->setText(s.text(constant ? ch::MathBConst : ch::MathBCh));

    showUserRange();
    applyPoint(point);
}

void frmVQ_P_Channel::showUserRange()
{
    const QString hi = formatCell(m_table.text(chanrules::ChannelCol(m_channel), ch::UserRangeMax), m_rangeDecimals);
    const QString lo = formatCell(m_table.text(chanrules::ChannelCol(m_channel), ch::UserRangeMin), m_rangeDecimals);
    txtURange_H->setText(hi);
    lblURange_H->setText(hi);
    txtURange_L->setText(lo);
    lblURange_L->setText(lo);
}

void frmVQ_P_Channel::showInputType(int code)
{
    lblINP->setText(InputTypeName(code));
    // A code without a type keeps the range shown before.
    if (const InputType* t = FindInputType(code)) {
        lblINP_RangeMin->setText(QString::fromLatin1(t->rangeMin));
        lblINP_RangeMax->setText(QString::fromLatin1(t->rangeMax));
    }
}

void frmVQ_P_Channel::chooseGroup(int i)
{
    Light(btnINP, i);
    applyInputType(GroupDefaultCode(static_cast<InputGroup>(i)));
}

void frmVQ_P_Channel::stepType(int dir)
{
    applyInputType(StepInputType(settings().number(ch::RangeCode), dir));
}

void frmVQ_P_Channel::applyInputType(int code)
{
    txtUnitName->setEnabled(false);
    {
        QScopedValueRollback busy(m_busy, true);
        settings().applyInputType(code);
    }
    const auto [unit, point] = DefaultUnitAndPoint(code);
    Light(btnUnit, unit);
    Light(btnINP, static_cast<int>(GroupOfCode(code)));
    Light(btnDP, point);
    showInputType(code);
    m_rangeDecimals = RangeDecimals(code);
    if (FindInputType(code)) {
        // The range texts as they stand ("-0.0" included).
        txtURange_L->setText(lblINP_RangeMin->text());
        lblURange_L->setText(lblINP_RangeMin->text());
        txtURange_H->setText(lblINP_RangeMax->text());
        lblURange_H->setText(lblINP_RangeMax->text());
    }
    showAlphaChannel(settings().number(ch::MathACh));
    applyPoint(point);
}

void frmVQ_P_Channel::chooseUnit(int i)
{
    Light(btnUnit, i);
    txtUnitName->setEnabled(i == 5);
    write(ch::UnitMode, QString::number(i));
}

void frmVQ_P_Channel::choosePoint(int d)
{
    Light(btnDP, d);
    write(ch::FpLocate, QString::number(d));
    applyPoint(d);
}

void frmVQ_P_Channel::applyPoint(int d)
{
    m_point = d;
    const auto [lo, hi] = DisplayLimits(d);
    lblDispTT[0]->setText(lo);
    lblDispTT[1]->setText(hi);
    const int col = chanrules::ChannelCol(m_channel);
    const QString sHi = formatCell(m_table.text(col, ch::ScaleRangeMax), d);
    const QString sLo = formatCell(m_table.text(col, ch::ScaleRangeMin), d);
    lblSRange_H->setText(sHi);
    txtSRange_H->setText(sHi);
    lblSRange_L->setText(sLo);
    txtSRange_L->setText(sLo);
    const std::pair<QLineEdit*, int> boxes[] = {{txtDRange_H, ch::DispRangeMax},
                                                {txtDRange_L, ch::DispRangeMin},
                                                {txtEOffset, ch::OffsetError},
                                                {txtEHighPoint, ch::HighpointError},
                                                {txtELowPoint, ch::LowpointError}};
    for (auto [box, row] : boxes)
        box->setText(formatCell(m_table.text(col, row), d));
}

void frmVQ_P_Channel::chooseScale(int i)
{
    write(ch::ScaleOnOff, i == 1 ? QStringLiteral("ON") : QStringLiteral("OFF"));
    Light(btnSOnOff, i);
    txtSRange_H->setEnabled(i == 1);
    txtSRange_L->setEnabled(i == 1);
}

void frmVQ_P_Channel::chooseReadMode(int i)
{
    write(ch::ReadMode, ReadModeTexts().value(i));
    txtReadTime->setEnabled(i > 0);
    Light(btnReadMode, i);
}

void frmVQ_P_Channel::maxRange()
{
    {
        QScopedValueRollback busy(m_busy, true);
        settings().maxRange();
    }
    const int col = chanrules::ChannelCol(m_channel);
    txtURange_L->setText(m_table.text(col, ch::UserRangeMin));
    lblURange_L->setText(txtURange_L->text());
    txtURange_H->setText(m_table.text(col, ch::UserRangeMax));
    lblURange_H->setText(txtURange_H->text());
}

void frmVQ_P_Channel::chooseMath(int i)
{
    write(ch::MathOnOff, i == 1 ? QStringLiteral("ON") : QStringLiteral("OFF"));
    showMath(i == 1);
}

void frmVQ_P_Channel::showMath(bool on)
{
    Light(btnMOnOff, on ? 1 : 0);
    for (QWidget* w : std::initializer_list<QWidget*>{btnUP_MType, btnDN_MType, btnUpA_CH, btnDnA_CH, btnBType[0],
                                                       btnBType[1], txtBVal})
        w->setEnabled(on);
    for (QLabel* l : {lblMType, lblA_CH, lblA_CH_Type})
        PaintLabel(l, on ? QColor() : kDisabledLabelColour);
    PaintLabel(lblMOnOff[0], on ? QColor() : kLitColour);
    PaintLabel(lblMOnOff[1], on ? kLitColour : QColor());
}

void frmVQ_P_Channel::stepFunction(int dir)
{
    const ChannelSettings s = settings();
    if (!mathOn(s))
        return;
    const int code = StepWrap(s.number(ch::MathFType), dir, 1, kMathFunctions);
    write(ch::MathFType, QString::number(code));
    showFunction(code);
}

void frmVQ_P_Channel::showFunction(int code)
{
    lblMType_Code->setText(QString::number(code));
    lblMType->setText(MathFunctionName(code));
}

void frmVQ_P_Channel::stepAlphaChannel(int dir)
{
    const ChannelSettings s = settings();
    if (!mathOn(s))
        return;
    const int a = StepWrap(s.number(ch::MathACh), dir, 1, m_chCount);
    write(ch::MathACh, QString::number(a));
    showAlphaChannel(a);
}

void frmVQ_P_Channel::showAlphaChannel(int a)
{
    lblA_CH->setText(QString::number(a));
    // Only the name of the α channel's type; this channel's own display stays.
    const bool valid = a >= 1 && a <= m_chCount;
    lblA_CH_Type->setText(valid ? InputTypeName(ChannelSettings(m_table, a).number(ch::RangeCode)) : QString());
}

void frmVQ_P_Channel::chooseBType(int i)
{
    write(ch::MathBSelect, i == 1 ? QStringLiteral("CONSTANT") : QStringLiteral("CHANNEL"));
    Light(btnBType, i);
    txtBVal->setText(settings().text(i == 1 ? ch::MathBConst : ch::MathBCh));
    txtBVal->setModified(false);
}
