#pragma once
// Rules of the alarm / digital-input page: where an alarm or an input lives
// in the editor's tables, clamping of the value boxes, the alarm types with
// their panels and pictures, and the option texts the page stores.
#include <QString>
#include <QStringList>

namespace armrules {

// Field k of an alarm (rows of sprdP_CH) and of a digital input (rows of sprdP).
enum AlarmField { Sv = 0, Hys, Rate, Type, Cch, TUnit, Rcd, Ryo, Ryt };
enum DiField { DiLevel = 0, DiRcd, DiRyo, DiRyt };
constexpr int kAlarms = 4;
constexpr int kInputs = 6;
constexpr int kAlarmTypes = 16;
constexpr int kDiValueCol = 3;
// Alarm a (1..4) of a channel, input n (1..6).
constexpr int AlarmRow(int a, int k) { return 26 + 9 * (a - 1) + k; }
constexpr int DiRow(int n, int k) { return 45 + 4 * (n - 1) + k; }

// The typed boxes and what they hold.
enum class Box { SetValue, Hysteresis, Rate, WithChannel, Relay, OnTime };
// What a committed box shows and stores: the typed text when in range,
// else the limit it crossed; relays of 0 or less show "--".
QString ClampBox(Box box, const QString& typed, int chCount);
// The relay number as the boxes show it.
QString RelayText(const QString& stored);
// A typed channel or input number held to 1..count.
int ClampNumber(const QString& typed, int count);

// Alarm type 0..15: name, which field panel shows (0 level, 1 deviation,
// 2 rate, 3 none; -1 for unknown codes) and the label of the rate box.
QString AlarmTypeName(int code);
int AlarmPanel(int code);
QString RateLabel(int code);

// Option texts in button order.
QStringList TimeUnitTexts();   // "HOUR", "MIN.", "SEC."
QStringList RecordTexts();     // "START", "STOP", "BYPASS"
QStringList LevelTexts();      // "LOW", "HIGH"
// Index of a stored time unit: its text or a number 0..2; -1 for others.
int TimeUnitIndex(const QString& stored);
// "START" 0, "STOP" 1, anything else 2 (BYPASS).
int RecordIndex(const QString& stored);
// "LOW" 0, "HIGH" 1, else a number: 1 or more is HIGH.
int LevelIndex(const QString& stored);

// The picture of an alarm type: ARMnn.BMP in the first folder that has it;
// empty when none has it or the code is outside 0..15.
QString AlarmPicturePath(int code, const QStringList& folders);

} // namespace armrules
