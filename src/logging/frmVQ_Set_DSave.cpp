#include "logging/frmVQ_Set_DSave.h"

#include "core/ConfigText.h"
#include "core/Numbers.h"
#include "logging/DataFile.h"
#include "ui/OkCancel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

int ClampedNumber(const QString& text, int lo, int hi)
{
    return static_cast<int>(qBound<double>(lo, std::round(LeadingNumber(text)), hi));
}

namespace {

QComboBox* listBox(const char* name, const QStringList& items, const QString& value, QWidget* parent)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    if (c->findText(value) < 0 && !value.isEmpty())
        c->addItem(value);
    c->setCurrentText(value);
    return c;
}

QLineEdit* numberBox(const char* name, int value, int width, QWidget* parent)
{
    auto* e = new QLineEdit(QString::number(value), parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(4);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0")) * width + 16);
    e->setAlignment(Qt::AlignRight);
    return e;
}

// Holds a number box to its range when the operator leaves it.
void clampOnCommit(QLineEdit* e, int lo, int hi)
{
    QObject::connect(e, &QLineEdit::editingFinished, e,
                     [e, lo, hi] { e->setText(QString::number(ClampedNumber(e->text(), lo, hi))); });
}

} // namespace

frmVQ_Set_DSave::frmVQ_Set_DSave(const QString& programDir, QWidget* parent)
    : QDialog(parent)
    , m_programDir(programDir)
{
    setObjectName(QStringLiteral("frmVQ_Set_DSave"));
    setWindowTitle(QStringLiteral("Data Save Setup"));
    chooseFolder = [](QWidget* w, const QString& start) {
        return QFileDialog::getExistingDirectory(w, QStringLiteral("Select Folder"), start);
    };

    const DSaveSettings s = ReadSaveSettings(programDir);
    m_saved = s;

    cmbSave = listBox("cmbSave", {"Yes", "No"}, s.gDSaveEnable, this);
    txtSaveInterval = numberBox("txtSaveInterval", s.gDSaveInterval, 3, this);
    clampOnCommit(txtSaveInterval, 1, 60);
    cmbUnit = listBox("cmbUnit", {"sec", "min"}, s.gDSaveUnit, this);
    lblFolder = new QLabel(this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    lblFolder->setFrameShape(QFrame::Panel);
    lblFolder->setFrameShadow(QFrame::Sunken);
    lblFolder->setMinimumWidth(300);
    lblFolder->setCursor(Qt::PointingHandCursor);
    lblFolder->setToolTip(QStringLiteral("Click to choose the folder"));
    lblFolder->setTextInteractionFlags(Qt::NoTextInteraction);
    lblFolder->installEventFilter(this);
    btnFolder = new QPushButton(QStringLiteral("&Browse..."), this);
    btnFolder->setObjectName(QStringLiteral("btnFolder"));
    txtFName = new QLineEdit(s.gDSaveFileName, this);
    txtFName->setObjectName(QStringLiteral("txtFName"));
    chbDSaveF = new QCheckBox(QStringLiteral("Save by &date"), this);
    chbDSaveF->setObjectName(QStringLiteral("chbDSaveF"));
    chbDSaveF->setChecked(s.gDaySave);
    txtDayHH = numberBox("txtDayHH", s.gDaySaveHour, 2, this);
    clampOnCommit(txtDayHH, 0, 23);
    txtDayMM = numberBox("txtDayMM", s.gDaySaveMinute, 2, this);
    clampOnCommit(txtDayMM, 0, 59);
    lblMsg = new QLabel(this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMSG2 = new QLabel(this);
    lblMSG2->setObjectName(QStringLiteral("lblMSG2"));
    for (QLabel* l : {lblMsg, lblMSG2}) {
        l->setWordWrap(true);
        l->setStyleSheet(QStringLiteral("QLabel { color: #303f9f; }"));
    }
    setFolder(s.gDSaveFolder);

    auto* saving = new QGroupBox(QStringLiteral("Saving"), this);
    auto* form = new QFormLayout(saving);
    form->addRow(QStringLiteral("&Save"), cmbSave);
    auto* interval = new QHBoxLayout;
    interval->addWidget(txtSaveInterval);
    interval->addWidget(cmbUnit);
    interval->addWidget(new QLabel(QStringLiteral("(1 to 60)"), saving));
    interval->addStretch();
    form->addRow(QStringLiteral("&Interval"), interval);
    static_cast<QLabel*>(form->labelForField(interval))->setBuddy(txtSaveInterval);
    auto* folder = new QHBoxLayout;
    folder->addWidget(lblFolder, 1);
    folder->addWidget(btnFolder);
    form->addRow(QStringLiteral("Folder"), folder);
    form->addRow(QStringLiteral("&File name"), txtFName);

    auto* daily = new QGroupBox(QStringLiteral("Files by date"), this);
    auto* dl = new QVBoxLayout(daily);
    auto* time = new QHBoxLayout;
    time->addWidget(chbDSaveF);
    time->addSpacing(16);
    auto* dayLabel = new QLabel(QStringLiteral("Day changes at &hour"), daily);
    dayLabel->setBuddy(txtDayHH);
    time->addWidget(dayLabel);
    time->addWidget(txtDayHH);
    auto* minuteLabel = new QLabel(QStringLiteral("&minute"), daily);
    minuteLabel->setBuddy(txtDayMM);
    time->addWidget(minuteLabel);
    time->addWidget(txtDayMM);
    time->addStretch();
    dl->addLayout(time);
    dl->addWidget(lblMsg);
    dl->addWidget(lblMSG2);

    auto* buttons = MakeOkCancel(this, &btnOK, &btnCancel);

    auto* col = new QVBoxLayout(this);
    col->addWidget(saving);
    col->addWidget(daily);
    col->addStretch();
    col->addWidget(buttons);

    connect(btnFolder, &QPushButton::clicked, this, &frmVQ_Set_DSave::pickFolder);
    connect(chbDSaveF, &QCheckBox::toggled, this, &frmVQ_Set_DSave::updateHints);
    connect(txtFName, &QLineEdit::textChanged, this, &frmVQ_Set_DSave::updateHints);
    for (QLineEdit* e : {txtDayHH, txtDayMM})
        connect(e, &QLineEdit::editingFinished, this, &frmVQ_Set_DSave::updateHints);
    connect(btnOK, &QPushButton::clicked, this, &frmVQ_Set_DSave::save);
    updateHints();
    setMinimumWidth(520);
}

void frmVQ_Set_DSave::setFolder(const QString& folder)
{
    lblFolder->setText(QDir::toNativeSeparators(folder));
}

bool frmVQ_Set_DSave::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblFolder && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        pickFolder();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmVQ_Set_DSave::pickFolder()
{
    const QString start = lblFolder->text().isEmpty() ? m_programDir : QDir::fromNativeSeparators(lblFolder->text());
    const QString chosen = chooseFolder(this, start);
    if (!chosen.isEmpty())
        setFolder(chosen);
}

void frmVQ_Set_DSave::updateHints()
{
    const bool daily = chbDSaveF->isChecked();
    txtDayHH->setEnabled(daily);
    txtDayMM->setEnabled(daily);
    const QString stem = txtFName->text().trimmed().isEmpty() ? QStringLiteral("NAME") : txtFName->text().trimmed();
    const QString example = QFileInfo(DataFileName(QString(), stem, 1, daily ? QDate::currentDate() : QDate())).fileName();
    if (daily) {
        lblMsg->setText(QStringLiteral("One file per device and day, for example %1.").arg(example));
        lblMSG2->setText(QStringLiteral("A day's file takes the records from %1:%2 until the same time the next day.")
                             .arg(ClampedNumber(txtDayHH->text(), 0, 23), 2, 10, QLatin1Char('0'))
                             .arg(ClampedNumber(txtDayMM->text(), 0, 59), 2, 10, QLatin1Char('0')));
    } else {
        lblMsg->setText(QStringLiteral("One file per device, for example %1.").arg(example));
        lblMSG2->setText(QStringLiteral("Records are appended to it for as long as the program runs."));
    }
}

void frmVQ_Set_DSave::save()
{
    if (lblFolder->text().trimmed().isEmpty()) {
        QMessageBox::information(this, windowTitle(), QStringLiteral("Select Folder."));
        return;
    }
    if (txtFName->text().trimmed().isEmpty()) {
        QMessageBox::information(this, windowTitle(), QStringLiteral("Input Filename."));
        txtFName->setFocus();
        return;
    }
    DSaveSettings s;
    s.gDSaveEnable = cmbSave->currentText();
    s.gDSaveInterval = ClampedNumber(txtSaveInterval->text(), 1, 60);
    s.gDSaveUnit = cmbUnit->currentText();
    s.gDSaveFolder = lblFolder->text().trimmed();
    s.gDSaveFileName = txtFName->text().trimmed();
    s.gDaySave = chbDSaveF->isChecked();
    s.gDaySaveHour = ClampedNumber(txtDayHH->text(), 0, 23);
    s.gDaySaveMinute = ClampedNumber(txtDayMM->text(), 0, 59);
    QString why;
    if (!WriteSaveSettings(m_programDir, s, &why)) {
        QMessageBox::warning(this, windowTitle(), CannotSaveText(SaveSettingsPath(m_programDir), why));
        return;
    }
    m_saved = s;
    accept();
}
