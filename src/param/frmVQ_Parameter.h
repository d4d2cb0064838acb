#pragma once
// "Parameter Setup": the selected recorder's parameter set in two tables,
// parameter files, upload and download through the engine, and the pages
// that edit the cells.
#include "param/PageNavigation.h"
#include "param/ParamTables.h"

#include <QDialog>
#include <functional>

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

    // The file dialog: save or open, preset path; returns the chosen path or
    // an empty text when cancelled. Tests replace it.
    std::function<QString(bool save, const QString& preset)> chooseFile;
    // Program folder: the alarm page looks there for its pictures.
    QString programDir;

    // Opens the page a click on a cell leads to.
    void openPage(const PageTarget& target);

    void RefreshFromStore();
    void newSet();
    void openFile();
    void save();
    void saveAs();
    void upload();
    void download();

    void done(int result) override;

private:
    void buildTables();
    void showProgress(double percent, const QString& message);
    bool writeTo(const QString& path);
    void startTransfer(int code);
    void transferEnded();
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
    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;

    ParamImage& m_image;
    const LinkState& m_link;
    DataStore& m_store;
    PollingEngine& m_engine;
    ParamTables m_tables;
    bool m_transferRunning = false;
    bool m_transferAllowed = false; // the selected recorder was online at opening
};
