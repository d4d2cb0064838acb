#pragma once
// "ALARM/DI SETUP": the four alarms of each channel (sprdP_CH, channel n =
// column n + 2) and the six digital inputs (sprdP, column 3), each with the
// relay output and record action it triggers. Every change is written at
// once into the parameter editor's tables.
#include "channel/AlarmRules.h"

#include <QDialog>
#include <QStringList>
#include <array>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TextTable;

class frmVQ_P_ARM_DI : public QDialog {
    Q_OBJECT
public:
    // alarm 1..4 and input 1..6 are the ones shown first. Pictures are
    // looked for in <programDir>/Image, then beside the executable.
    frmVQ_P_ARM_DI(TextTable& sprdP, TextTable& sprdP_CH, int chCount, int channel, int alarm, int input,
                   const QString& programDir, QWidget* parent = nullptr);

    int channel() const { return m_channel; }
    int alarm() const { return m_alarm; }
    int input() const { return m_input; }
    void setChannel(int n);
    void setAlarm(int a);
    void setInput(int n);
    void refresh();

    // Folders searched for ARMnn.BMP, in order.
    QStringList pictureFolders;

private:
    QWidget* buildAlarm();
    QWidget* buildInput();
    void connectBox(QLineEdit* box, armrules::Box kind, bool input, int k);
    void refreshAlarm();
    void refreshInput();
    void showType(int code);
    void stepType(int dir);
    int alarmRow(int k) const;
    int inputRow(int k) const;
    void writeAlarm(int k, const QString& text);
    void writeInput(int k, const QString& text);
    void tableChanged();

    QLineEdit* txtCH_No = nullptr;
    QPushButton* btnUP_CH = nullptr;
    QPushButton* btnDN_CH = nullptr;
    std::array<QPushButton*, 4> obtALM_No{};
    QLabel* lblALM_No = nullptr;
    QLabel* lblALM_Type = nullptr;
    QLabel* lblALM_TypeName = nullptr;
    QPushButton* btnUP_ALT = nullptr;
    QPushButton* btnDN_ALT = nullptr;
    QLabel* picALM_Type = nullptr;
    std::array<QFrame*, 4> picALT{}; // level, deviation, rate, none
    QLabel* Label21 = nullptr;       // rate label on the rate panel
    QLineEdit* txtALM_SV = nullptr;
    QLineEdit* txtALM_HYS = nullptr;
    QLineEdit* txtALM_RATE = nullptr;
    QLineEdit* txtALM_CCH = nullptr;
    std::array<QPushButton*, 3> obtTUNIT{};   // HOUR, MIN., SEC.
    std::array<QPushButton*, 3> btnALM_RCD{}; // START, STOP, BYPASS
    QLineEdit* txtALM_RYO = nullptr;
    QLineEdit* txtALM_RYT = nullptr;

    QLineEdit* txtDI_No = nullptr;
    QPushButton* btnUP_DI = nullptr;
    QPushButton* btnDN_DI = nullptr;
    std::array<QPushButton*, 2> btnDI_Level{}; // LOW, HIGH
    std::array<QPushButton*, 3> btnDI_RCD{};   // START, STOP, BYPASS
    QLineEdit* txtDI_RYO = nullptr;
    QLineEdit* txtDI_RYT = nullptr;

    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;

    TextTable& m_sprdP;
    TextTable& m_sprdP_CH;
    int m_chCount;
    int m_channel = 1;
    int m_alarm = 1;
    int m_input = 1;
    bool m_busy = false;
};
