#pragma once
// "PC Port Setup": the serial port and line settings, stored in Comm.CFG.
#include "link/SerialPort.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class frmVQ_SetPort : public QDialog {
    Q_OBJECT
public:
    frmVQ_SetPort(const QString& programDir, const PortSettings& link, QWidget* parent = nullptr);

    // The settings saved to Comm.CFG by OK (the six gComm texts); the caller
    // hands them to the link.
    const PortSettings& saved() const { return m_saved; }
    // "Reopen a lost port" as OK saved it in CFG/Line.INI.
    bool reopenLostPort() const { return m_reopen; }

    // Opens the port with the chosen settings and closes it again at once;
    // says in lblMsg why it failed. The port is never left open.
    bool testPort(const QString& name);

    // The ports offered: those the system reports (and COM1..COM16 on Windows).
    static QStringList OfferedPorts();

private:
    void save();

    QComboBox* cmbPort = nullptr;
    QComboBox* cmbBaud = nullptr;
    QComboBox* cmbParity = nullptr;
    QComboBox* cmbData = nullptr;
    QComboBox* cmbStop = nullptr;
    QComboBox* cmbProtocol = nullptr;
    QCheckBox* chbReopen = nullptr;
    QSpinBox* spnGap = nullptr;
    QComboBox* cmbRs485 = nullptr;
    QLabel* lblMsg = nullptr;
    QPushButton* btnTest = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    QString m_programDir;
    PortSettings m_saved;
    bool m_reopen = false;
};
