#include "port/frmVQ_FindRecorders.h"

#include "link/DeviceList.h"
#include "port/QtTimer.h"
#include "port/TcpPort.h"
#include "port/frmVQ_SetPort.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kBauds[] = {9600, 19200, 38400, 57600};
constexpr const char* kParities[] = {"N", "E", "O"};

template <typename W> W* named(W* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

frmVQ_FindRecorders::frmVQ_FindRecorders(const QString& programDir, const PortSettings& current, SerialPort* port,
                                         OneShotTimer* timer, QWidget* parent)
    : QDialog(parent)
    , m_programDir(programDir)
    , m_current(current)
{
    setObjectName(QStringLiteral("frmVQ_FindRecorders"));
    setWindowTitle(QStringLiteral("Find Recorders"));
    if (!port)
        m_ownPort = std::make_unique<LinePort>();
    if (!timer)
        m_ownTimer = std::make_unique<QtOneShotTimer>(100);
    m_search = std::make_unique<RecorderSearch>(port ? *port : *m_ownPort, timer ? *timer : *m_ownTimer);

    cmbPort = named(new QComboBox(this), "cmbPort");
    cmbPort->setEditable(true);
    cmbPort->addItems(frmVQ_SetPort::OfferedPorts());
    cmbPort->setCurrentText(current.gCommPort);
    cmbPort->lineEdit()->setPlaceholderText(QStringLiteral("port name or device path"));

    auto* bauds = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        chkBaud[i] = new QCheckBox(QString::number(kBauds[i]), this);
        chkBaud[i]->setObjectName(QStringLiteral("chkBaud%1").arg(kBauds[i]));
        chkBaud[i]->setChecked(true);
        bauds->addWidget(chkBaud[i]);
    }
    auto* parities = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        chkParity[i] = new QCheckBox(QString::fromLatin1(kParities[i]), this);
        chkParity[i]->setObjectName(QStringLiteral("chkParity%1").arg(QLatin1String(kParities[i])));
        chkParity[i]->setChecked(true);
        parities->addWidget(chkParity[i]);
    }
    parities->addWidget(new QLabel(QStringLiteral("data bits 8, stop bits"), this));
    cmbStop = named(new QComboBox(this), "cmbStop");
    cmbStop->addItems({QStringLiteral("1"), QStringLiteral("2")});
    parities->addWidget(cmbStop);
    parities->addStretch();

    auto* range = new QHBoxLayout;
    spnFirst = named(new QSpinBox(this), "spnFirst");
    spnLast = named(new QSpinBox(this), "spnLast");
    for (QSpinBox* s : {spnFirst, spnLast})
        s->setRange(1, kMaxDeviceNumber);
    spnFirst->setValue(1);
    spnLast->setValue(kMaxDeviceNumber);
    chkWide = named(new QCheckBox(QStringLiteral("up to 247"), this), "chkWide");
    chkWide->setToolTip(QStringLiteral("Recorders set to an address above 99 are found, but cannot be polled"));
    connect(chkWide, &QCheckBox::toggled, this, [this](bool on) {
        for (QSpinBox* s : {spnFirst, spnLast})
            s->setMaximum(on ? 247 : kMaxDeviceNumber);
    });
    range->addWidget(spnFirst);
    range->addWidget(new QLabel(QStringLiteral("to"), this));
    range->addWidget(spnLast);
    range->addWidget(chkWide);
    range->addStretch();

    cmbTimeout = named(new QComboBox(this), "cmbTimeout");
    cmbTimeout->addItem(QStringLiteral("100 ms plus the wire time"), 100);
    cmbTimeout->addItem(QStringLiteral("1 s plus the wire time (long response time)"), 1000);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Port"), cmbPort);
    form->addRow(QStringLiteral("Baud rates"), bauds);
    form->addRow(QStringLiteral("Parities"), parities);
    form->addRow(QStringLiteral("Addresses"), range);
    form->addRow(QStringLiteral("Time-out per question"), cmbTimeout);

    prgSearch = named(new QProgressBar(this), "prgSearch");
    prgSearch->setRange(0, 1);
    prgSearch->setValue(0);
    lblSetting = named(new QLabel(this), "lblSetting");
    lblFound = named(new QLabel(QStringLiteral("Found: 0"), this), "lblFound");
    lstFound = named(new QListWidget(this), "lstFound");
    lstFound->setMinimumHeight(160);

    btnStart = named(new QPushButton(QStringLiteral("&Search"), this), "btnStart");
    btnUse = named(new QPushButton(QStringLiteral("&Use"), this), "btnUse");
    btnUse->setEnabled(false);
    btnUse->setToolTip(QStringLiteral("Write the setting found to Comm.CFG and enable the recorders found in SetEnv.INI"));
    btnClose = named(new QPushButton(QStringLiteral("&Close"), this), "btnClose");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnStart);
    buttons->addStretch();
    buttons->addWidget(btnUse);
    buttons->addWidget(btnClose);

    auto* status = new QHBoxLayout;
    status->addWidget(lblSetting, 1);
    status->addWidget(lblFound);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(prgSearch);
    layout->addLayout(status);
    layout->addWidget(lstFound, 1);
    layout->addLayout(buttons);

    connect(btnStart, &QPushButton::clicked, this, &frmVQ_FindRecorders::startOrStop);
    connect(btnUse, &QPushButton::clicked, this, &frmVQ_FindRecorders::use);
    connect(btnClose, &QPushButton::clicked, this, &frmVQ_FindRecorders::reject);
    RecorderSearch& s = *m_search;
    connect(&s, &RecorderSearch::progress, this, [this](int done, int total, const QString& setting) {
        prgSearch->setRange(0, qMax(1, total));
        prgSearch->setValue(done);
        if (!setting.isEmpty())
            lblSetting->setText(QStringLiteral("Trying %1").arg(setting));
    });
    connect(&s, &RecorderSearch::found, this, [this](const FoundRecorder& r) {
        auto* item = new QListWidgetItem(r.text(), lstFound);
        if (!r.pollable())
            item->setForeground(QColor(0xb0, 0x10, 0x10));
        lblFound->setText(QStringLiteral("Found: %1").arg(m_search->results().size()));
    });
    connect(&s, &RecorderSearch::note, this, [this](const QString& text) {
        new QListWidgetItem(text, lstFound);
        lstFound->item(lstFound->count() - 1)->setForeground(QColor(0x70, 0x70, 0x70));
    });
    connect(&s, &RecorderSearch::finished, this, [this](bool stopped, const QString& error) {
        btnStart->setText(QStringLiteral("&Search"));
        for (QWidget* w : std::initializer_list<QWidget*>{cmbPort, cmbStop, spnFirst, spnLast, chkWide, cmbTimeout})
            w->setEnabled(true);
        lblSetting->setText(!error.isEmpty() ? error
                            : stopped        ? QStringLiteral("Stopped.")
                                             : QStringLiteral("Search ended."));
        btnUse->setEnabled(!m_search->results().isEmpty());
    });
    resize(640, 560);
}

frmVQ_FindRecorders::~frmVQ_FindRecorders()
{
    m_search->stop();
}

SearchPlan frmVQ_FindRecorders::plan() const
{
    SearchPlan p;
    p.port = cmbPort->currentText().trimmed();
    p.bauds.clear();
    for (int i = 0; i < 4; ++i)
        if (chkBaud[i]->isChecked())
            p.bauds << kBauds[i];
    p.parities.clear();
    for (int i = 0; i < 3; ++i)
        if (chkParity[i]->isChecked())
            p.parities << QString::fromLatin1(kParities[i]);
    p.stopBits = cmbStop->currentText();
    p.firstAddress = spnFirst->value();
    p.lastAddress = spnLast->value();
    p.timeoutMs = cmbTimeout->currentData().toInt();
    p.rs485 = m_current.rs485;
    return p;
}

void frmVQ_FindRecorders::startOrStop()
{
    if (m_search->running()) {
        m_search->stop();
        return;
    }
    lstFound->clear();
    lblFound->setText(QStringLiteral("Found: 0"));
    btnUse->setEnabled(false);
    btnStart->setText(QStringLiteral("&Stop"));
    for (QWidget* w : std::initializer_list<QWidget*>{cmbPort, cmbStop, spnFirst, spnLast, chkWide, cmbTimeout})
        w->setEnabled(false);
    m_search->start(plan());
}

QString frmVQ_FindRecorders::confirmation(const SearchUse& use) const
{
    if (!use.problem.isEmpty())
        return QString();
    return QStringLiteral("Write these changes?\n\n%1").arg(use.changes.join(u'\n'));
}

void frmVQ_FindRecorders::use()
{
    PortSettings current = m_current;
    current.gCommPort = cmbPort->currentText().trimmed();
    const SearchUse use = PlanUse(m_search->results(), current, ReadDeviceListLines(m_programDir));
    if (!use.problem.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, windowTitle(), use.problem, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("msgProblem"));
        box.exec();
        return;
    }
    QMessageBox box(QMessageBox::Question, windowTitle(), confirmation(use), QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("msgQuestion"));
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return;
    QString why;
    if (!WriteUse(m_programDir, use, &why)) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Not written: %1").arg(why));
        return;
    }
    m_used = true;
    m_written = use;
    accept();
}

void frmVQ_FindRecorders::reject()
{
    m_search->stop();
    QDialog::reject();
}
