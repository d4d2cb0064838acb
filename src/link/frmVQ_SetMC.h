#pragma once
// "Using Device Setup": which device numbers 1..99 are polled, with a free
// description each, stored in CFG/SetEnv.INI.
#include <QDialog>
#include <QStringList>

class QPushButton;
class QTableWidget;
struct DataStore;
struct LinkState;

class frmVQ_SetMC : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRows = 99;

    frmVQ_SetMC(const QString& programDir, LinkState& link, DataStore& store, QWidget* parent = nullptr);

    // Switches row r (1..99) between "O" and "X".
    void toggleUse(int row);

    QTableWidget* sprdList = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUse(int row, bool used);
    void save();

    QString m_programDir;
    LinkState& m_link;
    DataStore& m_store;
    QStringList m_extraLines; // lines after the 99th, kept as they were
};
