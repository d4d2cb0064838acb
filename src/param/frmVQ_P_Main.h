#pragma once
// "RECORD/DISPLAY Setup": recording to the SD card and the display switch of
// channels 1..6, written straight into the editor's cells.
#include <QDialog>
#include <array>

class QPushButton;
class QTimer;
class TextTable;

class frmVQ_P_Main : public QDialog {
    Q_OBJECT
public:
    frmVQ_P_Main(TextTable& sprdP, TextTable& sprdP_CH, QWidget* parent = nullptr);

private:
    void refresh();
    void sdSaveClicked(int option);
    void dispClicked(int channel);

    std::array<QPushButton*, 2> obtSD_Save{}; // "OFF", "ON"
    std::array<QPushButton*, 6> chbDispCH{};  // "01".."06"
    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;

    TextTable& m_sprdP;
    TextTable& m_sprdP_CH;
};
