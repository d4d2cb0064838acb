#pragma once
// "DISPLAY SETUP": how the recorder's own screen shows data. Edits rows 2..9
// of the editor's common table; every change is in the table at once.
#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;
class TextTable;

class frmVQ_P_Display : public QDialog {
    Q_OBJECT
public:
    explicit frmVQ_P_Display(TextTable& sprdP, QWidget* parent = nullptr);

    // Fills the page from the table (the refresh timer runs it).
    void refresh();

private:
    QWidget* pairRow(std::array<QPushButton*, 2>& pair, const char* name, const char* caption, const char* a,
                     const char* b, int row, QWidget* parent);
    void press(std::array<QPushButton*, 2>& pair, int index, int row);
    void commitScrollSpeed();

    std::array<QPushButton*, 5> obtDisplayMode{};
    std::array<QPushButton*, 2> btnRuler{}, btnTextBar{}, btnAlarmMark{}, btnTrendDir{}, btnReadFrom{};
    QLineEdit* txtScrollSpeed = nullptr;
    QPushButton* btnUP_ScrollSpeed = nullptr;
    QPushButton* btnDN_ScrollSpeed = nullptr;
    QLineEdit* txtTView_Win = nullptr;
    QPushButton* btnUP_TView_Win = nullptr;
    QPushButton* btnDN_TView_Win = nullptr;
    QWidget* picTREND = nullptr;
    QWidget* picTView = nullptr;
    QWidget* picHISTVIEW = nullptr;
    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;

    TextTable& m_p;
};
