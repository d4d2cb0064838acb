#pragma once
// "Find Recorders": searches the line for recorders at every setting and,
// on Use, writes the setting found to Comm.CFG and enables them in SetEnv.INI.
#include "link/RecorderSearch.h"

#include <QDialog>
#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QtOneShotTimer;

class frmVQ_FindRecorders : public QDialog {
    Q_OBJECT
public:
    // port: the line to search; null for the port named in the window.
    frmVQ_FindRecorders(const QString& programDir, const PortSettings& current, SerialPort* port = nullptr,
                        OneShotTimer* timer = nullptr, QWidget* parent = nullptr);
    ~frmVQ_FindRecorders() override;

    // After Use: what was written (the caller reloads the link's files).
    bool used() const { return m_used; }
    const SearchUse& written() const { return m_written; }
    RecorderSearch& search() { return *m_search; }

    // The search as the window's choices give it.
    SearchPlan plan() const;
    // The confirmation text of Use: both files' changes; empty when there is a problem instead.
    QString confirmation(const SearchUse& use) const;

private:
    void startOrStop();
    void use();
    void reject() override;

    QComboBox* cmbPort = nullptr;
    std::array<QCheckBox*, 4> chkBaud{};
    std::array<QCheckBox*, 3> chkParity{};
    QComboBox* cmbStop = nullptr;
    QSpinBox* spnFirst = nullptr;
    QSpinBox* spnLast = nullptr;
    QCheckBox* chkWide = nullptr;
    QComboBox* cmbTimeout = nullptr;
    QProgressBar* prgSearch = nullptr;
    QLabel* lblSetting = nullptr;
    QLabel* lblFound = nullptr;
    QListWidget* lstFound = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnUse = nullptr;
    QPushButton* btnClose = nullptr;

    QString m_programDir;
    PortSettings m_current;
    std::unique_ptr<SerialPort> m_ownPort;
    std::unique_ptr<OneShotTimer> m_ownTimer;
    std::unique_ptr<RecorderSearch> m_search;
    bool m_used = false;
    SearchUse m_written;
};
