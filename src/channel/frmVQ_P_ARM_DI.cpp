#include "channel/frmVQ_P_ARM_DI.h"

#include "channel/AlarmRules.h"
#include "channel/ChannelRules.h"
#include "channel/PageWidgets.h"
#include "core/Numbers.h"
#include "core/PictureFolders.h"
#include "core/TextTable.h"
#include "ui/DeferredRefresh.h"

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace armrules;
using namespace pagewidgets;

namespace {
constexpr QSize kPictureSize(240, 150);

QLabel* caption(const char* text, QWidget* parent)
{
    return new QLabel(QString::fromLatin1(text), parent);
}

QFrame* panel(const QString& name, const QString& text, QWidget* parent, QLabel** heading = nullptr)
{
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::StyledPanel);
    auto* l = new QVBoxLayout(f);
    l->setContentsMargins(8, 4, 8, 4);
    if (heading) {
        *heading = new QLabel(f);
        QFont bold = (*heading)->font();
        bold.setBold(true);
        (*heading)->setFont(bold);
        l->addWidget(*heading);
    }
    auto* t = new QLabel(text, f);
    t->setWordWrap(true);
    l->addWidget(t);
    return f;
}
} // namespace

frmVQ_P_ARM_DI::frmVQ_P_ARM_DI(TextTable& sprdP, TextTable& sprdP_CH, int chCount, int channel, int alarm,
                               int input, const QString& programDir, QWidget* parent)
    : QDialog(parent)
    , m_sprdP(sprdP)
    , m_sprdP_CH(sprdP_CH)
    , m_chCount(chCount < 1 ? 6 : chCount)
    , m_channel(qBound(1, channel, m_chCount))
    , m_alarm(qBound(1, alarm, kAlarms))
    , m_input(qBound(1, input, kInputs))
{
    setObjectName(QStringLiteral("frmVQ_P_ARM_DI"));
    setWindowTitle(QStringLiteral("ALARM/DI SETUP"));
    setStyleSheet(PageStyle());
    for (const QString& folder : PictureFolders(programDir))
        pictureFolders << QDir(folder).filePath(QStringLiteral("Image"));

    btnClose = CloseButton(this);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnClose);
    auto* root = new QVBoxLayout(this);
    root->addWidget(buildAlarm());
    root->addWidget(buildInput());
    root->addLayout(bottom);

    tmrRefresh = DeferredRefresh(this, &frmVQ_P_ARM_DI::refresh);
    // Changes made elsewhere (an upload finishing) are shown shortly after.
    connect(&m_sprdP, &TextTable::cellChanged, this, &frmVQ_P_ARM_DI::tableChanged);
    connect(&m_sprdP_CH, &TextTable::cellChanged, this, &frmVQ_P_ARM_DI::tableChanged);
    refresh();
}

QWidget* frmVQ_P_ARM_DI::buildAlarm()
{
    auto* box = new QGroupBox(QStringLiteral("ALARM"), this);
    auto* grid = new QGridLayout(box);

    // Channel, alarm number and type on the left, with the picture.
    auto* left = new QVBoxLayout;
    auto* chRow = new QHBoxLayout;
    txtCH_No = DigitsBox(QStringLiteral("txtCH_No"), 2, box);
    txtCH_No->setAlignment(Qt::AlignCenter);
    txtCH_No->setMaximumWidth(48);
    chRow->addWidget(caption("CH.NO.", box));
    std::tie(btnUP_CH, btnDN_CH) = AddStepper(chRow, txtCH_No, QStringLiteral("btnUP_CH"), QStringLiteral("btnDN_CH"),
                                              [this](int d) { setChannel(StepWrap(m_channel, d, 1, m_chCount)); });
    chRow->addStretch();
    left->addLayout(chRow);
    connect(txtCH_No, &QLineEdit::editingFinished, this, [this] {
        if (txtCH_No->isModified())
            setChannel(ClampNumber(txtCH_No->text(), m_chCount));
    });

    auto* almRow = new QHBoxLayout;
    almRow->addWidget(caption("ALARM", box));
    obtALM_No = OptionRowStretched<4>({QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"), QStringLiteral("04")},
                             QStringLiteral("obtALM_No"), almRow, box);
    lblALM_No = ValueLabel(QStringLiteral("lblALM_No"), box, 40);
    almRow->insertWidget(1, lblALM_No);
    left->addLayout(almRow);
    for (int i = 0; i < kAlarms; ++i)
        connect(obtALM_No[i], &QPushButton::clicked, this, [this, i] { setAlarm(i + 1); });

    auto* typeRow = new QHBoxLayout;
    lblALM_Type = ValueLabel(QStringLiteral("lblALM_Type"), box, 40);
    lblALM_TypeName = ValueLabel(QStringLiteral("lblALM_TypeName"), box, 130);
    // As wide as the longest name whatever it shows: the fields beside it stay put.
    int longest = 0;
    for (int code = 0; code < kAlarmTypes; ++code)
        longest = qMax(longest, lblALM_TypeName->fontMetrics().horizontalAdvance(AlarmTypeName(code)));
    lblALM_TypeName->setMinimumWidth(qMax(130, longest + 12));
    lblALM_TypeName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    typeRow->addWidget(caption("TYPE", box));
    std::tie(btnUP_ALT, btnDN_ALT) = AddStepper(typeRow, lblALM_Type, QStringLiteral("btnUP_ALT"), QStringLiteral("btnDN_ALT"),
                                                [this](int d) { stepType(d); });
    typeRow->addWidget(lblALM_TypeName, 1);
    left->addLayout(typeRow);

    picALM_Type = new QLabel(box);
    picALM_Type->setObjectName(QStringLiteral("picALM_Type"));
    picALM_Type->setFixedSize(kPictureSize + QSize(4, 4));
    picALM_Type->setFrameShape(QFrame::Panel);
    picALM_Type->setFrameShadow(QFrame::Sunken);
    picALM_Type->setAlignment(Qt::AlignCenter);
    left->addWidget(picALM_Type, 0, Qt::AlignLeft);
    left->addStretch();
    grid->addLayout(left, 0, 0, 2, 1);

    // Fields of the alarm: every one editable whatever the type.
    auto* fields = new QGridLayout;
    txtALM_SV = NumberBox(QStringLiteral("txtALM_SV"), box);
    txtALM_HYS = NumberBox(QStringLiteral("txtALM_HYS"), box);
    txtALM_RATE = NumberBox(QStringLiteral("txtALM_RATE"), box);
    txtALM_CCH = DigitsBox(QStringLiteral("txtALM_CCH"), 2, box);
    const std::tuple<const char*, QLineEdit*, const char*> rows[] = {
        {"SET VALUE", txtALM_SV, "-999.99 .. 999.99"},
        {"HYST.", txtALM_HYS, "0.00 .. 1999.99"},
        {"RATE", txtALM_RATE, "0.00 .. 1999.99"},
        {"WITH CH.", txtALM_CCH, ""},
    };
    int r = 0;
    for (auto [text, edit, range] : rows) {
        fields->addWidget(caption(text, box), r, 0);
        fields->addWidget(edit, r, 1);
        edit->setToolTip(QString::fromLatin1(range));
        ++r;
    }
    txtALM_CCH->setToolTip(QStringLiteral("1 .. %1").arg(m_chCount));
    auto* unitRow = new QHBoxLayout;
    obtTUNIT = OptionRowStretched<3>(TimeUnitTexts(), QStringLiteral("obtTUNIT"), unitRow, box);
    fields->addWidget(caption("TIME UNIT", box), r, 0);
    fields->addLayout(unitRow, r++, 1, 1, 2);
    fields->setColumnStretch(2, 1);
    for (int i = 0; i < 3; ++i)
        connect(obtTUNIT[i], &QPushButton::clicked, this, [this, i] {
            writeAlarm(TUnit, TimeUnitTexts().value(i));
            Light(obtTUNIT, i);
        });

    connectBox(txtALM_SV, Box::SetValue, false, Sv);
    connectBox(txtALM_HYS, Box::Hysteresis, false, Hys);
    connectBox(txtALM_RATE, Box::Rate, false, Rate);
    connectBox(txtALM_CCH, Box::WithChannel, false, Cch);

    // What the type means, under the fields: one panel at a time in a stack
    // as tall as the tallest, so that nothing below moves with the type.
    auto* panels = new QStackedWidget(box);
    panels->setObjectName(QStringLiteral("stkALT"));
    picALT[0] = panel(QStringLiteral("picALT0"),
                      QStringLiteral("Alarm when the value passes SET VALUE; it clears HYST. back inside."), box);
    picALT[1] = panel(QStringLiteral("picALT1"),
                      QStringLiteral("Alarm on the difference between this channel and channel WITH CH., "
                                     "compared with SET VALUE."), box);
    picALT[2] = panel(QStringLiteral("picALT2"),
                      QStringLiteral("Alarm when the value changes by RATE or more within one TIME UNIT."), box,
                      &Label21);
    Label21->setObjectName(QStringLiteral("Label21"));
    picALT[3] = panel(QStringLiteral("picALT3"), QStringLiteral("No alarm."), box);
    for (QFrame* f : picALT)
        panels->addWidget(f);
    panels->addWidget(new QWidget(panels)); // a code without a panel
    fields->addWidget(panels, r++, 0, 1, 3);
    fields->setRowStretch(r, 1);
    grid->addLayout(fields, 0, 1);

    // What the alarm does.
    auto* action = new QGroupBox(QStringLiteral("ALARM ACTION"), box);
    action->setObjectName(QStringLiteral("fraALM_Action"));
    auto* al = new QGridLayout(action);
    auto* rcdRow = new QHBoxLayout;
    btnALM_RCD = OptionRowStretched<3>(RecordTexts(), QStringLiteral("btnALM_RCD"), rcdRow, action);
    txtALM_RYO = RelayBox(QStringLiteral("txtALM_RYO"), action);
    txtALM_RYT = DigitsBox(QStringLiteral("txtALM_RYT"), 7, action);
    al->addWidget(caption("RECORD", action), 0, 0);
    al->addLayout(rcdRow, 0, 1, 1, 3);
    al->addWidget(caption("OUTPUT  RELAY NO.", action), 1, 0);
    al->addWidget(txtALM_RYO, 1, 1);
    al->addWidget(caption("ON-TIME", action), 1, 2, Qt::AlignRight);
    auto* rytRow = new QHBoxLayout;
    rytRow->addWidget(txtALM_RYT);
    rytRow->addWidget(caption("sec", action));
    al->addLayout(rytRow, 1, 3);
    for (int i = 0; i < 3; ++i)
        connect(btnALM_RCD[i], &QPushButton::clicked, this, [this, i] {
            writeAlarm(Rcd, RecordTexts().value(i));
            Light(btnALM_RCD, i);
        });
    connectBox(txtALM_RYO, Box::Relay, false, Ryo);
    connectBox(txtALM_RYT, Box::OnTime, false, Ryt);
    grid->addWidget(action, 1, 1);
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* frmVQ_P_ARM_DI::buildInput()
{
    auto* box = new QGroupBox(QStringLiteral("DIGITAL INPUT"), this);
    auto* g = new QGridLayout(box);
    auto* noRow = new QHBoxLayout;
    txtDI_No = DigitsBox(QStringLiteral("txtDI_No"), 1, box);
    txtDI_No->setAlignment(Qt::AlignCenter);
    txtDI_No->setMaximumWidth(48);
    std::tie(btnUP_DI, btnDN_DI) = AddStepper(noRow, txtDI_No, QStringLiteral("btnUP_DI"), QStringLiteral("btnDN_DI"),
                                              [this](int d) { setInput(StepWrap(m_input, d, 1, kInputs)); });
    noRow->addStretch();
    connect(txtDI_No, &QLineEdit::editingFinished, this, [this] {
        if (txtDI_No->isModified())
            setInput(ClampNumber(txtDI_No->text(), kInputs));
    });

    auto* levelRow = new QHBoxLayout;
    btnDI_Level = OptionRowStretched<2>(LevelTexts(), QStringLiteral("btnDI_Level"), levelRow, box);
    auto* rcdRow = new QHBoxLayout;
    btnDI_RCD = OptionRowStretched<3>(RecordTexts(), QStringLiteral("btnDI_RCD"), rcdRow, box);
    txtDI_RYO = RelayBox(QStringLiteral("txtDI_RYO"), box);
    txtDI_RYT = DigitsBox(QStringLiteral("txtDI_RYT"), 7, box);
    g->addWidget(caption("D/I NO", box), 0, 0);
    g->addLayout(noRow, 0, 1);
    g->addWidget(caption("D/I LEVEL", box), 0, 2, Qt::AlignRight);
    g->addLayout(levelRow, 0, 3);
    g->addWidget(caption("RECORD", box), 1, 0);
    g->addLayout(rcdRow, 1, 1, 1, 3);
    g->addWidget(caption("OUTPUT  RELAY NO.", box), 2, 0);
    g->addWidget(txtDI_RYO, 2, 1);
    g->addWidget(caption("ON-TIME", box), 2, 2, Qt::AlignRight);
    auto* rytRow = new QHBoxLayout;
    rytRow->addWidget(txtDI_RYT);
    rytRow->addWidget(caption("sec", box));
    rytRow->addStretch();
    g->addLayout(rytRow, 2, 3);
    g->setColumnStretch(3, 1);

    for (int i = 0; i < 2; ++i)
        connect(btnDI_Level[i], &QPushButton::clicked, this, [this, i] {
            writeInput(DiLevel, LevelTexts().value(i));
            Light(btnDI_Level, i);
        });
    for (int i = 0; i < 3; ++i)
        connect(btnDI_RCD[i], &QPushButton::clicked, this, [this, i] {
            writeInput(DiRcd, RecordTexts().value(i));
            Light(btnDI_RCD, i);
        });
    connectBox(txtDI_RYO, Box::Relay, true, DiRyo);
    connectBox(txtDI_RYT, Box::OnTime, true, DiRyt);
    return box;
}

void frmVQ_P_ARM_DI::connectBox(QLineEdit* box, Box kind, bool input, int k)
{
    // Clamped when committed, then written; editingFinished comes on Enter
    // and again on leaving the box.
    connect(box, &QLineEdit::editingFinished, this, [this, box, kind, input, k] {
        if (!box->isModified())
            return;
        box->setModified(false);
        box->setText(ClampBox(kind, box->text(), m_chCount));
        if (input)
            writeInput(k, box->text());
        else
            writeAlarm(k, box->text());
    });
}

int frmVQ_P_ARM_DI::alarmRow(int k) const
{
    return AlarmRow(m_alarm, k);
}

int frmVQ_P_ARM_DI::inputRow(int k) const
{
    return DiRow(m_input, k);
}

void frmVQ_P_ARM_DI::writeAlarm(int k, const QString& text)
{
    QScopedValueRollback busy(m_busy, true);
    m_sprdP_CH.setText(chanrules::ChannelCol(m_channel), alarmRow(k), text);
}

void frmVQ_P_ARM_DI::writeInput(int k, const QString& text)
{
    QScopedValueRollback busy(m_busy, true);
    m_sprdP.setText(kDiValueCol, inputRow(k), text);
}

void frmVQ_P_ARM_DI::tableChanged()
{
    if (!m_busy)
        tmrRefresh->start();
}

void frmVQ_P_ARM_DI::setChannel(int n)
{
    m_channel = qBound(1, n, m_chCount);
    refreshAlarm();
}

void frmVQ_P_ARM_DI::setAlarm(int a)
{
    m_alarm = qBound(1, a, kAlarms);
    refreshAlarm();
}

void frmVQ_P_ARM_DI::setInput(int n)
{
    m_input = qBound(1, n, kInputs);
    refreshInput();
}

void frmVQ_P_ARM_DI::refresh()
{
    tmrRefresh->stop();
    refreshAlarm();
    refreshInput();
}

void frmVQ_P_ARM_DI::refreshAlarm()
{
    const int col = chanrules::ChannelCol(m_channel);
    auto cell = [&](int k) { return m_sprdP_CH.text(col, alarmRow(k)); };
    txtCH_No->setText(QString::number(m_channel));
    Light(obtALM_No, m_alarm - 1);
    lblALM_No->setText(QStringLiteral("%1").arg(m_alarm, 2, 10, QLatin1Char('0')));
    txtALM_SV->setText(cell(Sv));
    txtALM_HYS->setText(cell(Hys));
    txtALM_RATE->setText(cell(Rate));
    showType(LeadingInt32(cell(Type)).value_or(0));
    txtALM_CCH->setText(cell(Cch));
    Light(obtTUNIT, TimeUnitIndex(cell(TUnit)));
    Light(btnALM_RCD, RecordIndex(cell(Rcd)));
    txtALM_RYO->setText(RelayText(cell(Ryo)));
    txtALM_RYT->setText(cell(Ryt));
}

void frmVQ_P_ARM_DI::refreshInput()
{
    auto cell = [&](int k) { return m_sprdP.text(kDiValueCol, inputRow(k)); };
    txtDI_No->setText(QString::number(m_input));
    Light(btnDI_Level, LevelIndex(cell(DiLevel)));
    Light(btnDI_RCD, RecordIndex(cell(DiRcd)));
    txtDI_RYO->setText(RelayText(cell(DiRyo)));
    txtDI_RYT->setText(cell(DiRyt));
}

void frmVQ_P_ARM_DI::showType(int code)
{
    lblALM_Type->setText(QString::number(code));
    lblALM_TypeName->setText(AlarmTypeName(code));
    const QString path = AlarmPicturePath(code, pictureFolders);
    QPixmap picture;
    if (!path.isEmpty() && picture.load(path)) {
        if (picture.size() != kPictureSize)
            picture = picture.scaled(kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        picALM_Type->setPixmap(picture);
    } else {
        picALM_Type->clear();
    }
    const int shown = AlarmPanel(code);
    auto* panels = static_cast<QStackedWidget*>(picALT[0]->parentWidget());
    panels->setCurrentIndex(shown >= 0 ? shown : panels->count() - 1);
    Label21->setText(RateLabel(code));
}

void frmVQ_P_ARM_DI::stepType(int dir)
{
    const int code = LeadingInt32(m_sprdP_CH.text(chanrules::ChannelCol(m_channel), alarmRow(Type))).value_or(0);
    const int next = StepWrap(code, dir, 0, kAlarmTypes - 1);
    writeAlarm(Type, QString::number(next));
    showType(next);
}
