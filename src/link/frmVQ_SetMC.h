#pragma once
// "Using Device Setup": which device numbers 1..99 are polled, with a free
// description each, stored in CFG/SetEnv.INI.
#include <QDialog>
#include <QStringList>

class QPushButton;
class QTableWidget;

class frmVQ_SetMC : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = 99;

    explicit frmVQ_SetMC(const QString& programDir, QWidget* parent = nullptr);

    // The lines saved to SetEnv.INI by OK; the caller loads them into the link.
    const QStringList& savedLines() const { return m_saved; }

    // Switches row r (1..99) between "O" and "X".
    void toggleUse(int row);

    // Cancel, Escape or closing: asks first when the list has changes.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUse(int row, bool used);
    void save();
    // The list as it would be saved now (rows 1..99).
    QStringList currentLines() const;

    QTableWidget* sprdList = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    QString m_programDir;
    QStringList m_saved;
    QStringList m_loaded; // as it was read: what a change is measured against
    QStringList m_extraLines; // lines after the 99th, kept as they were
};
