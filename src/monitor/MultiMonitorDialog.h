#pragma once
// What the two multi-device monitor windows share: their table of devices
// under grouped column headers, the Close button, the 500 ms refresh and
// the sizing of the table with the window.
#include "monitor/MultiMonitor.h"

#include <QDialog>

struct DataStore;
class QPushButton;
class QTableView;
class QTimer;
class SpanHeaderView;

class MultiMonitorDialog : public QDialog {
    Q_OBJECT
public:
    // One tick of tmrRefresh: copies the store into the table.
    void refresh();

    // Room the table leaves to the window's right and bottom edges.
    static constexpr int kWidthMargin = 23;
    static constexpr int kHeightMargin = 79;

protected:
    // Builds the table with "COMM" over all header rows and "PV" over the
    // value columns, numbered below it.
    MultiMonitorDialog(const DataStore& store, MultiMonitor::Kind kind, int headerRows, const QString& name,
                       const QString& caption, QWidget* parent);

    // Header cell over table columns col..col+colSpan-1 (table columns from 1).
    void headerCell(int row, int col, const QString& text, int rowSpan = 1, int colSpan = 1);
    // Width of table column col.
    void setColumnWidth(int col, int width);
    // Window size that shows every shown column and about rows device rows.
    void sizeToColumns(int rows);

    void resizeEvent(QResizeEvent* event) override;
    SpanHeaderView* header() const { return m_header; }
    // Hides the columns of channels the table does not show; true when they changed.
    bool showChannels();

private:
    QTableView* sprdMon = nullptr;
    QPushButton* btnClose = nullptr;
    QTimer* tmrRefresh = nullptr;
    const DataStore& m_store;
    MultiMonitor m_monitor;
    SpanHeaderView* m_header = nullptr;
    QList<int> m_widths;
    QList<int> m_hidden;
};
