#pragma once
// The data viewer's window: the plot of the opened data files, the channel
// list with the readout at the cursor, File/View/Help menus, a tool bar and
// a status bar that names the files, the records and the range shown.
#include "view/ChannelLook.h"
#include "view/CsvExport.h"
#include "view/Timeline.h"

#include <QMainWindow>
#include <atomic>
#include <functional>

class ChannelPanel;
class PlotWidget;
class QLabel;
class QProgressBar;
class QToolButton;

class frmVQ_View : public QMainWindow {
    Q_OBJECT
public:
    explicit frmVQ_View(QWidget* parent = nullptr);

    // Reads the files as one timeline in place of what is shown; false when
    // none gave a record. What could not be read is listed above the plot.
    bool openFiles(const QStringList& paths);
    // Asks which data files of `folder` to open (the main program's data folder).
    void openFromFolder(const QString& folder);
    // Names, units, decimals and colours from a parameter file (*.CFG).
    bool useParams(const QString& path, QString* error = nullptr);
    bool exportCsv(const QString& path, bool visibleOnly, const CsvOptions& options, QString* error = nullptr);
    bool exportPng(const QString& path, QString* error = nullptr);

    const Timeline& timeline() const { return m_timeline; }
    // Records [first, end) of the range shown.
    std::pair<qsizetype, qsizetype> visibleRecords() const;

signals:
    // Another timeline is shown: opened, provisional while read, or put back.
    void timelineChanged();

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void closeEvent(QCloseEvent* e) override; // cancels a read or an export

private:
    void buildMenus();
    void chooseFiles(bool add);
    void chooseParams();
    void chooseCsv();
    void choosePng();
    void showInfo();
    void showRange();
    void showTimeline(); // m_timeline, whole or provisional, in plot, list and status bar
    QString provisionalNote(int percent) const;
    QString askSavePath(const QString& caption, const QString& suffix, const QString& filter);
    // Runs `job` on a thread of its own, the window usable meanwhile: after
    // 400 ms the status bar shows its progress and a Cancel (Esc). `job`
    // hears a progress callback that returns false once cancelled; `tick`
    // hears the percent every 100 ms on the window's thread. Open, reload
    // and the exports wait for it. False when cancelled.
    bool runBusy(const std::function<void(const std::function<bool(int)>&)>& job,
                 const std::function<void(int)>& tick = {});

    Timeline m_timeline;
    QStringList m_paths;
    ChannelLooks m_looks = DefaultLooks();
    QString m_paramsPath;
    QString m_folder;
    PlotWidget* m_plot = nullptr;
    ChannelPanel* m_panel = nullptr;
    QLabel* m_problems = nullptr;
    QLabel* m_info = nullptr;
    QLabel* m_range = nullptr;
    QList<QAction*> m_needData; // exports: only with records
    QList<QAction*> m_notWhileBusy; // open, add, reload
    bool m_busy = false; // reading files or exporting
    std::atomic<bool>* m_cancelBusy = nullptr;
    QProgressBar* m_progress = nullptr;
    QToolButton* m_cancelButton = nullptr;
};
