#include "monitor/frmVQ_Mon_Text.h"

#include "core/Numbers.h"
#include "monitor/MonitorHeader.h"
#include "monitor/MonitorStyle.h"
#include "ui/GradientLabel.h"
#include "ui/TextProgressBar.h"

#include <QGridLayout>
#include <QLabel>

namespace {

const QColor kPanelDark(34, 46, 66);

GradientLabel* gradient(const QString& name, const QString& text, int pointSize, QWidget* parent)
{
    auto* l = new GradientLabel(text, parent);
    l->setObjectName(name);
    QFont f = l->font();
    f.setPointSize(pointSize);
    f.setBold(true);
    l->setFont(f);
    return l;
}

QFont monospace(const QFont& base)
{
    QFont f = base;
    f.setFamily(QStringLiteral("monospace"));
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

} // namespace

frmVQ_Mon_Text::frmVQ_Mon_Text(MonitorState& state, const DataStore& store, const LinkState& link,
                               const QString& programDir, QWidget* parent)
    : SingleMonitorWindow(QStringLiteral("frmVQ_Mon_Text"), QStringLiteral("Single Monitoring - TEXT"),
                          QStringLiteral("TEXT VIEW"), programDir, link, parent)
    , m_state(state), m_store(store), m_link(link)
{
    m_panels = new QGridLayout;
    m_panels->setSpacing(8);
    for (int i = 0; i < kN; ++i) {
        auto* box = fraCH[i] = new QFrame(this);
        box->setObjectName(QStringLiteral("fraCH%1").arg(i));
        box->setFrameShape(QFrame::StyledPanel);
        box->setStyleSheet(QStringLiteral("QFrame#fraCH%1 { background: #f6f8fa; }").arg(i));
        auto* g = new QGridLayout(box);
        g->setContentsMargins(8, 8, 8, 8);
        g->setHorizontalSpacing(6);
        g->setVerticalSpacing(6);

        lblCH_Name[i] = gradient(QStringLiteral("lblCH_Name%1").arg(i),
                                 QStringLiteral("CH%1").arg(i + 1, 2, 10, QLatin1Char('0')), 12, box);
        lblCH_Name[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        lblCH_Name[i]->setColours(Qt::white, kPanelDark);
        lblCH_Name[i]->setMinimumHeight(26);
        lblCH_Name[i]->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        // The value takes the room the window gives: it grows with it and shrinks to stay whole.
        lblPV[i] = gradient(QStringLiteral("lblPV%1").arg(i), QStringLiteral("----.-"), 30, box);
        lblPV[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblPV[i]->setColours(QColor(255, 255, 255), QColor(214, 222, 232));
        lblPV[i]->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        lblPV[i]->setFont(monospace(lblPV[i]->font()));
        lblPV[i]->setFitRange(12, 400);
        lblUnit[i] = gradient(QStringLiteral("lblUnit%1").arg(i), QString(), 12, box);
        lblUnit[i]->setColours(kPanelDark, Qt::white);
        lblUnit[i]->setFitRange(8);

        auto rangeLabel = [&](const QString& name) {
            auto* l = new FitLabel(QString(), box);
            l->setObjectName(name);
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setFont(monospace(l->font()));
            l->setFitRange(7);
            return l;
        };
        lblRangeH[i] = rangeLabel(QStringLiteral("lblRangeH%1").arg(i));
        lblRangeL[i] = rangeLabel(QStringLiteral("lblRangeL%1").arg(i));
        lblRangeL[i]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        XProgress1[i] = new TextProgressBar(box);
        XProgress1[i]->setObjectName(QStringLiteral("XProgress1%1").arg(i));

        g->addWidget(lblCH_Name[i], 0, 0, 1, 4);
        g->addWidget(lblPV[i], 1, 0, 1, 3);
        g->addWidget(lblUnit[i], 1, 3);
        g->addWidget(new QLabel(QStringLiteral("L"), box), 2, 0);
        g->addWidget(lblRangeL[i], 2, 1);
        g->addWidget(new QLabel(QStringLiteral("H"), box), 2, 2, Qt::AlignRight);
        g->addWidget(lblRangeH[i], 2, 3);
        g->addWidget(XProgress1[i], 3, 0, 1, 4);
        g->setColumnStretch(1, 1);
        g->setRowStretch(1, 1);
    }
    layOut(rules::ShownChannels(link));
    finish(m_panels, false);
}

void frmVQ_Mon_Text::layOut(int channels)
{
    if (channels == m_shown)
        return;
    m_shown = channels;
    // Three panels a row for six channels, four for twelve, which take less room each.
    const int columns = channels > 6 ? 4 : 3;
    for (int i = 0; i < kN; ++i) {
        m_panels->removeWidget(fraCH[i]);
        fraCH[i]->setVisible(i < channels);
        const int high = channels > 6 ? 48 : 64;
        lblPV[i]->setMinimumSize(channels > 6 ? 170 : 230, high);
        lblUnit[i]->setMinimumSize(72, high);
        if (i < channels)
            m_panels->addWidget(fraCH[i], i / columns, i % columns);
    }
}

void frmVQ_Mon_Text::tmrDispGraph_Tick()
{
    m_display.tick(m_state, m_store, m_link);
    layOut(m_display.channels);
    for (int i = 0; i < m_display.channels; ++i) {
        const rules::ChannelDisplay& c = m_display.ch[i];
        lblUnit[i]->setText(c.unit);
        lblRangeH[i]->setText(c.maxText);
        lblRangeL[i]->setText(c.minText);
        lblPV[i]->setText(c.valueText);
        lblPV[i]->setMuted(m_display.stale);
        lblPV[i]->setToolTip(m_display.stale ? monitorstyle::StaleTip() : QString());
        // The bar shows where the value now shown lies in the range shown.
        if (const auto pct = rules::PositionPercent(LeadingNumber(lblPV[i]->text()), LeadingNumber(lblRangeH[i]->text()),
                                                    LeadingNumber(lblRangeL[i]->text())))
            XProgress1[i]->setValue(*pct);
        const QColor partner = QColor::fromRgb(rules::GradientPartner(c.colour));
        lblCH_Name[i]->setColours(QColor::fromRgb(c.colour), partner);
        lblUnit[i]->setColours(partner, QColor::fromRgb(c.colour));
        XProgress1[i]->setBarColours(c.colour, c.colour);
    }
    header->showMarks(m_display.header);
    showCaption();
}
