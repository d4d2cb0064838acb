#pragma once
// Widgets shared by the channel and alarm pages: option buttons that light
// green, value labels, stepping arrows and the typed boxes with their
// input restrictions.
#include <QColor>
#include <QHBoxLayout>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <span>
#include <utility>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace pagewidgets {

// Style sheet of a page: lit option buttons are green RGB(0,255,0).
QString PageStyle();
const QColor kLitColour(0, 255, 0);
const QColor kDisabledLabelColour(192, 192, 192);

QPushButton* OptionButton(const QString& caption, const QString& name, QWidget* parent);
// N option buttons name0..name(N-1) in a row.
template <size_t N>
std::array<QPushButton*, N> OptionRow(const QStringList& captions, const QString& name, QHBoxLayout* row,
                                      QWidget* parent)
{
    std::array<QPushButton*, N> buttons{};
    for (size_t i = 0; i < N; ++i) {
        buttons[i] = OptionButton(captions.value(static_cast<int>(i)), name + QString::number(i), parent);
        row->addWidget(buttons[i]);
    }
    return buttons;
}
template <size_t N>
std::array<QPushButton*, N> OptionRowStretched(const QStringList& captions, const QString& name, QHBoxLayout* row,
                                               QWidget* parent)
{
    auto buttons = OptionRow<N>(captions, name, row, parent);
    row->addStretch();
    return buttons;
}

// Lights button i and puts out the others (i outside the list: none lit).
void Light(std::span<QPushButton* const> buttons, int i);
// Index of the lit button, -1 for none.
int LitIndex(std::span<QPushButton* const> buttons);
QPushButton* ArrowButton(const QString& name, bool up, QWidget* parent);
// A value and its up and down arrows, added to `row` in that order; the
// arrows step by +1 and -1. Returns the two arrows.
std::pair<QPushButton*, QPushButton*> AddStepper(QBoxLayout* row, QWidget* value, const QString& upName,
                                                 const QString& downName, const std::function<void(int)>& step,
                                                 int stretch = 0);
QPushButton* CloseButton(QWidget* parent);

// A sunken label showing a value.
QLabel* ValueLabel(const QString& name, QWidget* parent, int minWidth = 70);
void PaintLabel(QLabel* label, const QColor& colour);

// Typed boxes: numbers with sign and point, digits only, Latin-1 text of
// at most maxBytes.
QLineEdit* NumberBox(const QString& name, QWidget* parent);
QLineEdit* DigitsBox(const QString& name, int maxDigits, QWidget* parent);
QLineEdit* TextBox(const QString& name, int maxBytes, QWidget* parent);
// A relay number; "--" (or 0 and less) for none.
QLineEdit* RelayBox(const QString& name, QWidget* parent);

} // namespace pagewidgets
