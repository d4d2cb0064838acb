#include "view/frmVQ_ViewCsv.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLocale>
#include <QRadioButton>
#include <QVBoxLayout>

frmVQ_ViewCsv::frmVQ_ViewCsv(qsizetype visibleRecords, qsizetype allRecords, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmVQ_ViewCsv"));
    setWindowTitle(QStringLiteral("Export CSV"));
    m_visible = new QRadioButton(QStringLiteral("&Visible range (%L1 records)").arg(visibleRecords));
    m_visible->setObjectName(QStringLiteral("obtVisible"));
    auto* whole = new QRadioButton(QStringLiteral("&Whole timeline (%L1 records)").arg(allRecords));
    whole->setObjectName(QStringLiteral("obtWhole"));
    m_visible->setChecked(true);

    // Defaults after the desktop's number format, as a spreadsheet here reads it.
    const bool comma = QLocale().decimalPoint() == QStringLiteral(",");
    m_separator = new QComboBox;
    m_separator->setObjectName(QStringLiteral("cmbSeparator"));
    m_separator->addItem(QStringLiteral("; semicolon"), QStringLiteral(";"));
    m_separator->addItem(QStringLiteral(", comma"), QStringLiteral(","));
    m_separator->setCurrentIndex(comma ? 0 : 1);
    m_decimal = new QComboBox;
    m_decimal->setObjectName(QStringLiteral("cmbDecimal"));
    m_decimal->addItem(QStringLiteral(". point"), QStringLiteral("."));
    m_decimal->addItem(QStringLiteral(", comma"), QStringLiteral(","));
    m_decimal->setCurrentIndex(comma ? 1 : 0);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Records:"), m_visible);
    form->addRow(QString(), whole);
    form->addRow(QStringLiteral("&Separator:"), m_separator);
    form->addRow(QStringLiteral("&Decimal point:"), m_decimal);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(buttons);
}

bool frmVQ_ViewCsv::visibleOnly() const
{
    return m_visible->isChecked();
}

CsvOptions frmVQ_ViewCsv::options() const
{
    return {m_separator->currentData().toString().at(0), m_decimal->currentData().toString().at(0)};
}
