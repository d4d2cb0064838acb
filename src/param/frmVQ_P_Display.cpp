#include "param/frmVQ_P_Display.h"

#include "core/Numbers.h"
#include "core/TextTable.h"
#include "param/PageRules.h"
#include "ui/DeferredRefresh.h"
#include "ui/PageLook.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace pagerules;

namespace {
constexpr int kValue = 3; // value column of the common table
const char* kModes[5] = {"H.TREND", "V.TREND", "TEXT-VIEW", "BAR GRAPH", "HISTORY-VIEW"};

QPushButton* smallButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setMinimumWidth(86);
    return b;
}
}

frmVQ_P_Display::frmVQ_P_Display(TextTable& sprdP, QWidget* parent)
    : QDialog(parent)
    , m_p(sprdP)
{
    setObjectName(QStringLiteral("frmVQ_P_Display"));
    setWindowTitle(QStringLiteral("DISPLAY SETUP"));

    auto* modes = new QGroupBox(QStringLiteral("SCREEN DISPLAY MODE"), this);
    auto* ml = new QVBoxLayout(modes);
    for (int i = 0; i < 5; ++i) {
        obtDisplayMode[i] = smallButton(QLatin1String(kModes[i]), QStringLiteral("obtDisplayMode%1").arg(i), modes);
        obtDisplayMode[i]->setMinimumHeight(30);
        ml->addWidget(obtDisplayMode[i]);
        connect(obtDisplayMode[i], &QPushButton::clicked, this, [this, i] {
            m_p.setText(kValue, 2, QLatin1String(kModes[i]));
            tmrRefresh->start();
        });
    }
    ml->addStretch();

    picTREND = new QGroupBox(QStringLiteral("TREND"), this);
    picTREND->setObjectName(QStringLiteral("picTREND"));
    auto* tl = new QVBoxLayout(picTREND);
    tl->addWidget(pairRow(btnRuler, "btnRuler", "RULER", "OFF", "ON", 3, picTREND));
    tl->addWidget(pairRow(btnTextBar, "btnTextBar", "TEXTBAR", "OFF", "ON", 4, picTREND));
    tl->addWidget(pairRow(btnAlarmMark, "btnAlarmMark", "AL. MARK", "OFF", "ON", 5, picTREND));
    auto* speedRow = new QHBoxLayout;
    auto* speedLabel = new QLabel(QStringLiteral("SCROLL SPEED"), picTREND);
    speedLabel->setMinimumWidth(130);
    speedRow->addWidget(speedLabel);
    txtScrollSpeed = new QLineEdit(picTREND);
    txtScrollSpeed->setObjectName(QStringLiteral("txtScrollSpeed"));
    txtScrollSpeed->setAlignment(Qt::AlignCenter);
    txtScrollSpeed->setValidator(new QIntValidator(-9999, 9999, txtScrollSpeed));
    txtScrollSpeed->setMaximumWidth(70);
    btnDN_ScrollSpeed = smallButton(QStringLiteral("\u25BC"), QStringLiteral("btnDN_ScrollSpeed"), picTREND);
    btnUP_ScrollSpeed = smallButton(QStringLiteral("\u25B2"), QStringLiteral("btnUP_ScrollSpeed"), picTREND);
    for (QPushButton* b : {btnDN_ScrollSpeed, btnUP_ScrollSpeed})
        b->setFixedWidth(36);
    speedRow->addWidget(txtScrollSpeed);
    speedRow->addWidget(new QLabel(QStringLiteral("sec"), picTREND));
    speedRow->addWidget(btnDN_ScrollSpeed);
    speedRow->addWidget(btnUP_ScrollSpeed);
    speedRow->addStretch();
    tl->addLayout(speedRow);
    connect(txtScrollSpeed, &QLineEdit::editingFinished, this, &frmVQ_P_Display::commitScrollSpeed);
    auto stepSpeed = [this](int delta) {
        const int v = StepWrap(static_cast<int>(LeadingNumber(m_p.text(kValue, 6))), delta, 1, 120);
        m_p.setText(kValue, 6, QString::number(v));
        txtScrollSpeed->setText(QString::number(v));
    };
    connect(btnUP_ScrollSpeed, &QPushButton::clicked, this, [=] { stepSpeed(1); });
    connect(btnDN_ScrollSpeed, &QPushButton::clicked, this, [=] { stepSpeed(-1); });

    picTView = new QGroupBox(QStringLiteral("TEXT-VIEW"), this);
    picTView->setObjectName(QStringLiteral("picTView"));
    auto* vl = new QHBoxLayout(picTView);
    auto* winLabel = new QLabel(QStringLiteral("WINDOW NUMBER"), picTView);
    winLabel->setMinimumWidth(130);
    vl->addWidget(winLabel);
    txtTView_Win = new QLineEdit(picTView);
    txtTView_Win->setObjectName(QStringLiteral("txtTView_Win"));
    txtTView_Win->setReadOnly(true);
    txtTView_Win->setAlignment(Qt::AlignCenter);
    txtTView_Win->setMaximumWidth(70);
    btnDN_TView_Win = smallButton(QStringLiteral("\u25BC"), QStringLiteral("btnDN_TView_Win"), picTView);
    btnUP_TView_Win = smallButton(QStringLiteral("\u25B2"), QStringLiteral("btnUP_TView_Win"), picTView);
    for (QPushButton* b : {btnDN_TView_Win, btnUP_TView_Win})
        b->setFixedWidth(36);
    vl->addWidget(txtTView_Win);
    vl->addWidget(btnDN_TView_Win);
    vl->addWidget(btnUP_TView_Win);
    vl->addStretch();
    auto stepWindows = [this](bool up) {
        const int v = StepWindowNumber(static_cast<int>(LeadingNumber(m_p.text(kValue, 7))), up);
        m_p.setText(kValue, 7, QString::number(v));
        txtTView_Win->setText(QString::number(v));
    };
    connect(btnUP_TView_Win, &QPushButton::clicked, this, [=] { stepWindows(true); });
    connect(btnDN_TView_Win, &QPushButton::clicked, this, [=] { stepWindows(false); });

    picHISTVIEW = new QGroupBox(QStringLiteral("HISTORY-VIEW"), this);
    picHISTVIEW->setObjectName(QStringLiteral("picHISTVIEW"));
    auto* hl = new QVBoxLayout(picHISTVIEW);
    hl->addWidget(pairRow(btnTrendDir, "btnTrendDir", "TREND DIRECTION", "HORIZON", "VERTICAL", 8, picHISTVIEW));
    hl->addWidget(pairRow(btnReadFrom, "btnReadFrom", "READ FROM", "MEMORY", "SD CARD", 9, picHISTVIEW));

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* panels = new QVBoxLayout;
    panels->addWidget(picTREND);
    panels->addWidget(picTView);
    panels->addWidget(picHISTVIEW);
    panels->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(modes);
    body->addLayout(panels, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnClose);
    auto* root = new QVBoxLayout(this);
    root->addLayout(body, 1);
    root->addLayout(bottom);
    resize(560, 420);

    tmrRefresh = DeferredRefresh(this, &frmVQ_P_Display::refresh);
    tmrRefresh->start();
}

QWidget* frmVQ_P_Display::pairRow(std::array<QPushButton*, 2>& pair, const char* name, const char* caption,
                                  const char* a, const char* b, int row, QWidget* parent)
{
    auto* w = new QWidget(parent);
    auto* l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QLatin1String(caption), w);
    label->setMinimumWidth(130);
    l->addWidget(label);
    const char* captions[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        pair[i] = smallButton(QLatin1String(captions[i]), QStringLiteral("%1%2").arg(QLatin1String(name)).arg(i), w);
        l->addWidget(pair[i]);
        connect(pair[i], &QPushButton::clicked, this, [this, &pair, i, row] { press(pair, i, row); });
    }
    l->addStretch();
    return w;
}

void frmVQ_P_Display::press(std::array<QPushButton*, 2>& pair, int index, int row)
{
    m_p.setText(kValue, row, pair[index]->text());
    LightButton(pair[index], true);
    LightButton(pair[1 - index], false);
}

void frmVQ_P_Display::commitScrollSpeed()
{
    const QString t = ClampTyped(txtScrollSpeed->text(), 1, 120);
    txtScrollSpeed->setText(t);
    m_p.setText(kValue, 6, t);
}

void frmVQ_P_Display::refresh()
{
    tmrRefresh->stop();
    const QString mode = m_p.text(kValue, 2);
    const DisplayPanels panels = PanelsForMode(mode);
    picTREND->setVisible(panels.trend);
    picTView->setVisible(panels.textView);
    picHISTVIEW->setVisible(panels.history);
    for (int i = 0; i < 5; ++i)
        PaintButton(obtDisplayMode[i], mode == QLatin1String(kModes[i]) ? QColor(0, 0, 255) : QColor());
    auto show = [](std::array<QPushButton*, 2>& pair, bool second) {
        LightButton(pair[1], second);
        LightButton(pair[0], !second);
    };
    show(btnRuler, m_p.text(kValue, 3) == QLatin1String("ON"));
    show(btnTextBar, m_p.text(kValue, 4) == QLatin1String("ON"));
    show(btnAlarmMark, m_p.text(kValue, 5) == QLatin1String("ON"));
    txtScrollSpeed->setText(m_p.text(kValue, 6));
    txtTView_Win->setText(m_p.text(kValue, 7));
    show(btnTrendDir, m_p.text(kValue, 8) == QLatin1String("VERTICAL"));
    show(btnReadFrom, m_p.text(kValue, 9) == QLatin1String("SD CARD"));
}
