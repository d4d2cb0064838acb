#include "view/ChannelPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor kAlarmOn(220, 40, 40);
const QColor kStateOn(40, 170, 70);

QIcon swatch(Rgb colour)
{
    QPixmap pm(14, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(QColor::fromRgb(colour));
    p.drawRect(0, 0, 13, 13);
    return QIcon(pm);
}

QLabel* lamp(const QString& name, const QString& text, const QString& tip)
{
    auto* l = new QLabel(text);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("00")) + 6);
    l->setAutoFillBackground(true);
    l->setToolTip(tip);
    l->setProperty("on", false);
    return l;
}

QLabel* heading(const QString& text)
{
    auto* l = new QLabel(text);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

ChannelPanel::ChannelPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("channelPanel"));
    auto* box = new QVBoxLayout(this);
    box->addWidget(heading(QStringLiteral("Cursor")));
    m_time = new QLabel(QStringLiteral("–"));
    m_time->setObjectName(QStringLiteral("lblCursorTime"));
    m_time->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->addWidget(m_time);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(heading(QStringLiteral("Channel")), 0, 0);
    grid->addWidget(heading(QStringLiteral("Value")), 0, 1, Qt::AlignRight);
    grid->addWidget(heading(QStringLiteral("Alarm")), 0, 2, 1, 4);
    for (int k = 0; k < vqd::kChannels; ++k) {
        const QString ch = QStringLiteral("CH%1").arg(k + 1, 2, 10, QLatin1Char('0'));
        m_switch[k] = new QCheckBox;
        m_switch[k]->setObjectName(QStringLiteral("chk") + ch);
        m_switch[k]->setChecked(true);
        m_switch[k]->setToolTip(QStringLiteral("Show or hide %1").arg(ch));
        connect(m_switch[k], &QCheckBox::toggled, this, [this, k](bool on) { emit shownChanged(k, on); });
        m_value[k] = new QLabel;
        m_value[k]->setObjectName(QStringLiteral("lbl%1_Val").arg(ch));
        m_value[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_value[k]->setMinimumWidth(m_value[k]->fontMetrics().horizontalAdvance(QStringLiteral("-00000.00 mV")));
        grid->addWidget(m_switch[k], k + 1, 0);
        grid->addWidget(m_value[k], k + 1, 1);
        for (int a = 0; a < 4; ++a) {
            m_alarm[k][a] = lamp(QStringLiteral("lbl%1_AL%2").arg(ch).arg(a + 1), QString::number(a + 1),
                                 QStringLiteral("Alarm %1 of %2").arg(a + 1).arg(ch));
            grid->addWidget(m_alarm[k][a], k + 1, 2 + a);
        }
    }
    grid->setColumnStretch(1, 1);
    box->addLayout(grid);

    auto* all = new QPushButton(QStringLiteral("Show &all"));
    all->setObjectName(QStringLiteral("btnShowAll"));
    auto* none = new QPushButton(QStringLiteral("&Hide all"));
    none->setObjectName(QStringLiteral("btnHideAll"));
    auto setAll = [this](bool on) {
        for (int k = 0; k < m_count; ++k)
            m_switch[k]->setChecked(on);
    };
    connect(all, &QPushButton::clicked, this, [setAll] { setAll(true); });
    connect(none, &QPushButton::clicked, this, [setAll] { setAll(false); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(all);
    buttons->addWidget(none);
    box->addLayout(buttons);

    auto lampRow = [&](const QString& title, auto& lamps, int from, int to, const QString& prefix, const QString& tip) {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(2);
        if (!title.isEmpty())
            box->addWidget(heading(title));
        for (int i = from; i < to; ++i) {
            lamps[i] = lamp(QStringLiteral("lbl%1%2").arg(prefix).arg(i + 1), QString::number(i + 1),
                            QStringLiteral("%1 %2").arg(tip).arg(i + 1));
            h->addWidget(lamps[i]);
        }
        h->addStretch();
        box->addWidget(row);
        return row;
    };
    lampRow(QStringLiteral("Digital inputs"), m_di, 0, 6, QStringLiteral("DI"), QStringLiteral("Digital input"));
    lampRow(QStringLiteral("Relays"), m_relay, 0, 6, QStringLiteral("Relay"), QStringLiteral("Relay"));
    m_relayRow2 = lampRow(QString(), m_relay, 6, vqd::kChannels, QStringLiteral("Relay"), QStringLiteral("Relay"));
    box->addStretch();
    // As wide as twelve channels need, so that opening a file does not reflow the window.
    setChannels(vqd::kChannels, DefaultLooks());
    setMinimumWidth(sizeHint().width());
    setChannels(0, DefaultLooks());
}

void ChannelPanel::setChannels(int count, const ChannelLooks& looks)
{
    m_count = count;
    m_looks = looks;
    for (int k = 0; k < vqd::kChannels; ++k) {
        const bool used = k < count;
        m_switch[k]->setText(looks[k].name);
        m_switch[k]->setIcon(swatch(looks[k].colour));
        m_switch[k]->setVisible(used);
        m_value[k]->setVisible(used);
        for (QLabel* a : m_alarm[k])
            a->setVisible(used);
        m_relay[k]->setVisible(used);
    }
    m_relayRow2->setVisible(count > 6);
}

void ChannelPanel::setLamp(QLabel* l, bool on, const QColor& colour)
{
    if (l->property("on").toBool() == on && l->property("styled").toBool())
        return;
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, on ? colour : pal.color(QPalette::Base).darker(106));
    pal.setColor(QPalette::WindowText, on ? QColor(Qt::white) : pal.color(QPalette::PlaceholderText));
    l->setPalette(pal);
    l->setProperty("on", on);
    l->setProperty("styled", true);
}

void ChannelPanel::showRecord(const Timeline* tl, qsizetype i)
{
    const bool valid = tl && i >= 0 && i < tl->size();
    if (valid)
        tl->guardShrunkFiles();
    const RecordStatus status = valid ? tl->statusAt(i) : RecordStatus();
    m_time->setText(valid ? QString::fromLatin1(StampText(tl->stampAt(i))) : QStringLiteral("–"));
    for (int k = 0; k < m_count; ++k) {
        QString text;
        if (valid && k < tl->channels) {
            text = ValueText(tl->value(k, i), m_looks[k]);
            if (text.isEmpty())
                text = QStringLiteral("----");
            else if (!m_looks[k].unit.isEmpty())
                text += u' ' + m_looks[k].unit;
        }
        m_value[k]->setText(text);
        for (int a = 0; a < 4; ++a)
            setLamp(m_alarm[k][a], AlarmOn(status, k + 1, a + 1), kAlarmOn);
        setLamp(m_relay[k], RelayOn(status, k + 1), kStateOn);
    }
    for (int d = 0; d < 6; ++d)
        setLamp(m_di[d], DiOn(status, d + 1), kStateOn);
}
