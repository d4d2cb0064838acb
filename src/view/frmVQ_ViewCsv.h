#pragma once
// Export as CSV: which records (the visible range or the whole timeline),
// the separator and the decimal point.
#include "view/CsvExport.h"

#include <QDialog>

class QComboBox;
class QRadioButton;

class frmVQ_ViewCsv : public QDialog {
    Q_OBJECT
public:
    frmVQ_ViewCsv(qsizetype visibleRecords, qsizetype allRecords, QWidget* parent = nullptr);

    bool visibleOnly() const;
    CsvOptions options() const;

private:
    QRadioButton* m_visible = nullptr;
    QComboBox* m_separator = nullptr;
    QComboBox* m_decimal = nullptr;
};
