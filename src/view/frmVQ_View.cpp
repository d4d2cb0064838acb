#include "view/frmVQ_View.h"

#include "view/ChannelPanel.h"
#include "view/PlotWidget.h"
#include "view/frmVQ_ViewCsv.h"
#include "ui/WindowPlaces.h"
#include "Version.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QShortcut>
#include <QToolButton>
#include <QThread>
#include <QTimer>
#include <QEventLoop>
#include <atomic>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const char* const kDataFilter = "VQ800 data files (*.VQD *.vqd);;All files (*)";

QStringList localFiles(const QMimeData* data)
{
    QStringList files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

frmVQ_View::frmVQ_View(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmVQ_View"));
    setWindowTitle(QStringLiteral("VQ800 Data Viewer"));
    setAcceptDrops(true);
    m_folder = QDir::currentPath();

    m_plot = new PlotWidget;
    m_plot->setEmptyText(QStringLiteral("Open data files (*.VQD) with File > Open, or drop them here."));
    m_panel = new ChannelPanel;
    auto* scroll = new QScrollArea;
    scroll->setWidget(m_panel);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(m_panel->minimumWidth() + scroll->verticalScrollBar()->sizeHint().width());

    m_problems = new QLabel;
    m_problems->setObjectName(QStringLiteral("lblProblems"));
    m_problems->setWordWrap(true);
    m_problems->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problems->setStyleSheet(QStringLiteral("QLabel { background: #fff4ce; color: #3b2f00; border: 1px solid #e0c060;"
                                             " padding: 4px; }"));
    m_problems->hide();

    auto* left = new QWidget;
    auto* column = new QVBoxLayout(left);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_problems);
    column->addWidget(m_plot, 1);
    auto* split = new QSplitter;
    split->addWidget(left);
    split->addWidget(scroll);
    split->setStretchFactor(0, 1);
    split->setCollapsible(0, false);
    setCentralWidget(split);

    m_info = new QLabel;
    m_info->setObjectName(QStringLiteral("lblInfo"));
    m_range = new QLabel;
    m_range->setObjectName(QStringLiteral("lblRange"));
    auto* hint = new QLabel(QString::fromUtf8(PlotWidget::kHint));
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setEnabled(false);
    statusBar()->addWidget(m_info);
    statusBar()->addWidget(m_range, 1);
    statusBar()->addPermanentWidget(hint);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("barOpening"));
    m_progress->setMaximumWidth(160);
    m_progress->hide();
    m_cancelButton = new QToolButton;
    m_cancelButton->setObjectName(QStringLiteral("cmdCancelOpening"));
    m_cancelButton->setText(QStringLiteral("Cancel"));
    m_cancelButton->setToolTip(QStringLiteral("Stop reading the files or writing the export (Esc)"));
    m_cancelButton->hide();
    connect(m_cancelButton, &QToolButton::clicked, this, [this] {
        if (m_cancelBusy)
            *m_cancelBusy = true;
    });
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->addPermanentWidget(m_cancelButton);
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, m_cancelButton, &QToolButton::click);

    connect(m_plot, &PlotWidget::rangeChanged, this, &frmVQ_View::showRange);
    connect(m_plot, &PlotWidget::cursorChanged, this,
            [this](qsizetype i) { m_panel->showRecord(&m_timeline, i); });
    connect(m_panel, &ChannelPanel::shownChanged, m_plot, &PlotWidget::setShown);
    buildMenus();
    showInfo();
    resize(FittingSize(this, QSize(1240, 760)));
    m_plot->setFocus();
}

void frmVQ_View::buildMenus()
{
    QToolBar* bar = addToolBar(QStringLiteral("Tools"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto action = [this, bar](QMenu* menu, const QString& text, const QKeySequence& key, auto slot, bool onBar = false) {
        QAction* a = menu->addAction(text);
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        if (onBar)
            bar->addAction(a);
        return a;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    m_notWhileBusy
        << action(file, QStringLiteral("&Open..."), QKeySequence::Open, [this] { chooseFiles(false); }, true)
        << action(file, QStringLiteral("&Add Files..."), QKeySequence(QStringLiteral("Ctrl+Shift+O")),
                  [this] { chooseFiles(true); })
        << action(file, QStringLiteral("&Reload"), QKeySequence(Qt::Key_F5), [this] { openFiles(m_paths); }, true);
    file->addSeparator();
    action(file, QStringLiteral("Use &Parameter Set..."), QKeySequence(QStringLiteral("Ctrl+P")),
           [this] { chooseParams(); });
    action(file, QStringLiteral("&Default Names and Colours"), QKeySequence(), [this] {
        m_paramsPath.clear();
        m_looks = DefaultLooks();
        m_panel->setChannels(m_timeline.channels, m_looks);
        m_plot->setLooks(m_looks);
        m_panel->showRecord(&m_timeline, m_plot->cursorRecord());
    });
    file->addSeparator();
    bar->addSeparator();
    m_needData << action(file, QStringLiteral("Export &CSV..."), QKeySequence(QStringLiteral("Ctrl+E")),
                         [this] { chooseCsv(); }, true)
               << action(file, QStringLiteral("Export P&NG..."), QKeySequence(QStringLiteral("Ctrl+Shift+E")),
                         [this] { choosePng(); }, true);
    file->addSeparator();
    action(file, QStringLiteral("&Quit"), QKeySequence::Quit, [this] { close(); });

    bar->addSeparator();
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    action(view, QStringLiteral("&Whole Timeline"), QKeySequence(Qt::Key_Home), [this] { m_plot->resetRange(); }, true);
    action(view, QStringLiteral("Zoom &In"), QKeySequence(Qt::Key_Plus), [this] { m_plot->zoom(0.5); }, true)
        ->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)});
    action(view, QStringLiteral("Zoom &Out"), QKeySequence(Qt::Key_Minus), [this] { m_plot->zoom(2.0); }, true);
    action(view, QStringLiteral("&Back"), QKeySequence(Qt::Key_Backspace), [this] { m_plot->back(); }, true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    action(help, QStringLiteral("&Mouse and Keys"), QKeySequence::HelpContents, [this] {
        QMessageBox::information(
            this, QStringLiteral("Mouse and keys"),
            QStringLiteral("<table cellpadding=2>"
                           "<tr><td>Drag a box</td><td>zoom to it (a flat box: time only)</td></tr>"
                           "<tr><td>Wheel</td><td>zoom time about the mouse</td></tr>"
                           "<tr><td>Shift+wheel</td><td>zoom values about the mouse</td></tr>"
                           "<tr><td>Ctrl+drag, middle button drag</td><td>pan</td></tr>"
                           "<tr><td>Home</td><td>the whole timeline</td></tr>"
                           "<tr><td>+ / -</td><td>zoom time in / out</td></tr>"
                           "<tr><td>Backspace</td><td>back to the range before</td></tr>"
                           "<tr><td>Left / Right, Up / Down</td><td>pan</td></tr>"
                           "<tr><td>Ctrl+Left / Ctrl+Right</td><td>cursor to the record before / after</td></tr>"
                           "</table><p>A gap longer than three times the usual spacing of the records "
                           "is shaded and not bridged by a line.</p>"));
    });
    action(help, QStringLiteral("&About"), QKeySequence(), [this] {
        QMessageBox::about(this, QStringLiteral("About VQ800 Data Viewer"),
                           QStringLiteral("<b>vq800-view %1</b><p>Plots the data files (*.VQD) that the VQ800 "
                                          "companion program logs.</p>")
                               .arg(QStringLiteral(VQ800_VERSION)));
    });
}

bool frmVQ_View::runBusy(const std::function<void(const std::function<bool(int)>&)>& job,
                         const std::function<void(int)>& tick)
{
    m_busy = true;
    std::atomic<int> percent{0};
    std::atomic<bool> cancel{false};
    m_cancelBusy = &cancel;
    QThread* worker = QThread::create([&] {
        job([&](int p) {
            percent = p;
            return !cancel;
        });
    });
    QEventLoop wait;
    connect(worker, &QThread::finished, &wait, &QEventLoop::quit);
    for (QAction* a : m_notWhileBusy + m_needData)
        a->setEnabled(false);
    m_progress->setMaximum(100);
    m_progress->setValue(0);
    QTimer timer;
    QElapsedTimer since;
    since.start();
    connect(&timer, &QTimer::timeout, this, [&] {
        m_progress->setValue(percent);
        const bool longer = since.elapsed() >= 400;
        m_progress->setVisible(longer);
        m_cancelButton->setVisible(longer);
        if (tick)
            tick(percent);
    });
    timer.start(100);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    worker->start();
    wait.exec();
    worker->wait();
    delete worker;
    timer.stop();
    m_progress->hide();
    m_cancelButton->hide();
    m_cancelBusy = nullptr;
    for (QAction* a : m_notWhileBusy)
        a->setEnabled(true);
    QApplication::restoreOverrideCursor();
    m_busy = false;
    return !cancel;
}

bool frmVQ_View::openFiles(const QStringList& paths)
{
    if (m_busy) {
        statusBar()->showMessage(QStringLiteral("Still busy: wait, or cancel with Esc"), 5000);
        return false; // one at a time: the window stays usable meanwhile
    }
    const QString emptyBefore = m_plot->scene().emptyText;
    const QString reading = QStringLiteral("Reading %1...").arg(
        paths.size() == 1 ? QFileInfo(paths.first()).fileName() : QStringLiteral("%1 files").arg(paths.size()));
    m_info->setText(reading);
    if (m_timeline.isEmpty())
        m_plot->setEmptyText(reading);
    // The window paints what it showed before or, for many records, a
    // provisional picture of a sample of them.
    Timeline loaded, before;
    bool previewed = false;
    QObject previews; // queued previews die with it
    const bool done = runBusy(
        [&](const std::function<bool(int)>& progress) {
            loaded = LoadTimeline(paths, progress, [&](Timeline&& sample) {
                auto shown = std::make_shared<Timeline>(std::move(sample));
                QMetaObject::invokeMethod(&previews, [&, shown] {
                    if (m_cancelBusy && *m_cancelBusy)
                        return; // a cancelled read's picture would only flash
                    if (!previewed)
                        before = std::move(m_timeline);
                    previewed = true;
                    m_timeline = std::move(*shown);
                    showTimeline();
                }, Qt::QueuedConnection);
            });
        },
        [this](int percent) {
            if (m_timeline.sampledEvery > 1)
                m_plot->setNote(provisionalNote(percent));
        });
    QCoreApplication::sendPostedEvents(&previews);
    if (!done) {
        m_plot->setEmptyText(emptyBefore);
        if (previewed) {
            m_timeline = std::move(before);
            showTimeline();
        }
        showInfo();
        statusBar()->showMessage(QStringLiteral("Opening cancelled; the files shown before stay"), 5000);
        return false;
    }
    m_timeline = std::move(loaded);
    m_paths = paths;
    if (!paths.isEmpty())
        m_folder = QFileInfo(paths.first()).absolutePath();
    m_plot->setEmptyText(paths.isEmpty() ? QStringLiteral("Open data files (*.VQD) with File > Open, or drop them here.")
                                         : QStringLiteral("No records could be read."));
    showTimeline();
    return !m_timeline.isEmpty();
}

QString frmVQ_View::provisionalNote(int percent) const
{
    return QStringLiteral("Provisional picture: one record in %L1 is drawn until all are read (%2 %)")
        .arg(m_timeline.sampledEvery)
        .arg(percent);
}

void frmVQ_View::showTimeline()
{
    const bool provisional = m_timeline.sampledEvery > 1;
    m_panel->setChannels(m_timeline.channels, m_looks);
    m_plot->setTimeline(&m_timeline);
    m_plot->setNote(provisional ? provisionalNote(0) : QString());
    m_problems->setText(m_timeline.problems.join(u'\n'));
    m_problems->setVisible(!provisional && !m_timeline.problems.isEmpty());
    showInfo();
    showRange();
    emit timelineChanged();
}

void frmVQ_View::closeEvent(QCloseEvent* e)
{
    if (m_cancelBusy)
        *m_cancelBusy = true;
    QMainWindow::closeEvent(e);
}

bool frmVQ_View::useParams(const QString& path, QString* error)
{
    ChannelLooks looks = DefaultLooks();
    if (!ReadChannelLooks(path, looks, error))
        return false;
    m_paramsPath = path;
    m_looks = looks;
    m_panel->setChannels(m_timeline.channels, m_looks);
    m_plot->setLooks(m_looks);
    m_panel->showRecord(&m_timeline, m_plot->cursorRecord());
    showInfo();
    return true;
}

std::pair<qsizetype, qsizetype> frmVQ_View::visibleRecords() const
{
    const PlotRange r = m_plot->range();
    return {FirstAtOrAfter(m_timeline, r.t0), FirstAfter(m_timeline, r.t1)};
}

bool frmVQ_View::exportCsv(const QString& path, bool visibleOnly, const CsvOptions& options, QString* error)
{
    if (m_busy) {
        if (error)
            *error = QStringLiteral("Still busy: wait, or cancel with Esc");
        return false;
    }
    // Written on a thread of its own: a year of records takes a minute.
    const auto [from, to] = visibleOnly ? visibleRecords() : std::pair<qsizetype, qsizetype>(0, m_timeline.size());
    m_info->setText(QStringLiteral("Writing %1...").arg(QFileInfo(path).fileName()));
    bool ok = false;
    QString why;
    const ChannelLooks looks = m_looks;
    runBusy([&](const std::function<bool(int)>& progress) {
        ok = SaveCsv(path, m_timeline, from, to, looks, options, &why, progress);
    });
    showInfo();
    if (error)
        *error = why;
    return ok;
}

bool frmVQ_View::exportPng(const QString& path, QString* error)
{
    PlotScene scene = m_plot->scene();
    scene.title = FilesTitle(m_timeline.files);
    if (RenderPlot(scene, m_plot->size()).save(path, "PNG"))
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path));
    return false;
}

void frmVQ_View::openFromFolder(const QString& folder)
{
    m_folder = folder;
    chooseFiles(false);
}

void frmVQ_View::chooseFiles(bool add)
{
    const QStringList files = QFileDialog::getOpenFileNames(this, add ? QStringLiteral("Add data files")
                                                                      : QStringLiteral("Open data files"),
                                                            m_folder, QString::fromLatin1(kDataFilter));
    if (!files.isEmpty())
        openFiles(add ? m_paths + files : files);
}

void frmVQ_View::chooseParams()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Use parameter set"), m_folder,
                                                      QStringLiteral("VQ800 parameter files (*.CFG *.cfg);;All files (*)"));
    QString why;
    if (!path.isEmpty() && !useParams(path, &why))
        QMessageBox::warning(this, QStringLiteral("Use parameter set"),
                             QStringLiteral("%1 cannot be used:\n%2").arg(QDir::toNativeSeparators(path), why));
}

QString frmVQ_View::askSavePath(const QString& caption, const QString& suffix, const QString& filter)
{
    const QString stem = m_timeline.files.isEmpty() ? QStringLiteral("data") : QFileInfo(m_timeline.files.first()).completeBaseName();
    QString path = QFileDialog::getSaveFileName(this, caption, QDir(m_folder).filePath(stem + suffix), filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += suffix;
    return path;
}

void frmVQ_View::chooseCsv()
{
    const auto [from, to] = visibleRecords();
    frmVQ_ViewCsv dialog(to - from, m_timeline.size(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString path = askSavePath(QStringLiteral("Export CSV"), QStringLiteral(".csv"),
                                     QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    QString why;
    if (exportCsv(path, dialog.visibleOnly(), dialog.options(), &why))
        statusBar()->showMessage(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)), 5000);
    else if (why.isEmpty())
        statusBar()->showMessage(QStringLiteral("Export cancelled; nothing was written"), 5000);
    else if (isVisible())
        QMessageBox::warning(this, QStringLiteral("Export CSV"), why);
}

void frmVQ_View::choosePng()
{
    const QString path = askSavePath(QStringLiteral("Export PNG"), QStringLiteral(".png"),
                                     QStringLiteral("PNG pictures (*.png);;All files (*)"));
    QString why;
    if (!path.isEmpty() && !exportPng(path, &why))
        QMessageBox::warning(this, QStringLiteral("Export PNG"), why);
    else if (!path.isEmpty())
        statusBar()->showMessage(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(path)), 5000);
}

void frmVQ_View::showInfo()
{
    const Timeline& tl = m_timeline;
    QString title = QStringLiteral("VQ800 Data Viewer");
    if (!tl.files.isEmpty())
        title = QStringLiteral("%1%2 – %3")
                    .arg(tl.files.first(),
                         tl.files.size() > 1 ? QStringLiteral(" (+%1)").arg(tl.files.size() - 1) : QString(), title);
    setWindowTitle(title);
    for (QAction* a : m_needData)
        a->setEnabled(!m_busy && !tl.isEmpty() && tl.sampledEvery == 1);
    if (tl.sampledEvery > 1) {
        m_info->setText(QStringLiteral("Reading %1...").arg(tl.files.size() == 1 ? tl.files.first()
                                                                             : QStringLiteral("%1 files").arg(tl.files.size())));
        return;
    }
    if (tl.isEmpty()) {
        m_info->setText(m_paths.isEmpty() ? QStringLiteral("No file open") : QStringLiteral("No records"));
        return;
    }
    QString info = QStringLiteral("%1 · %L2 records")
                       .arg(tl.files.size() == 1 ? tl.files.first() : QStringLiteral("%1 files").arg(tl.files.size()))
                       .arg(tl.size());
    if (tl.spacingMs > 0)
        info += QStringLiteral(" · every %1").arg(SpanText(double(tl.spacingMs)));
    if (!m_paramsPath.isEmpty())
        info += QStringLiteral(" · %1").arg(QFileInfo(m_paramsPath).fileName());
    m_info->setText(info);
}

void frmVQ_View::showRange()
{
    if (m_timeline.isEmpty()) {
        m_range->clear();
        return;
    }
    const PlotRange r = m_plot->range();
    const auto [from, to] = visibleRecords();
    const QDateTime a = QDateTime::fromMSecsSinceEpoch(qint64(r.t0)), b = QDateTime::fromMSecsSinceEpoch(qint64(r.t1));
    const QString time = QStringLiteral("HH:mm:ss"), dateTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    QString text = QStringLiteral("%1 – %2 · %3")
                       .arg(a.toString(dateTime), b.toString(a.date() == b.date() ? time : dateTime), SpanText(r.t1 - r.t0));
    if (m_timeline.sampledEvery == 1) // a sample's count would mislead
        text += QStringLiteral(" · %L1 shown").arg(to - from);
    m_range->setText(text);
}

void frmVQ_View::dragEnterEvent(QDragEnterEvent* e)
{
    if (!localFiles(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void frmVQ_View::dropEvent(QDropEvent* e)
{
    const QStringList files = localFiles(e->mimeData());
    if (files.isEmpty())
        return;
    e->acceptProposedAction();
    openFiles(files);
}
