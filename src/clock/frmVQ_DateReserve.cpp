#include "clock/frmVQ_DateReserve.h"

#include "core/Numbers.h"
#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/PollingEngine.h"
#include "ui/DeferredRefresh.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace clockrules;

namespace {
const char* kFieldNames[6] = {"Year", "Month", "Day", "Hour", "Minute", "Second"};

QLineEdit* numberBox(const QString& name, int digits, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAlignment(Qt::AlignCenter);
    e->setValidator(new QIntValidator(-99999, 99999, e));
    e->setMaxLength(6);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QString(digits + 1, u'0')) + 16);
    return e;
}
}

frmVQ_DateReserve::frmVQ_DateReserve(const LinkState& link, const DataStore& store, PollingEngine& engine,
                                     QWidget* parent)
    : QDialog(parent)
    , m_link(link)
    , m_store(store)
    , m_engine(engine)
{
    setObjectName(QStringLiteral("frmVQ_DateReserve"));
    // The caption names the recorder the frames go to.
    const auto title = [this] { setWindowTitle(m_link.captionForSelected(QStringLiteral("System DateTime/Reserve Setup"))); };
    title();
    connect(&m_engine, &PollingEngine::selectedDeviceChanged, this, title);

    // System date and time.
    auto* sys = new QGroupBox(QStringLiteral("SYSTEM DATE/TIME"), this);
    auto* sl = new QGridLayout(sys);
    lblDateTime = new QLabel(sys);
    lblDateTime->setObjectName(QStringLiteral("lblDateTime"));
    lblDateTime->setAlignment(Qt::AlignCenter);
    lblDateTime->setFrameShape(QFrame::Panel);
    lblDateTime->setFrameShadow(QFrame::Sunken);
    QFont mono = lblDateTime->font();
    mono.setBold(true);
    mono.setPointSizeF(mono.pointSizeF() * 1.2);
    lblDateTime->setFont(mono);
    chbSameDT = new QCheckBox(QStringLiteral("Follow the PC clock"), sys);
    chbSameDT->setObjectName(QStringLiteral("chbSameDT"));
    sl->addWidget(new QLabel(QStringLiteral("PC"), sys), 0, 0);
    sl->addWidget(lblDateTime, 0, 1);
    sl->addWidget(chbSameDT, 0, 2);
    auto* sysRow = new QHBoxLayout;
    const char* seps[6] = {"", "/", "/", "", ":", ":"};
    for (int i = 0; i < 6; ++i) {
        txtSYS[i] = numberBox(QStringLiteral("txtSYS_%1").arg(QLatin1String(kFieldNames[i])), i == 0 ? 4 : 2, sys);
        if (*seps[i])
            sysRow->addWidget(new QLabel(QLatin1String(seps[i]), sys));
        else if (i == 3)
            sysRow->addSpacing(12);
        sysRow->addWidget(txtSYS[i]);
    }
    btnSYS_DTSet = new QPushButton(QStringLiteral("SET"), sys);
    btnSYS_DTSet->setObjectName(QStringLiteral("btnSYS_DTSet"));
    sysRow->addSpacing(12);
    sysRow->addWidget(btnSYS_DTSet);
    sysRow->addStretch();
    sl->addWidget(new QLabel(QStringLiteral("Recorder"), sys), 1, 0);
    sl->addLayout(sysRow, 1, 1, 1, 2);

    // Reserved start.
    auto* rsv = new QGroupBox(QStringLiteral("RECORD RESERVE"), this);
    auto* rl = new QGridLayout(rsv);
    const char* onOff[2] = {"OFF", "ON"};
    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 2; ++i) {
        btnRSV[i] = new QPushButton(QLatin1String(onOff[i]), rsv);
        btnRSV[i]->setObjectName(QStringLiteral("btnRSV%1").arg(i));
        btnRSV[i]->setMinimumWidth(70);
        buttons->addWidget(btnRSV[i]);
        connect(btnRSV[i], &QPushButton::clicked, this, [this, i] {
            send(ReserveFrame(m_link.gSelMC_No, kReserveOnOff, i));
        });
    }
    buttons->addStretch();
    rl->addLayout(buttons, 0, 0, 1, 6);
    const char* headings[6] = {"YEAR", "MONTH", "DAY", "HOUR", "MIN.", "SEC."};
    for (int i = 0; i < 6; ++i) {
        auto* h = new QLabel(QLatin1String(headings[i]), rsv);
        h->setAlignment(Qt::AlignCenter);
        rl->addWidget(h, 1, i);
        txtRSV[i] = numberBox(QStringLiteral("txtRSV_%1").arg(QLatin1String(kFieldNames[i])), i == 0 ? 4 : 2, rsv);
        rl->addWidget(txtRSV[i], 2, i, Qt::AlignCenter);
        connect(txtRSV[i], &QLineEdit::editingFinished, this, [this, i] { commitReserve(i); });
        connect(txtSYS[i], &QLineEdit::editingFinished, this, [this, i] { commitClock(i); });
    }

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnSYS_DTSet, &QPushButton::clicked, this, &frmVQ_DateReserve::setClock);
    btnSYS_DTSet->setAutoDefault(false);
    for (QPushButton* b : btnRSV)
        b->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnClose);
    auto* root = new QVBoxLayout(this);
    root->addWidget(sys);
    root->addWidget(rsv);
    root->addLayout(bottom);

    tmrDT = new QTimer(this);
    tmrDT->setObjectName(QStringLiteral("tmrDT"));
    tmrDT->setInterval(1000);
    connect(tmrDT, &QTimer::timeout, this, &frmVQ_DateReserve::showPcClock);
    // After a frame the recorder's parameters are read back: show them then.
    connect(&m_engine, &PollingEngine::parametersRead, this, [this] {
        if (m_awaitingReadBack && !m_closing) {
            m_awaitingReadBack = false;
            tmrRefresh->start();
        }
    });
    tmrRefresh = DeferredRefresh(this, &frmVQ_DateReserve::refresh);

    tmrDT->start();
    tmrRefresh->start();
    QTimer::singleShot(0, this, &frmVQ_DateReserve::showPcClock);
}

frmVQ_DateReserve::~frmVQ_DateReserve() = default;

void frmVQ_DateReserve::showPcClock()
{
    const QString text = now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (text != lblDateTime->text())
        lblDateTime->setText(text);
    if (chbSameDT->isChecked()) {
        const int starts[6] = {0, 5, 8, 11, 14, 17};
        for (int i = 0; i < 6; ++i)
            txtSYS[i]->setText(text.mid(starts[i], i == 0 ? 4 : 2));
    }
}

void frmVQ_DateReserve::refresh()
{
    tmrRefresh->stop();
    const TextTable& t = m_store.sprdP_Common;
    light(LeadingNumber(t.text(1, 18)) == 1 ? 1 : 0);
    for (int i = 0; i < 6; ++i) {
        const auto field = static_cast<Field>(i);
        txtRSV[i]->setText(FieldText(field, static_cast<int>(LeadingNumber(t.text(1, 19 + i)))));
        // A clock that follows the PC is not overwritten by the read-back.
        if (!chbSameDT->isChecked())
            txtSYS[i]->setText(FieldText(field, static_cast<int>(LeadingNumber(t.text(1, 25 + i)))));
    }
}

void frmVQ_DateReserve::light(int on)
{
    for (int i = 0; i < 2; ++i)
        btnRSV[i]->setStyleSheet(i == on ? QStringLiteral("background-color: rgb(0,255,0);") : QString());
}

Clamped frmVQ_DateReserve::clamp(const std::array<QLineEdit*, 6>& boxes, int field) const
{
    const int year = static_cast<int>(LeadingNumber(boxes[0]->text()));
    const int month = static_cast<int>(LeadingNumber(boxes[1]->text()));
    return Clamp(static_cast<Field>(field), boxes[field]->text(), year, month);
}

void frmVQ_DateReserve::commitReserve(int field)
{
    // editingFinished comes on Enter and again on leaving the box: send once
    // per change. A box left only because the window closes (Esc) sends nothing.
    if (m_closing || !txtRSV[field]->isModified())
        return;
    txtRSV[field]->setModified(false);
    const Clamped c = clamp(txtRSV, field);
    if (c.changed)
        txtRSV[field]->setText(c.text);
    send(ReserveFrame(m_link.gSelMC_No, ReserveRegister(static_cast<Field>(field)), c.value));
}

void frmVQ_DateReserve::commitClock(int field)
{
    const Clamped c = clamp(txtSYS, field);
    if (c.changed)
        txtSYS[field]->setText(c.text);
}

void frmVQ_DateReserve::setClock()
{
    int values[6];
    for (int i = 0; i < 6; ++i) {
        commitClock(i);
        values[i] = clamp(txtSYS, i).value;
    }
    send(ClockFrame(m_link.gSelMC_No, values));
}

void frmVQ_DateReserve::send(const QByteArray& frame)
{
    // Frames queue up in order, so a quick second edit never replaces the
    // first; each goes only to the device it was built for.
    if (m_engine.queueClockFrame(frame, m_link.gSelMC_No))
        m_awaitingReadBack = true;
}

void frmVQ_DateReserve::done(int result)
{
    // Frames already queued are still sent; monitoring follows them.
    m_closing = true;
    tmrDT->stop();
    tmrRefresh->stop();
    m_engine.post(req::Live);
    QDialog::done(result);
}
