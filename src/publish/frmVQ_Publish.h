#pragma once
// "Publishing": the MQTT broker that live values and saved records go to,
// and how they are named there (CFG/Publish.INI).
#include "publish/PublishSettings.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class frmVQ_Publish : public QDialog {
    Q_OBJECT
public:
    explicit frmVQ_Publish(const QString& programDir, QWidget* parent = nullptr);

    // The settings saved by OK.
    const PublishSettings& settings() const { return m_saved; }

    // Asks for a file (a native file dialog); tests replace it.
    std::function<QString(QWidget*, const QString& title, const QString& start)> chooseFile;

private:
    void pickFile(QLineEdit* box, const QString& title);
    void updateTls();
    void showError(const QString& text);
    void save();

    QLineEdit* txtBroker = nullptr;
    QLineEdit* txtPrefix = nullptr;
    QLineEdit* txtClientId = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPasswordFile = nullptr;
    QToolButton* btnPasswordFile = nullptr;
    QLineEdit* txtCaFile = nullptr;
    QToolButton* btnCaFile = nullptr;
    QCheckBox* chbLive = nullptr;
    QCheckBox* chbRecords = nullptr;
    QLabel* lblMsg = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    QString m_programDir;
    PublishSettings m_saved;
};
