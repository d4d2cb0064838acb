#include "app/frmVQ_About.h"

#include "app/AppIcon.h"
#include "app/RunDocument.h"
#include "Version.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmVQ_About::frmVQ_About(const QString& programDir, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmVQ_About"));
    setWindowTitle(QStringLiteral("About"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picLogo"));
    picture->setPixmap(AppIcon().pixmap(64, 64));

    auto* name = new QLabel(QStringLiteral("VQ800 EV" VQ800_VERSION), this);
    name->setObjectName(QStringLiteral("lblVersion"));
    QFont f = name->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    name->setFont(f);

    auto* what = new QLabel(QStringLiteral("Monitoring, data logging and parameter setup\nfor VQ800 data recorders"), this);

    const QString address = QStringLiteral("https://vq800.example.com");
    lblHomePage = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(address), this);
    lblHomePage->setObjectName(QStringLiteral("lblHomePage"));
    lblHomePage->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(lblHomePage, &QLabel::linkActivated, this,
            [](const QString& link) { RunDocument(QStringLiteral("open"), link, {}, QDir::currentPath(), 5); });

    auto* folder = new QLabel(QStringLiteral("Program folder: %1").arg(QDir::toNativeSeparators(programDir)), this);
    folder->setObjectName(QStringLiteral("lblProgramDir"));
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(what);
    text->addWidget(lblHomePage);
    text->addWidget(folder);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addSpacing(8);
    root->addLayout(buttons);
    setFixedSize(sizeHint());
}
