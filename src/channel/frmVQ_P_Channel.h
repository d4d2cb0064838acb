#pragma once
// "CHANNEL SETUP": input type, unit, point, name, ranges, input adjustment,
// read method and math function of one channel. Every change is written at
// once into the parameter editor's sprdP_CH (channel n = column n + 2).
#include "channel/ChannelRules.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class TextTable;

class frmVQ_P_Channel : public QDialog {
    Q_OBJECT
public:
    frmVQ_P_Channel(TextTable& sprdP_CH, int chCount, int channel, int tab, QWidget* parent = nullptr);

    int channel() const { return m_channel; }
    // Shows channel n (held to 1..channel count).
    void setChannel(int n);
    // Fills the page from the table; repairs an unknown input type code.
    void refresh();

private:
    QWidget* buildPage1();
    QWidget* buildPage2();
    QWidget* buildPage3();
    QWidget* buildPage4();
    QWidget* buildPage5();
    QLineEdit* numberBox(const char* name, int row);
    void commit(QLineEdit* box, int row);

    chanrules::ChannelSettings settings() const { return {m_table, m_channel}; }
    void write(int row, const QString& text);

    void stepChannel(int dir);
    void chooseGroup(int i);
    void stepType(int dir);
    void applyInputType(int code);
    void showInputType(int code);
    void chooseUnit(int i);
    void choosePoint(int d);
    void applyPoint(int d);
    void chooseScale(int i);
    void chooseReadMode(int i);
    void maxRange();
    void chooseMath(int i);
    void showMath(bool on);
    void stepFunction(int dir);
    void showFunction(int code);
    void stepAlphaChannel(int dir);
    void showAlphaChannel(int a);
    void chooseBType(int i);
    void showUserRange();
    void tableChanged(int col, int row);

    QLabel* lblCH_No = nullptr;
    QPushButton* btnUP_CHNO = nullptr;
    QPushButton* btnDN_CHNO = nullptr;
    QTabWidget* tabPages = nullptr;

    // PAGE 1
    std::array<QPushButton*, 3> btnINP{}; // VDC, RTD, T/C
    QPushButton* btnUP_INP = nullptr;
    QPushButton* btnDN_INP = nullptr;
    QLabel* lblINP = nullptr;
    std::array<QPushButton*, 6> btnUnit{};
    QLineEdit* txtUnitName = nullptr;
    QLineEdit* txtCH_Name = nullptr;
    // PAGE 2
    QLineEdit* txtURange_L = nullptr;
    QLineEdit* txtURange_H = nullptr;
    QLabel* lblINP_RangeMin = nullptr;
    QLabel* lblINP_RangeMax = nullptr;
    QPushButton* btnMaxRange = nullptr;
    std::array<QPushButton*, 2> btnSOnOff{};
    QLineEdit* txtSRange_L = nullptr;
    QLineEdit* txtSRange_H = nullptr;
    std::array<QPushButton*, 5> btnDP{};
    // PAGE 3
    QLineEdit* txtEOffset = nullptr;
    QLineEdit* txtEHighPoint = nullptr;
    QLineEdit* txtELowPoint = nullptr;
    std::array<QPushButton*, 4> btnReadMode{};
    QLineEdit* txtReadTime = nullptr;
    // PAGE 4
    std::array<QPushButton*, 2> btnMOnOff{};
    QLabel* lblMType_Code = nullptr;
    QLabel* lblMType = nullptr;
    QPushButton* btnUP_MType = nullptr;
    QPushButton* btnDN_MType = nullptr;
    QLabel* lblA_CH = nullptr;
    QPushButton* btnUpA_CH = nullptr;
    QPushButton* btnDnA_CH = nullptr;
    QLabel* lblA_CH_Type = nullptr;
    std::array<QPushButton*, 2> btnBType{}; // CHANNEL, CONSTANT
    QLineEdit* txtBVal = nullptr;
    // PAGE 5
    QLabel* lblURange_L = nullptr;
    QLabel* lblURange_H = nullptr;
    QLabel* lblSRange_L = nullptr;
    QLabel* lblSRange_H = nullptr;
    std::array<QLabel*, 2> lblMOnOff{};
    QLineEdit* txtDRange_L = nullptr;
    QLineEdit* txtDRange_H = nullptr;
    std::array<QLabel*, 2> lblDispTT{};

    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;

    TextTable& m_table;
    int m_chCount;
    int m_channel = 1;
    int m_point = 1;
    int m_rangeDecimals = 1;
    bool m_busy = false; // the page itself is writing the table
    QList<std::pair<QLineEdit*, int>> m_boxes; // box and its row
};
