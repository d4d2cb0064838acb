#include "monitor/SingleMonitorWindow.h"

#include "link/LinkState.h"
#include "monitor/MonitorHeader.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

SingleMonitorWindow::SingleMonitorWindow(const QString& name, const QString& caption, const QString& headerText,
                                         const QString& programDir, const LinkState& link, QWidget* parent)
    : QDialog(parent), m_link(link), m_caption(caption)
{
    setObjectName(name);
    showCaption();
    setStyleSheet(QStringLiteral("QDialog { background: #e7ebf0; } QPushButton { padding: 4px 14px; }"));
    m_root = new QVBoxLayout(this);
    m_root->setContentsMargins(8, 8, 8, 8);
    m_root->setSpacing(8);
    header = new MonitorHeader(headerText, programDir, this);
    m_root->addWidget(header);

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setMinimumWidth(100);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    tmrDispGraph = new QTimer(this);
    tmrDispGraph->setObjectName(QStringLiteral("tmrDispGraph"));
    tmrDispGraph->setInterval(500);
    connect(tmrDispGraph, &QTimer::timeout, this, [this] { tmrDispGraph_Tick(); });
}

void SingleMonitorWindow::finish(QLayout* body, bool fixedSize)
{
    m_root->addLayout(body, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(btnClose);
    m_root->addLayout(bottom);
    if (fixedSize)
        m_root->setSizeConstraint(QLayout::SetFixedSize);
    tmrDispGraph->start();
}

void SingleMonitorWindow::showCaption()
{
    const QString title = m_link.captionForSelected(m_caption);
    if (windowTitle() != title)
        setWindowTitle(title);
}

void SingleMonitorWindow::done(int r)
{
    tmrDispGraph->stop();
    QDialog::done(r);
}
