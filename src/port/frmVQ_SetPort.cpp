#include "port/frmVQ_SetPort.h"

#include "core/ConfigText.h"
#include "link/LineFile.h"
#include "link/LinkState.h"
#include "link/PortFile.h"
#include "port/TcpPort.h"
#include "ui/OkCancel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace {

QComboBox* combo(const char* name, const QStringList& items, bool editable, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    c->setEditable(editable);
    if (editable)
        c->setInsertPolicy(QComboBox::NoInsert);
    c->setMinimumWidth(220);
    return c;
}

// Shows a value even when it is not one of the offered ones, so that OK
// writes back what the file held.
void showValue(QComboBox* c, const QString& value)
{
    if (c->isEditable()) {
        c->setCurrentText(value);
        return;
    }
    int i = c->findText(value);
    if (i < 0 && !value.isEmpty()) {
        c->addItem(value);
        i = c->count() - 1;
    }
    if (i >= 0)
        c->setCurrentIndex(i);
}

} // namespace

QStringList frmVQ_SetPort::OfferedPorts()
{
    QStringList ports;
#ifdef Q_OS_WIN
    for (int i = 1; i <= 16; ++i)
        ports << QStringLiteral("COM%1").arg(i);
#endif
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (!ports.contains(info.portName()))
            ports << info.portName();
#ifndef Q_OS_WIN
    // Stable names of USB adapters, whichever ttyUSBn they get.
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString& name : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        ports << byId.filePath(name);
#endif
    return ports;
}

frmVQ_SetPort::frmVQ_SetPort(const QString& programDir, const PortSettings& link, QWidget* parent)
    : QDialog(parent)
    , m_programDir(programDir)
    , m_saved(link)
    , m_reopen(LineFile::read(programDir).reopen())
{
    setObjectName(QStringLiteral("frmVQ_SetPort"));
    setWindowTitle(QStringLiteral("PC Port Setup"));

    cmbPort = combo("cmbPort", OfferedPorts(), true, this);
    cmbPort->lineEdit()->setPlaceholderText(QStringLiteral("port name or device path"));
    cmbPort->setToolTip(QStringLiteral("Choose a port, or type its name or path (for example /dev/pts/3), or tcp://HOST:PORT of a serial device server"));
    cmbBaud = combo("cmbBaud", {"9600", "19200", "38400", "57600"}, false, this);
    cmbParity = combo("cmbParity", {"N", "E", "O"}, false, this);
    cmbData = combo("cmbData", {"7", "8"}, false, this);
    cmbStop = combo("cmbStop", {"1", "2"}, false, this);
    cmbProtocol = combo("cmbProtocol", {"Modbus RTU"}, false, this);

    auto* grid = new QGridLayout;
    const std::pair<const char*, QComboBox*> rows[] = {{"&Port", cmbPort},          {"&Baudrate", cmbBaud},
                                                       {"P&arity Bit", cmbParity}, {"&Data Bit", cmbData},
                                                       {"&Stop Bit", cmbStop},     {"P&rotocol", cmbProtocol}};
    int r = 0;
    for (const auto& [caption, box] : rows) {
        auto* l = new QLabel(QLatin1String(caption), this);
        l->setBuddy(box);
        grid->addWidget(l, r, 0);
        grid->addWidget(box, r, 1);
        ++r;
    }
    btnTest = new QPushButton(QStringLiteral("&Test"), this);
    btnTest->setObjectName(QStringLiteral("btnTest"));
    btnTest->setToolTip(QStringLiteral("Open the port and close it again"));
    grid->addWidget(btnTest, 0, 2);
    grid->setColumnStretch(1, 1);

    chbReopen = new QCheckBox(QStringLiteral("Reopen a lost port"), this);
    chbReopen->setObjectName(QStringLiteral("chbReopen"));
    chbReopen->setToolTip(QStringLiteral("When the adapter is lost, try to open the port again every 10 s"));
    chbReopen->setChecked(m_reopen);
    grid->addWidget(chbReopen, r++, 1);

    const LineFile options = LineFile::read(programDir);
    spnGap = new QSpinBox(this);
    spnGap->setObjectName(QStringLiteral("spnGap"));
    spnGap->setRange(0, LineFile::kMaxGapMs);
    spnGap->setSuffix(QStringLiteral(" ms"));
    spnGap->setSpecialValueText(QStringLiteral("shortest (3.5 characters)"));
    spnGap->setToolTip(QStringLiteral("Pause between an answer and the next request"));
    spnGap->setValue(options.gapMs());
    auto* gapLabel = new QLabel(QStringLiteral("Pa&use"), this);
    gapLabel->setBuddy(spnGap);
    grid->addWidget(gapLabel, r, 0);
    grid->addWidget(spnGap, r++, 1);

    cmbRs485 = combo("cmbRs485", {"none (the adapter switches)", "RTS (the program switches)", "kernel (the driver switches)"},
                     false, this);
    cmbRs485->setToolTip(QStringLiteral("Who turns the RS-485 driver on while a request is sent"));
    cmbRs485->setCurrentIndex(static_cast<int>(options.rs485()));
    auto* rs485Label = new QLabel(QStringLiteral("RS-&485"), this);
    rs485Label->setBuddy(cmbRs485);
    grid->addWidget(rs485Label, r, 0);
    grid->addWidget(cmbRs485, r++, 1);

    lblMsg = new QLabel(this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setWordWrap(true);
    lblMsg->setMinimumHeight(lblMsg->fontMetrics().height() * 3);
    lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = MakeOkCancel(this, &btnOK, &btnCancel);

    auto* col = new QVBoxLayout(this);
    col->addLayout(grid);
    col->addWidget(lblMsg);
    col->addWidget(buttons);

    showValue(cmbPort, link.gCommPort);
    showValue(cmbBaud, link.gCommBaud);
    showValue(cmbParity, link.gCommParity);
    showValue(cmbData, link.gCommDataBits);
    showValue(cmbStop, link.gCommStopBits);
    showValue(cmbProtocol, link.gCommProtocol);

    connect(cmbPort, &QComboBox::activated, this, [this](int i) { testPort(cmbPort->itemText(i)); });
    connect(btnTest, &QPushButton::clicked, this, [this] {
        if (testPort(cmbPort->currentText().trimmed()))
            lblMsg->setText(QStringLiteral("%1 is available.").arg(cmbPort->currentText().trimmed()));
    });
    connect(btnOK, &QPushButton::clicked, this, &frmVQ_SetPort::save);

    if (link.gCommPort.trimmed().size() > 3)
        testPort(link.gCommPort.trimmed());
}

bool frmVQ_SetPort::testPort(const QString& name)
{
    PortSettings s;
    s.gCommPort = name;
    s.gCommBaud = cmbBaud->currentText();
    s.gCommParity = cmbParity->currentText();
    s.gCommDataBits = cmbData->currentText();
    s.gCommStopBits = cmbStop->currentText();
    s.rs485 = static_cast<Rs485Mode>(cmbRs485->currentIndex());
    LinePort port;
    QString why;
    const bool ok = port.open(s, &why);
    port.close();
    lblMsg->setStyleSheet(ok ? QStringLiteral("QLabel { color: #0a6a0a; }") : QStringLiteral("QLabel { color: #b01010; }"));
    lblMsg->setText(ok ? QString() : QStringLiteral("Port %1 cannot be opened: %2.").arg(name, why));
    return ok;
}

void frmVQ_SetPort::save()
{
    PortSettings next = m_saved;
    next.gCommPort = cmbPort->currentText().trimmed();
    next.gCommBaud = cmbBaud->currentText().trimmed();
    next.gCommParity = cmbParity->currentText().trimmed();
    next.gCommDataBits = cmbData->currentText().trimmed();
    next.gCommStopBits = cmbStop->currentText().trimmed();
    next.gCommProtocol = cmbProtocol->currentText().trimmed();
    QString why;
    if (!WritePortFile(m_programDir, next, &why)) {
        QMessageBox::warning(this, windowTitle(),
                             CannotSaveText(PortFilePath(m_programDir), why));
        return;
    }
    // Line.INI keeps the keys other options wrote.
    LineFile line = LineFile::read(m_programDir);
    line.setReopen(chbReopen->isChecked());
    line.setGapMs(spnGap->value());
    line.setRs485(static_cast<Rs485Mode>(cmbRs485->currentIndex()));
    if (!line.write(m_programDir, &why)) {
        QMessageBox::warning(this, windowTitle(), CannotSaveText(LineFile::path(m_programDir), why));
        return;
    }
    m_saved = next;
    m_reopen = chbReopen->isChecked();
    accept();
}
