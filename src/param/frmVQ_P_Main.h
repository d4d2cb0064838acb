#pragma once
// "RECORD/DISPLAY Setup": recording to the SD card and the display switch of
// each channel of the set (6 or 12), written straight into the editor's cells.
#include <QDialog>
#include <array>

class QPushButton;
class QTimer;
class TextTable;

class frmVQ_P_Main : public QDialog {
    Q_OBJECT
public:
    frmVQ_P_Main(TextTable& sprdP, TextTable& sprdP_CH, int channels = 6, QWidget* parent = nullptr);

private:
    void refresh();
    void sdSaveClicked(int option);
    void dispClicked(int channel);

    std::array<QPushButton*, 2> obtSD_Save{}; // "OFF", "ON"
    std::array<QPushButton*, 12> chbDispCH{}; // "01".."12", as many as the set has channels
    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;

    TextTable& m_sprdP;
    TextTable& m_sprdP_CH;
    int m_channels;
};
