#include "monitor/MultiMonitorDialog.h"

#include "ui/Grid.h"
#include "ui/SpanHeaderView.h"
#include "ui/TextTableModel.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

namespace {
constexpr int kLeft = 11, kTop = 11;
constexpr int kButtonWidth = 96, kButtonHeight = 30;
} // namespace

MultiMonitorDialog::MultiMonitorDialog(const DataStore& store, MultiMonitor::Kind kind, int headerRows,
                                       const QString& name, const QString& caption, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
    , m_monitor(kind)
{
    setObjectName(name);
    setWindowTitle(caption);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    TextTableModel* model = nullptr;
    sprdMon = MakeGridView(&m_monitor.table(), QStringLiteral("sprdMon"), this, &model);
    // A description too long for its column shows whole when pointed at.
    model->setToolTipColumn(multimon::Desc);
    // A monitor is read only: a selection or a focus frame would hide the
    // state colours.
    sprdMon->setSelectionMode(QAbstractItemView::NoSelection);
    sprdMon->setFocusPolicy(Qt::NoFocus);
    sprdMon->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    sprdMon->verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000")) + 16);
    m_header = SpanHeaderView::install(sprdMon, headerRows);
    m_header->setSectionResizeMode(QHeaderView::Fixed);
    m_header->setMinimumSectionSize(16);
    m_header->setSectionsClickable(false);
    m_widths.resize(m_monitor.table().colCount() + 1, 0);
    m_monitor.refresh(m_store);
    showChannels();
    headerCell(0, multimon::Comm, QStringLiteral("COMM"), headerRows);
    headerCell(0, multimon::Desc, QStringLiteral("DEVICE"), headerRows);
    headerCell(0, multimon::Pv1, QStringLiteral("PV"), 1, multimon::kChannels);
    for (int c = 1; c <= multimon::kChannels; ++c)
        headerCell(1, multimon::Pv1 + c - 1, QString::number(c), headerRows - 1);

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    tmrRefresh = new QTimer(this);
    tmrRefresh->setObjectName(QStringLiteral("tmrRefresh"));
    tmrRefresh->setInterval(500);
    connect(tmrRefresh, &QTimer::timeout, this, &MultiMonitorDialog::refresh);
    tmrRefresh->start();
}

void MultiMonitorDialog::refresh()
{
    m_monitor.refresh(m_store);
    // A twelve-channel recorder in the list shows CH.07..12 as soon as its model is known.
    if (showChannels() && isVisible())
        sizeToColumns(qMin(m_monitor.table().rowCount(), 14));
}

bool MultiMonitorDialog::showChannels()
{
    const QList<int> hidden = m_monitor.hiddenColumns();
    if (hidden == m_hidden)
        return false;
    m_hidden = hidden;
    for (int c = 1; c <= m_monitor.table().colCount(); ++c)
        sprdMon->setColumnHidden(c - 1, hidden.contains(c));
    return true;
}

void MultiMonitorDialog::headerCell(int row, int col, const QString& text, int rowSpan, int colSpan)
{
    m_header->setCell(row, col - 1, text, rowSpan, colSpan);
}

void MultiMonitorDialog::setColumnWidth(int col, int width)
{
    if (col < 1 || col >= m_widths.size())
        return;
    m_widths[col] = width;
    sprdMon->setColumnWidth(col - 1, width);
}

void MultiMonitorDialog::sizeToColumns(int rows)
{
    const QHeaderView* rowHeader = sprdMon->verticalHeader();
    int w = qMax(rowHeader->minimumWidth(), rowHeader->sizeHint().width()) + 2 * sprdMon->frameWidth()
            + sprdMon->verticalScrollBar()->sizeHint().width();
    // The widths asked for: stretched columns report what they have now.
    for (int c = 1; c < m_widths.size(); ++c)
        if (!sprdMon->isColumnHidden(c - 1))
            w += m_widths[c] > 0 ? m_widths[c] : sprdMon->columnWidth(c - 1);
    const int h = m_header->sizeHint().height() + rows * rowHeader->defaultSectionSize()
                  + 2 * sprdMon->frameWidth();
    QSize size(w + kWidthMargin, h + kHeightMargin);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() - QSize(16, 48));
    resize(size);
}

void MultiMonitorDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (isMinimized())
        return;
    const QSize s = event->size();
    sprdMon->setGeometry(kLeft, kTop, qMax(0, s.width() - kWidthMargin), qMax(0, s.height() - kHeightMargin));
    // The button sits right-aligned in the band below the table.
    const int band = s.height() - kHeightMargin + kTop;
    btnClose->setGeometry(kLeft + qMax(0, s.width() - kWidthMargin) - kButtonWidth,
                          band + (s.height() - band - kButtonHeight) / 2, kButtonWidth, kButtonHeight);
}
