#pragma once
// "Data Save Setup": whether, how often, where and under which name the
// data files are written (CFG/SaveData.INI).
#include "logging/SaveSettings.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmVQ_Set_DSave : public QDialog {
    Q_OBJECT
public:
    explicit frmVQ_Set_DSave(const QString& programDir, QWidget* parent = nullptr);

    // The settings saved by OK.
    const DSaveSettings& settings() const { return m_saved; }

    // Shows a chosen folder in lblFolder.
    void setFolder(const QString& folder);
    // Asks for a folder (a native folder dialog); tests replace it.
    std::function<QString(QWidget*, const QString& start)> chooseFolder;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pickFolder();
    void updateHints();
    void save();

    QComboBox* cmbSave = nullptr;
    QLineEdit* txtSaveInterval = nullptr;
    QComboBox* cmbUnit = nullptr;
    QLabel* lblFolder = nullptr;
    QPushButton* btnFolder = nullptr;
    QLineEdit* txtFName = nullptr;
    QCheckBox* chbDSaveF = nullptr;
    QLineEdit* txtDayHH = nullptr;
    QLineEdit* txtDayMM = nullptr;
    QLabel* lblMsg = nullptr;
    QLabel* lblMSG2 = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    QString m_programDir;
    DSaveSettings m_saved;
};

// A number typed into a box, held to lo..hi (no number counts as 0).
int ClampedNumber(const QString& text, int lo, int hi);
