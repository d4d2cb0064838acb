#include "monitor/frmVQ_Mon_Bar.h"

#include "monitor/MonitorHeader.h"
#include "monitor/MonitorStyle.h"
#include "monitor/ScalePanel.h"
#include "ui/FitLabel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

frmVQ_Mon_Bar::frmVQ_Mon_Bar(MonitorState& state, const DataStore& store, const LinkState& link,
                             const QString& programDir, QWidget* parent)
    : SingleMonitorWindow(QStringLiteral("frmVQ_Mon_Bar"), QStringLiteral("Single Monitoring - BAR GRAPH"),
                          QStringLiteral("BAR GRAPH"), programDir, link, parent)
    , m_model(state, store, link, kPanelHeight)
{
    auto* gauges = new QGridLayout;
    gauges->setSpacing(8);
    for (int i = 0; i < kN; ++i) {
        auto* box = fraCH[i] = new QFrame(this);
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
        picRowScale[i]->setFixedSize(140, kPanelHeight);
        picRowScale[i]->setColour(BarColour(i));
        picRowScale[i]->setBar(kPanelHeight, 0);
        col->addWidget(picRowScale[i], 0, Qt::AlignHCenter);
        lblCH_Val[i] = monitorstyle::ValueLabel(QStringLiteral("lblCH_Val%1").arg(i), 14, box);
        col->addWidget(lblCH_Val[i]);
        lblCH_Unit[i] = new FitLabel(QString(), box);
        lblCH_Unit[i]->setObjectName(QStringLiteral("lblCH_Unit%1").arg(i));
        lblCH_Unit[i]->setAlignment(Qt::AlignCenter);
        QFont unitFont = lblCH_Unit[i]->font();
        unitFont.setPointSize(10);
        lblCH_Unit[i]->setFont(unitFont);
        lblCH_Unit[i]->setFitRange(7);
        col->addWidget(lblCH_Unit[i]);
        gauges->addWidget(box, i / 6, i % 6);
    }
    layOut(rules::ShownChannels(link));
    finish(gauges, true);
}

bool frmVQ_Mon_Bar::layOut(int channels)
{
    if (channels == m_shown)
        return false;
    m_shown = channels;
    const int h = channels > 6 ? kPanelHeight12 : kPanelHeight;
    m_model.setPanelHeight(h);
    for (int i = 0; i < kN; ++i) {
        fraCH[i]->setVisible(i < channels);
        picRowScale[i]->setFixedSize(140, h);
        picRowScale[i]->setBar(h, 0);
    }
    return true;
}

void frmVQ_Mon_Bar::tmrDispGraph_Tick()
{
    m_model.tick();
    const rules::SingleDisplay& d = m_model.display();
    if (layOut(d.channels))
        m_model.tick(); // the bars of the new gauges' height
    for (int i = 0; i < d.channels; ++i) {
        const rules::ChannelDisplay& c = d.ch[i];
        picRowScale[i]->setTexts(c.maxText, c.midText, c.minText);
        lblCH_Unit[i]->setText(c.unit);
        lblCH_Val[i]->setText(c.valueText);
        monitorstyle::ShowStale(lblCH_Val[i], d.stale);
        const BarGeometry g = m_model.bar(i);
        picRowScale[i]->setBar(g.top, g.height);
    }
    header->showMarks(d.header);
    showCaption();
}
