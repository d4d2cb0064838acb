#include "monitor/MonitorHeader.h"

#include "ui/GradientLabel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

QLabel* named(QLabel* l, const QString& name)
{
    l->setObjectName(name);
    return l;
}

// A dark read-out field, as on the recorder's own display.
QLabel* readout(const QString& name, int minWidth)
{
    auto* l = named(new QLabel, name);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(minWidth);
    l->setStyleSheet(QStringLiteral("QLabel { background: #0b1520; color: #7CFC9A; border: 1px solid #44556a;"
                                    " font-family: monospace; font-size: 13pt; font-weight: bold; padding: 1px 6px; }"));
    return l;
}

QLabel* caption(const QString& text)
{
    auto* l = new QLabel(text);
    l->setStyleSheet(QStringLiteral("QLabel { color: #c8d4e3; font-weight: bold; }"));
    return l;
}

} // namespace

MonitorHeader::MonitorHeader(const QString& title, const QString& programDir, QWidget* parent)
    : QFrame(parent), m_programDir(programDir)
{
    setObjectName(QStringLiteral("picHeader"));
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("QFrame#picHeader { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                                 " stop:0 #2d3e55, stop:1 #18243a); border-radius: 4px; }"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 6, 10, 6);
    row->setSpacing(8);

    lblTitle = named(new QLabel(title), QStringLiteral("lblTitle"));
    lblTitle->setStyleSheet(QStringLiteral("QLabel { color: white; font-size: 15pt; font-weight: bold; }"));
    row->addWidget(lblTitle);
    row->addStretch(1);

    lblSysDate = readout(QStringLiteral("lblSysDate"), 120);
    lblSysTime = readout(QStringLiteral("lblSysTime"), 90);
    row->addWidget(lblSysDate);
    row->addWidget(lblSysTime);
    row->addSpacing(10);

    imgSD = named(new QLabel, QStringLiteral("imgSD"));
    imgSD->setFixedSize(32, 32);
    imgSD->setAlignment(Qt::AlignCenter);
    row->addWidget(imgSD);
    auto* ratios = new QGridLayout;
    ratios->setSpacing(2);
    lblMEM_Ratio = readout(QStringLiteral("lblMEM_Ratio"), 48);
    lblSDC_Ratio = readout(QStringLiteral("lblSDC_Ratio"), 48);
    for (QLabel* l : {lblMEM_Ratio, lblSDC_Ratio})
        l->setStyleSheet(l->styleSheet().replace(QStringLiteral("13pt"), QStringLiteral("9pt")));
    ratios->addWidget(caption(QStringLiteral("MEM:")), 0, 0);
    ratios->addWidget(lblMEM_Ratio, 0, 1);
    ratios->addWidget(caption(QStringLiteral("SDC:")), 1, 0);
    ratios->addWidget(lblSDC_Ratio, 1, 1);
    row->addLayout(ratios);
    row->addSpacing(10);

    auto* di = new QVBoxLayout;
    di->setSpacing(2);
    di->addWidget(caption(QStringLiteral("D.INPUT")), 0, Qt::AlignHCenter);
    auto* marks = new QHBoxLayout;
    marks->setSpacing(2);
    for (int k = 0; k < 6; ++k) {
        lblDInput[k] = new GradientLabel(QString::number(k + 1));
        lblDInput[k]->setObjectName(QStringLiteral("lblDInput%1").arg(k));
        lblDInput[k]->setFixedSize(22, 18);
        lblDInput[k]->setToolTip(QStringLiteral("Digital input %1").arg(k + 1));
        marks->addWidget(lblDInput[k]);
    }
    di->addLayout(marks);
    row->addLayout(di);
    row->addSpacing(10);

    picAlarm = new QFrame;
    picAlarm->setObjectName(QStringLiteral("picAlarm"));
    picAlarm->setFixedSize(40, 40);
    picAlarm->setAutoFillBackground(true);
    picAlarm->setFrameShape(QFrame::Panel);
    picAlarm->setFrameShadow(QFrame::Sunken);
    picAlarm->setToolTip(QStringLiteral("Alarm"));
    auto* alarmBox = new QHBoxLayout(picAlarm);
    alarmBox->setContentsMargins(3, 3, 3, 3);
    imgAlarm = named(new QLabel, QStringLiteral("imgAlarm"));
    imgAlarm->setAlignment(Qt::AlignCenter);
    alarmBox->addWidget(imgAlarm);
    row->addWidget(picAlarm);
}

QString MonitorHeader::showPicture(QLabel* target, const QString& name, QString& lastName)
{
    const QString path = rules::PicturePath(m_programDir, name);
    if (name == lastName && !path.isEmpty() && !target->pixmap().isNull())
        return path;
    lastName = name;
    const QPixmap pm(path);
    if (path.isEmpty() || pm.isNull()) {
        target->clear();
        return {};
    }
    target->setPixmap(pm.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return path;
}

void MonitorHeader::showMarks(const rules::HeaderDisplay& h)
{
    if (lblSysDate->text() != h.date)
        lblSysDate->setText(h.date);
    if (lblSysTime->text() != h.time)
        lblSysTime->setText(h.time);
    if (h.alarm) {
        showPicture(imgAlarm, *h.alarm ? QStringLiteral("SoundON.ico") : QStringLiteral("SoundOFF.ico"), m_alarmName);
        QPalette p = picAlarm->palette();
        p.setColor(QPalette::Window, *h.alarm ? QColor(255, 0, 0) : QColor(0, 255, 0));
        picAlarm->setPalette(p);
    }
    for (int k = 0; k < 6; ++k)
        if (h.di[k]) {
            const auto [c1, c2] = rules::DiColours(*h.di[k]);
            lblDInput[k]->setColours(c1, c2);
        }
    if (!h.memPicture.isEmpty())
        m_memFile = showPicture(imgSD, h.memPicture, m_memName);
    lblMEM_Ratio->setText(h.memRatio);
    lblSDC_Ratio->setText(h.sdcRatio);
}
