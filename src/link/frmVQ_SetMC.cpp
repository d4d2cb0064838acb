#include "link/frmVQ_SetMC.h"

#include "core/ConfigText.h"
#include "link/DeviceList.h"
#include "ui/OkCancel.h"

#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QColor kUsed(0, 200, 0);
}

frmVQ_SetMC::frmVQ_SetMC(const QString& programDir, QWidget* parent)
    : QDialog(parent)
    , m_programDir(programDir)
{
    setObjectName(QStringLiteral("frmVQ_SetMC"));
    setWindowTitle(QStringLiteral("Using Device Setup"));

    sprdList = new QTableWidget(kRows, 2, this);
    sprdList->setObjectName(QStringLiteral("sprdList"));
    sprdList->setHorizontalHeaderLabels({QStringLiteral("Use"), QStringLiteral("Description")});
    sprdList->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    sprdList->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    sprdList->setColumnWidth(0, 60);
    sprdList->verticalHeader()->setDefaultSectionSize(sprdList->fontMetrics().height() + 8);
    sprdList->setSelectionMode(QAbstractItemView::SingleSelection);
    sprdList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                              | QAbstractItemView::AnyKeyPressed);
    sprdList->setToolTip(QStringLiteral("Click \"Use\" or press Space to switch a device between O (polled) and X"));
    sprdList->installEventFilter(this);

    QString note;
    const QStringList lines = ReadDeviceListLines(programDir, &note);
    m_extraLines = lines.mid(kRows);
    for (int r = 1; r <= kRows; ++r) {
        const QStringList fields = lines.value(r - 1).split(u'\t');
        auto* desc = new QTableWidgetItem(fields.value(1));
        sprdList->setItem(r - 1, 1, desc);
        setUse(r, fields.value(0) == QLatin1String("O"));
    }
    sprdList->setCurrentCell(0, 0);
    m_loaded = currentLines();

    auto* hint = new QLabel(QStringLiteral("O = polled, X = not used. Device No. = row = Modbus address."), this);
    hint->setObjectName(QStringLiteral("lblHint"));
    hint->setWordWrap(true);
    if (!note.isEmpty()) {
        hint->setText(note);
        hint->setStyleSheet(QStringLiteral("QLabel { color: #b01010; }"));
    }

    auto* buttons = MakeOkCancel(this, &btnOK, &btnCancel);
    // Return and Space belong to the table while it edits a description.
    btnOK->setDefault(false);
    btnOK->setAutoDefault(false);
    btnCancel->setAutoDefault(false);

    auto* col = new QVBoxLayout(this);
    col->addWidget(sprdList, 1);
    col->addWidget(hint);
    col->addWidget(buttons);

    connect(sprdList, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == 0)
            toggleUse(row + 1);
    });
    connect(btnOK, &QPushButton::clicked, this, &frmVQ_SetMC::save);
    resize(460, 560);
}

void frmVQ_SetMC::setUse(int row, bool used)
{
    auto* item = sprdList->item(row - 1, 0);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setTextAlignment(Qt::AlignCenter);
        QFont f = item->font();
        f.setBold(true);
        item->setFont(f);
        sprdList->setItem(row - 1, 0, item);
    }
    item->setText(used ? QStringLiteral("O") : QStringLiteral("X"));
    item->setForeground(used ? QBrush(kUsed) : QBrush(Qt::gray));
}

void frmVQ_SetMC::toggleUse(int row)
{
    if (row < 1 || row > kRows)
        return;
    setUse(row, sprdList->item(row - 1, 0)->text() != QLatin1String("O"));
}

bool frmVQ_SetMC::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == sprdList && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space && sprdList->currentColumn() == 0) {
        toggleUse(sprdList->currentRow() + 1);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QStringList frmVQ_SetMC::currentLines() const
{
    QStringList lines;
    for (int r = 0; r < kRows; ++r) {
        // A tab or line break inside a description would change the file's fields and lines.
        QString desc = sprdList->item(r, 1)->text().left(kMaxDescription);
        desc.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
        lines << sprdList->item(r, 0)->text() + u'\t' + desc;
    }
    return lines;
}

void frmVQ_SetMC::reject()
{
    if (currentLines() != m_loaded) {
        QMessageBox box(QMessageBox::Question, windowTitle(),
                        QStringLiteral("The device list has changes that are not saved.\nDiscard them?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setObjectName(QStringLiteral("msgQuestion"));
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes)
            return;
    }
    QDialog::reject();
}

void frmVQ_SetMC::save()
{
    QStringList lines = currentLines();
    const bool any = std::any_of(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith(u'O'); });
    if (!any) {
        QMessageBox::information(this, windowTitle(), QStringLiteral("Check."));
        return;
    }
    lines += m_extraLines;
    QString why;
    if (!WriteConfigLines(DeviceListPath(m_programDir), lines, &why)) {
        QMessageBox::warning(this, windowTitle(), CannotSaveText(DeviceListPath(m_programDir), why));
        return;
    }
    m_saved = lines;
    accept();
}
