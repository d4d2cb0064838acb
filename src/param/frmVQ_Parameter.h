#pragma once
// "Parameter Setup": the selected recorder's parameter set in two tables,
// parameter files, upload and download through the engine, and the pages
// that edit the cells. The set holds 6 or 12 channels; channels the table
// shows beyond it are greyed and not edited.
#include "link/LinkEvents.h"
#include "param/PageNavigation.h"
#include "param/ParamTables.h"

#include <QDialog>
#include <functional>

class ParamBackups;
class ParamImage;
class PollingEngine;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;
class TextTableModel;
struct DataStore;
struct LinkState;

class frmVQ_Parameter : public QDialog {
    Q_OBJECT
public:
    frmVQ_Parameter(ParamImage& image, const LinkState& link, DataStore& store, PollingEngine& engine,
                    QWidget* parent = nullptr);

    ParamTables& tables() { return m_tables; }
    // Where the sets recorders held before a download are kept (Restore Previous Set).
    void setBackups(ParamBackups* backups);

    // The file dialog: save or open, preset path; returns the chosen path or
    // an empty text when cancelled. Tests replace it.
    std::function<QString(bool save, const QString& preset)> chooseFile;
    // Program folder: the alarm page looks there for its pictures, and its
    // configuration files are never offered or overwritten as parameter files.
    QString programDir;

    // Opens the page a click on a cell leads to; a channel outside the set
    // opens none.
    void openPage(const PageTarget& target);
    // Channels of the set that the table shows: the ones the pages edit.
    int setChannels() const;
    // The set differs from what was last opened, saved or transferred.
    bool isModified() const;

    void RefreshFromStore();
    void newSet();
    void openFile();
    void save();
    void saveAs();
    void upload();
    void download();
    // The backups of the selected device, newest first: one opened or downloaded.
    void restorePrevious();
    // Rows 31..44 (addresses and line settings) were changed here since the
    // set was uploaded, opened or made new: a download sends them by default.
    bool lineSettingsEdited() const;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTables();
    void showSetChannels();
    void markClean();
    void updateTitle();
    void runPage(QDialog& page);
    bool ask(const QString& question);
    bool confirmDiscard();
    void offerExtension();
    void downloadEnded();
    void showProgress(double percent, const QString& message);
    bool writeTo(const QString& path);
    bool loadFile(const QString& path);
    // Asks before a download; *withLineSettings comes in as the default of its box.
    bool confirmDownload(bool* withLineSettings);
    // The set as it came (upload, file, new), to tell edits of the line settings.
    void markLoaded();
    // Posts an upload or download; false when it was not taken.
    bool startTransfer(int code);
    void transferEnded(int transfer, TransferResult result, const QString& text);
    void updateButtons();
    void fileError(const QString& what, const QString& path, const QString& why);
    QString defaultChooseFile(bool save, const QString& preset);

    QTableView* sprdP = nullptr;
    QTableView* sprdP_CH = nullptr;
    QLabel* lblFName = nullptr;
    QLabel* lblMsg = nullptr;
    QProgressBar* XProgress1 = nullptr;
    QPushButton* btnNew = nullptr;
    QPushButton* btnOpen = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnSaveAs = nullptr;
    QPushButton* btnUpload = nullptr;
    QPushButton* btnDownload = nullptr;
    QPushButton* btnRestore = nullptr;
    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;
    TextTableModel* m_channelModel = nullptr;

    ParamImage& m_image;
    const LinkState& m_link;
    DataStore& m_store;
    PollingEngine& m_engine;
    ParamTables m_tables;
    ParamBackups* m_backups = nullptr;
    ParamTables::Values m_loaded;   // the set as it came
    bool m_transferAllowed = false; // the selected recorder is online and the link monitors
    int m_cleanChannels = 0;        // the set's channel count when last unchanged
    // A download of this window's: the values it sends and the channels it covers.
    bool m_downloading = false;
    ParamTables::Values m_sentValues;
    int m_sentSetChannels = 0;
    int m_sentChannels = 0;
};
