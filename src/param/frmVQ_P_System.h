#pragma once
// "SYSTEM SETUP": record period, power-failure resume, beep, screen saver,
// buffer, screen and channel colours, reserve and date fields, the two
// serial interfaces and the language. Edits rows 10..44 of the editor's
// common table and row 10 (colour) of its channel table, for each channel
// of the set (6 or 12).
#include <QDateTime>
#include <QDialog>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class TextTable;

class frmVQ_P_System : public QDialog {
    Q_OBJECT
public:
    // tab: the tab to show first (0..5); channels: the set's channel count.
    frmVQ_P_System(TextTable& sprdP, TextTable& sprdP_CH, int tab, int channels = 6, QWidget* parent = nullptr);

    // One serial interface's controls (suffix 232 or 485).
    struct Serial {
        QLineEdit* txtID = nullptr;
        QLabel* lblBaud = nullptr;
        QLabel* lblParity = nullptr;
        QLabel* lblData = nullptr;
        QLabel* lblStop = nullptr;
        QLineEdit* txtResT = nullptr;
        std::array<QPushButton*, 2> btnBaud{}, btnParity{}, btnData{}, btnStop{}, btnResT{}; // [0] down, [1] up
        int firstRow = 0; // 31 or 38
    };

    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    void refresh();
    void showPcClock();

private:
    QWidget* buildRecordTab();
    QWidget* buildColourTab();
    QWidget* buildDateTab();
    QWidget* buildSerialTab(Serial& s, const QString& suffix, int firstRow);
    QWidget* buildLanguageTab();
    QWidget* twoState(std::array<QPushButton*, 2>& pair, const QString& name, const QString& first,
                      const QString& second, int row, QWidget* parent);
    void showTwoState(std::array<QPushButton*, 2>& pair, int row);
    void chooseColour(int channel, int option);
    void refreshSerial(Serial& s);

    QTabWidget* SSTab1 = nullptr;
    QLabel* lblDateTime = nullptr;
    QLineEdit* txtSaveInterval = nullptr;
    QPushButton* btnUP_SI = nullptr;
    QPushButton* btnDN_SI = nullptr;
    std::array<QPushButton*, 2> btnPowReturn{}, btnBeep{}, btnBufferAfter{}; // "OFF", "ON"
    QLineEdit* txtScrSaver_T = nullptr;
    std::array<QPushButton*, 2> obtBK_Color{};
    QLabel* lblBColor = nullptr;
    std::array<std::array<QPushButton*, 12>, 12> obtCH_Color{}; // obtCH01_Color .. obtCH12_Color
    std::array<QLabel*, 12> lblCH_Color{};
    std::array<QLineEdit*, 6> txtSYS{};
    QPushButton* btnSYS_DTSet = nullptr;
    std::array<QPushButton*, 2> btnRSV{}; // "ON", "OFF"
    std::array<QLineEdit*, 6> txtRSV{};
    Serial s232, s485;
    std::array<QPushButton*, 2> obtLanguage{};
    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;
    QTimer* tmrDT = nullptr;

    TextTable& m_p;
    TextTable& m_ch;
    int m_channels;
};
