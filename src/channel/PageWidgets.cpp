#include "channel/PageWidgets.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace pagewidgets {

QString PageStyle()
{
    return QStringLiteral("QPushButton[option=\"true\"] { min-width: 52px; min-height: 26px; font-weight: bold; }"
                          "QPushButton[option=\"true\"]:checked { background-color: rgb(0,255,0); color: black; }");
}

namespace {
// Draws its caption in compatibility form: a unit such as the square-mV
// character, which the fonts that have it squeeze into one cramped cell,
// shows as "mV" in letters as large as those of the other units.
class OptionPushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter p(this);
        QStyleOptionButton o;
        initStyleOption(&o);
        o.text = o.text.normalized(QString::NormalizationForm_KC);
        p.drawControl(QStyle::CE_PushButton, o);
    }
};
} // namespace

QPushButton* OptionButton(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new OptionPushButton(caption, parent);
    b->setObjectName(name);
    b->setCheckable(true);
    b->setAutoDefault(false);
    b->setProperty("option", true);
    return b;
}

void Light(std::span<QPushButton* const> buttons, int i)
{
    for (size_t k = 0; k < buttons.size(); ++k)
        buttons[k]->setChecked(static_cast<int>(k) == i);
}

int LitIndex(std::span<QPushButton* const> buttons)
{
    for (size_t k = 0; k < buttons.size(); ++k)
        if (buttons[k]->isChecked())
            return static_cast<int>(k);
    return -1;
}

QPushButton* ArrowButton(const QString& name, bool up, QWidget* parent)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setIcon(parent->style()->standardIcon(up ? QStyle::SP_ArrowUp : QStyle::SP_ArrowDown));
    b->setToolTip(up ? QStringLiteral("Next") : QStringLiteral("Previous"));
    b->setAccessibleName(b->toolTip());
    b->setFixedWidth(34);
    return b;
}

std::pair<QPushButton*, QPushButton*> AddStepper(QBoxLayout* row, QWidget* value, const QString& upName,
                                                 const QString& downName, const std::function<void(int)>& step,
                                                 int stretch)
{
    auto* up = ArrowButton(upName, true, value->parentWidget());
    auto* down = ArrowButton(downName, false, value->parentWidget());
    row->addWidget(value, stretch);
    row->addWidget(up);
    row->addWidget(down);
    QObject::connect(up, &QPushButton::clicked, value, [step] { step(1); });
    QObject::connect(down, &QPushButton::clicked, value, [step] { step(-1); });
    return {up, down};
}

QPushButton* CloseButton(QWidget* parent)
{
    auto* b = new QPushButton(QStringLiteral("&Close"), parent);
    b->setObjectName(QStringLiteral("btnClose"));
    b->setAutoDefault(false);
    b->setMinimumWidth(90);
    return b;
}

QLabel* ValueLabel(const QString& name, QWidget* parent, int minWidth)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(minWidth);
    l->setMinimumHeight(24);
    l->setAutoFillBackground(true);
    return l;
}

void PaintLabel(QLabel* label, const QColor& colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::Window, colour.isValid() ? colour : QApplication::palette().color(QPalette::Button));
    label->setPalette(p);
}

namespace {
QLineEdit* box(const QString& name, const QString& pattern, int maxLength, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), e));
    e->setMaxLength(maxLength);
    return e;
}
}

QLineEdit* NumberBox(const QString& name, QWidget* parent)
{
    QLineEdit* e = box(name, QStringLiteral("[-+]?\\d{0,7}(\\.\\d{0,6})?"), 14, parent);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setMaximumWidth(110);
    return e;
}

QLineEdit* DigitsBox(const QString& name, int maxDigits, QWidget* parent)
{
    QLineEdit* e = box(name, QStringLiteral("\\d{0,%1}").arg(maxDigits), maxDigits, parent);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setMaximumWidth(110);
    return e;
}

QLineEdit* TextBox(const QString& name, int maxBytes, QWidget* parent)
{
    // The recorder stores one byte per character: Latin-1 only.
    return box(name, QStringLiteral("[\\x{20}-\\x{7E}\\x{A0}-\\x{FF}]{0,%1}").arg(maxBytes), maxBytes, parent);
}

QLineEdit* RelayBox(const QString& name, QWidget* parent)
{
    QLineEdit* e = box(name, QStringLiteral("--|-?\\d{0,2}"), 3, parent);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e->setMaximumWidth(110);
    return e;
}

} // namespace pagewidgets
