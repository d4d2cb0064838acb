#include "publish/frmVQ_Publish.h"

#include "core/ConfigText.h"
#include "ui/OkCancel.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLineEdit* textBox(const char* name, const QString& value, const QString& placeholder, QWidget* parent)
{
    auto* e = new QLineEdit(value, parent);
    e->setObjectName(QLatin1String(name));
    e->setPlaceholderText(placeholder);
    e->setClearButtonEnabled(true);
    return e;
}

// A labelled row whose label's access key moves to the box.
void addRow(QFormLayout* form, const QString& caption, QLineEdit* box, QWidget* beside = nullptr)
{
    auto* label = new QLabel(caption, form->parentWidget());
    label->setBuddy(box);
    if (!beside) {
        form->addRow(label, box);
        return;
    }
    auto* row = new QHBoxLayout;
    row->addWidget(box, 1);
    row->addWidget(beside);
    form->addRow(label, row);
}

} // namespace

frmVQ_Publish::frmVQ_Publish(const QString& programDir, QWidget* parent)
    : QDialog(parent)
    , m_programDir(programDir)
{
    setObjectName(QStringLiteral("frmVQ_Publish"));
    setWindowTitle(QStringLiteral("Publishing"));
    chooseFile = [](QWidget* w, const QString& title, const QString& start) {
        return QFileDialog::getOpenFileName(w, title, start);
    };

    QString note;
    const PublishSettings s = ReadPublishSettings(programDir, &note);
    m_saved = s;

    txtBroker = textBox("txtBroker", s.broker, QStringLiteral("mqtt://host:1883 or mqtts://host:8883; empty: off"), this);
    txtBroker->setToolTip(QStringLiteral("The MQTT broker that live values and saved records go to"));
    txtPrefix = textBox("txtPrefix", s.prefix, DefaultPrefix(programDir), this);
    txtPrefix->setToolTip(QStringLiteral("The start of every topic of this line; empty: the one shown"));
    txtClientId = textBox("txtClientId", s.clientId, DefaultClientId(programDir), this);
    txtClientId->setToolTip(QStringLiteral("The name this program gives the broker; no two clients may share one"));
    txtUser = textBox("txtUser", s.username, QString(), this);
    txtPasswordFile = textBox("txtPasswordFile", s.passwordFile, QStringLiteral("a file holding only the password"), this);
    txtPasswordFile->setToolTip(QStringLiteral("Only its owner may read it (chmod 600)"));
    txtCaFile = textBox("txtCaFile", s.caFile, QStringLiteral("empty: the system's certificate authorities"), this);
    txtCaFile->setToolTip(QStringLiteral("The certificate authorities that vouch for an mqtts:// broker"));
    const auto browse = [this](const char* name) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(QStringLiteral("…"));
        b->setToolTip(QStringLiteral("Choose the file"));
        return b;
    };
    btnPasswordFile = browse("btnPasswordFile");
    btnCaFile = browse("btnCaFile");
    chbLive = new QCheckBox(QStringLiteral("Publish &live values"), this);
    chbLive->setObjectName(QStringLiteral("chbLive"));
    chbLive->setChecked(s.live);
    chbRecords = new QCheckBox(QStringLiteral("Publish saved &records"), this);
    chbRecords->setObjectName(QStringLiteral("chbRecords"));
    chbRecords->setChecked(s.records);
    lblMsg = new QLabel(this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setWordWrap(true);
    lblMsg->setMinimumHeight(lblMsg->fontMetrics().height() * 3);
    lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMsg->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (!note.isEmpty())
        showError(note);

    auto* broker = new QGroupBox(QStringLiteral("Broker"), this);
    auto* bf = new QFormLayout(broker);
    bf->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    addRow(bf, QStringLiteral("&Broker:"), txtBroker);
    addRow(bf, QStringLiteral("Client &id:"), txtClientId);
    addRow(bf, QStringLiteral("&User name:"), txtUser);
    addRow(bf, QStringLiteral("Pass&word file:"), txtPasswordFile, btnPasswordFile);
    addRow(bf, QStringLiteral("C&A file:"), txtCaFile, btnCaFile);

    auto* topics = new QGroupBox(QStringLiteral("Topics"), this);
    auto* tf = new QFormLayout(topics);
    tf->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    addRow(tf, QStringLiteral("&Topic prefix:"), txtPrefix);
    // As wide as their text, which is where a click takes.
    for (QCheckBox* c : {chbLive, chbRecords}) {
        c->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        tf->addRow(QString(), c);
    }

    auto* buttons = MakeOkCancel(this, &btnOK, &btnCancel);

    auto* col = new QVBoxLayout(this);
    col->addWidget(broker);
    col->addWidget(topics);
    col->addWidget(lblMsg, 1);
    col->addWidget(buttons);

    connect(txtBroker, &QLineEdit::textChanged, this, &frmVQ_Publish::updateTls);
    connect(btnPasswordFile, &QToolButton::clicked, this,
            [this] { pickFile(txtPasswordFile, QStringLiteral("Password File")); });
    connect(btnCaFile, &QToolButton::clicked, this, [this] { pickFile(txtCaFile, QStringLiteral("CA File")); });
    connect(btnOK, &QPushButton::clicked, this, &frmVQ_Publish::save);
    updateTls();
    setMinimumWidth(560);
}

void frmVQ_Publish::pickFile(QLineEdit* box, const QString& title)
{
    const QString now = box->text().trimmed();
    const QString start = now.isEmpty() ? m_programDir : QFileInfo(now).absolutePath();
    const QString chosen = chooseFile(this, title, start);
    if (!chosen.isEmpty())
        box->setText(QDir::toNativeSeparators(chosen));
}

void frmVQ_Publish::updateTls()
{
    const bool tls = txtBroker->text().trimmed().startsWith(QLatin1String("mqtts://"), Qt::CaseInsensitive);
    txtCaFile->setEnabled(tls);
    btnCaFile->setEnabled(tls);
}

void frmVQ_Publish::showError(const QString& text)
{
    lblMsg->setStyleSheet(QStringLiteral("QLabel { color: #b01010; }"));
    lblMsg->setText(text);
}

void frmVQ_Publish::save()
{
    // Lines written into the file meanwhile, by hand or by a newer program, stay.
    PublishSettings s = ReadPublishSettings(m_programDir);
    s.broker = txtBroker->text().trimmed();
    s.prefix = txtPrefix->text().trimmed();
    s.clientId = txtClientId->text().trimmed();
    s.username = txtUser->text().trimmed();
    s.passwordFile = txtPasswordFile->text().trimmed();
    s.caFile = txtCaFile->text().trimmed();
    s.live = chbLive->isChecked();
    s.records = chbRecords->isChecked();

    const auto refuse = [this](QLineEdit* box, const QString& why) {
        showError(why.left(1).toUpper() + why.mid(1) + u'.');
        if (box)
            box->setFocus();
    };
    QString why;
    if (s.enabled() && !ParseBroker(s.broker, &why))
        return refuse(txtBroker, why);
    if (!s.passwordFile.isEmpty() && s.username.isEmpty())
        return refuse(txtUser, QStringLiteral("a password file needs a user name"));
    // A user name alone is a login some brokers take.
    if (!s.passwordFile.isEmpty() && !ReadPasswordFile(s.passwordFile, &why))
        return refuse(txtPasswordFile, why);
    if (const QString problem = PublishSettingsProblem(s); !problem.isEmpty())
        return refuse(problem.contains(QLatin1String("topic prefix")) ? txtPrefix : nullptr, problem);
    if (!WritePublishSettings(m_programDir, s, &why)) {
        QMessageBox::warning(this, windowTitle(), CannotSaveText(PublishSettingsPath(m_programDir), why));
        return;
    }
    m_saved = s;
    accept();
}
