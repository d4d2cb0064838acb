#pragma once
// The main window: owns the link state, the data store and (later) the port
// and its timers; every other window is a modal dialog opened from here.
#include "app/LinkSession.h"
#include "logging/SaveSettings.h"
#include "param/ParamImage.h"

#include "link/RecorderLine.h"
#include "monitor/MonitorState.h"

class DataLogger;
class Publisher;
class QDialog;
class frmVQ_Overview;
class FrameCapture;
class PortReopener;

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class CommLogModel;
class LedIndicator;
class OneShotTimer;
class PollingEngine;
class SerialPort;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class StatusPanel;
class QTableView;
class QTimer;
class QWidget;
class TextTableModel;

class frmVQ_Main : public QMainWindow {
    Q_OBJECT
public:
    // programDir holds Comm.CFG, CFG/ and the documents and pictures.
    // port: the serial line to use; null for the real port named in Comm.CFG.
    // tmrReopen: the timer of the tries to reopen a lost port; null for a real one.
    explicit frmVQ_Main(const QString& programDir, SerialPort* port = nullptr, OneShotTimer* tmrReopen = nullptr,
                        QWidget* parent = nullptr);
    ~frmVQ_Main() override;

    const LinkState& link() const { return m_session.link; }
    DataStore& store() { return m_session.store; }
    const DSaveSettings& saveSettings() const { return m_dsave; }
    // New data save settings: shown in the "Data Save" frame, used from the next save tick.
    void setSaveSettings(const DSaveSettings& s);
    DataLogger& dataLogger() { return *m_logger; }
    PollingEngine& engine() { return m_session.engine; }
    CommLog& commLog() { return m_session.log; }
    MonitorState& monitorState() { return m_monitor; }

    // The "Port Open" / "Port Close" command.
    void togglePort();

    // Menu handlers that open the modal windows.
    void openDeviceSetup();
    void openPortSetup();
    void openFindRecorders();
    void openDataSaveSetup();
    // Publishing: like Device Setup and Port Setup, with the port closed only.
    void openPublishing();
    // Online > Plant Overview: every line from the broker, beside the other windows.
    void openOverview();
    void openSingleLine();
    void openSingleBar();
    void openSingleText();
    void openMulti();
    void openMultiPV();
    void openParameterSetup();
    void openDateReserve();

    // Menus and buttons for the two port states.
    void SetPortState(bool closedState);
    // Text of status bar panel 1..5.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);
    // A passing message: panel 4 shows it for `ms`, then its own text again.
    void showMessage(const QString& text, int ms = 8000);
    // Shows the data save settings in the "Data Save" frame.
    void showSaveSettings(const DSaveSettings& s);
    // Selects the device of a row of the device table (1-based).
    void selectDeviceRow(int row);
    // Where "Save Log" writes the frame log, and "Capture to File" the frames as
    // they come; an empty text cancels. Tests replace them.
    std::function<QString()> chooseLogFile;
    std::function<QString()> chooseCaptureFile;

signals:
    // Publishing saved new settings to CFG/Publish.INI.
    void publishSettingsChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QWidget* buildButtonBar();
    QWidget* buildDevicePanel();
    QWidget* buildCommPanel();
    void buildStatusBar();
    void startUp();
    void connectActions();
    void openDocument(const QString& relativePath);
    // The manual at a chapter (an anchor of it).
    void openManual(const QString& chapter);
    void openViewer();
    void saveCommLog();
    void toggleCommView();
    void countClear();
    void showStrayBytes();
    void pauseCommLog(bool paused);
    void showCommRows();
    void toggleCapture();
    void showCaptureState();
    void showSaveResult(const QString& failure, const QString& note);
    // A setup dialog of the closed port, run modally; `accepted` runs before
    // a paused reopener resumes. True when it was accepted.
    bool execWithPortClosed(QDialog& dialog, const std::function<void()>& accepted = {});
    // Asks whether to stop the transfer that runs; `after` says what follows.
    bool askStopTransfer(const QString& after);
    void transferEnded(int transfer, TransferResult result, const QString& text);
    // After a download that moved a recorder: the device list and Comm.CFG follow, if wanted.
    void offerLineChange(int device, const RecorderLine& now);

    void loadDeviceList(const QStringList& lines);
    void lightLamp(LedIndicator* lamp, QTimer* off, const QColor& colour);

    // Menu items, by their names.
    QMenu* mSet = nullptr;
    QAction* mSetMC = nullptr;
    QAction* mSetDSave = nullptr;
    QAction* mSetPort = nullptr;
    QAction* mSetFind = nullptr;
    QAction* mSetPublish = nullptr;
    QAction* mExit = nullptr;
    QMenu* mOnline = nullptr;
    QAction* mOnlinePortOpen = nullptr;
    QAction* mOnlineSingleLine = nullptr;
    QAction* mOnlineSingleBar = nullptr;
    QAction* mOnlineSingleText = nullptr;
    QAction* mOnlineMulti = nullptr;
    QAction* mOnlineMultiPV = nullptr;
    QAction* mOnlineOverview = nullptr;
    QMenu* mPMeter = nullptr;
    QAction* mPMeterList = nullptr;
    QAction* mPMeterSysDate = nullptr;
    QMenu* mHelp = nullptr;
    QAction* mHelpAbout = nullptr;
    QAction* mHelpHelp = nullptr;
    QAction* mHelpManual = nullptr;
    QAction* mHelpViewComm = nullptr;
    QAction* mHelpGView = nullptr;

    // The buttons of btnMenu (objectNames btnMenu0..btnMenu15) in their order.
    enum MenuButton {
        BtnDeviceSetup, BtnSaveSetup, BtnPortSetup, BtnPortOpen, BtnSingleLine, BtnMulti, BtnParameter, BtnAbout,
        BtnHelp, BtnManual, BtnViewer, BtnUnused, BtnSingleBar, BtnSingleText, BtnMultiPV, BtnDateTime, MenuButtons
    };
    std::array<QPushButton*, MenuButtons> btnMenu{};
    QTableView* sprdStatus = nullptr;
    QLabel* lblMC_No = nullptr;
    QLabel* lblDSave_Enable = nullptr;
    QLabel* lblDSave_Intv = nullptr;
    QLabel* lblDSave_Unit = nullptr;
    QLabel* lblDaySave = nullptr;
    LedIndicator* shpSend = nullptr;
    LedIndicator* shpRecv = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTableView* sprdComm = nullptr;
    QTableView* sprdCommState = nullptr;
    QPushButton* btnCountClear = nullptr;
    QPushButton* btnCommSave = nullptr;
    QLabel* lblNoise = nullptr;
    QPushButton* btnCommPause = nullptr;
    QPushButton* btnCapture = nullptr;
    QLabel* lblCommRows = nullptr;
    QLabel* lblCapture = nullptr;
    FrameCapture* m_capture = nullptr;
    bool m_commAtBottom = true;
    QTimer* tmrDSave = nullptr;

    QString m_programDir;
    ParamImage m_paramImage; // before the session: the engine reads it until the end
    LinkSession m_session;
    const LinkState& m_link;
    DataStore& m_store;
    PollingEngine* m_engine;
    QTimer* tmrBall_Send = nullptr;
    QTimer* tmrBall_Recv = nullptr;
    DSaveSettings m_dsave;
    DataLogger* m_logger = nullptr;
    Publisher* m_publisher = nullptr;
    QPointer<frmVQ_Overview> m_overview;
    std::unique_ptr<PortReopener> m_reopener; // "Reopen a lost port" of Port Setup
    MonitorState m_monitor;
    std::array<StatusPanel*, 5> m_panels{};
    QString m_standing; // panel 4's own text under a passing message
    QTimer* m_transient = nullptr;
    // The tables the link changes at every answer; shown together after a
    // request has gone out (see kShowEveryMs).
    CommLogModel* m_commModel = nullptr;
    TextTableModel* m_statusModel = nullptr;
    TextTableModel* m_stateModel = nullptr;
    QElapsedTimer m_lastShow;
    void showLinkTables();
    QWidget* m_commPanel = nullptr;
    bool m_quitAfterTransfer = false; // quit once a stopped download has put back what it wrote
};
