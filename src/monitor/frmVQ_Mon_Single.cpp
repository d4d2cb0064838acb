#include "monitor/frmVQ_Mon_Single.h"

#include "monitor/MonitorHeader.h"
#include "monitor/MonitorState.h"
#include "monitor/MonitorStyle.h"
#include "monitor/ScalePanel.h"
#include "monitor/TrendPainter.h"
#include "ui/FitLabel.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

// The drawing surface: the trend image with the grid and time labels on top.
class TrendSurface : public QWidget {
public:
    TrendSurface(const QImage& image, QWidget* parent) : QWidget(parent), m_image(image)
    {
        setObjectName(QStringLiteral("picGraph"));
        setFixedSize(image.size());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, m_image);
        const int w = width(), h = height();
        QPen grid(QColor(200, 200, 200));
        grid.setStyle(Qt::DotLine);
        p.setPen(grid);
        for (int k = 1; k <= 9; ++k) // LineRow(0..8)
            p.drawLine(0, h * k / 10, w, h * k / 10);
        p.setPen(QColor(160, 160, 160));
        for (int k = 1; k <= 5; ++k) // LineCol(0..4)
            p.drawLine(TrendModel::kPage * k, 0, TrendModel::kPage * k, h);
    }

private:
    const QImage& m_image;
};

frmVQ_Mon_Single::frmVQ_Mon_Single(MonitorState& state, const DataStore& store, const LinkState& link,
                                   const QString& programDir, QWidget* parent)
    : SingleMonitorWindow(QStringLiteral("frmVQ_Mon_Single"), QStringLiteral("Single Monitoring - LINE"),
                          QStringLiteral("H.TREND VIEW"), programDir, link, parent)
    , m_model(state, store, link)
    , m_image(TrendModel::kSurfaceWidth, TrendModel::kPlotHeight, QImage::Format_RGB32)
{
    m_image.fill(Qt::white);
    auto* body = new QVBoxLayout;
    body->setSpacing(6);
    auto* plotRow = new QHBoxLayout;
    plotRow->setSpacing(2);
    for (int i = 0; i < 6; ++i) {
        picRowScale[i] = new ScalePanel(i, ScalePanel::Style::Marker, this);
        picRowScale[i]->setFixedSize(76, TrendModel::kPlotHeight + 2); // room for "-20000.000"
        plotRow->addWidget(picRowScale[i]);
    }
    plotRow->addSpacing(4);
    picBGraph = new QFrame(this);
    picBGraph->setObjectName(QStringLiteral("picBGraph"));
    picBGraph->setFrameShape(QFrame::Box);
    picBGraph->setLineWidth(1);
    picBGraph->setFixedSize(TrendModel::kFrameWidth + 2, TrendModel::kPlotHeight + 2);
    auto* clip = new QWidget(picBGraph);
    clip->setGeometry(1, 1, TrendModel::kFrameWidth, TrendModel::kPlotHeight);
    picGraph = new TrendSurface(m_image, clip);
    for (int k = 0; k < 6; ++k) {
        lblGTime[k] = new QLabel(picGraph);
        lblGTime[k]->setObjectName(QStringLiteral("lblGTime%1").arg(k));
        lblGTime[k]->setStyleSheet(QStringLiteral("QLabel { color: #505a66; font-size: 8pt; }"));
        lblGTime[k]->setGeometry(k * TrendModel::kPage + 1, TrendModel::kPlotHeight - 16, 70, 15);
    }
    plotRow->addWidget(picBGraph);
    body->addLayout(plotRow);

    // The captions: six a row; a second row for twelve channels. Keys 1..9, 0, -
    // and = hide or show the lines of channels 1..12.
    auto* captions = new QGridLayout;
    captions->setSpacing(4);
    static const char* kKeys[kN] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "="};
    for (int i = 0; i < kN; ++i) {
        auto* group = fraCH[i] = new QFrame(this);
        group->setObjectName(QStringLiteral("fraCH%1").arg(i));
        group->setFrameShape(QFrame::StyledPanel);
        group->setCursor(Qt::PointingHandCursor);
        group->setToolTip(QStringLiteral("Click (or press %1) to hide or show the trend of channel %2")
                              .arg(QLatin1String(kKeys[i]))
                              .arg(i + 1, 2, 10, QLatin1Char('0')));
        auto* g = new QGridLayout(group);
        g->setContentsMargins(6, 4, 6, 4);
        g->setHorizontalSpacing(6);
        g->setVerticalSpacing(2);
        picCH[i] = new QFrame(group);
        picCH[i]->setObjectName(QStringLiteral("picCH%1").arg(i));
        picCH[i]->setFixedSize(16, 16);
        picCH[i]->setFrameShape(QFrame::Box);
        picCH[i]->setAutoFillBackground(true);
        lblCH[i] = new QLabel(QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')), group);
        lblCH[i]->setObjectName(QStringLiteral("lblCH%1").arg(i));
        lblCH[i]->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; }"));
        lblCH_Val[i] = monitorstyle::ValueLabel(QStringLiteral("lblCH_Val%1").arg(i), 13, group);
        lblCH_Unit[i] = new FitLabel(QString(), group);
        lblCH_Unit[i]->setObjectName(QStringLiteral("lblCH_Unit%1").arg(i));
        lblCH_Unit[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblCH_Unit[i]->setMinimumWidth(lblCH_Unit[i]->fontMetrics().horizontalAdvance(QStringLiteral("m3/min")) + 4);
        lblCH_Unit[i]->setFitRange(7);
        g->addWidget(picCH[i], 0, 0);
        g->addWidget(lblCH[i], 0, 1);
        g->addWidget(lblCH_Unit[i], 0, 2, Qt::AlignRight);
        g->addWidget(lblCH_Val[i], 1, 0, 1, 3);
        for (QWidget* w : {static_cast<QWidget*>(picCH[i]), static_cast<QWidget*>(lblCH[i]),
                           static_cast<QWidget*>(lblCH_Val[i]), static_cast<QWidget*>(lblCH_Unit[i])})
            w->installEventFilter(this);
        captions->addWidget(group, i / 6, i % 6);
        captions->setColumnStretch(i % 6, 1);
        auto* key = new QShortcut(QKeySequence(QString::fromLatin1(kKeys[i])), this);
        connect(key, &QShortcut::activated, this, [this, i] {
            if (i < m_shown)
                toggleChannel(i);
        });
    }
    btnScales = new QPushButton(this);
    btnScales->setObjectName(QStringLiteral("btnScales"));
    btnScales->setToolTip(QStringLiteral("The scales beside the plot: CH.01 to CH.06 or CH.07 to CH.12 (S)"));
    btnScales->setAutoDefault(false);
    connect(btnScales, &QPushButton::clicked, this, &frmVQ_Mon_Single::toggleScales);
    auto* scalesKey = new QShortcut(QKeySequence(QStringLiteral("S")), this);
    connect(scalesKey, &QShortcut::activated, this, &frmVQ_Mon_Single::toggleScales);
    captions->addWidget(btnScales, 0, 6, 2, 1);
    body->addLayout(captions);

    m_model.open();
    layOut(rules::ShownChannels(link));
    showChannels();
    finish(body, true);
}

void frmVQ_Mon_Single::layOut(int channels)
{
    if (channels == m_shown)
        return;
    m_shown = channels;
    for (int i = 0; i < kN; ++i)
        fraCH[i]->setVisible(i < channels);
    btnScales->setVisible(channels > 6);
    if (channels <= 6)
        m_scaleGroup = 0;
    showScaleGroup();
}

void frmVQ_Mon_Single::showScaleGroup()
{
    btnScales->setText(m_scaleGroup ? QStringLiteral("Scales 7-12") : QStringLiteral("Scales 1-6"));
    btnScales->setMinimumWidth(btnScales->sizeHint().width());
}

void frmVQ_Mon_Single::toggleScales()
{
    if (m_shown <= 6)
        return;
    m_scaleGroup = 1 - m_scaleGroup;
    showScaleGroup();
    showChannels();
}

void frmVQ_Mon_Single::tmrDispGraph_Tick()
{
    tick(QTime::currentTime());
}

void frmVQ_Mon_Single::tick(const QTime& now)
{
    const TrendTick t = m_model.tick(now);
    DrawTrend(m_image, t);
    picGraph->move(m_model.surfaceX(), 0);
    picGraph->update();
    for (int k = 0; k < 6; ++k)
        lblGTime[k]->setText(m_model.timeLabels()[k]);
    showChannels();
    header->showMarks(m_model.display().header);
    showCaption();
}

void frmVQ_Mon_Single::showChannels()
{
    const rules::SingleDisplay& d = m_model.display();
    layOut(d.channels);
    for (int i = 0; i < d.channels; ++i) {
        const rules::ChannelDisplay& c = d.ch[i];
        monitorstyle::SetBackground(picCH[i], c.colour);
        lblCH_Unit[i]->setText(m_model.unitLabel(i));
        lblCH_Val[i]->setText(c.valueText);
        monitorstyle::ShowStale(lblCH_Val[i], d.stale);
    }
    for (int k = 0; k < 6; ++k) {
        const int i = 6 * m_scaleGroup + k;
        const rules::ChannelDisplay& c = d.ch[i];
        picRowScale[k]->setColour(c.colour);
        picRowScale[k]->setTexts(c.maxText, c.midText, c.minText);
        // No marker before the first value, nor on a flat scale, which has no place for one.
        const auto y = m_model.markerY(i);
        picRowScale[k]->setMarkerY(y && c.max() != c.min() ? std::optional(*y + 1) : std::nullopt); // 1: the border
    }
}

void frmVQ_Mon_Single::toggleChannel(int i)
{
    m_model.toggleChannel(i);
    lblCH_Unit[i]->setText(m_model.unitLabel(i));
}

bool frmVQ_Mon_Single::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        for (int i = 0; i < kN; ++i)
            if (watched == picCH[i] || watched == lblCH[i] || watched == lblCH_Val[i] || watched == lblCH_Unit[i]) {
                toggleChannel(i);
                return true;
            }
    return QDialog::eventFilter(watched, event);
}
