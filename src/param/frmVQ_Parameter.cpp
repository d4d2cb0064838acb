#include "param/frmVQ_Parameter.h"

#include "link/DataStore.h"
#include "link/LinkState.h"
#include "link/PollingEngine.h"
#include "param/ParamBackups.h"
#include "param/ParamFiles.h"
#include "param/ParamImage.h"
#include "channel/frmVQ_P_ARM_DI.h"
#include "channel/frmVQ_P_Channel.h"
#include "param/frmVQ_P_Display.h"
#include "param/frmVQ_P_Main.h"
#include "param/frmVQ_P_System.h"
#include "ui/DeferredRefresh.h"
#include "ui/Grid.h"
#include "ui/TextTableModel.h"
#include "ui/WindowPlaces.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QCheckBox>
#include <QListWidget>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("Parameter Setup");

// Descriptions read left-aligned; values stay centred.
class LeftAligned : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem* o, const QModelIndex& i) const override
    {
        QStyledItemDelegate::initStyleOption(o, i);
        o->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    }
};

// A column width that shows each of `texts` whole.
int textWidth(const QTableView* view, std::initializer_list<QString> texts)
{
    int widest = 0;
    for (const QString& t : texts)
        widest = qMax(widest, view->fontMetrics().horizontalAdvance(t));
    return widest + 16;
}

// Width of a table showing its first `columns` columns (hidden ones not counted) and a scroll bar.
int tableWidth(const QTableView* view, int columns)
{
    int w = view->verticalHeader()->sizeHint().width() + view->verticalScrollBar()->sizeHint().width()
        + 2 * view->frameWidth() + 2;
    for (int c = 0; c < columns; ++c)
        if (!view->isColumnHidden(c))
            w += view->columnWidth(c);
    return w;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    // Return belongs to the tables: no button of the editor is a default.
    b->setAutoDefault(false);
    b->setMinimumHeight(30);
    b->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 14px 4px 8px;"));
    return b;
}

QString qtFilter()
{
    // "Text(*.X)|*.X": the part before the bar is what the dialog shows.
    return QString::fromLatin1(kParamFileFilter).section(u'|', 0, 0);
}

// Leaves the program's own configuration files out of the file dialogs.
class HideProgramConfig : public QSortFilterProxyModel {
public:
    HideProgramConfig(const QString& programDir, QObject* parent)
        : QSortFilterProxyModel(parent)
        , m_programDir(programDir)
    {
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        const QModelIndex i = sourceModel()->index(row, 0, parent);
        return !files || files->isDir(i) || !IsProgramConfigFile(files->filePath(i), m_programDir);
    }

private:
    QString m_programDir;
};

} // namespace

frmVQ_Parameter::frmVQ_Parameter(ParamImage& image, const LinkState& link, DataStore& store, PollingEngine& engine,
                                 QWidget* parent)
    : QDialog(parent)
    , m_image(image)
    , m_link(link)
    , m_store(store)
    , m_engine(engine)
{
    setObjectName(QStringLiteral("frmVQ_Parameter"));
    setWindowTitle(m_link.captionForSelected(kTitle));
    programDir = QCoreApplication::applicationDirPath();
    chooseFile = [this](bool save, const QString& preset) { return defaultChooseFile(save, preset); };

    auto* caption = new QLabel(QStringLiteral("File Name"), this);
    caption->setObjectName(QStringLiteral("lblFNameCaption"));
    lblFName = new QLabel(this);
    lblFName->setObjectName(QStringLiteral("lblFName"));
    lblFName->setFrameShape(QFrame::StyledPanel);
    lblFName->setFrameShadow(QFrame::Sunken);
    lblFName->setMinimumHeight(24);
    lblFName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(caption);
    fileRow->addWidget(lblFName, 1);

    buildTables();

    btnNew = button(QStringLiteral("btnNew"), QStringLiteral("  &New"), this);
    btnOpen = button(QStringLiteral("btnOpen"), QStringLiteral("  &Open"), this);
    btnSave = button(QStringLiteral("btnSave"), QStringLiteral("  &Save"), this);
    btnSaveAs = button(QStringLiteral("btnSaveAs"), QStringLiteral("  Save &As"), this);
    btnUpload = button(QStringLiteral("btnUpload"), QStringLiteral("  &Upload (VQ800 => PC)"), this);
    btnDownload = button(QStringLiteral("btnDownload"), QStringLiteral("  &Download (PC => VQ800)"), this);
    btnRestore = button(QStringLiteral("btnRestore"), QStringLiteral("  &Restore Previous Set..."), this);
    btnRestore->setToolTip(QStringLiteral("The sets the selected recorder held before each download, newest first"));
    btnClose = button(QStringLiteral("btnClose"), QStringLiteral("&Close"), this);
    btnClose->setStyleSheet(QString());
    btnDownload->setMinimumWidth(btnDownload->sizeHint().width() + 16);
    // The commands in one row above the tables leave their width to the channels.
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {btnNew, btnOpen, btnSave, btnSaveAs})
        buttons->addWidget(b);
    buttons->addSpacing(16);
    buttons->addWidget(btnUpload);
    buttons->addWidget(btnDownload);
    buttons->addWidget(btnRestore);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);

    lblMsg = new QLabel(this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setMinimumWidth(320);
    lblMsg->setWordWrap(true);
    XProgress1 = new QProgressBar(this);
    XProgress1->setObjectName(QStringLiteral("XProgress1"));
    XProgress1->setRange(0, 100);
    XProgress1->setValue(0);
    XProgress1->setFormat(QStringLiteral("Upload/Download "));
    XProgress1->setAlignment(Qt::AlignCenter);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(lblMsg);
    progressRow->addWidget(XProgress1, 1);

    auto* commonBox = new QVBoxLayout;
    commonBox->setSpacing(0);
    auto* band = new QLabel(QStringLiteral("COMMON"), this);
    band->setObjectName(QStringLiteral("lblCommonHeader"));
    band->setAlignment(Qt::AlignCenter);
    band->setFixedHeight(sprdP_CH->horizontalHeader()->sizeHint().height());
    band->setStyleSheet(QStringLiteral("background: palette(button); border: 1px solid palette(mid); font-weight: bold;"));
    commonBox->addWidget(band);
    commonBox->addWidget(sprdP, 1);

    auto* grid = new QGridLayout(this);
    grid->addLayout(fileRow, 0, 0, 1, 2);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->addLayout(commonBox, 2, 0);
    grid->addWidget(sprdP_CH, 2, 1);
    grid->addLayout(progressRow, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    // Wide enough for the common table and six channels.
    const QMargins m = grid->contentsMargins();
    resize(FittingSize(this, QSize(m.left() + sprdP->minimumWidth() + grid->horizontalSpacing()
                                       + tableWidth(sprdP_CH, 2 + 6) + m.right(),
                                   760)));

    tmrRefresh = DeferredRefresh(this, &frmVQ_Parameter::RefreshFromStore, 0);

    connect(btnNew, &QPushButton::clicked, this, &frmVQ_Parameter::newSet);
    connect(btnOpen, &QPushButton::clicked, this, &frmVQ_Parameter::openFile);
    connect(btnSave, &QPushButton::clicked, this, &frmVQ_Parameter::save);
    connect(btnSaveAs, &QPushButton::clicked, this, &frmVQ_Parameter::saveAs);
    connect(btnUpload, &QPushButton::clicked, this, &frmVQ_Parameter::upload);
    connect(btnDownload, &QPushButton::clicked, this, &frmVQ_Parameter::download);
    connect(btnRestore, &QPushButton::clicked, this, &frmVQ_Parameter::restorePrevious);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(&m_engine, &PollingEngine::transferProgress, this, &frmVQ_Parameter::showProgress);
    connect(&m_engine, &PollingEngine::transferEnded, this, &frmVQ_Parameter::transferEnded);
    // Upload and Download follow the link: the selected recorder online, the link monitoring.
    connect(&m_engine, &PollingEngine::portClosed, this, &frmVQ_Parameter::updateButtons);
    connect(&m_engine, &PollingEngine::portOpened, this, &frmVQ_Parameter::updateButtons);
    connect(&m_engine, &PollingEngine::scanFinished, this, &frmVQ_Parameter::updateButtons);
    connect(&m_engine, &PollingEngine::parametersRead, this, &frmVQ_Parameter::updateButtons);
    connect(&m_engine, &PollingEngine::deviceStateChanged, this, &frmVQ_Parameter::updateButtons);
    connect(&m_engine, &PollingEngine::selectedDeviceChanged, this, &frmVQ_Parameter::updateButtons);
    for (TextTable* t : {&m_tables.sprdP, &m_tables.sprdP_CH})
        connect(t, &TextTable::cellChanged, this, &frmVQ_Parameter::updateTitle);
    connect(&m_engine, &PollingEngine::selectedDeviceChanged, this, &frmVQ_Parameter::updateTitle);

    updateButtons();
    m_cleanChannels = m_image.channelCount();
    tmrRefresh->start();
}

void frmVQ_Parameter::buildTables()
{
    m_tables.setChannelCount(m_link.gChCount);

    TextTableModel* model = nullptr;
    sprdP = MakeGridView(&m_tables.sprdP, QStringLiteral("sprdP"), this, &model);
    sprdP->installEventFilter(this);
    sprdP->horizontalHeader()->hide();
    sprdP->setColumnHidden(1, true);
    sprdP->setRowHidden(16, true);
    sprdP->setItemDelegateForColumn(0, new LeftAligned(sprdP));
    sprdP->resizeColumnToContents(0);
    sprdP->setColumnWidth(2, textWidth(sprdP, {QStringLiteral("HISTORY-VIEW"), QStringLiteral("Modbus-RTU")}));
    sprdP->setSelectionBehavior(QAbstractItemView::SelectItems);
    sprdP->setMinimumWidth(tableWidth(sprdP, 3));

    sprdP_CH = MakeGridView(&m_tables.sprdP_CH, QStringLiteral("sprdP_CH"), this, &model);
    sprdP_CH->installEventFilter(this);
    m_channelModel = model;
    model->setRowColours(QColor(255, 255, 255), QColor(192, 255, 192));
    sprdP_CH->setColumnHidden(1, true);
    sprdP_CH->setItemDelegateForColumn(0, new LeftAligned(sprdP_CH));
    sprdP_CH->resizeColumnToContents(0);
    // Floating-point texts show whole, as "-1.234568E+08".
    const int channelWidth = textWidth(sprdP_CH, {QStringLiteral("-1.234568E+08"), QStringLiteral("CONSTANT")});
    for (int c = 2; c < m_tables.sprdP_CH.colCount(); ++c)
        sprdP_CH->setColumnWidth(c, channelWidth);
    sprdP_CH->setSelectionBehavior(QAbstractItemView::SelectItems);

    connect(sprdP, &QTableView::clicked, this, [this](const QModelIndex& i) {
        openPage(PageForCell(ParamGrid::Common, TextTableModel::tableCol(i), TextTableModel::tableRow(i)));
    });
    connect(sprdP_CH, &QTableView::clicked, this, [this](const QModelIndex& i) {
        openPage(PageForCell(ParamGrid::Channel, TextTableModel::tableCol(i), TextTableModel::tableRow(i)));
    });
    connect(sprdP_CH->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { openPage(PageForCell(ParamGrid::Channel, section + 1, 0)); });
}

bool frmVQ_Parameter::eventFilter(QObject* watched, QEvent* event)
{
    // Return or Enter on a cell opens its page, as a click does.
    if (event->type() == QEvent::KeyPress && (watched == sprdP || watched == sprdP_CH)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QModelIndex i = static_cast<QTableView*>(watched)->currentIndex();
            if (i.isValid())
                openPage(PageForCell(watched == sprdP ? ParamGrid::Common : ParamGrid::Channel,
                                     TextTableModel::tableCol(i), TextTableModel::tableRow(i)));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int frmVQ_Parameter::setChannels() const
{
    return qMin(m_image.channelCount(), m_tables.channelCount());
}

void frmVQ_Parameter::openPage(const PageTarget& target)
{
    if (m_engine.transferActive() && target.page != ParamPage::None) {
        lblMsg->setText(QStringLiteral("The set cannot change while a transfer runs."));
        return;
    }
    const int channels = setChannels();
    if (target.channel > channels) {
        lblMsg->setText(QStringLiteral("CH.%1 is not part of this parameter set, which holds channels 1 to %2: "
                                       "it is not edited, saved or downloaded. Save can extend the set to %3 channels.")
                            .arg(target.channel, 2, 10, QLatin1Char('0'))
                            .arg(channels)
                            .arg(m_tables.channelCount()));
        return;
    }
    switch (target.page) {
    case ParamPage::Main: {
        frmVQ_P_Main page(m_tables.sprdP, m_tables.sprdP_CH, channels, this);
        runPage(page);
        break;
    }
    case ParamPage::Display: {
        frmVQ_P_Display page(m_tables.sprdP, this);
        runPage(page);
        break;
    }
    case ParamPage::System: {
        frmVQ_P_System page(m_tables.sprdP, m_tables.sprdP_CH, target.tab, channels, this);
        runPage(page);
        break;
    }
    case ParamPage::Channel: {
        frmVQ_P_Channel page(m_tables.sprdP_CH, channels, target.channel, target.tab, this);
        runPage(page);
        break;
    }
    case ParamPage::AlarmDi: {
        // From sprdP the tab names the input, from sprdP_CH the alarm of the channel.
        const bool input = target.channel == 0;
        frmVQ_P_ARM_DI page(m_tables.sprdP, m_tables.sprdP_CH, channels, qMax(1, target.channel),
                            input ? 1 : target.tab + 1, input ? target.tab + 1 : 1, programDir, this);
        runPage(page);
        break;
    }
    case ParamPage::None:
        break;
    }
}

void frmVQ_Parameter::runPage(QDialog& page)
{
    // A page names the recorder as the editor does.
    page.setWindowTitle(m_link.captionForSelected(page.windowTitle()));
    page.exec();
}

void frmVQ_Parameter::showSetChannels()
{
    const int held = setChannels();
    const bool fewer = held < m_tables.channelCount();
    m_channelModel->setDimmedFrom(
        fewer ? ParamTables::ChannelCol(held + 1) : 0,
        QStringLiteral("Not part of this parameter set (channels 1 to %1): not edited, saved or downloaded").arg(held));
    updateTitle();
}

bool frmVQ_Parameter::isModified() const
{
    return m_tables.isModified() || m_image.channelCount() != m_cleanChannels;
}

void frmVQ_Parameter::markClean()
{
    m_tables.setClean(m_tables.values());
    m_cleanChannels = m_image.channelCount();
    updateTitle();
}

void frmVQ_Parameter::updateTitle()
{
    const QString named = m_link.captionForSelected(kTitle);
    const QString title = isModified() ? named + QStringLiteral(" *") : named;
    if (windowTitle() != title)
        setWindowTitle(title);
}

bool frmVQ_Parameter::ask(const QString& question)
{
    QMessageBox box(QMessageBox::Question, kTitle, question, QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("msgQuestion"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool frmVQ_Parameter::confirmDiscard()
{
    return !isModified() || ask(QStringLiteral("The parameter set has changes that are not saved.\nDiscard them?"));
}

void frmVQ_Parameter::RefreshFromStore()
{
    tmrRefresh->stop();
    // The tables now hold the recorder's set: the image takes its channel count.
    m_image.setChannelCount(m_tables.channelCount());
    m_tables.RefreshFromStore(m_store);
    showSetChannels();
    markClean();
    markLoaded();
}

void frmVQ_Parameter::markLoaded()
{
    m_loaded = m_tables.values();
}

bool frmVQ_Parameter::lineSettingsEdited() const
{
    return m_tables.commonRowsDiffer(m_loaded, 31, 44);
}

void frmVQ_Parameter::setBackups(ParamBackups* backups)
{
    m_backups = backups;
    updateButtons();
}

void frmVQ_Parameter::newSet()
{
    if (m_engine.transferActive() || !confirmDiscard())
        return;
    // The editor's set only: the store stays the recorder's, for the monitors.
    m_tables.NewSet(m_image);
    lblFName->clear();
    showSetChannels();
    markClean();
    markLoaded();
}

void frmVQ_Parameter::openFile()
{
    if (m_engine.transferActive() || !confirmDiscard())
        return;
    const QString path = chooseFile(false, lblFName->text());
    if (!path.isEmpty() && loadFile(path))
        RememberParamFolder(path);
}

bool frmVQ_Parameter::loadFile(const QString& path)
{
    QString why;
    if (!m_tables.ReadParamFile(path, m_image, &why)) {
        fileError(QStringLiteral("cannot be opened"), path, why);
        return false;
    }
    // Channels the file lacks show what the recorder has, as far as it was read.
    m_tables.FillChannels(m_store, m_image.channelCount() + 1, m_tables.channelCount());
    lblFName->setText(QDir::toNativeSeparators(path));
    showSetChannels();
    markClean();
    markLoaded();
    // Said where the operator looks, not only greyed where one scrolls to.
    if (const int held = setChannels(); held < m_tables.channelCount())
        lblMsg->setText(QStringLiteral("This set has %1 channels; CH.%2 to CH.%3 are the recorder's own and are not "
                                       "part of it")
                            .arg(held == 6 ? QStringLiteral("six") : QString::number(held))
                            .arg(held + 1, 2, 10, QLatin1Char('0'))
                            .arg(m_tables.channelCount(), 2, 10, QLatin1Char('0')));
    else
        lblMsg->clear();
    return true;
}

void frmVQ_Parameter::offerExtension()
{
    const int held = m_image.channelCount(), shown = m_tables.channelCount();
    if (held >= shown)
        return;
    if (!ask(QStringLiteral("This parameter set holds channels 1 to %1; the recorder has %2.\n"
                            "Extend the set to %2 channels? Channels %3 to %2 take the values last read from the "
                            "recorder, or those of a new set where none were read.\n"
                            "No saves channels 1 to %1 only.")
                 .arg(held)
                 .arg(shown)
                 .arg(held + 1)))
        return;
    m_tables.FillChannels(m_store, held + 1, shown);
    m_image.setChannelCount(shown);
    showSetChannels();
}

bool frmVQ_Parameter::writeTo(const QString& path)
{
    if (IsProgramConfigFile(path, programDir)) {
        QMessageBox box(QMessageBox::Warning, kTitle,
                        QStringLiteral("%1 belongs to the program's own configuration; a parameter set is never "
                                       "saved over it. Choose another name or folder.")
                            .arg(QDir::toNativeSeparators(path)),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("msgRefused"));
        box.exec();
        return false;
    }
    offerExtension();
    QString why;
    if (!m_tables.WriteParamFile(path, m_image, &why)) {
        fileError(QStringLiteral("cannot be written"), path, why);
        return false;
    }
    lblFName->setText(QDir::toNativeSeparators(path));
    RememberParamFolder(path);
    markClean();
    return true;
}

void frmVQ_Parameter::save()
{
    if (m_engine.transferActive())
        return;
    QString path = QDir::fromNativeSeparators(lblFName->text());
    if (path.isEmpty())
        path = chooseFile(true, QString());
    if (!path.isEmpty())
        writeTo(path);
}

void frmVQ_Parameter::saveAs()
{
    if (m_engine.transferActive())
        return;
    const QString path = chooseFile(true, QDir::fromNativeSeparators(lblFName->text()));
    if (!path.isEmpty())
        writeTo(path);
}

void frmVQ_Parameter::upload()
{
    if (!m_transferAllowed || m_engine.transferActive() || !confirmDiscard())
        return;
    startTransfer(req::Upload);
}

void frmVQ_Parameter::download()
{
    if (!m_transferAllowed || m_engine.transferActive())
        return;
    bool withLineSettings = lineSettingsEdited();
    if (!confirmDownload(&withLineSettings))
        return;
    // What was confirmed is what goes: the engine takes the set as it is now.
    m_tables.GridToImage(m_image);
    m_sentValues = m_tables.values();
    m_sentSetChannels = m_image.channelCount();
    m_sentChannels = m_engine.downloadChannels();
    if (!m_engine.postDownload(m_image, withLineSettings)) {
        lblMsg->setText(m_engine.isOpen() ? QStringLiteral("Another transfer is still running")
                                          : QStringLiteral("The port is closed"));
        return;
    }
    m_downloading = true;
    updateButtons();
}

bool frmVQ_Parameter::confirmDownload(bool* withLineSettings)
{
    QMessageBox box(QMessageBox::Question, kTitle,
                    QStringLiteral("Download the parameter set to %1?").arg(m_link.deviceName(m_link.gSelMC_No)),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("msgQuestion"));
    box.setDefaultButton(QMessageBox::No);
    // Where the set differs from what the recorder held when it was last read.
    QString details;
    if (m_link.gCommonReadDone) {
        ParamTables recorder;
        recorder.setChannelCount(m_tables.channelCount());
        recorder.RefreshFromStore(m_store);
        const QStringList diff = m_tables.differencesFrom(recorder, setChannels());
        constexpr int kShown = 12;
        if (diff.isEmpty()) {
            details = QStringLiteral("The set holds what the recorder held when it was last read.");
        } else {
            details = QStringLiteral("Where the set differs from the recorder's set as last read:\n")
                + diff.mid(0, kShown).join(u'\n');
            if (diff.size() > kShown)
                details += QStringLiteral("\n... and %1 more").arg(diff.size() - kShown);
        }
    }
    details += QStringLiteral("\n\nThe recorder's present set is read first and kept in Backup/; a refused or broken "
                              "download puts back what it wrote.");
    box.setInformativeText(details.trimmed());
    auto* line = new QCheckBox(QStringLiteral("Also send this set's addresses and line settings"), &box);
    line->setObjectName(QStringLiteral("chbLineSettings"));
    line->setChecked(*withLineSettings);
    line->setToolTip(QStringLiteral("RS232 and RS422/485 machine address, baud rate, parity, data length, stop bit and "
                                    "response time. Unticked, the recorder keeps its own: a set from a file or from "
                                    "another recorder never moves it to another address or speed."));
    box.setCheckBox(line);
    if (box.exec() != QMessageBox::Yes)
        return false;
    *withLineSettings = line->isChecked();
    return true;
}

void frmVQ_Parameter::restorePrevious()
{
    if (m_engine.transferActive() || !m_backups)
        return;
    const QStringList files = m_backups->of(m_link.gSelMC_No);
    if (files.isEmpty()) {
        lblMsg->setText(QStringLiteral("No set of %1 is kept yet: one is kept before every download.")
                            .arg(m_link.deviceName(m_link.gSelMC_No)));
        return;
    }
    QDialog chooser(this);
    chooser.setObjectName(QStringLiteral("frmBackups"));
    chooser.setWindowTitle(m_link.captionForSelected(QStringLiteral("Restore Previous Set")));
    auto* list = new QListWidget(&chooser);
    list->setObjectName(QStringLiteral("lstBackups"));
    for (const QString& f : files) {
        const QFileInfo info(f);
        const QDateTime at = QDateTime::fromString(info.completeBaseName().right(15), QStringLiteral("yyyyMMdd-HHmmss"));
        auto* item = new QListWidgetItem(QStringLiteral("%1   held before the download of %2")
                                             .arg(info.fileName(), QLocale().toString(at, QLocale::ShortFormat)),
                                         list);
        item->setData(Qt::UserRole, f);
    }
    list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(&chooser);
    QPushButton* open = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::AcceptRole);
    open->setObjectName(QStringLiteral("btnOpenBackup"));
    QPushButton* send = buttons->addButton(QStringLiteral("&Download..."), QDialogButtonBox::AcceptRole);
    send->setObjectName(QStringLiteral("btnDownloadBackup"));
    send->setEnabled(m_transferAllowed);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    bool downloadIt = false;
    connect(send, &QPushButton::clicked, &chooser, [&] { downloadIt = true; });
    connect(buttons, &QDialogButtonBox::accepted, &chooser, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &chooser, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, &chooser, &QDialog::accept);
    auto* layout = new QVBoxLayout(&chooser);
    layout->addWidget(new QLabel(QStringLiteral("Sets kept in %1, newest first:").arg(QDir::toNativeSeparators(m_backups->folder())),
                                 &chooser));
    layout->addWidget(list);
    layout->addWidget(buttons);
    chooser.resize(640, 360);
    if (chooser.exec() != QDialog::Accepted || !list->currentItem())
        return;
    const QString path = list->currentItem()->data(Qt::UserRole).toString();
    if (!confirmDiscard() || !loadFile(path))
        return;
    if (downloadIt)
        download();
}

void frmVQ_Parameter::transferEnded(int transfer, TransferResult result, const QString& text)
{
    updateButtons();
    const bool ours = transfer == req::Upload || std::exchange(m_downloading, false);
    if (result != TransferResult::Done) {
        lblMsg->setText(text);
        return;
    }
    if (transfer == req::Upload)
        tmrRefresh->start(); // the store -> the tables
    else if (ours)
        downloadEnded();
}

void frmVQ_Parameter::downloadEnded()
{
    if (m_backups && !m_backups->lastPath().isEmpty())
        lblMsg->setText(lblMsg->text()
                        + QStringLiteral("\nWhat the recorder held before is kept as %1.")
                              .arg(QDir::toNativeSeparators(QDir(m_backups->folder()).relativeFilePath(m_backups->lastPath()))));
    const int recorder = m_link.gChCount;
    if (m_sentChannels < recorder)
        lblMsg->setText(lblMsg->text()
                        + QStringLiteral("\nChannels 1 to %1 sent; channels %2 to %3 were left as they are on the recorder.")
                              .arg(m_sentChannels)
                              .arg(m_sentChannels + 1)
                              .arg(recorder));
    // What went out is now the recorder's: later edits still count as changes.
    m_tables.setClean(m_sentValues);
    m_cleanChannels = m_sentSetChannels;
    updateTitle();
}

bool frmVQ_Parameter::startTransfer(int code)
{
    if (!m_transferAllowed || m_engine.transferActive())
        return false;
    if (!m_engine.post(code)) {
        lblMsg->setText(m_engine.isOpen() ? QStringLiteral("Another transfer is still running")
                                          : QStringLiteral("The port is closed"));
        return false;
    }
    // One transfer at a time: the buttons come back when it has ended.
    updateButtons();
    return true;
}

void frmVQ_Parameter::updateButtons()
{
    // Transfers only with the selected recorder online, once the scan is over.
    const req::Phase phase = m_engine.phase();
    m_transferAllowed = m_engine.isOpen() && m_link.gSelMC_No > 0 && m_engine.stateOf(m_link.gSelMC_Index) == DeviceState::Ok
        && phase != req::Phase::Scan && phase != req::Phase::None;
    const bool busy = m_engine.transferActive();
    btnUpload->setEnabled(m_transferAllowed && !busy);
    btnDownload->setEnabled(m_transferAllowed && !busy);
    // Nothing changes the set while a transfer runs.
    const QString why = busy ? QStringLiteral("Not while a transfer runs") : QString();
    for (QPushButton* b : {btnNew, btnOpen, btnSave, btnSaveAs, btnRestore}) {
        b->setEnabled(!busy && (b != btnRestore || m_backups));
        b->setToolTip(busy ? why : b == btnRestore ? QStringLiteral("The sets the selected recorder held before each download, newest first") : QString());
    }
}

void frmVQ_Parameter::showProgress(double percent, const QString& message)
{
    const int whole = qBound(0, static_cast<int>(percent), 100);
    XProgress1->setValue(whole);
    XProgress1->setFormat(QStringLiteral("%1%").arg(whole));
    lblMsg->setText(message);
}

void frmVQ_Parameter::fileError(const QString& what, const QString& path, const QString& why)
{
    QMessageBox box(QMessageBox::Warning, windowTitle(),
                    QStringLiteral("The file %1 %2.\n%3").arg(QDir::toNativeSeparators(path), what, why),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("msgFileError"));
    box.exec();
}

QString frmVQ_Parameter::defaultChooseFile(bool save, const QString& preset)
{
    // Qt's own dialog: only it can leave the program's configuration out of the list.
    QFileDialog dialog(this, save ? QStringLiteral("Save As") : QStringLiteral("Open"), QString(), qtFilter());
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new HideProgramConfig(programDir, &dialog));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("CFG"));
    dialog.setDirectory(preset.isEmpty() ? ParamFolder() : QFileInfo(preset).absolutePath());
    if (!preset.isEmpty())
        dialog.selectFile(QFileInfo(preset).fileName());
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void frmVQ_Parameter::done(int result)
{
    if (m_engine.transferActive()) {
        const bool down = m_engine.phase() != req::Phase::Upload;
        QMessageBox box(QMessageBox::Question, kTitle,
                        down ? QStringLiteral("A download to %1 is running. Stop it?\nWhat it has written so far is put back.")
                                   .arg(m_link.deviceName(m_link.gSelMC_No))
                             : QStringLiteral("An upload from %1 is running. Stop it?").arg(m_link.deviceName(m_link.gSelMC_No)),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
        box.setObjectName(QStringLiteral("msgStopTransfer"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Let it finish"));
        box.setDefaultButton(QMessageBox::Cancel);
        const int answer = box.exec();
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Yes)
            m_engine.stopTransfer();
    }
    if (!confirmDiscard())
        return;
    // Back to monitoring: a running transfer is let finish, and the engine
    // returns to monitoring itself after it.
    m_engine.post(req::Live);
    QDialog::done(result);
}
