#include "monitor/frmVQ_Mon_Bar.h"

#include "monitor/MonitorHeader.h"
#include "monitor/MonitorStyle.h"
#include "monitor/ScalePanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

frmVQ_Mon_Bar::frmVQ_Mon_Bar(MonitorState& state, const DataStore& store, const LinkState& link,
                             const QString& programDir, QWidget* parent)
    : QDialog(parent), m_model(state, store, link, kPanelHeight)
{
    setObjectName(QStringLiteral("frmVQ_Mon_Bar"));
    setWindowTitle(QStringLiteral("Single Monitoring - BAR GRAPH"));
    monitorstyle::Apply(this);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 8, 8, 8);
    root->setSpacing(8);
    header = new MonitorHeader(QStringLiteral("BAR GRAPH"), programDir, this);
    root->addWidget(header);

    auto* gauges = new QHBoxLayout;
    gauges->setSpacing(8);
    for (int i = 0; i < 6; ++i) {
        auto* box = new QFrame(this);
        box->setObjectName(QStringLiteral("fraCH%1").arg(i));
        box->setFrameShape(QFrame::StyledPanel);
        box->setStyleSheet(QStringLiteral("QFrame#fraCH%1 { background: #f6f8fa; }").arg(i));
        auto* col = new QVBoxLayout(box);
        col->setContentsMargins(6, 6, 6, 6);
        col->setSpacing(4);
        lblCH[i] = new QLabel(QStringLiteral("[CH.%1]").arg(i + 1, 2, 10, QLatin1Char('0')), box);
        lblCH[i]->setObjectName(QStringLiteral("lblCH%1").arg(i));
        lblCH[i]->setAlignment(Qt::AlignCenter);
        lblCH[i]->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; font-size: 11pt; }"));
        col->addWidget(lblCH[i]);
        picRowScale[i] = new ScalePanel(i, ScalePanel::Style::Bar, box);
        picRowScale[i]->setFixedSize(128, kPanelHeight);
        picRowScale[i]->setColour(BarColour(i));
        picRowScale[i]->setBar(kPanelHeight, 0);
        col->addWidget(picRowScale[i], 0, Qt::AlignHCenter);
        lblCH_Val[i] = monitorstyle::ValueLabel(QStringLiteral("lblCH_Val%1").arg(i), 14, box);
        col->addWidget(lblCH_Val[i]);
        lblCH_Unit[i] = new QLabel(box);
        lblCH_Unit[i]->setObjectName(QStringLiteral("lblCH_Unit%1").arg(i));
        lblCH_Unit[i]->setAlignment(Qt::AlignCenter);
        lblCH_Unit[i]->setStyleSheet(QStringLiteral("QLabel { font-size: 10pt; }"));
        col->addWidget(lblCH_Unit[i]);
        gauges->addWidget(box);
    }
    root->addLayout(gauges);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setMinimumWidth(100);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    bottom->addWidget(btnClose);
    root->addLayout(bottom);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    tmrDispGraph = new QTimer(this);
    tmrDispGraph->setObjectName(QStringLiteral("tmrDispGraph"));
    tmrDispGraph->setInterval(500);
    connect(tmrDispGraph, &QTimer::timeout, this, &frmVQ_Mon_Bar::tmrDispGraph_Tick);
    tmrDispGraph->start();
}

void frmVQ_Mon_Bar::done(int r)
{
    tmrDispGraph->stop();
    QDialog::done(r);
}

void frmVQ_Mon_Bar::tmrDispGraph_Tick()
{
    m_model.tick();
    const rules::SingleDisplay& d = m_model.display();
    for (int i = 0; i < 6; ++i) {
        const rules::ChannelDisplay& c = d.ch[i];
        picRowScale[i]->setTexts(c.maxText, c.midText, c.minText);
        lblCH_Unit[i]->setText(c.unit);
        lblCH_Val[i]->setText(c.valueText);
        const BarGeometry g = m_model.bar(i);
        picRowScale[i]->setBar(g.top, g.height);
    }
    header->showMarks(d.header);
}
