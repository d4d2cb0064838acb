#pragma once
// Rules of the channel page: the input types and their groups, stepping
// inside a group, the defaults a type brings, number formats by decimal
// point, math function names; and ChannelSettings, which applies them to
// one channel column of the editor's sprdP_CH.
#include <QString>
#include <QStringList>
#include <utility>

class TextTable;

namespace chanrules {

// The editor's sprdP_CH: 1 description, 2 key, then channel c (1-based) in column c + 2.
constexpr int ChannelCol(int c) { return c + 2; }
constexpr int ChannelOfCol(int col) { return col - 2; }

// Index of the group buttons btnINP.
enum class InputGroup { Vdc = 0, Rtd = 1, Tc = 2 };

struct InputType {
    int code = 0;
    const char* caption = "";  // UTF-8
    InputGroup group = InputGroup::Tc;
    const char* rangeMin = "";
    const char* rangeMax = "";
    int decimals = 1;
    int unit = 3;
    int point = 1;
};

// The type of a code; nullptr for 9, 15 and codes outside 1..19.
const InputType* FindInputType(int code);
// Caption of a code ("TYPE K"); empty for codes without a type.
QString InputTypeName(int code);
bool IsKnownRangeCode(int code); // 1..19, including 9 and 15
// Group and decimals of the user range for codes 1..19.
InputGroup GroupOfCode(int code);
int RangeDecimals(int code);
// The code a group button chooses: VDC 19, RTD 14, T/C 1.
int GroupDefaultCode(InputGroup group);
// Next code inside the group (dir +1 / -1); codes outside 1..19 stay.
int StepInputType(int code, int dir);
// Unit and point a type brings: 1..16 -> 3, 1; 18 -> 1, 3; others -> 0, 2.
std::pair<int, int> DefaultUnitAndPoint(int code);

// Captions of the unit, point and read-method buttons, in index order.
QStringList UnitCaptions();
QStringList PointCaptions();
QStringList ReadModeTexts();
int ReadModeIndex(const QString& text); // -1 for other texts

// A value in the format of d decimals ("0", "0.0", ... "0.0000");
// d outside 0..4 formats whole numbers.
QString FormatDecimals(double value, int d);
// The display limits for a decimal point d: -99999 / 10^d and 99999 / 10^d.
std::pair<QString, QString> DisplayLimits(int d);

// Math function names 1..14; empty for other codes.
QString MathFunctionName(int code);
constexpr int kMathFunctions = 14;


// One channel column of sprdP_CH (channel n is column n + 2). Every setter
// writes the table at once; the page keeps no copy.
class ChannelSettings {
public:
    ChannelSettings(TextTable& sprdP_CH, int channel);

    int channel() const { return m_channel; }
    int col() const { return m_channel + 2; }
    QString text(int row) const;
    int number(int row) const;
    void write(int row, const QString& text);

    // Writes the code and what the type brings: unit, point, user and
    // display ranges (range texts as they stand). A code without a type
    // writes only the code, unit and point.
    void applyInputType(int code);
    // A code outside 1..19 becomes "1" (TYPE K); true when repaired.
    bool repairRangeCode();
    // Copies the type's input range into the user range.
    void maxRange();

private:
    TextTable& m_table;
    int m_channel;
};

} // namespace chanrules
