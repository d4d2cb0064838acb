#include "param/frmVQ_P_System.h"

#include "core/ChannelColours.h"
#include "core/Numbers.h"
#include "core/TextTable.h"
#include "param/PageRules.h"
#include "param/ParamTables.h"
#include "ui/DeferredRefresh.h"
#include "ui/PageLook.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace pagerules;

namespace {
constexpr int kValue = 3;
constexpr int kColourRow = 10;
const char* kFields[6] = {"Year", "Month", "Day", "Hour", "Minute", "Second"};

QPushButton* button(const QString& text, const QString& name, QWidget* parent, int minWidth = 70)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setMinimumWidth(minWidth);
    if (minWidth < 50)
        b->setFixedWidth(minWidth);
    return b;
}

QLineEdit* numberBox(const QString& name, QWidget* parent, bool readOnly = false)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAlignment(Qt::AlignCenter);
    e->setMaximumWidth(80);
    e->setReadOnly(readOnly);
    if (!readOnly)
        e->setValidator(new QIntValidator(-99999, 99999, e));
    return e;
}

QLabel* valueLabel(const QString& name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(80);
    return l;
}

QString fieldText(int field, const QString& cell)
{
    return QStringLiteral("%1").arg(static_cast<int>(LeadingNumber(cell)), field == 0 ? 4 : 2, 10, QLatin1Char('0'));
}
}

frmVQ_P_System::frmVQ_P_System(TextTable& sprdP, TextTable& sprdP_CH, int tab, int channels, QWidget* parent)
    : QDialog(parent)
    , m_p(sprdP)
    , m_ch(sprdP_CH)
    , m_channels(channels > 6 ? 12 : 6)
{
    setObjectName(QStringLiteral("frmVQ_P_System"));
    setWindowTitle(QStringLiteral("SYSTEM SETUP"));

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->addTab(buildRecordTab(), QStringLiteral("PAGE 1"));
    SSTab1->addTab(buildColourTab(), QStringLiteral("PAGE 2"));
    SSTab1->addTab(buildDateTab(), QStringLiteral("PAGE 3"));
    SSTab1->addTab(buildSerialTab(s232, QStringLiteral("232"), 31), QStringLiteral("PAGE 4"));
    SSTab1->addTab(buildSerialTab(s485, QStringLiteral("485"), 38), QStringLiteral("PAGE 5"));
    SSTab1->addTab(buildLanguageTab(), QStringLiteral("PAGE 6"));
    SSTab1->setCurrentIndex(qBound(0, tab, 5));

    lblDateTime = new QLabel(this);
    lblDateTime->setObjectName(QStringLiteral("lblDateTime"));
    btnClose = button(QStringLiteral("&Close"), QStringLiteral("btnClose"), this);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("PC clock:"), this));
    bottom->addWidget(lblDateTime);
    bottom->addStretch();
    bottom->addWidget(btnClose);
    auto* root = new QVBoxLayout(this);
    root->addWidget(SSTab1, 1);
    root->addLayout(bottom);
    resize(640, 430);

    tmrRefresh = DeferredRefresh(this, &frmVQ_P_System::refresh);
    tmrRefresh->start();
    tmrDT = new QTimer(this);
    tmrDT->setObjectName(QStringLiteral("tmrDT"));
    tmrDT->setInterval(1000);
    connect(tmrDT, &QTimer::timeout, this, &frmVQ_P_System::showPcClock);
    tmrDT->start();
    QTimer::singleShot(0, this, &frmVQ_P_System::showPcClock);
}

QWidget* frmVQ_P_System::twoState(std::array<QPushButton*, 2>& pair, const QString& name, const QString& first,
                                  const QString& second, int row, QWidget* parent)
{
    auto* w = new QWidget(parent);
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    const QString captions[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        pair[i] = button(captions[i], QStringLiteral("%1%2").arg(name).arg(i), w);
        l->addWidget(pair[i]);
        connect(pair[i], &QPushButton::clicked, this, [this, &pair, i, row] {
            m_p.setText(kValue, row, pair[i]->text());
            LightButton(pair[i], true);
            LightButton(pair[1 - i], false);
        });
    }
    l->addStretch();
    return w;
}

QWidget* frmVQ_P_System::buildRecordTab()
{
    auto* page = new QWidget(this);
    auto* f = new QFormLayout(page);
    auto* period = new QHBoxLayout;
    txtSaveInterval = numberBox(QStringLiteral("txtSaveInterval"), page);
    btnDN_SI = button(QStringLiteral("\u25BC"), QStringLiteral("btnDN_SI"), page, 36);
    btnUP_SI = button(QStringLiteral("\u25B2"), QStringLiteral("btnUP_SI"), page, 36);
    period->addWidget(txtSaveInterval);
    period->addWidget(new QLabel(QStringLiteral("sec"), page));
    period->addWidget(btnDN_SI);
    period->addWidget(btnUP_SI);
    period->addStretch();
    f->addRow(QStringLiteral("RECORD PERIOD"), period);
    auto stepPeriod = [this](int delta) {
        const int v = StepWrap(static_cast<int>(LeadingNumber(m_p.text(kValue, 10))), delta, 1, 900);
        m_p.setText(kValue, 10, QString::number(v));
        txtSaveInterval->setText(QString::number(v));
    };
    connect(btnUP_SI, &QPushButton::clicked, this, [=] { stepPeriod(1); });
    connect(btnDN_SI, &QPushButton::clicked, this, [=] { stepPeriod(-1); });
    connect(txtSaveInterval, &QLineEdit::editingFinished, this, [this] {
        const QString t = ClampTyped(txtSaveInterval->text(), 1, 900);
        txtSaveInterval->setText(t);
        m_p.setText(kValue, 10, t);
    });
    f->addRow(QStringLiteral("BLACKOUT RESUME"), twoState(btnPowReturn, QStringLiteral("btnPowReturn"), "OFF", "ON", 11, page));
    f->addRow(QStringLiteral("BEEP SOUND"), twoState(btnBeep, QStringLiteral("btnBeep"), "OFF", "ON", 12, page));
    auto* saver = new QHBoxLayout;
    txtScrSaver_T = numberBox(QStringLiteral("txtScrSaver_T"), page);
    txtScrSaver_T->setValidator(nullptr);
    saver->addWidget(txtScrSaver_T);
    saver->addWidget(new QLabel(QStringLiteral("MINUTES"), page));
    saver->addStretch();
    f->addRow(QStringLiteral("SCREEN SAVER"), saver);
    connect(txtScrSaver_T, &QLineEdit::editingFinished, this, [this] {
        const ScreenSaver s = ClampScreenSaver(txtScrSaver_T->text());
        txtScrSaver_T->setText(s.box);
        m_p.setText(kValue, 13, s.cell);
    });
    f->addRow(QStringLiteral("REC. WITH BUFFER"),
              twoState(btnBufferAfter, QStringLiteral("btnBufferAfter"), "OFF", "ON", 14, page));
    return page;
}

QWidget* frmVQ_P_System::buildColourTab()
{
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    auto* screen = new QGroupBox(QStringLiteral("SCREEN COLOR"), page);
    auto* sl = new QHBoxLayout(screen);
    const char* bk[2] = {"BLACK", "WHITE"};
    for (int i = 0; i < 2; ++i) {
        obtBK_Color[i] = button(QLatin1String(bk[i]), QStringLiteral("obtBK_Color%1").arg(i), screen);
        obtBK_Color[i]->setCheckable(true);
        sl->addWidget(obtBK_Color[i]);
        connect(obtBK_Color[i], &QPushButton::clicked, this, [this, i] {
            m_p.setText(kValue, 15, i == 0 ? QStringLiteral("BLACK") : QStringLiteral("WHITE"));
            refresh();
        });
    }
    lblBColor = new QLabel(screen);
    lblBColor->setObjectName(QStringLiteral("lblBColor"));
    lblBColor->setFixedSize(48, 22);
    sl->addSpacing(12);
    sl->addWidget(lblBColor);
    sl->addStretch();
    v->addWidget(screen);

    auto* chans = new QGroupBox(QStringLiteral("CHANNEL COLOR"), page);
    auto* g = new QGridLayout(chans);
    g->setHorizontalSpacing(3);
    for (int c = 0; c < m_channels; ++c) {
        g->addWidget(new QLabel(QStringLiteral("CH.%1").arg(c + 1, 2, 10, QLatin1Char('0')), chans), c, 0);
        for (int i = 0; i < colours::kCount; ++i) {
            auto* b = button(QString::number(i), QStringLiteral("obtCH%1_Color%2").arg(c + 1, 2, 10, QLatin1Char('0')).arg(i),
                             chans, 28);
            b->setCheckable(true);
            PaintButton(b, colours::ChannelColour(i));
            // All as wide as the widest number, chosen.
            b->setFixedWidth(qMax(34, PaintedButtonWidth(b, QString::number(colours::kCount - 1))));
            obtCH_Color[c][i] = b;
            g->addWidget(b, c, i + 1);
            connect(b, &QPushButton::clicked, this, [this, c, i] { chooseColour(c + 1, i); });
        }
        lblCH_Color[c] = new QLabel(chans);
        lblCH_Color[c]->setObjectName(QStringLiteral("lblCH_Color%1").arg(c));
        lblCH_Color[c]->setFixedSize(40, 22);
        g->addWidget(lblCH_Color[c], c, 14);
    }
    v->addWidget(chans);
    v->addStretch();
    return page;
}

void frmVQ_P_System::chooseColour(int channel, int option)
{
    m_ch.setText(ParamTables::ChannelCol(channel), kColourRow, QString::number(option));
    m_ch.setBackground(ParamTables::ChannelCol(channel), kColourRow, colours::ChannelColour(option));
    PaintSwatch(lblCH_Color[channel - 1], colours::ChannelColour(option));
    for (int i = 0; i < colours::kCount; ++i)
        obtCH_Color[channel - 1][i]->setChecked(i == option);
}

QWidget* frmVQ_P_System::buildDateTab()
{
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    auto* date = new QGroupBox(QStringLiteral("SYSTEM DATE/TIME"), page);
    auto* dl = new QHBoxLayout(date);
    for (int i = 0; i < 6; ++i) {
        txtSYS[i] = numberBox(QStringLiteral("txtSYS_%1").arg(QLatin1String(kFields[i])), date);
        dl->addWidget(txtSYS[i]);
    }
    btnSYS_DTSet = button(QStringLiteral("SET"), QStringLiteral("btnSYS_DTSet"), date);
    dl->addWidget(btnSYS_DTSet);
    connect(btnSYS_DTSet, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < 6; ++i)
            m_p.setText(kValue, 25 + i, txtSYS[i]->text());
    });
    v->addWidget(date);

    auto* rsv = new QGroupBox(QStringLiteral("RECORD RESERVE"), page);
    auto* rl = new QVBoxLayout(rsv);
    rl->addWidget(twoState(btnRSV, QStringLiteral("btnRSV"), "ON", "OFF", 18, rsv));
    auto* boxes = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        // Shown only: the reserved start is sent by the clock window.
        txtRSV[i] = numberBox(QStringLiteral("txtRSV_%1").arg(QLatin1String(kFields[i])), rsv, true);
        boxes->addWidget(txtRSV[i]);
    }
    boxes->addStretch();
    rl->addLayout(boxes);
    v->addWidget(rsv);
    v->addStretch();
    return page;
}

QWidget* frmVQ_P_System::buildSerialTab(Serial& s, const QString& sfx, int firstRow)
{
    s.firstRow = firstRow;
    auto* page = new QWidget(this);
    auto* box = new QGroupBox(sfx == QLatin1String("232") ? QStringLiteral("SERIAL RS232 SETTING")
                                                         : QStringLiteral("SERIAL RS422/485 SETTING"),
                              page);
    auto* f = new QFormLayout(box);
    s.txtID = numberBox(QStringLiteral("txt%1ID").arg(sfx), box);
    f->addRow(QStringLiteral("MACHINE ADDRESS"), s.txtID);
    connect(s.txtID, &QLineEdit::editingFinished, this, [this, &s] {
        const QString t = ClampTyped(s.txtID->text(), 1, 255);
        s.txtID->setText(t);
        m_p.setText(kValue, s.firstRow, t);
    });
    auto* protocol = valueLabel(QStringLiteral("lblProtocol%1").arg(sfx), box);
    protocol->setText(QStringLiteral("Modbus-RTU"));
    protocol->setMaximumWidth(160);
    f->addRow(QStringLiteral("PROTOCOL"), protocol);

    auto stepper = [&](QWidget* field, std::array<QPushButton*, 2>& buttons, const QString& name,
                       const QString& caption) {
        auto* row = new QHBoxLayout;
        row->addWidget(field);
        buttons[0] = button(QStringLiteral("\u25BC"), QStringLiteral("btnDN_%1%2").arg(name, sfx), box, 36);
        buttons[1] = button(QStringLiteral("\u25B2"), QStringLiteral("btnUP_%1%2").arg(name, sfx), box, 36);
        row->addWidget(buttons[0]);
        row->addWidget(buttons[1]);
        row->addStretch();
        f->addRow(caption, row);
    };
    s.lblBaud = valueLabel(QStringLiteral("lblBaud%1").arg(sfx), box);
    stepper(s.lblBaud, s.btnBaud, QStringLiteral("Baud"), QStringLiteral("BAUDRATE"));
    s.lblParity = valueLabel(QStringLiteral("lblParity%1").arg(sfx), box);
    stepper(s.lblParity, s.btnParity, QStringLiteral("Parity"), QStringLiteral("PARITY BIT"));
    s.lblData = valueLabel(QStringLiteral("lblData%1").arg(sfx), box);
    stepper(s.lblData, s.btnData, QStringLiteral("Data"), QStringLiteral("D. LENGTH"));
    s.lblStop = valueLabel(QStringLiteral("lblStop%1").arg(sfx), box);
    stepper(s.lblStop, s.btnStop, QStringLiteral("Stop"), QStringLiteral("STOP BIT"));
    s.txtResT = numberBox(QStringLiteral("txtResT%1").arg(sfx), box);
    stepper(s.txtResT, s.btnResT, QStringLiteral("ResT"), QStringLiteral("RESP.TIME (ms)"));

    // Each stepping button rewrites its row and the field beside it.
    auto bind = [this](std::array<QPushButton*, 2>& buttons, int row, QWidget* field,
                       std::function<QString(const QString&, bool)> step) {
        for (int i = 0; i < 2; ++i) {
            connect(buttons[i], &QPushButton::clicked, this, [this, row, field, step, up = i == 1] {
                const QString t = step(m_p.text(kValue, row), up);
                m_p.setText(kValue, row, t);
                if (auto* l = qobject_cast<QLabel*>(field))
                    l->setText(t);
                else if (auto* e = qobject_cast<QLineEdit*>(field))
                    e->setText(t);
            });
        }
    };
    bind(s.btnBaud, firstRow + 2, s.lblBaud, [](const QString& t, bool up) { return StepBaud(t, up); });
    bind(s.btnParity, firstRow + 3, s.lblParity, [](const QString& t, bool up) { return StepParity(t, up); });
    bind(s.btnData, firstRow + 4, s.lblData, [](const QString& t, bool) { return StepDataLength(t); });
    bind(s.btnStop, firstRow + 5, s.lblStop, [](const QString& t, bool) { return StepStopBit(t); });
    bind(s.btnResT, firstRow + 6, s.txtResT, [](const QString& t, bool up) {
        return QString::number(StepWrap(static_cast<int>(LeadingNumber(t)), up ? 1 : -1, 0, 9999));
    });
    connect(s.txtResT, &QLineEdit::editingFinished, this, [this, &s] {
        const QString t = ClampTyped(s.txtResT->text(), 0, 9999);
        s.txtResT->setText(t);
        m_p.setText(kValue, s.firstRow + 6, t);
    });
    auto* v = new QVBoxLayout(page);
    v->addWidget(box);
    v->addStretch();
    return page;
}

QWidget* frmVQ_P_System::buildLanguageTab()
{
    auto* page = new QWidget(this);
    auto* box = new QGroupBox(QStringLiteral("LANGUAGE"), page);
    auto* l = new QHBoxLayout(box);
    const char* names[2] = {"KOREAN", "ENGLISH"};
    for (int i = 0; i < 2; ++i) {
        obtLanguage[i] = button(QLatin1String(names[i]), QStringLiteral("obtLanguage%1").arg(i), box, 100);
        l->addWidget(obtLanguage[i]);
        connect(obtLanguage[i], &QPushButton::clicked, this, [this, i] {
            m_p.setText(kValue, 16, i == 0 ? QStringLiteral("KOREAN") : QStringLiteral("ENGLISH"));
            LightButton(obtLanguage[i], true);
            LightButton(obtLanguage[1 - i], false);
        });
    }
    l->addStretch();
    auto* v = new QVBoxLayout(page);
    v->addWidget(box);
    v->addStretch();
    return page;
}

void frmVQ_P_System::showTwoState(std::array<QPushButton*, 2>& pair, int row)
{
    // The "ON" button is lit unless the cell reads "OFF".
    const bool on = m_p.text(kValue, row) != QLatin1String("OFF");
    for (QPushButton* b : pair)
        LightButton(b, (b->text() == QLatin1String("ON")) == on);
}

void frmVQ_P_System::refreshSerial(Serial& s)
{
    s.txtID->setText(m_p.text(kValue, s.firstRow));
    s.lblBaud->setText(m_p.text(kValue, s.firstRow + 2));
    s.lblParity->setText(m_p.text(kValue, s.firstRow + 3));
    s.lblData->setText(m_p.text(kValue, s.firstRow + 4));
    s.lblStop->setText(m_p.text(kValue, s.firstRow + 5));
    s.txtResT->setText(m_p.text(kValue, s.firstRow + 6));
}

void frmVQ_P_System::refresh()
{
    tmrRefresh->stop();
    txtSaveInterval->setText(m_p.text(kValue, 10));
    showTwoState(btnPowReturn, 11);
    showTwoState(btnBeep, 12);
    showTwoState(btnBufferAfter, 14);
    showTwoState(btnRSV, 18);
    txtScrSaver_T->setText(ClampScreenSaver(m_p.text(kValue, 13)).box);
    const bool white = m_p.text(kValue, 15) == QLatin1String("WHITE");
    obtBK_Color[0]->setChecked(!white);
    obtBK_Color[1]->setChecked(white);
    LightButton(obtBK_Color[0], !white);
    LightButton(obtBK_Color[1], white);
    PaintSwatch(lblBColor, white ? QColor(Qt::white) : QColor(Qt::black));
    const bool english = m_p.text(kValue, 16) == QLatin1String("ENGLISH");
    LightButton(obtLanguage[0], !english);
    LightButton(obtLanguage[1], english);
    for (int i = 0; i < 6; ++i) {
        txtRSV[i]->setText(fieldText(i, m_p.text(kValue, 19 + i)));
        txtSYS[i]->setText(fieldText(i, m_p.text(kValue, 25 + i)));
    }
    refreshSerial(s232);
    refreshSerial(s485);
    for (int c = 1; c <= m_channels; ++c) {
        const QString cell = m_ch.text(ParamTables::ChannelCol(c), kColourRow);
        const int n = cell.isEmpty() ? -1 : static_cast<int>(LeadingNumber(cell));
        for (int i = 0; i < colours::kCount; ++i)
            obtCH_Color[c - 1][i]->setChecked(i == n);
        PaintSwatch(lblCH_Color[c - 1], colours::ChannelColour(n));
    }
}

void frmVQ_P_System::showPcClock()
{
    const QString text = now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (text != lblDateTime->text())
        lblDateTime->setText(text);
}
