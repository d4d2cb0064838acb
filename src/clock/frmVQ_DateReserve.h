#pragma once
// "System DateTime/Reserve Setup": sets the selected recorder's clock and its
// reserved start of recording. Each change goes out at once as a write
// frame through the engine (request 601); the window then shows what the
// recorder reports back.
#include "clock/ClockRules.h"

#include <QDateTime>
#include <QDialog>
#include <array>
#include <functional>

class PollingEngine;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
struct DataStore;
struct LinkState;

class frmVQ_DateReserve : public QDialog {
    Q_OBJECT
public:
    frmVQ_DateReserve(const LinkState& link, const DataStore& store, PollingEngine& engine,
                      QWidget* parent = nullptr);
    ~frmVQ_DateReserve() override;

    // The PC clock; tests put a fixed one in.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    // One tick of the PC clock.
    void showPcClock();
    // Fills the boxes from the store.
    void refresh();

protected:
    void done(int result) override;

private:
    void send(const QByteArray& frame);
    void commitReserve(int field);
    void commitClock(int field);
    void setClock();
    void light(int on);
    clockrules::Clamped clamp(const std::array<QLineEdit*, 6>& boxes, int field) const;

    QLabel* lblDateTime = nullptr;
    QCheckBox* chbSameDT = nullptr;
    std::array<QLineEdit*, 6> txtSYS{};   // txtSYS_Year .. txtSYS_Second
    QPushButton* btnSYS_DTSet = nullptr;
    std::array<QPushButton*, 2> btnRSV{}; // 0 "OFF", 1 "ON"
    std::array<QLineEdit*, 6> txtRSV{};   // txtRSV_Year .. txtRSV_Second
    QPushButton* btnClose = nullptr;
    QTimer* tmrDT = nullptr;
    QTimer* tmrRefresh = nullptr;

    const LinkState& m_link;
    const DataStore& m_store;
    PollingEngine& m_engine;
    bool m_closing = false;
    bool m_awaitingReadBack = false; // a frame went out: show the read-back when it ends
};
