#include "app/frmVQ_Main.h"

#include "app/AppIcon.h"
#include "app/frmVQ_About.h"
#include "app/PortReopener.h"
#include "app/RunDocument.h"
#include "clock/frmVQ_DateReserve.h"
#include "core/ConfigText.h"
#include "link/CommLog.h"
#include "link/CommLogModel.h"
#include "link/DeviceList.h"
#include "link/FrameCapture.h"
#include "link/frmVQ_SetMC.h"
#include "link/LineFile.h"
#include "link/PollingEngine.h"
#include "link/PortFile.h"
#include "link/RecorderLine.h"
#include "logging/DataLogger.h"
#include "overview/frmVQ_Overview.h"
#include "publish/Publisher.h"
#include "logging/frmVQ_Set_DSave.h"
#include "monitor/frmVQ_Mon_Bar.h"
#include "monitor/frmVQ_Mon_Multi.h"
#include "monitor/frmVQ_Mon_MultiPV.h"
#include "monitor/frmVQ_Mon_Single.h"
#include "monitor/frmVQ_Mon_Text.h"
#include "param/frmVQ_Parameter.h"
#include "port/frmVQ_FindRecorders.h"
#include "port/frmVQ_SetPort.h"
#include "publish/frmVQ_Publish.h"
#include "ui/Grid.h"
#include "ui/LedIndicator.h"
#include "ui/Manual.h"
#include "ui/StatusPanel.h"
#include "ui/TextTableModel.h"
#include "ui/WindowPlaces.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>

namespace {

const QColor kLightGreen(192, 255, 192);
// The tables the link changes at every answer show their changes together,
// at most ten times a second and right after a request has gone out, so that
// repainting them happens while the line is busy and never holds up the next
// request. Without traffic the models show them by themselves.
constexpr int kShowEveryMs = 100;
constexpr int kShowIdleMs = 300;

QLabel* valueLabel(const QString& name, QWidget* parent)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(70);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::white);
    l->setPalette(p);
    return l;
}

} // namespace

frmVQ_Main::frmVQ_Main(const QString& programDir, SerialPort* port, OneShotTimer* tmrReopen, QWidget* parent)
    : QMainWindow(parent)
    , m_programDir(QDir(programDir).absolutePath())
    , m_session(programDir, port)
    , m_link(m_session.link)
    , m_store(m_session.store)
    , m_engine(&m_session.engine)
    , m_reopener(std::make_unique<PortReopener>(m_session, tmrReopen))
{
    setObjectName(QStringLiteral("frmVQ_Main"));
    setWindowTitle(QStringLiteral("VQ800"));
    m_engine->setParamSource(&m_paramImage);
    setWindowIcon(AppIcon());
    chooseLogFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save Log"),
                                            QDir(m_programDir).filePath(QStringLiteral("frames.csv")),
                                            QStringLiteral("CSV files (*.csv)"));
    };
    chooseCaptureFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Capture to File"),
                                            QDir(m_programDir).filePath(QStringLiteral("capture.csv")),
                                            QStringLiteral("CSV files (*.csv)"));
    };

    buildMenus();
    auto* central = new QWidget(this);
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(6, 6, 6, 4);
    root->addWidget(buildButtonBar());
    auto* split = new QSplitter(Qt::Horizontal, central);
    split->setObjectName(QStringLiteral("splitMain"));
    split->addWidget(buildDevicePanel());
    split->addWidget(m_commPanel = buildCommPanel());
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    root->addWidget(split, 1);
    setCentralWidget(central);
    buildStatusBar();
    connectActions();
    // An open trend restarts its sample numbering with the port.
    connect(m_engine, &PollingEngine::portOpened, this, [this] { m_monitor.gTrendCount = 0; });

    tmrDSave = new QTimer(this);
    tmrDSave->setObjectName(QStringLiteral("tmrDSave"));
    tmrDSave->setInterval(50);
    m_logger = new DataLogger(m_link, m_store, this);
    m_logger->attach(*m_engine);
    m_logger->drive(*tmrDSave);
    connect(m_logger, &DataLogger::saved, this,
            [this](const QDateTime&, const QStringList&, const QString& failure, const QString& note) {
                showSaveResult(failure, note);
            });

    // Said on stderr too, for whoever started the program from a terminal or a session log.
    connect(m_logger, &DataLogger::trouble, this, [this](const QString& text, bool over) {
        std::fprintf(stderr, "vq800: %s\n", qPrintable(text));
        if (over)
            showSaveResult({}, text);
    });

    // Values off the PC when Publish.INI names a broker; said like the saves.
    m_publisher = new Publisher(m_programDir, m_link, m_store, this);
    m_publisher->attach(*m_engine, *m_logger);
    connect(m_publisher, &Publisher::said, this, [this](const QString& text) {
        std::fprintf(stderr, "vq800: %s\n", qPrintable(text));
        showSaveResult({}, text);
    });
    connect(this, &frmVQ_Main::publishSettingsChanged, m_publisher, &Publisher::configure);

    startUp();
    resize(FittingSize(this, QSize(1180, 760)));
}

frmVQ_Main::~frmVQ_Main()
{
    m_publisher->stop();
    // A capture ends with its last frame and the counters.
    if (m_capture->running())
        m_capture->stop(m_store.sprdCommState, m_engine->strayBytes());
    m_engine->closePort();
}

void frmVQ_Main::buildMenus()
{
    auto action = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    mSet = menuBar()->addMenu(QStringLiteral("&Configuration"));
    mSet->setObjectName(QStringLiteral("mSet"));
    mSetMC = action(mSet, "mSetMC", QStringLiteral("&Device Setup"));
    mSetDSave = action(mSet, "mSetDSave", QStringLiteral("Data &Save Setup"));
    mSetPort = action(mSet, "mSetPort", QStringLiteral("&Port Setup"));
    mSetFind = action(mSet, "mSetFind", QStringLiteral("&Find Recorders..."));
    mSetPublish = action(mSet, "mSetPublish", QStringLiteral("Pu&blishing"));
    mSet->addSeparator();
    mExit = action(mSet, "mExit", QStringLiteral("&Quit"));

    mOnline = menuBar()->addMenu(QStringLiteral("&Online"));
    mOnline->setObjectName(QStringLiteral("mOnline"));
    mOnlinePortOpen = action(mOnline, "mOnlinePortOpen", QStringLiteral("&Port Open"));
    mOnline->addSeparator();
    mOnlineSingleLine = action(mOnline, "mOnlineSingleLine", QStringLiteral("Single Monitoring - &LINE"));
    mOnlineSingleBar = action(mOnline, "mOnlineSingleBar", QStringLiteral("Single Monitoring - &BAR"));
    mOnlineSingleText = action(mOnline, "mOnlineSingleText", QStringLiteral("Single Monitoring - &TEXT"));
    mOnline->addSeparator();
    mOnlineMulti = action(mOnline, "mOnlineMulti", QStringLiteral("&Multi Monitoring"));
    mOnlineMultiPV = action(mOnline, "mOnlineMultiPV", QStringLiteral("Multi Monitoring (P&&&V)"));
    mOnline->addSeparator();
    // Every line of the plant from the broker: needs no port, so never disabled.
    mOnlineOverview = action(mOnline, "mOnlineOverview", QStringLiteral("Pla&nt Overview"));

    mPMeter = menuBar()->addMenu(QStringLiteral("&Parameter"));
    mPMeter->setObjectName(QStringLiteral("mPMeter"));
    mPMeterList = action(mPMeter, "mPMeterList", QStringLiteral("&Parameter Setup"));
    mPMeter->addSeparator();
    mPMeterSysDate = action(mPMeter, "mPMeterSysDate", QStringLiteral("&DateTime/Reserve Setup"));

    mHelp = menuBar()->addMenu(QStringLiteral("&Helper"));
    mHelp->setObjectName(QStringLiteral("mHelp"));
    mHelpAbout = action(mHelp, "mHelpAbout", QStringLiteral("&About"));
    mHelp->addSeparator();
    mHelpHelp = action(mHelp, "mHelpHelp", QStringLiteral("&Help"));
    mHelpManual = action(mHelp, "mHelpManual", QStringLiteral("VQ800 &Manual"));
    mHelp->addSeparator();
    mHelpViewComm = action(mHelp, "mHelpViewComm", QStringLiteral("Communication Data &View"));
    mHelpViewComm->setCheckable(true);
    mHelpViewComm->setChecked(true);
    mHelp->addSeparator();
    mHelpGView = action(mHelp, "mHelpGView", QStringLiteral("&Graph Viewer"));
}

QWidget* frmVQ_Main::buildButtonBar()
{
    const char* texts[MenuButtons] = {"Device Setup", "Data Save Setup", "Port Setup", "Port Open",
                                      "Single Monitoring(LINE)", "Multi Monitoring", "Parameter Setup", "About",
                                      "Help", "VQ800 Manual", "Graph Viewer", "", "Single Monitoring(BAR)",
                                      "Single Monitoring(TEXT)", "Multi Monitoring(PV)", "DateTime Reserve Setup"};
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("buttonBar"));
    for (int i = 0; i < MenuButtons; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(texts[i]), bar);
        b->setObjectName(QStringLiteral("btnMenu%1").arg(i));
        b->setMinimumHeight(30);
        b->setMinimumWidth(b->sizeHint().width() + 16);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setFocusPolicy(Qt::TabFocus);
        btnMenu[i] = b;
    }
    // BtnUnused has neither text nor action; it keeps its place in the array only.
    btnMenu[BtnUnused]->hide();

    struct Group { const char* caption; std::vector<MenuButton> buttons; int columns; };
    const Group groups[] = {
        {"Configuration", {BtnDeviceSetup, BtnPortSetup, BtnSaveSetup}, 1},
        {"Online", {BtnPortOpen, BtnSingleLine, BtnSingleBar, BtnSingleText, BtnMulti, BtnMultiPV}, 2},
        {"Parameter", {BtnParameter, BtnDateTime}, 1},
        {"Helper", {BtnAbout, BtnHelp, BtnManual, BtnViewer}, 2}};
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    for (const Group& g : groups) {
        auto* box = new QGroupBox(QString::fromLatin1(g.caption), bar);
        box->setObjectName(QStringLiteral("fra%1").arg(QString::fromLatin1(g.caption)));
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(6, 4, 6, 6);
        grid->setSpacing(4);
        // Fill column by column so that related buttons stand one above the other.
        const int rows = 3;
        for (int k = 0; k < static_cast<int>(g.buttons.size()); ++k)
            grid->addWidget(btnMenu[g.buttons[k]], k % rows, k / rows);
        row->addWidget(box, g.columns);
    }
    return bar;
}

QWidget* frmVQ_Main::buildDevicePanel()
{
    auto* panel = new QWidget(this);
    auto* col = new QVBoxLayout(panel);
    col->setContentsMargins(0, 0, 4, 0);

    auto* devices = new QGroupBox(QStringLiteral("Devices"), panel);
    auto* dl = new QVBoxLayout(devices);
    TextTableModel* model = nullptr;
    auto* picker = new PickRowView(devices);
    sprdStatus = MakeGridView(&m_store.sprdStatus, QStringLiteral("sprdStatus"), devices, &model, picker);
    model->setShowEveryMs(kShowIdleMs);
    m_statusModel = model;
    sprdStatus->verticalHeader()->hide();
    sprdStatus->setColumnHidden(2, true);
    sprdStatus->setColumnHidden(3, true);
    // Number and state keep their width; the description takes the rest.
    sprdStatus->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    sprdStatus->horizontalHeader()->setSectionResizeMode(status::Description - 1, QHeaderView::Stretch);
    FrameSelectedRow(sprdStatus);
    sprdStatus->setToolTip(QStringLiteral("Click a device, or press Return or Space on it, to select it"));
    connect(picker, &PickRowView::rowPicked, this, [this](int row) { selectDeviceRow(row + 1); });
    dl->addWidget(sprdStatus);
    col->addWidget(devices, 1);

    auto* edit = new QGroupBox(QStringLiteral("Edit Device"), panel);
    auto* el = new QHBoxLayout(edit);
    el->addWidget(new QLabel(QStringLiteral("Device No."), edit));
    lblMC_No = valueLabel(QStringLiteral("lblMC_No"), edit);
    QFont big = lblMC_No->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    lblMC_No->setFont(big);
    el->addWidget(lblMC_No, 1);
    col->addWidget(edit);

    auto* save = new QGroupBox(QStringLiteral("Data Save"), panel);
    auto* sl = new QGridLayout(save);
    lblDSave_Enable = valueLabel(QStringLiteral("lblDSave_Enable"), save);
    lblDSave_Intv = valueLabel(QStringLiteral("lblDSave_Intv"), save);
    lblDSave_Unit = new QLabel(QStringLiteral("min"), save);
    lblDSave_Unit->setObjectName(QStringLiteral("lblDSave_Unit"));
    lblDaySave = valueLabel(QStringLiteral("lblDaySave"), save);
    sl->addWidget(new QLabel(QStringLiteral("Save"), save), 0, 0);
    sl->addWidget(lblDSave_Enable, 0, 1);
    sl->addWidget(new QLabel(QStringLiteral("Interval"), save), 1, 0);
    sl->addWidget(lblDSave_Intv, 1, 1);
    sl->addWidget(lblDSave_Unit, 1, 2);
    sl->addWidget(new QLabel(QStringLiteral("Save by Date"), save), 2, 0);
    sl->addWidget(lblDaySave, 2, 1);
    sl->setColumnStretch(1, 1);
    col->addWidget(save);

    auto* lamps = new QGroupBox(QStringLiteral("Line"), panel);
    auto* ll = new QHBoxLayout(lamps);
    shpSend = new LedIndicator(lamps);
    shpSend->setObjectName(QStringLiteral("shpSend"));
    shpRecv = new LedIndicator(lamps);
    shpRecv->setObjectName(QStringLiteral("shpRecv"));
    ll->addStretch();
    ll->addWidget(shpSend);
    ll->addWidget(new QLabel(QStringLiteral("SEND"), lamps));
    ll->addSpacing(24);
    ll->addWidget(shpRecv);
    ll->addWidget(new QLabel(QStringLiteral("RECV"), lamps));
    ll->addStretch();
    col->addWidget(lamps);

    panel->setMinimumWidth(260);
    panel->setMaximumWidth(380);
    return panel;
}

QWidget* frmVQ_Main::buildCommPanel()
{
    auto* box = new QGroupBox(QStringLiteral("Communication Data"), this);
    box->setObjectName(QStringLiteral("fraComm"));
    auto* col = new QVBoxLayout(box);
    sprdComm = new QTableView(box);
    sprdComm->setObjectName(QStringLiteral("sprdComm"));
    m_commModel = new CommLogModel(&m_session.log, sprdComm, kShowIdleMs);
    sprdComm->setModel(m_commModel);
    sprdComm->setItemDelegate(new HexCellDelegate(sprdComm));
    sprdComm->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sprdComm->setSelectionMode(QAbstractItemView::NoSelection);
    sprdComm->horizontalHeader()->setDefaultSectionSize(sprdComm->fontMetrics().horizontalAdvance("0000") + 4);
    sprdComm->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    sprdComm->verticalHeader()->setDefaultSectionSize(sprdComm->fontMetrics().height() + 4);
    sprdComm->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    sprdComm->setFont(mono);
    // New rows scroll the view only while it is at the bottom: a row read higher up stays in sight.
    connect(sprdComm->model(), &QAbstractItemModel::rowsAboutToBeInserted, sprdComm, [this] {
        const QScrollBar* bar = sprdComm->verticalScrollBar();
        m_commAtBottom = bar->value() >= bar->maximum();
    });
    connect(sprdComm->model(), &QAbstractItemModel::rowsInserted, sprdComm, [this] {
        if (m_commAtBottom)
            sprdComm->scrollToBottom();
    });

    // Pause holds the rows in sight while the log goes on; Capture writes every frame to a file.
    btnCommPause = new QPushButton(QStringLiteral("P&ause"), box);
    btnCommPause->setObjectName(QStringLiteral("btnCommPause"));
    btnCommPause->setCheckable(true);
    btnCommPause->setToolTip(QStringLiteral("Hold the rows in sight (Space in the frame log); the log goes on"));
    connect(btnCommPause, &QPushButton::toggled, this, &frmVQ_Main::pauseCommLog);
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), sprdComm, nullptr, nullptr, Qt::WidgetShortcut);
    connect(space, &QShortcut::activated, btnCommPause, &QPushButton::toggle);
    btnCapture = new QPushButton(QStringLiteral("Capture to &File..."), box);
    btnCapture->setObjectName(QStringLiteral("btnCapture"));
    btnCapture->setToolTip(QStringLiteral("Write every frame to a CSV file until stopped, then the counters"));
    connect(btnCapture, &QPushButton::clicked, this, &frmVQ_Main::toggleCapture);
    lblCommRows = new QLabel(box);
    lblCommRows->setObjectName(QStringLiteral("lblCommRows"));
    lblCapture = new QLabel(box);
    lblCapture->setObjectName(QStringLiteral("lblCapture"));
    auto* tools = new QHBoxLayout;
    tools->addWidget(btnCommPause);
    tools->addWidget(lblCommRows);
    tools->addSpacing(12);
    tools->addWidget(btnCapture);
    tools->addWidget(lblCapture, 1);
    col->addLayout(tools);
    connect(m_commModel, &CommLogModel::shownRowsChanged, this, &frmVQ_Main::showCommRows);
    m_capture = new FrameCapture(m_session.log, this);
    connect(m_capture, &FrameCapture::written, this, [this](qint64 n) {
        if (n % 50 == 0 || !m_lastShow.isValid())
            showCaptureState();
    });
    connect(m_capture, &FrameCapture::failed, this, [this](const QString& why) {
        btnCapture->setText(QStringLiteral("Capture to &File..."));
        lblCapture->setText(why);
        lblCapture->setToolTip(why);
    });
    showCommRows();
    col->addWidget(sprdComm, 3);

    auto* bottom = new QHBoxLayout;
    sprdCommState = MakeGridView(&m_store.sprdCommState, QStringLiteral("sprdCommState"), box);
    if (auto* m = qobject_cast<TextTableModel*>(sprdCommState->model())) {
        m->setRowColours(Qt::white, kLightGreen);
        m->setShowEveryMs(kShowIdleMs);
        m_stateModel = m;
    }
    sprdCommState->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    sprdCommState->setSelectionMode(QAbstractItemView::NoSelection);
    bottom->addWidget(sprdCommState, 1);
    btnCountClear = new QPushButton(QStringLiteral("Count Clear"), box);
    btnCountClear->setObjectName(QStringLiteral("btnCountClear"));
    btnCommSave = new QPushButton(QStringLiteral("Save &Log..."), box);
    btnCommSave->setObjectName(QStringLiteral("btnCommSave"));
    btnCommSave->setToolTip(QStringLiteral("Save the frames and the counters as CSV"));
    // Bytes on the line that belonged to no answer: noise, late answers.
    lblNoise = new QLabel(box);
    lblNoise->setObjectName(QStringLiteral("lblNoise"));
    lblNoise->setToolTip(QStringLiteral("Bytes received that belonged to no answer (noise, late or broken answers); "
                                        "they are shown red in the frame log"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnCountClear);
    buttons->addWidget(btnCommSave);
    buttons->addWidget(lblNoise);
    buttons->addStretch();
    bottom->addLayout(buttons);
    col->addLayout(bottom, 2);
    return box;
}

void frmVQ_Main::buildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    // Port, line settings and protocol always show whole; the save state (3)
    // and the communication messages (4) share the rest and show in their
    // tooltips what does not fit.
    for (int i = 0; i < 5; ++i) {
        auto* l = new StatusPanel(StatusBar1);
        l->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        l->setKeepWhole(i != 2 && i != 3);
        m_panels[i] = l;
        StatusBar1->addPermanentWidget(l, i == 3 ? 1 : 0);
    }
    m_panels[2]->setElideMode(Qt::ElideMiddle);
    m_transient = new QTimer(this);
    m_transient->setObjectName(QStringLiteral("tmrMessage"));
    m_transient->setSingleShot(true);
    connect(m_transient, &QTimer::timeout, this, [this] { m_panels[3]->setText(m_standing); });
}

void frmVQ_Main::showMessage(const QString& text, int ms)
{
    m_panels[3]->setText(text);
    m_transient->start(ms);
}

void frmVQ_Main::connectActions()
{
    connect(mExit, &QAction::triggered, this, &QWidget::close);
    connect(mHelpAbout, &QAction::triggered, this, [this] {
        frmVQ_About about(m_programDir, this);
        about.exec();
    });
    // Help: the manual's contents; VQ800 Manual: its reference of the recorder's settings.
    connect(mHelpHelp, &QAction::triggered, this, [this] { openManual(QStringLiteral("contents")); });
    connect(mHelpManual, &QAction::triggered, this, [this] { openManual(QStringLiteral("reference")); });
    connect(mHelpGView, &QAction::triggered, this, &frmVQ_Main::openViewer);
    connect(btnCommSave, &QPushButton::clicked, this, &frmVQ_Main::saveCommLog);
    connect(mHelpViewComm, &QAction::triggered, this, &frmVQ_Main::toggleCommView);
    connect(btnCountClear, &QPushButton::clicked, this, &frmVQ_Main::countClear);
    connect(mOnlinePortOpen, &QAction::triggered, this, &frmVQ_Main::togglePort);
    connect(mSetMC, &QAction::triggered, this, &frmVQ_Main::openDeviceSetup);
    connect(mSetDSave, &QAction::triggered, this, &frmVQ_Main::openDataSaveSetup);
    connect(mSetPort, &QAction::triggered, this, &frmVQ_Main::openPortSetup);
    connect(mSetFind, &QAction::triggered, this, &frmVQ_Main::openFindRecorders);
    connect(mSetPublish, &QAction::triggered, this, &frmVQ_Main::openPublishing);
    connect(mOnlineSingleLine, &QAction::triggered, this, &frmVQ_Main::openSingleLine);
    connect(mOnlineSingleBar, &QAction::triggered, this, &frmVQ_Main::openSingleBar);
    connect(mOnlineSingleText, &QAction::triggered, this, &frmVQ_Main::openSingleText);
    connect(mOnlineMulti, &QAction::triggered, this, &frmVQ_Main::openMulti);
    connect(mOnlineMultiPV, &QAction::triggered, this, &frmVQ_Main::openMultiPV);
    connect(mOnlineOverview, &QAction::triggered, this, &frmVQ_Main::openOverview);
    connect(mPMeterList, &QAction::triggered, this, &frmVQ_Main::openParameterSetup);
    connect(mPMeterSysDate, &QAction::triggered, this, &frmVQ_Main::openDateReserve);

    tmrBall_Send = new QTimer(this);
    tmrBall_Send->setObjectName(QStringLiteral("tmrBall_Send"));
    tmrBall_Recv = new QTimer(this);
    tmrBall_Recv->setObjectName(QStringLiteral("tmrBall_Recv"));
    for (QTimer* t : {tmrBall_Send, tmrBall_Recv}) {
        t->setSingleShot(true);
        t->setInterval(100);
    }
    connect(tmrBall_Send, &QTimer::timeout, this, [this] { shpSend->setColour(Qt::black); });
    connect(tmrBall_Recv, &QTimer::timeout, this, [this] { shpRecv->setColour(Qt::black); });
    connect(m_engine, &PollingEngine::sending, this, [this] { lightLamp(shpSend, tmrBall_Send, QColor(255, 0, 0)); });
    connect(m_engine, &PollingEngine::receiving, this, [this] { lightLamp(shpRecv, tmrBall_Recv, QColor(0, 255, 0)); });
    connect(m_engine, &PollingEngine::requestSent, this, [this] {
        if (!m_lastShow.isValid() || m_lastShow.elapsed() >= kShowEveryMs)
            showLinkTables();
    });
    // While a lost port is being reopened, panel 4 tells of that.
    connect(m_engine, &PollingEngine::statusMessage, this, [this](const QString& t) {
        if (!m_reopener->active())
            setPanelText(4, t);
    });
    connect(m_reopener.get(), &PortReopener::lost, this, [this](const QString& t) { setPanelText(4, t); });
    connect(m_reopener.get(), &PortReopener::failed, this, [this](const QString& t) { setPanelText(4, t); });
    connect(m_reopener.get(), &PortReopener::reopened, this, [this](const QString& t) {
        setPanelText(4, QString());
        showMessage(t);
    });
    connect(m_engine, &PollingEngine::portStateRequested, this, &frmVQ_Main::SetPortState);
    connect(m_engine, &PollingEngine::transferEnded, this, &frmVQ_Main::transferEnded);
    connect(m_engine, &PollingEngine::selectedDeviceChanged, this, [this](int number) {
        lblMC_No->setText(number > 0 ? QString::number(number) : QString());
        // The highlighted row is the selected device, also when the engine chose it.
        const int row = m_link.indexOfDevice(number);
        if (row >= 0 && sprdStatus->model())
            sprdStatus->selectRow(row);
    });
    // Device and port settings never change under an open port, scan included,
    // nor while a device server connects; the port button cancels then.
    const auto openCaptions = [this] {
        mOnlinePortOpen->setText(QStringLiteral("&Port Close"));
        btnMenu[BtnPortOpen]->setText(QStringLiteral("Port Close"));
        for (QAction* a : {mSetMC, mSetPort, mSetFind, mSetPublish})
            a->setEnabled(false);
        for (MenuButton b : {BtnDeviceSetup, BtnPortSetup})
            btnMenu[b]->setEnabled(false);
    };
    connect(m_engine, &PollingEngine::portOpened, this, openCaptions);
    connect(m_engine, &PollingEngine::portConnecting, this, openCaptions);
    const auto closedCaptions = [this] {
        mOnlinePortOpen->setText(QStringLiteral("&Port Open"));
        btnMenu[BtnPortOpen]->setText(QStringLiteral("Port Open"));
    };
    connect(m_engine, &PollingEngine::portClosed, this, closedCaptions);
    connect(m_engine, &PollingEngine::portOpenFailed, this, closedCaptions);

    // Each button runs the handler of its menu item.
    QAction* forButton[MenuButtons] = {mSetMC,           mSetDSave,         mSetPort,       mOnlinePortOpen,
                                       mOnlineSingleLine, mOnlineMulti,      mPMeterList,    mHelpAbout,
                                       mHelpHelp,         mHelpManual,       mHelpGView,     nullptr,
                                       mOnlineSingleBar,  mOnlineSingleText, mOnlineMultiPV, mPMeterSysDate};
    for (int i = 0; i < MenuButtons; ++i)
        if (forButton[i])
            connect(btnMenu[i], &QPushButton::clicked, forButton[i], &QAction::trigger);
}

void frmVQ_Main::startUp()
{
    QString saveNote;
    setSaveSettings(ReadSaveSettings(m_programDir, &saveNote));
    m_reopener->setEnabled(LineFile::read(m_programDir).reopen());
    QStringList notes{m_session.loadConfiguration(), saveNote};
    notes.removeAll(QString());
    const QString note = notes.join(QStringLiteral("; "));
    setPanelText(1, m_link.port.gCommPort);
    setPanelText(2, m_link.port.settingsText());
    setPanelText(5, m_link.port.gCommProtocol);
    SetPortState(true);
    if (!note.isEmpty())
        setPanelText(4, note);
    tmrDSave->start();
    m_publisher->configure();
}

void frmVQ_Main::togglePort()
{
    // The operator takes the port over from the tries to reopen it.
    m_reopener->stop();
    if (!m_engine->isOpen() && !m_engine->isConnecting()) {
        m_engine->openPort();
        return;
    }
    // A download is never cut off unasked: stopping it puts back what it wrote first.
    if (m_engine->transferActive() && !askStopTransfer(QStringLiteral("The port closes when that is done.")))
        return;
    if (m_engine->transferActive())
        m_engine->stopTransfer(true);
    else
        m_engine->closePort();
}

bool frmVQ_Main::askStopTransfer(const QString& after)
{
    const bool down = m_engine->phase() != req::Phase::Upload;
    const QString device = m_link.deviceName(m_link.gSelMC_No);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                    (down ? QStringLiteral("A download to %1 is running. Stop it? What it has written so far is put back.")
                          : QStringLiteral("An upload from %1 is running. Stop it?"))
                            .arg(device)
                        + u'\n' + after,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("msgStopTransfer"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void frmVQ_Main::transferEnded(int transfer, TransferResult result, const QString& text)
{
    // What became of a transfer stays in sight, also with the editor closed.
    if (result != TransferResult::Done)
        setPanelText(4, text);
    else
        showMessage(text);
    if (m_quitAfterTransfer) {
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (transfer != req::Download || result != TransferResult::Done)
        return;
    // A download that moved the recorder to another address or speed: the
    // program may follow it (after the engine has finished with the answer).
    const RecorderLine before = LineOf(m_engine->lastBackup(), m_link.gSelMC_No, m_link.port);
    const RecorderLine after = LineAfter(before, m_engine->lastSent());
    if (after.known && (after.address != before.address || after.settings.settingsText() != m_link.port.settingsText()))
        QTimer::singleShot(0, this, [this, device = m_link.gSelMC_No, after] { offerLineChange(device, after); });
}

void frmVQ_Main::offerLineChange(int device, const RecorderLine& now)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                    QStringLiteral("Device %1 now answers at %2.\nChange the device list and Port Setup to match? "
                                   "The port closes and opens again.")
                        .arg(device)
                        .arg(LineText(now)),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("msgLineChange"));
    if (box.exec() != QMessageBox::Yes)
        return;
    QStringList lines = ReadDeviceListLines(m_programDir);
    while (lines.size() < qMax(device, now.address))
        lines << QStringLiteral("X\t");
    if (now.address != device) {
        if (now.address < 1 || now.address > kMaxDeviceNumber || lines[now.address - 1].startsWith(u'O')) {
            setPanelText(4, QStringLiteral("Device %1 answers at address %2, which the device list cannot take "
                                           "(1 to %3, not in use); change it in Device Setup")
                                .arg(device)
                                .arg(now.address)
                                .arg(kMaxDeviceNumber));
            return;
        }
        lines[now.address - 1] = lines[device - 1];
        lines[device - 1] = QStringLiteral("X\t");
    }
    m_engine->closePort();
    PortSettings line = m_link.port;
    line.gCommBaud = now.settings.gCommBaud;
    line.gCommParity = now.settings.gCommParity;
    line.gCommDataBits = now.settings.gCommDataBits;
    line.gCommStopBits = now.settings.gCommStopBits;
    QString why;
    if (!WriteConfigLines(DeviceListPath(m_programDir), lines, &why) || !WritePortFile(m_programDir, line, &why)) {
        setPanelText(4, why);
        return;
    }
    loadDeviceList(lines);
    m_engine->setLineSettings(line);
    setPanelText(2, m_link.port.settingsText());
    m_engine->selectDevice(m_link.indexOfDevice(now.address));
    m_engine->openPort();
}

void frmVQ_Main::showLinkTables()
{
    m_lastShow.start();
    m_commModel->showNewRows();
    showStrayBytes();
    if (m_commModel->paused())
        showCommRows();
    if (m_capture->running())
        showCaptureState();
    if (m_statusModel)
        m_statusModel->showChanged();
    if (m_stateModel)
        m_stateModel->showChanged();
}

void frmVQ_Main::lightLamp(LedIndicator* lamp, QTimer* off, const QColor& colour)
{
    lamp->setColour(colour);
    off->start();
}

void frmVQ_Main::showSaveSettings(const DSaveSettings& s)
{
    lblDSave_Enable->setText(s.gDSaveEnable);
    lblDSave_Intv->setText(QString::number(s.gDSaveInterval));
    lblDSave_Unit->setText(s.gDSaveUnit);
    lblDaySave->setText(s.gDaySave ? QStringLiteral("Yes") : QStringLiteral("No"));
}

void frmVQ_Main::setSaveSettings(const DSaveSettings& s)
{
    m_dsave = s;
    m_logger->setSettings(s);
    showSaveSettings(s);
}

void frmVQ_Main::loadDeviceList(const QStringList& lines)
{
    // The list never changes under an open port.
    QString note;
    if (m_engine->setDeviceList(lines, &note))
        setPanelText(4, note);
}

void frmVQ_Main::selectDeviceRow(int row)
{
    // The engine takes the click when the link is free for it (after a
    // running scan or transfer); the label follows when it does.
    m_engine->selectDevice(row - 1);
}

void frmVQ_Main::SetPortState(bool closedState)
{
    for (QAction* a : {mSetMC, mSetPort, mSetFind, mSetPublish})
        a->setEnabled(closedState);
    for (MenuButton b : {BtnDeviceSetup, BtnPortSetup})
        btnMenu[b]->setEnabled(closedState);
    for (QAction* a : {mOnlineSingleLine, mOnlineSingleBar, mOnlineSingleText, mOnlineMulti, mOnlineMultiPV,
                       mPMeterSysDate})
        a->setEnabled(!closedState);
    for (MenuButton b : {BtnSingleLine, BtnMulti, BtnUnused, BtnSingleBar, BtnSingleText, BtnMultiPV, BtnDateTime})
        btnMenu[b]->setEnabled(!closedState);
    // The port button shows the state at a glance.
    btnMenu[BtnPortOpen]->setStyleSheet(closedState
                                            ? QStringLiteral("QPushButton { color: #0a6a0a; font-weight: bold; }")
                                            : QStringLiteral("QPushButton { color: #b01010; font-weight: bold; }"));
}

QString frmVQ_Main::panelText(int panel) const
{
    return (panel >= 1 && panel <= 5) ? m_panels[panel - 1]->text() : QString();
}

void frmVQ_Main::setPanelText(int panel, const QString& text)
{
    if (panel < 1 || panel > 5)
        return;
    if (panel == 4) {
        // A message of the link replaces a passing one for good.
        m_transient->stop();
        m_standing = text;
    }
    m_panels[panel - 1]->setText(text);
}

void frmVQ_Main::openDocument(const QString& relativePath)
{
    const QString file = QDir(m_programDir).filePath(relativePath);
    if (!QFileInfo::exists(file)) {
        showMessage(QStringLiteral("Not found: %1").arg(QDir::toNativeSeparators(file)));
        return;
    }
    if (!RunDocument(QStringLiteral("OPEN"), file, QString(), m_programDir, 10))
        showMessage(QStringLiteral("No program opens %1").arg(QDir::toNativeSeparators(file)));
}

void frmVQ_Main::openManual(const QString& chapter)
{
    QString why;
    if (!OpenManual(m_programDir, chapter, &why))
        showMessage(why);
}

void frmVQ_Main::openViewer()
{
#ifdef Q_OS_WIN
    if (QFileInfo::exists(QDir(m_programDir).filePath(QStringLiteral("VQ800_GView.EXE")))) {
        openDocument(QStringLiteral("VQ800_GView.EXE"));
        return;
    }
#endif
    const QString viewer = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vq800-view"));
    if (!QProcess::startDetached(viewer, {m_dsave.gDSaveFolder}, m_programDir))
        showMessage(QStringLiteral("The data viewer could not be started (%1)").arg(QDir::toNativeSeparators(viewer)));
}

void frmVQ_Main::saveCommLog()
{
    const QString path = chooseLogFile();
    if (path.isEmpty())
        return;
    QString why;
    if (SaveFrameLog(path, m_session.log, m_store.sprdCommState, m_engine->strayBytes(), &why))
        showMessage(QStringLiteral("Frame log saved to %1").arg(QDir::toNativeSeparators(path)));
    else
        showMessage(QStringLiteral("The frame log cannot be saved to %1: %2").arg(QDir::toNativeSeparators(path), why), 15000);
}

void frmVQ_Main::toggleCommView()
{
    const bool show = m_commPanel->isHidden();
    sprdComm->setVisible(show);
    sprdCommState->setVisible(show);
    btnCountClear->setVisible(show);
    m_commPanel->setVisible(show);
    mHelpViewComm->setChecked(show);
}

void frmVQ_Main::pauseCommLog(bool paused)
{
    m_commModel->setPaused(paused);
    btnCommPause->setText(paused ? QStringLiteral("Res&ume") : QStringLiteral("P&ause"));
    if (!paused)
        sprdComm->scrollToBottom();
    showCommRows();
}

void frmVQ_Main::showCommRows()
{
    const int rows = m_commModel->rowCount();
    QString text = m_commModel->paused()
        ? QStringLiteral("Paused: %1 rows held").arg(rows)
        : QStringLiteral("%1 rows").arg(rows);
    if (m_commModel->paused() && m_commModel->newWhilePaused() > 0)
        text += QStringLiteral(", %1 new").arg(m_commModel->newWhilePaused());
    if (lblCommRows->text() != text)
        lblCommRows->setText(text);
}

void frmVQ_Main::toggleCapture()
{
    if (m_capture->running()) {
        m_capture->stop(m_store.sprdCommState, m_engine->strayBytes());
        btnCapture->setText(QStringLiteral("Capture to &File..."));
        showCaptureState();
        return;
    }
    const QString path = chooseCaptureFile();
    if (path.isEmpty())
        return;
    QString why;
    if (!m_capture->start(path, &why)) {
        lblCapture->setText(QStringLiteral("The capture cannot be written to %1: %2").arg(QDir::toNativeSeparators(path), why));
        lblCapture->setToolTip(lblCapture->text());
        return;
    }
    btnCapture->setText(QStringLiteral("Stop &Capture"));
    showCaptureState();
}

// A failing save stays in panel 3 (written by nothing else) until a save
// succeeds; a note (a repaired file, saving working again) is said there for a minute.
void frmVQ_Main::showSaveResult(const QString& failure, const QString& note)
{
    StatusPanel* p = m_panels[2];
    // A note stays for its minute unless a failure takes its place.
    if (failure.isEmpty() && note.isEmpty() && p->property("note").toBool())
        return;
    const QString text = failure.isEmpty() ? note : failure;
    p->setText(text);
    p->setProperty("note", failure.isEmpty() && !note.isEmpty());
    QPalette red = StatusBar1->palette();
    if (!failure.isEmpty())
        red.setColor(QPalette::WindowText, QColor(0xb0, 0x10, 0x10));
    p->setPalette(red);
    if (failure.isEmpty() && !note.isEmpty())
        QTimer::singleShot(60'000, p, [p, note] {
            if (p->property("note").toBool() && p->text() == note) {
                p->setText(QString());
                p->setProperty("note", false);
            }
        });
}

void frmVQ_Main::showCaptureState()
{
    const QString name = QFileInfo(m_capture->path()).fileName();
    const QString text = m_capture->running()
        ? QStringLiteral("Capturing: %1 frames to %2").arg(m_capture->frames()).arg(name)
        : QStringLiteral("Captured %1 frames to %2").arg(m_capture->frames()).arg(name);
    lblCapture->setText(text);
    lblCapture->setToolTip(QDir::toNativeSeparators(m_capture->path()));
}

void frmVQ_Main::countClear()
{
    TextTable& t = m_store.sprdCommState;
    t.clearTexts(1, 1, t.colCount(), t.rowCount());
    m_engine->clearStrayBytes();
    showStrayBytes();
}

void frmVQ_Main::showStrayBytes()
{
    const qint64 n = m_engine->strayBytes();
    const QString text = QStringLiteral("Noise: %1 byte%2").arg(n).arg(n == 1 ? "" : "s");
    if (lblNoise->text() != text)
        lblNoise->setText(text);
}

void frmVQ_Main::closeEvent(QCloseEvent* event)
{
    if (m_quitAfterTransfer && m_engine->transferActive()) {
        event->ignore(); // quitting as soon as the stopped download has put back what it wrote
        return;
    }
    if (!m_quitAfterTransfer) {
        if (m_engine->transferActive()) {
            event->ignore();
            if (askStopTransfer(QStringLiteral("The program quits when that is done."))) {
                m_quitAfterTransfer = true;
                m_engine->stopTransfer(true);
            }
            return;
        }
        QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), QStringLiteral("Quit?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setObjectName(QStringLiteral("msgQuit"));
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    m_reopener->stop();
    m_engine->closePort();
    event->accept();
}

// Windows opened from the menus and the button bar. Each is modal; the
// engine's timers keep running while it is open.

void frmVQ_Main::openDeviceSetup()
{
    if (m_engine->isOpen() || m_engine->isConnecting())
        return;
    frmVQ_SetMC dialog(m_programDir, this);
    if (!execWithPortClosed(dialog))
        return;
    loadDeviceList(dialog.savedLines());
    if (m_link.gSelMC_No > 0)
        lblMC_No->setText(QString::number(m_link.gSelMC_No));
}

void frmVQ_Main::openPortSetup()
{
    if (m_engine->isOpen() || m_engine->isConnecting())
        return;
    frmVQ_SetPort dialog(m_programDir, m_link.port, this);
    const bool accepted =
        execWithPortClosed(dialog, [&] { m_reopener->setEnabled(dialog.reopenLostPort()); });
    if (!accepted || !m_engine->setLineSettings(dialog.saved()))
        return;
    m_session.applyLineOptions(LineFile::read(m_programDir));
    setPanelText(1, m_link.port.gCommPort);
    setPanelText(2, m_link.port.settingsText());
    setPanelText(5, m_link.port.gCommProtocol);
    // What was said about the old port no longer holds.
    setPanelText(4, QString());
}

void frmVQ_Main::openOverview()
{
    // One window, brought forward when open; it does not block the others.
    if (!m_overview)
        m_overview = new frmVQ_Overview(m_programDir, this);
    m_overview->show();
    m_overview->raise();
    m_overview->activateWindow();
}

void frmVQ_Main::openFindRecorders()
{
    if (m_engine->isOpen() || m_engine->isConnecting())
        return;
    // The search has the port to itself.
    frmVQ_FindRecorders dialog(m_programDir, m_link.port, nullptr, nullptr, this);
    if (!execWithPortClosed(dialog) || !dialog.used() || !m_engine->setLineSettings(dialog.written().port))
        return;
    loadDeviceList(dialog.written().deviceLines);
    setPanelText(1, m_link.port.gCommPort);
    setPanelText(2, m_link.port.settingsText());
    setPanelText(4, QString());
}

void frmVQ_Main::openPublishing()
{
    if (m_engine->isOpen() || m_engine->isConnecting())
        return;
    frmVQ_Publish dialog(m_programDir, this);
    if (execWithPortClosed(dialog))
        emit publishSettingsChanged();
}

bool frmVQ_Main::execWithPortClosed(QDialog& dialog, const std::function<void()>& accepted)
{
    // No try to reopen a lost port while its settings are being edited.
    const bool reopening = m_reopener->active();
    m_reopener->stop();
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok && accepted)
        accepted();
    if (reopening)
        m_reopener->resume();
    return ok;
}

void frmVQ_Main::openDataSaveSetup()
{
    frmVQ_Set_DSave dialog(m_programDir, this);
    if (dialog.exec() == QDialog::Accepted)
        setSaveSettings(dialog.settings());
}

// ---- single-device monitors

void frmVQ_Main::openSingleLine()
{
    frmVQ_Mon_Single w(m_monitor, m_store, m_link, m_programDir, this);
    w.exec();
}

void frmVQ_Main::openSingleBar()
{
    frmVQ_Mon_Bar w(m_monitor, m_store, m_link, m_programDir, this);
    w.exec();
}

void frmVQ_Main::openSingleText()
{
    frmVQ_Mon_Text w(m_monitor, m_store, m_link, m_programDir, this);
    w.exec();
}

// ---- multi-device monitors

void frmVQ_Main::openMulti()
{
    frmVQ_Mon_Multi w(m_store, this);
    w.exec();
}

void frmVQ_Main::openMultiPV()
{
    frmVQ_Mon_MultiPV w(m_store, this);
    w.exec();
}

// ---- parameters

void frmVQ_Main::openParameterSetup()
{
    frmVQ_Parameter editor(m_paramImage, m_link, m_store, *m_engine, this);
    editor.programDir = m_programDir;
    editor.setBackups(&m_session.backups);
    editor.exec();
}

// ---- clock and reserved start

void frmVQ_Main::openDateReserve()
{
    frmVQ_DateReserve w(m_link, m_store, *m_engine, this);
    w.exec();
}
